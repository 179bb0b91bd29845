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

// The folder of the embedded database and the first place of the settings file:
// $QEL_DATA_DIR when set; otherwise "Data" beside the executable when that folder is
// writable, or can be made because the executable's folder is; otherwise the user's own
// data folder. A program installed under /usr never keeps its data beside itself, even for
// root, who may write there.
QString dataDir();

// The rule of dataDir() on given inputs (an empty envDir: the variable is not set).
QString chooseDataDir(const QString& envDir, const QString& exeDir, const QString& userDir);

// The user's data folder of the program: $XDG_DATA_HOME/qel13, by default
// ~/.local/share/qel13.
QString userDataDir();

// Where the installed package keeps the settings file every user of the machine shares.
QString systemSettingsDir();

// The locale whose date and time formats the user sees: the system's, or Russian when
// the system runs the plain "C" locale.
QLocale uiLocale();

} // namespace qel::os
