// The service log: one line per event on standard error, each with a timestamp, so that
// journald or a log file shows who connected, who failed to log in and why a connection
// ended. Lines from many connection threads never interleave.
#pragma once

#include <QString>

namespace qel::server::tds {

void logLine(const QString& text);

} // namespace qel::server::tds
