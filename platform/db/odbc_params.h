// Statement parameters as the ODBC driver binds them: each value converted to the C type
// and SQL type of its declared (or, when untyped, its QVariant) type, in a buffer that
// lives until the statement's results are consumed.
#pragma once

#include "server/wire.h"

#include <QByteArray>
#include <QVariant>
#include <sql.h>
#include <sqlext.h>

namespace qel::db {

struct OdbcParam {
    SQLSMALLINT direction = SQL_PARAM_INPUT;
    SQLSMALLINT cType = SQL_C_WCHAR;
    SQLSMALLINT sqlType = SQL_WVARCHAR;
    SQLULEN columnSize = 1;
    SQLSMALLINT decimalDigits = 0;
    QByteArray buffer;        // the value's bytes in cType's layout
    SQLLEN indicator = 0;     // byte length, or SQL_NULL_DATA
};

// An input parameter; type Unknown takes the type from the value. label names the
// parameter in a conversion error ("@group", "2"). Throws DbError when the value cannot
// be converted to the type.
OdbcParam inputParam(const QVariant& value, wire::ColumnType type, int size, const QString& label);

// The output parameter that receives a procedure's integer return value.
OdbcParam returnValueParam();

// The value an output parameter received (null for NULL).
QVariant outputValue(const OdbcParam& param);

} // namespace qel::db
