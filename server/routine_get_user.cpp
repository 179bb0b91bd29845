// GET_USER: the user check of the login window.
#include "server/login_throttle.h"
#include "server/routines.h"
#include "server/storage_dates.h"

#include <QRegularExpression>

namespace qel::server {
namespace {

constexpr int kDefaultMinVersion = 27;
constexpr int kDefaultValidDays = 180;
constexpr int kNeverExpires = 999;

int setting(Storage& s, const char* name, int fallback)
{
    const QVariant v = s.scalar(QStringLiteral("SELECT value FROM sys_settings WHERE name = ?"), {QString::fromLatin1(name)});
    bool ok = false;
    const int n = v.toString().trimmed().toInt(&ok);
    return ok ? n : fallback;
}

// The account and its password travel with every byte one less than the real one.
QString shifted(const QString& text)
{
    QString out;
    for (QChar c : text)
        out += QChar(static_cast<char16_t>(c.unicode() - 1));
    return out;
}

void logAttempt(Storage& s, const QVariantList& a, bool success, bool changed, QString message, int delayMs)
{
    if (delayMs > 0) {
        const QString waited = QStringLiteral("delayed %1 s").arg(delayMs / 1000.0);
        message = message.isEmpty() ? waited : message + QStringLiteral("; ") + waited;
    }
    s.run(QStringLiteral("INSERT INTO sys_login_log (attempt_time, QEL_login, ip, computer, client, success, "
                         "password_changed, message) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
          {storedDateTime(loginClock().now()), a[0], a[4], a[5], a[3], success ? 1 : 0, changed ? 1 : 0, message});
}

wire::ResultSet answer(const QString& account, const QString& password, int id, int state, const QString& message,
                       int minVersion)
{
    const contract::Routine* r = contract::findRoutine(QString::fromLatin1(contract::kGetUser));
    wire::ResultSet rs;
    for (const contract::ResultColumn& c : r->columns) {
        wire::Column col;
        col.name = c.name;
        col.type = c.type;
        col.size = c.size;
        rs.columns.append(col);
    }
    rs.rows.append(wire::Row{account, password, id, state, message, minVersion});
    return rs;
}

} // namespace

int passwordState(Storage& s, int id)
{
    const wire::ResultSet rs = s.query(
        QStringLiteral("SELECT mustChangePassword, passwordChanged FROM QEL_User WHERE id_qel_user = ?"), {id});
    if (rs.rows.isEmpty())
        return -1;
    const wire::Row& r = rs.rows.first();
    if (r[0].toBool())
        return -1;
    const QDateTime changed = r[1].toDateTime();
    if (!changed.isValid())
        return -1; // never set by its owner
    const int valid = setting(s, "PasswordValidDays", kDefaultValidDays);
    if (valid <= 0)
        return kNeverExpires;
    const qint64 left = valid - changed.date().daysTo(QDate::currentDate());
    return static_cast<int>(std::clamp<qint64>(left, -1, kNeverExpires));
}

wire::BatchResult getUser(RoutineContext& c, const QVariantList& a)
{
    Storage& s = c.storage;
    Storage::Internal internal(s);
    const QString login = a[0].toString();
    const QString digest = a[1].toString();
    const QVariant newDigest = a[2];
    const int minVersion = setting(s, "MinClientVersion", kDefaultMinVersion);
    // After repeated failures every attempt for the login waits, before its outcome is known.
    const int delay = loginDelayMs(s, login);
    if (delay > 0)
        loginClock().sleep(delay);

    const wire::ResultSet user = s.query(
        QStringLiteral("SELECT id_qel_user, password, isBlocked FROM QEL_User WHERE QEL_login = ?"), {login});
    // Digests compare exactly: lower-case hex is not the same password.
    if (user.rows.isEmpty() || user.rows.first()[1].toString() != digest) {
        logAttempt(s, a, false, false, QString::fromLatin1(kWrongPasswordLogText), delay);
        throw wire::ServerError(QStringLiteral("Неверный логин или пароль пользователя \"%1\".").arg(login));
    }
    const int id = user.rows.first()[0].toInt();
    if (user.rows.first()[2].toBool()) {
        const QString m = QStringLiteral("Учетная запись \"%1\" заблокирована. Обратитесь к администратору.").arg(login);
        logAttempt(s, a, false, false, m, delay);
        wire::BatchResult r;
        r.resultSets.append(answer(QString(), QString(), id, -1, m, minVersion));
        return r;
    }
    QString message;
    bool changed = false;
    if (!newDigest.isNull()) {
        static const QRegularExpression hex(QStringLiteral("^[0-9A-F]{32}$"));
        const QString next = newDigest.toString();
        if (!hex.match(next).hasMatch())
            message = QStringLiteral("Новый пароль передан в неверном виде.");
        else if (next == digest)
            message = QStringLiteral("Новый пароль должен отличаться от прежнего.");
        else {
            s.run(QStringLiteral("UPDATE QEL_User SET password = ?, mustChangePassword = 0, passwordChanged = ? "
                                 "WHERE id_qel_user = ?"),
                  {next, storedNow(), id});
            changed = true;
        }
    }
    const int state = passwordState(s, id);
    Account account;
    if (state >= 0 && message.isEmpty())
        account = userAccount(s, id); // withheld until a required change is made
    logAttempt(s, a, message.isEmpty(), changed, message, delay);
    wire::BatchResult r;
    r.resultSets.append(answer(shifted(account.name), shifted(account.password), id, state, message, minVersion));
    return r;
}

} // namespace qel::server
