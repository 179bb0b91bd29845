#include "app/screenshots/shot_helpers.h"

#include "app/screenshots/shots.h"

#include "data/login_window.h"
#include "data/settings_file.h"
#include "platform/os/errors.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "server/server.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

namespace qel::shots {

QString demoDatabase(const QString& dataDir, const QString& login)
{
    const QString path = dataDir + QStringLiteral("/QEL.sqlite");
    server::createDatabase(path, true);
    const QString salt = login, password = login + QStringLiteral("1");
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash((salt + QLatin1Char(':') + password).toUtf8(), QCryptographicHash::Sha256).toHex());
    server::Session::administrator(path)->execute(
        QStringLiteral("INSERT INTO sys_logins (name, password_hash, salt, role) VALUES (?, ?, ?, 'admin')"),
        {login, hash, salt});
    return QStringLiteral("Provider=SQLOLEDB.1;Password=%1;User ID=%2;Initial Catalog=QEL;Data Source=embedded")
        .arg(password, login);
}

void writeDemoSettings(const QString& dataDir)
{
    writeSettingsFile(dataDir + QStringLiteral("/QEL"), {QStringLiteral("qel_start"), QStringLiteral("qel13start"),
                                                         QStringLiteral("QEL"), QStringLiteral("embedded")});
}

void whenModalShown(const char* className, std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, className, action = std::move(action)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->inherits(className))
            return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
}

void answerLogin(const QString& login, const QString& password)
{
    whenModalShown("qel::TForm8", [login, password](QWidget* w) {
        auto* form = static_cast<TForm8*>(w);
        form->Login_Edit->setText(login);
        form->Password_Edit->setText(password);
        form->SpeedButton2->click();
    });
}

void pick(ui::DBLookupComboBox* control, const QString& text)
{
    for (int row = 0; row < control->count(); ++row)
        if (control->itemText(row) == text) {
            control->pickRow(row);
            return;
        }
    throw Error(QStringLiteral("%1: no row \"%2\"").arg(control->objectName(), text));
}

void saveWithPopup(ShotContext& ctx, QWidget* window, QMenu* menu, const QPoint& at, const QString& name)
{
    window->repaint();
    QApplication::processEvents();
    QPixmap picture = window->grab();
    menu->popup(window->mapToGlobal(at));
    QApplication::processEvents();
    {
        QPainter painter(&picture);
        painter.drawPixmap(at, menu->grab());
    }
    menu->hide();
    QLabel label;
    label.setPixmap(picture);
    label.resize(picture.size());
    ctx.save(&label, name);
}

} // namespace qel::shots
