#include "platform/os/build_stamp.h"

#include "platform/os/system_info.h"

namespace qel::os {

QDateTime buildTime()
{
    QDateTime t = QDateTime::fromSecsSinceEpoch(qel_build_epoch).toLocalTime();
    const QTime tm = t.time();
    return QDateTime(t.date(), QTime(tm.hour(), tm.minute(), tm.second() / 2 * 2));
}

QString buildStampText(const QDateTime& stamp, const QLocale& locale)
{
    QString text = locale.toString(stamp.date(), QLocale::ShortFormat);
    if (stamp.time() != QTime(0, 0)) {
        // The long time format without its time-zone part, as desktop settings show it.
        QString format = locale.timeFormat(QLocale::LongFormat);
        format.remove(QLatin1Char('t'));
        text += QLatin1Char(' ') + locale.toString(stamp.time(), format.trimmed());
    }
    return text;
}

QString buildStampText() { return buildStampText(buildTime(), uiLocale()); }

} // namespace qel::os
