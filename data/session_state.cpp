#include "data/session_state.h"

#include "platform/os/cp1251.h"

#include <cstring>

namespace qel {

QString SessionState::computerNameText() const
{
    return os::fromCp1251(QByteArray(SessionComputerName, int(qstrnlen(SessionComputerName, sizeof SessionComputerName))));
}

void SessionState::setComputerName(const QString& name)
{
    const QByteArray bytes = os::toCp1251(name).left(int(sizeof SessionComputerName) - 1);
    std::memset(SessionComputerName, 0, sizeof SessionComputerName);
    std::memcpy(SessionComputerName, bytes.constData(), size_t(bytes.size()));
}

} // namespace qel
