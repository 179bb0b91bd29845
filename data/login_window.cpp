#include "data/login_window.h"

#include "data/dm_cde_3.h"
#include "data/password_digest.h"
#include "data/reference_ids.h"
#include "data/settings_file.h"
#include "platform/db/query.h"
#include "platform/db/sql_literal.h"
#include "platform/os/build_stamp.h"
#include "platform/os/cp1251.h"
#include "platform/os/system_info.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/error_report.h"
#include "platform/ui/jpeg_image.h"
#include "platform/ui/repaint.h"

#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QThread>
#include <QToolButton>
#include <QWindow>
#include <cstdlib>

static void initLoginArt() { Q_INIT_RESOURCE(login_art); }

namespace qel {
namespace {

const char* const kMustChangePassword =
    "Вы должны поменять пароль\rЭто делается для безопастности и сохранения данных от злоумышлеников";
const char* const kWrongLogin = "Неверно ввели логин или пароль.";

QPixmap artwork(const char* name)
{
    QFile f(QStringLiteral(":/login/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QPixmap::fromImage(ui::decodeJpeg(f.readAll()));
}

QString errorText(const std::exception& e)
{
    if (auto* q = dynamic_cast<const qel::Error*>(&e))
        return q->message();
    return QString::fromUtf8(e.what());
}

QToolButton* pictureButton(QWidget* parent, const char* name, const char* picture, const QString& hint)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setIcon(QIcon(artwork(picture)));
    b->setIconSize(QSize(36, 36));
    b->setAutoRaise(true);
    b->setToolTip(hint);
    b->setCursor(Qt::PointingHandCursor);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

QLineEdit* edit(QWidget* parent, const char* name, const QString& placeholder, bool secret)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setPlaceholderText(placeholder);
    if (secret)
        e->setEchoMode(QLineEdit::Password);
    return e;
}

} // namespace

std::function<void(int)> TForm8::waitBeforeExit = [](int ms) { QThread::msleep(ulong(ms)); };
std::function<void()> TForm8::endProcess = [] { std::_Exit(0); };

QString sessionCaption(const QString& designCaption)
{
    return designCaption + QStringLiteral(" V") + QString::number(kClientVersion) + QStringLiteral(" [ ")
         + os::buildStampText() + QStringLiteral(" ] - ") + QStringLiteral("Учет успеваемости");
}

TForm8::TForm8(QWidget* owner, data::TDM_CDE_3& dm, SessionState& session, QWidget* mainWindow)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint), dm_(dm), session_(session), mainWindow_(mainWindow)
{
    initLoginArt();
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Аутентификация"));
    setFixedSize(420, kNormalHeight);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 420, kNormalHeight);
    Image1->setPixmap(artwork("login_top.jpg"));
    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(0, kNormalHeight, 420, kPaneHeight - kNormalHeight);
    Image2->setPixmap(artwork("login_bottom.jpg"));

    Label1 = new QLabel(QStringLiteral("V.1"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 4, 404, 18);
    Label1->setStyleSheet(QStringLiteral("color: white; font-weight: bold;"));

    Login_Edit = edit(this, "Login_Edit", QStringLiteral("Логин"), false);
    Login_Edit->setGeometry(24, 128, 220, 26);
    Password_Edit = edit(this, "Password_Edit", QStringLiteral("Пароль"), true);
    Password_Edit->setGeometry(24, 162, 220, 26);

    SpeedButton2 = pictureButton(this, "SpeedButton2", "button_login.jpg", QStringLiteral("Войти"));
    SpeedButton2->setGeometry(258, 140, 40, 40);
    SpeedButton3 = pictureButton(this, "SpeedButton3", "button_password.jpg", QStringLiteral("Сменить пароль"));
    SpeedButton3->setGeometry(306, 140, 40, 40);
    SpeedButton1 = pictureButton(this, "SpeedButton1", "button_exit.jpg", QStringLiteral("Выход"));
    SpeedButton1->setGeometry(354, 140, 40, 40);

    RzLabel1 = new QLabel(this);
    RzLabel1->setObjectName(QStringLiteral("RzLabel1"));
    RzLabel1->setGeometry(12, 196, 396, 48);
    RzLabel1->setAlignment(Qt::AlignCenter);
    RzLabel1->setWordWrap(true);
    RzLabel1->setStyleSheet(QStringLiteral("color: #ffe9a8; font-weight: bold;"));

    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setGeometry(12, 250, 396, 14);
    ProgressBar->setRange(0, 14);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ProgressBar->setVisible(false);

    auto* paneLabel = new QLabel(QStringLiteral("Новый пароль:"), this);
    paneLabel->setGeometry(24, 286, 300, 18);
    paneLabel->setStyleSheet(QStringLiteral("color: white; font-weight: bold;"));
    Edit1 = edit(this, "Edit1", QStringLiteral("Новый пароль"), true);
    Edit1->setGeometry(24, 308, 220, 26);
    Edit2 = edit(this, "Edit2", QStringLiteral("Подтвердите пароль"), true);
    Edit2->setGeometry(24, 342, 220, 26);
    // The new password may hold only digits, Latin letters and "_": anything else is dropped.
    auto* allowed = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Za-z_]*")), this);
    Edit1->setValidator(allowed);
    Edit2->setValidator(allowed);

