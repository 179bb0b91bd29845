// The DSN-less ODBC connection string for FreeTDS, built from the OLE DB keys the client
// composes (Data Source, Initial Catalog, User ID, Password).
#pragma once

#include "platform/db/connection_string.h"

#include <QString>

namespace qel::db {

// "DRIVER={FreeTDS};SERVER=host;PORT=1433;DATABASE=QEL;UID=u;PWD=p;TDS_Version=7.4;
// ClientCharset=UTF-8;TextSize=2147483647;". Data Source may be "host", "host\instance", "host,port" or
// "tcp:host,port"; "(local)", "." and an empty one mean this machine. Throws DbError for
// a port that is not a number from 1 to 65535.
QString odbcConnectionString(const ConnectionString& oledb);

// One value as an ODBC connection string attribute: in braces, with "}" doubled, when it
// holds ";", "{", "}" or blanks at either end; otherwise as it is.
QString odbcAttributeValue(const QString& value);

} // namespace qel::db
