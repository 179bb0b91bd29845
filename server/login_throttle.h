// The throttle on failed user checks: after five failed GET_USER attempts for one login
// within 15 minutes, every further attempt for that login waits before it is answered —
// 1 s, then 2, 4, 8, 16 and at most 30 s — whatever its outcome, so the answer's timing
// tells a guesser nothing; the wait is written to the login log. A successful login starts
// the count anew. Failures are counted from sys_login_log, so they hold across clients,
// sessions and restarts.
#pragma once

#include "server/storage.h"

#include <QDateTime>
#include <QString>
#include <functional>

namespace qel::server {

inline constexpr int kFreeLoginFailures = 5;
inline constexpr int kLoginFailureWindowMinutes = 15;
inline constexpr int kFirstLoginDelayMs = 1000;
inline constexpr int kMaxLoginDelayMs = 30000;

// What the login log is stamped with and how the throttle waits. Tests replace it so that
// nothing really waits; the default is the local clock and a real sleep.
struct LoginClock {
    std::function<QDateTime()> now;
    std::function<void(int milliseconds)> sleep;
};
LoginClock& loginClock();

// The log's text of a wrong login or password (the failures the throttle counts).
inline constexpr const char* kWrongPasswordLogText = "wrong login or password";

// How long the next attempt for the login waits (0: not at all).
int loginDelayMs(Storage& storage, const QString& login);

} // namespace qel::server