    setTabOrder(Login_Edit, Password_Edit);
    setTabOrder(Password_Edit, Edit1);
    setTabOrder(Edit1, Edit2);
    for (QLineEdit* e : {Login_Edit, Password_Edit, Edit1, Edit2})
        e->installEventFilter(this);
    for (QWidget* w : {static_cast<QWidget*>(Image1), static_cast<QWidget*>(Image2), static_cast<QWidget*>(RzLabel1)})
        w->installEventFilter(this);

    connect(SpeedButton2, &QToolButton::clicked, this, ui::guarded([this] { SpeedButton2Click(); }));
    connect(SpeedButton1, &QToolButton::clicked, this, ui::guarded([this] { SpeedButton1Click(); }));
    connect(SpeedButton3, &QToolButton::clicked, this, ui::guarded([this] { SpeedButton3Click(); }));

    // Creation: a leftover update script of an earlier version is removed.
    QFile::remove(os::executableDir() + QStringLiteral("/QEL 13") + QStringLiteral(".bat"));
    Label1->setText(versionLine());
    LoginAttempts = 0;
    PasswordChangeOpen = false;

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, kPaneHeight / 2));
    Login_Edit->setFocus();
}

QString TForm8::versionLine() const
{
    return QStringLiteral("V.") + QString::number(kClientVersion) + QStringLiteral("   [ ") + os::buildStampText()
         + QStringLiteral(" ]");
}

void TForm8::setStatus(const QString& text)
{
    status_ = text;
    RzLabel1->setText(QString(text).replace(QLatin1Char('\r'), QLatin1Char('\n')));
}

void TForm8::SpeedButton3Click()
{
    PasswordChangeOpen = !PasswordChangeOpen;
    setFixedHeight(PasswordChangeOpen ? kPaneHeight : kNormalHeight);
}

void TForm8::SpeedButton1Click() { reject(); }

void TForm8::SpeedButton2Click()
{
    ++LoginAttempts;
    bool ok = false;
    if (!PasswordChangeOpen) {
        ok = LoginAttempt(QStringLiteral("NULL"));
    } else if (Edit1->text() != Edit2->text()) {
        Edit1->clear();
        Edit2->clear();
        setStatus(QStringLiteral("Новый пароль подтвержден не верно!!!\rПодтвердите пароль заново."));
    } else if (Edit1->text().size() < 6) {
        Edit1->clear();
        Edit2->clear();
        setStatus(QStringLiteral("Пароль должен состоять не менее чем из 6 символов!!!\rВведите новый пароль заново."));
    } else if (const QString refusal = os::charactersRefusal(Edit1->text(), QStringLiteral("Пароль")); !refusal.isEmpty()) {
        // its digest would not be the password's: refused before the server is asked
        Edit1->clear();
        Edit2->clear();
        setStatus(refusal);
    } else {
        ok = LoginAttempt(Edit1->text());
    }
    if (!ok)
        return;
    db::Query dateFormat(&dm_.ADO_CDE, QStringLiteral("ADOQ_DateFormat"));
    dateFormat.setSql(QStringLiteral("SET DATEFORMAT dmy"));
    dateFormat.execSql();
    accept();
}

void TForm8::requirePasswordChange()
{
    dm_.ADO_CDE.close();
    setStatus(QString::fromUtf8(kMustChangePassword));
    SpeedButton3Click();
}

