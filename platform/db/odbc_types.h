// How the ODBC driver describes result columns: SQL type codes to the wire's column types.
#pragma once

#include "server/wire.h"

namespace qel::db {

// The wire type of a column the driver reports with this SQL type code (SQL_INTEGER,
// SQL_WVARCHAR, SQL_SS_TIME2 ...). Types the client has no use for give Unknown and are
// read as text.
wire::ColumnType columnTypeFromSqlType(int sqlType);

// The declared length kept in wire::Column::size: the column size of bounded texts and
// binaries, 0 for long ones (text, image, varchar(max) ...) and for every other type.
int declaredColumnSize(int sqlType, qulonglong columnSize);

} // namespace qel::db
