#include "server/tds/server_log.h"

#include <QDateTime>
#include <cstdio>
#include <mutex>

namespace qel::server::tds {

void logLine(const QString& text)
{
    static std::mutex mutex;
    const QByteArray line = (QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) + text)
                                .toUtf8()
        + '\n';
    std::lock_guard lock(mutex);
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace qel::server::tds
