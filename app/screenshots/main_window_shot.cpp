// The login window at both heights, the main window after the demo user logged in, and
// open sheets: the demo user's, the same sheet read-only for the viewer, an extramural one.
#include "app/screenshots/shot_helpers.h"
#include "app/screenshots/shots.h"

#include "data/dm_cde_3.h"
#include "data/login_window.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "sheet/main_window.h"

#include <QLineEdit>
#include <QToolButton>

namespace {

using namespace qel;
using shots::writeDemoSettings;

const shots::Shot loginShot("login_window", [](shots::ShotContext& ctx) {
    writeDemoSettings(ctx.dataDir);
    data::TDM_CDE_3 dm;
    SessionState session;
    QWidget main;
    TForm8 form(nullptr, dm, session, &main);
    form.Login_Edit->setText(QStringLiteral("demo"));
    form.Password_Edit->setText(QStringLiteral("demo2026"));
    form.show();
    ctx.save(&form, QStringLiteral("login_window"));
    form.SpeedButton3->click();
    form.Edit1->setText(QStringLiteral("new_pw1"));
    form.Edit2->setText(QStringLiteral("new_pw1"));
    ctx.save(&form, QStringLiteral("login_window_password_pane"));
});

const shots::Shot mainWindowShot("main_window", [](shots::ShotContext& ctx) {
    shots::DemoMainWindow demo(ctx);
    ctx.save(&demo.window(), QStringLiteral("main_window"));
});

// Logs in, picks group, semester and discipline (the sheet opens by itself) and saves it.
void sheetShot(shots::ShotContext& ctx, const char* login, const char* password, const QString& group,
               const QString& semester, const QString& discipline, const QString& name)
{
    shots::DemoMainWindow demo(ctx, QString::fromLatin1(login), QString::fromLatin1(password));
    demo.openSheet(group, semester, discipline);
    ctx.save(&demo.window(), name);
}

const shots::Shot sheetShot1("sheet_open", [](shots::ShotContext& ctx) {
    sheetShot(ctx, "demo", "demo2026", QStringLiteral("ИВТ-24"), QStringLiteral("2 семестр"),
              QStringLiteral("Программирование"), QStringLiteral("sheet_open"));
});

const shots::Shot sheetShot2("sheet_read_only", [](shots::ShotContext& ctx) {
    sheetShot(ctx, "viewer", "viewer2026", QStringLiteral("ИВТ-24"), QStringLiteral("2 семестр"),
              QStringLiteral("Программирование"), QStringLiteral("sheet_read_only"));
});

const shots::Shot sheetShot3("sheet_extramural", [](shots::ShotContext& ctx) {
    sheetShot(ctx, "demo", "demo2026", QStringLiteral("ИВТз-24"), QStringLiteral("2 семестр"),
              QStringLiteral("Программирование"), QStringLiteral("sheet_extramural"));
});

// A credit sheet with a student marked "н/п" (light blue row) and one refused admission
// ("н/д", light red cell).
const shots::Shot sheetShot4("sheet_np_admission", [](shots::ShotContext& ctx) {
    sheetShot(ctx, "demo", "demo2026", QStringLiteral("ИВТ-24"), QStringLiteral("3 семестр"),
              QStringLiteral("Иностранный язык"), QStringLiteral("sheet_np_admission"));
});

} // namespace
