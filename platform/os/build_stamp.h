// The program's build time. Linux executables carry no resource directory, so the build
// embeds the time into the executable (see cmake/write_stamp.cmake); tests link a fixed one.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// Seconds since the epoch (UTC) at which the executable was built; defined by the
// generated stamp object of each executable.
extern "C" const long long qel_build_epoch;

namespace qel::os {

// The build time in local time, at the two-second resolution of a DOS packed time.
QDateTime buildTime();

// The locale's short date followed by its long time; the time is left out when it is
// exactly midnight.
QString buildStampText(const QDateTime& stamp, const QLocale& locale);

// buildStampText(buildTime(), uiLocale()).
QString buildStampText();

} // namespace qel::os
