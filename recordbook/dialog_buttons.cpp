#include "recordbook/dialog_buttons.h"

#include "platform/ui/panel.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace qel::recordbook {

DialogButtons makeDialogButtons(QWidget* dialog, const char* panelName, const QString& acceptCaption)
{
    auto* panel = new ui::Panel(dialog);
    panel->setObjectName(QLatin1String(panelName));
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(6, 6, 6, 6);
    row->addStretch(1);
    auto* accept = new QPushButton(acceptCaption, panel);
    accept->setObjectName(QStringLiteral("Button1"));
    auto* cancel = new QPushButton(QStringLiteral("Отмена"), panel);
    cancel->setObjectName(QStringLiteral("Button2"));
    for (QPushButton* b : {accept, cancel}) {
        b->setAutoDefault(false);
        row->addWidget(b);
    }
    return {panel, accept, cancel};
}

} // namespace qel::recordbook
