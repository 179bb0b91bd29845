// TForm7: the student codes window. It lists the students of the group selected in the
// main window with their code, full name and portal login; the code can be corrected in
// place, and a double click opens the login dialog (TForm11) to give the student a login
// and a new password. Every change leaves an audit row.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

namespace qel {

namespace data {
class TDM_CDE_3;
}
namespace ui {
class DBNavigator;
class Panel;
class TQXDBGridEh;
} // namespace ui

class RecorderMove;

// What the window needs of the main window's session.
struct StudentCodesSession {
    std::optional<qint32> groupId;               // the group selected in the main window
    QString sessionLogin;                        // the author of the audit rows
    std::function<QString()> auditComputerText;  // computer name, a backslash, the local IP
};

class TForm7 : public QDialog {
    Q_OBJECT
public:
    // Builds the window and opens the list (FormCreate); an error while opening is
    // reported and leaves the list closed.
    TForm7(QWidget* owner, data::TDM_CDE_3& dm, StudentCodesSession session);
    ~TForm7() override;

    ui::Panel* Panel1;                 // the top panel holding the navigator
    ui::DBNavigator* DBNavigator1;     // "Сохранить" (post), "Отмена" (cancel)
    ui::TQXDBGridEh* QXDBGridEh2;

    void FormCreate();
    // Posts a pending change of the current row and closes the list; a failed post raises.
    void FormClose();
    // Opens the login dialog for the current student and stores what it accepted (a double
    // click on the list, or Enter).
    void QXDBGridEh2DblClick();
    // Only the code column can be typed into.
    void QXDBGridEh2ColEnter();
    void QXDBGridEh2ColExit();

    // Closing runs FormClose first; when its post fails the error is shown and the window
    // stays open with the row as it was typed (the user may correct it or cancel the edit).
    void done(int result) override;

private:
    void buildGrid();

    data::TDM_CDE_3& dm_;
    StudentCodesSession session_;
    std::unique_ptr<RecorderMove> recorder_;
};

} // namespace qel
