// The bottom row of the record book's two dialogs: a panel holding the accepting button and
// "Отмена" at its right, neither of them taking Enter by default.
#pragma once

#include <QString>

class QPushButton;
class QWidget;

namespace qel::ui {
class Panel;
}

namespace qel::recordbook {

struct DialogButtons {
    ui::Panel* panel;
    QPushButton* accept;   // object name "Button1"
    QPushButton* cancel;   // "Отмена", object name "Button2"
};

DialogButtons makeDialogButtons(QWidget* dialog, const char* panelName, const QString& acceptCaption);

} // namespace qel::recordbook
