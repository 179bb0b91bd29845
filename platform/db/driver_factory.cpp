#include "platform/db/driver_factory.h"

#include "platform/db/embedded_driver.h"

// The ODBC driver is built in its own folder of this library; until it is there a SQL
// Server connection string is refused with a clear message.
#if __has_include("platform/db/odbc_driver.h")
#include "platform/db/odbc_driver.h"
#define QEL_HAVE_ODBC_DRIVER 1
#endif

namespace qel::db {

std::unique_ptr<Driver> makeDriver(const ConnectionString& cs)
{
    if (cs.isEmbedded())
        return makeEmbeddedDriver(cs);
#ifdef QEL_HAVE_ODBC_DRIVER
    return makeOdbcDriver(cs);
#else
    throw DbError(QStringLiteral("Драйвер ODBC не входит в эту сборку: нет соединения с сервером \"%1\"")
                      .arg(cs.dataSource()));
#endif
}

} // namespace qel::db
