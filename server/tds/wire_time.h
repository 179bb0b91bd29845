// What reading and writing values on the wire share: the epochs of the date types and the
// sizes and units of time values.
#pragma once

#include <QDate>
#include <cstdint>

namespace qel::server::tds::wire_time {

inline const QDate kDateTimeEpoch{1900, 1, 1};   // datetime, smalldatetime
inline const QDate kDateEpoch{1, 1, 1};          // date, datetime2
inline constexpr qint64 kMsPerDay = 86400000;

// 10^n: a time value of scale s counts 10^-s seconds, so time(7) has 10^4 units in a
// millisecond.
inline qint64 pow10(int n)
{
    qint64 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// The bytes of a time value of the given scale.
inline int timeBytes(int scale) { return scale <= 2 ? 3 : scale <= 4 ? 4 : 5; }

} // namespace qel::server::tds::wire_time
