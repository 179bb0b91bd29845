// The number, severity and state a client sees with an error of the embedded server. The
// server reports errors by their text; this table gives each kind of text the number and
// class under which the database server reports it, so that clients that look at numbers
// (a failed login is 18456, a lock time-out 1222) see the same. Anything else is 50000,
// the number of an error raised by a routine.
#pragma once

#include "server/tds/tokens.h"

namespace qel::server::tds {

ServerMessage messageForError(const QString& text, int code = 0);

// The error of a failed login: the same text for a wrong password as for an unknown login.
ServerMessage loginFailed(const QString& user);

} // namespace qel::server::tds
