// The login window at both heights, and the main window after the demo user logged in.
#include "app/screenshots/shots.h"

#include "data/dm_cde_3.h"
#include "data/login_window.h"
#include "data/settings_file.h"
#include "sheet/main_window.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

namespace {

using namespace qel;

void writeDemoSettings(const QString& dataDir)
{
    writeSettingsFile(dataDir + QStringLiteral("/QEL"), {QStringLiteral("qel_start"), QStringLiteral("qel13start"),
                                                         QStringLiteral("QEL"), QStringLiteral("embedded")});
}

// Types the login into the modal login window as soon as it shows, and clicks "log in".
void answerLogin(const QString& login, const QString& password)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, login, password] {
        auto* form = qobject_cast<TForm8*>(QApplication::activeModalWidget());
        if (!form)
            return;
        timer->stop();
        timer->deleteLater();
        form->Login_Edit->setText(login);
        form->Password_Edit->setText(password);
        form->SpeedButton2->click();
    });
    timer->start();
}

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
    writeDemoSettings(ctx.dataDir);
    data::TDM_CDE_3 dm;
    answerLogin(QStringLiteral("demo"), QStringLiteral("demo2026"));
    TForm2 window(dm);
    window.resize(1280, 760);
    window.show();
    ctx.save(&window, QStringLiteral("main_window"));
});

} // namespace
