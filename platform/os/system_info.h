// What the operating system tells about this machine and this program.
#pragma once

#include <QLocale>
#include <QString>

namespace qel::os {

// This computer's name, at most maxChars characters kept.
QString computerName(int maxChars = 100);

// The first non-loopback IPv4 address of this machine in dotted form; "127.0.0.1" when
// there is none.
QString localIpv4();

// The folder that holds the running executable (no trailing slash).
QString executableDir();

// The folder of the settings file and the embedded database: $QEL_DATA_DIR when set,
// otherwise "Data" beside the executable.
QString dataDir();

// The locale whose date and time formats the user sees: the system's, or Russian when
// the system runs the plain "C" locale.
QLocale uiLocale();

} // namespace qel::os
