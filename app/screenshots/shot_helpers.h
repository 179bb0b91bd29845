// What several shots do: the demo database with a login of their own, its settings file, a
// login answered as the user types it, a pick in a selector, an action on a modal window
// once it shows, the logged-in main window, and a window saved with a pop-up menu open over it.
#pragma once

#include <QString>
#include <functional>
#include <memory>

class QMenu;
class QPoint;
class QWidget;

namespace qel {
class TForm2;
}
namespace qel::data {
class TDM_CDE_3;
}
namespace qel::db {
class Connection;
}
namespace qel::ui {
class DBLookupComboBox;
}

namespace qel::shots {

// Creates the demo database in the shot's data folder with an administrator login of the
// given name and returns the connection string of that login (for shots that connect
// without the login window).
QString demoDatabase(const QString& dataDir, const QString& login);

struct ShotContext;

// The condition on mark_mag m that selects the first sheet of the demo data (the first
// group's first semester, discipline and form of control), for shots that query a sheet
// without the main window.
QString firstSheetCondition(db::Connection& connection);
// The rows of the sheet the condition selects, with the fields a sheet grid shows.
QString sheetRowsSql(const QString& condition);

// The settings file of the embedded demo database in the shot's data folder.
void writeDemoSettings(const QString& dataDir);

// Types the login into the modal login window as soon as it shows, and clicks "log in".
void answerLogin(const QString& login, const QString& password);

// Picks the listed row showing the text, as a user does.
void pick(ui::DBLookupComboBox* control, const QString& text);

// Runs the action on the first modal window of the class that shows (inside its own event
// loop); the action closes it.
void whenModalShown(const char* className, std::function<void(QWidget*)> action);

// The main window on the embedded demo database after the user logged in, shown at the
// size of the screenshots.
class DemoMainWindow {
public:
    explicit DemoMainWindow(ShotContext& ctx, const QString& login = QStringLiteral("demo"),
                            const QString& password = QStringLiteral("demo2026"));
    ~DemoMainWindow();
    data::TDM_CDE_3& dm() { return *dm_; }
    TForm2& window() { return *window_; }
    // Picks group, semester and discipline as a user does; the sheet opens by itself.
    void openSheet(const QString& group, const QString& semester, const QString& discipline);

private:
    std::unique_ptr<data::TDM_CDE_3> dm_;
    std::unique_ptr<TForm2> window_;
};

// Saves the window with a pop-up menu drawn over it at a point of the window, as the user
// sees it open (a pop-up is a window of its own, which a grab of the window leaves out).
void saveWithPopup(ShotContext& ctx, QWidget* window, QMenu* menu, const QPoint& at, const QString& name);

} // namespace qel::shots
