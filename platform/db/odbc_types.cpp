#include "platform/db/odbc_types.h"

#include <sql.h>
#include <sqlext.h>

namespace qel::db {

namespace {

// SQL Server's own type codes, as FreeTDS reports them.
constexpr int kSqlSsVariant = -150;
constexpr int kSqlSsXml = -152;
constexpr int kSqlSsTime2 = -154;
constexpr int kSqlSsTimestampOffset = -155;

// The longest declared varchar/varbinary; anything longer is an unbounded (max) column.
constexpr qulonglong kLongestBoundedSize = 8000;

} // namespace

wire::ColumnType columnTypeFromSqlType(int sqlType)
{
    using T = wire::ColumnType;
    switch (sqlType) {
    case SQL_INTEGER: return T::Int;
    case SQL_BIGINT: return T::BigInt;
    case SQL_SMALLINT:
    case SQL_TINYINT: return T::SmallInt;
    case SQL_BIT: return T::Bit;
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
    case SQL_NUMERIC:
    case SQL_DECIMAL: return T::Float;
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_GUID: return T::VarChar;
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
    case kSqlSsXml: return T::NVarChar;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:           // ODBC 2 code, from old drivers
    case kSqlSsTimestampOffset: return T::DateTime;
    case SQL_TYPE_DATE:
    case SQL_DATE: return T::Date;
    case SQL_TYPE_TIME:
    case SQL_TIME:
    case kSqlSsTime2: return T::Time;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return T::VarBinary;
    case kSqlSsVariant:
    default: return T::Unknown;
    }
}

int declaredColumnSize(int sqlType, qulonglong columnSize)
{
    switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_BINARY:
    case SQL_VARBINARY:
        return columnSize <= kLongestBoundedSize ? int(columnSize) : 0;
    default:
        return 0;
    }
}

} // namespace qel::db
