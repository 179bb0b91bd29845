// The main window on a demo database whose group ИВТ-24 is grown to a given number of
// students, logged in as the demo user with the examination sheet of "Дискретная
// математика" open: what the benchmarks of posting, deleting and sheet-wide actions time
// the window's own handlers on. Every question is answered Yes, every message counted.
#pragma once

#include "platform/ui/dialogs.h"
#include "sheet/main_window.h"

#include <QTemporaryDir>
#include <memory>

namespace qel::data {
class TDM_CDE_3;
}

namespace qel::bench {

// Installed for its lifetime: questions get Yes, a message is counted (a benchmark reports
// one as a failure: it means a refusal).
class YesDialogs : public ui::Dialogs {
public:
    YesDialogs();
    ~YesDialogs() override;
    ui::MsgResult message(const ui::MessageRequest& request) override;
    int messages = 0;
    QString last;
};

struct MainWindowSheet {
    explicit MainWindowSheet(int students);
    ~MainWindowSheet();

    // Puts every deleted mark row back and reopens the sheet (outside a timing).
    void restoreRows();
    // The grid column of a field.
    int column(const QString& fieldName) const;

    QTemporaryDir dir;
    QString path;
    std::unique_ptr<data::TDM_CDE_3> dm;
    std::unique_ptr<TForm2> window;
    int students = 0;
};

} // namespace qel::bench
