#include "platform/db/driver_factory.h"

#if __has_include("platform/db/odbc_driver.h")
#include "platform/db/odbc_driver.h"
#define QEL_HAVE_ODBC_DRIVER 1
#endif

namespace qel::db {

std::unique_ptr<Driver> makeDriver(const ConnectionString& cs)
{
    if (cs.isEmbedded())
        throw DbError(QStringLiteral("Встроенный сервер ещё не подключён к этой сборке"));   // until the server lands
#ifdef QEL_HAVE_ODBC_DRIVER
    return makeOdbcDriver(cs);
#else
    throw DbError(QStringLiteral("Драйвер ODBC не входит в эту сборку"));
#endif
}

} // namespace qel::db