bool TForm8::LoginAttempt(const QString& newPassword)
{
    db::Connection& connection = dm_.ADO_CDE;

    // Step 1: the shared account of the settings file. A missing or short file ends the
    // attempt with the default error report (the window stays open).
    TFirstConnectInfo info = readSettingsFile(settingsFilePath());
    connection.close();
    connection.setConnectionString(connectionString(info));
    try {
        connection.open();
        const QString caption = sessionCaption(QStringLiteral("QEL 13 "));
        mainWindow_->setWindowTitle(caption);
        ui::setApplicationTitle(caption);
    } catch (const std::exception& e) {
        ui::showMessage(errorText(e), this);
        QString shown = errorText(e);
        if (!info.account.isEmpty())
            shown.remove(info.account);
        setStatus(shown);
        // The user check below tries the connection again and reports its own failure.
    }

    // Step 3: the user check. The login is typed by the user: its quotes are doubled so
    // it stays one literal.
    const QString newArgument = newPassword == QLatin1String("NULL")
        ? QStringLiteral("NULL")
        : QLatin1Char('\'') + passwordDigest(newPassword) + QLatin1Char('\'');
    const QString login = db::sqlEscape(Login_Edit->text());
    const QString statement = QStringLiteral("EXEC GET_USER '") + login + QStringLiteral("',") + QStringLiteral("'")
        + passwordDigest(Password_Edit->text()) + QStringLiteral("',") + newArgument + QStringLiteral(", ")
        + QStringLiteral("'QEL 13") + QStringLiteral("'") + QStringLiteral(", '") + os::localIpv4()
        + QStringLiteral("', ") + QStringLiteral("'") + db::sqlEscape(os::computerName(255)) + QStringLiteral("'")
        + QStringLiteral(", '") + login + QStringLiteral("',") + QStringLiteral("'0',") + QStringLiteral("'")
        + QString::number(newArgument.size()) + QStringLiteral("'");

    QString message;
    {
        std::unique_ptr<db::Query> check;
        try {
            check = std::make_unique<db::Query>(&connection, QStringLiteral("ADOQ_GetUser"));
            check->setSql(statement);
            check->open();
            const QString account = check->field(0).asString();
            const QString accountPassword = check->field(1).asString();
            const qint32 loginId = check->field(2).asInteger();
            const int passwordState = check->field(3).asInteger();
            message = check->field(4).asString();
            const int minimumVersion = check->field(5).asInteger();

            if (minimumVersion > kClientVersion) {
                Label1->setText(QStringLiteral("Скачайте новую версию с портала QEL !"));
                repaint();
                ui::repaintNow();
                waitBeforeExit(5000);
                endProcess();
                return false;
            }
            if (!message.isEmpty()) {
                setStatus(message);
                return false;
            }
            if (passwordState < 0) {
                check.reset();
                requirePasswordChange();
                SpeedButton3->setEnabled(false);
                return false;
            }
            if (LoginAttempts == 1 && !account.isEmpty() && passwordState < 20) {
                check.reset();
                requirePasswordChange();
                return false;
            }
            info.account = decodeShiftedText(account);
            info.password = decodeShiftedText(accountPassword);
            session_.SessionLoginId = loginId;
            check.reset();
            connection.close();
            connection.setConnectionString(connectionString(info));
        } catch (const std::exception& e) {
            ui::showMessage(errorText(e), this);
            setStatus(QString::fromUtf8(kWrongLogin));
            check.reset();
            connection.close();
            return false;
        }
    }

    // Step 10: the user's own account, then the reference data.
    try {
        connection.open();
        session_.MainWindowMayShow = true;
        session_.SessionLogin = Login_Edit->text();
        loadReferenceIdentifiers(dm_, session_, ProgressBar);
        return true;
    } catch (const std::exception& e) {
        ui::showMessage(errorText(e), this);
        setStatus(message);
        session_.MainWindowMayShow = false;
        connection.close();
        return false;
    }
}

bool TForm8::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            ui::runGuarded([this] { SpeedButton2Click(); });
            return true; // consumed: no beep, no default button
        }
        return false;
    }
    // The window has no title bar: it is dragged by its pictures and its status line.
    const bool handle = watched == Image1 || watched == Image2 || watched == RzLabel1;
    if (!handle)
        return false;
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (windowHandle() && windowHandle()->startSystemMove())
            return true;
        dragging_ = true;
        dragOffset_ = mouse->globalPosition().toPoint() - frameGeometry().topLeft();
        return true;
    }
    if (event->type() == QEvent::MouseMove && dragging_) {
        move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - dragOffset_);
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease && dragging_) {
        dragging_ = false;
        return true;
    }
    return false;
}

} // namespace qel
