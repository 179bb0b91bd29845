#include "server/login_throttle.h"

#include "server/storage_dates.h"

#include <chrono>
#include <thread>

namespace qel::server {

LoginClock& loginClock()
{
    static LoginClock clock{[] { return QDateTime::currentDateTime(); },
                            [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }};
    return clock;
}

int loginDelayMs(Storage& s, const QString& login)
{
    Storage::Internal internal(s);
    const QDateTime now = loginClock().now();
    const QString windowStart = storedDateTime(now.addSecs(-60LL * kLoginFailureWindowMinutes));
    // Failures since the window opened and since the last successful login, whichever is later.
    const QVariant failures = s.scalar(
        QStringLiteral("SELECT COUNT(*) FROM sys_login_log WHERE QEL_login = ?1 AND success = 0 AND message LIKE ?2 "
                       "AND attempt_time >= ?3 AND attempt_time > IFNULL((SELECT MAX(attempt_time) FROM sys_login_log "
                       "WHERE QEL_login = ?1 AND success <> 0), '')"),
        {login, QString::fromLatin1(kWrongPasswordLogText) + QLatin1Char('%'), windowStart});
    const int over = failures.toInt() - kFreeLoginFailures;
    if (over < 0)
        return 0;
    if (over >= 5)
        return kMaxLoginDelayMs;
    return std::min(kMaxLoginDelayMs, kFirstLoginDelayMs << over);
}

} // namespace qel::server
