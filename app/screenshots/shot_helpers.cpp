#include "app/screenshots/shot_helpers.h"

#include "app/screenshots/shots.h"

#include "data/dm_cde_3.h"
#include "data/login_window.h"
#include "data/settings_file.h"
#include "platform/db/query.h"
#include "platform/os/errors.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "server/server.h"
#include "sheet/main_window.h"

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

QString firstSheetCondition(db::Connection& connection)
{
    db::Query first(&connection, QStringLiteral("ADOQ_Exec"));
    first.setSql(QStringLiteral("SELECT TOP 1 id_group, id_discipline, id_semester, id_examination FROM mark_mag "
                                "WHERE id_f_est = 1 ORDER BY id_group, id_semester, id_discipline"));
    first.open();
    return QStringLiteral("m.id_group = %1 AND m.id_discipline = %2 AND m.id_semester = %3 AND "
                          "m.id_examination = %4 AND m.id_f_est = 1")
        .arg(first.field(0).asString(), first.field(1).asString(), first.field(2).asString(),
             first.field(3).asString());
}

QString sheetRowsSql(const QString& condition)
{
    return QStringLiteral("SELECT m.id_mark_mag, s.s_fio AS student, s.idid, m.m1, m.m2, m.m3, m.dop, m.p36, "
                          "e.p31 AS Ball_name, m.primech FROM mark_mag m "
                          "INNER JOIN s_fio s ON s.id_student = m.id_student "
                          "LEFT JOIN estimation e ON e.id_estimation = m.id_estimation WHERE ")
        + condition + QStringLiteral(" ORDER BY s.s_fio");
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

DemoMainWindow::DemoMainWindow(ShotContext& ctx, const QString& login, const QString& password)
{
    writeDemoSettings(ctx.dataDir);
    dm_ = std::make_unique<data::TDM_CDE_3>();
    answerLogin(login, password);
    window_ = std::make_unique<TForm2>(*dm_);
    window_->resize(1280, 760);
    window_->show();
}

// The window goes before the data module it works on (members die in reverse order).
DemoMainWindow::~DemoMainWindow() = default;

void DemoMainWindow::openSheet(const QString& group, const QString& semester, const QString& discipline)
{
    pick(window_->DBLookupComboBox9, group);
    pick(window_->DBLookupComboBox10, semester);
    pick(window_->DBLookupComboBox11, discipline);
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
