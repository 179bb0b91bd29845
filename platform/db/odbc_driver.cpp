#include "platform/db/odbc_driver.h"

#include "platform/db/odbc_connection_string.h"
#include "platform/db/odbc_params.h"
#include "platform/db/odbc_statement_text.h"
#include "platform/db/odbc_types.h"

#include <QDateTime>
#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace qel::db {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC must use 2-byte SQLWCHAR");

namespace {

// How long a connection attempt may take before the driver gives up, in seconds.
constexpr SQLULEN kLoginTimeoutSeconds = 15;

// A DbError that also says whether the connection is gone (SQLSTATE class 08).
class OdbcError : public DbError {
public:
    OdbcError(QString text, bool connectionLost) : DbError(std::move(text)), connectionLost_(connectionLost) {}
    bool connectionLost() const { return connectionLost_; }

private:
    bool connectionLost_;
};

SQLWCHAR* wide(QString& text)
{
    return reinterpret_cast<SQLWCHAR*>(text.data());
}

// A name or message the driver wrote into a zeroed buffer, up to its terminator: the
// reported length is not always in characters (the driver manager reports bytes when it
// converted the text from an 8-bit driver).
QString fromWide(const SQLWCHAR* text, qsizetype units)
{
    qsizetype n = 0;
    while (n < units && text[n] != 0)
        ++n;
    return QString(reinterpret_cast<const QChar*>(text), n);
}

struct Diagnostic {
    QString state;
    QString text;
};

QList<Diagnostic> diagnostics(SQLSMALLINT handleType, SQLHANDLE handle)
{
    QList<Diagnostic> out;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        std::vector<SQLWCHAR> text(1024);
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRecW(handleType, handle, record, state, &native, text.data(),
                                      SQLSMALLINT(text.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= SQLSMALLINT(text.size())) {
            text.resize(std::min<size_t>(size_t(length) + 1, 32767));
            rc = SQLGetDiagRecW(handleType, handle, record, state, &native, text.data(),
                                SQLSMALLINT(text.size()), &length);
        }
        if (!SQL_SUCCEEDED(rc))
            break;
        out.append({fromWide(state, 5), cleanOdbcMessage(fromWide(text.data(), qsizetype(text.size()) - 1))});
    }
    return out;
}

QStringList messageTexts(const QList<Diagnostic>& records)
{
    QStringList texts;
    for (const auto& d : records)
        if (!d.text.isEmpty() && !texts.contains(d.text))
            texts.append(d.text);
    return texts;
}

[[noreturn]] void fail(SQLSMALLINT handleType, SQLHANDLE handle, const char* call, SQLRETURN rc = SQL_ERROR)
{
    const QList<Diagnostic> records =
        rc == SQL_INVALID_HANDLE ? QList<Diagnostic>{} : diagnostics(handleType, handle);
    bool lost = false;
    for (const auto& d : records)
        lost = lost || d.state.startsWith(QLatin1String("08"));
    QString text = messageTexts(records).join(QLatin1Char('\n'));
    if (text.isEmpty())
        text = QStringLiteral("%1 failed (ODBC return code %2).").arg(QLatin1String(call)).arg(rc);
    throw OdbcError(text, lost);
}

void checkRc(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* call)
{
    if (rc == SQL_ERROR || rc == SQL_INVALID_HANDLE)
        fail(handleType, handle, call, rc);
}

// A statement handle, freed (with any results still pending) when it goes out of scope.
class Statement {
public:
    explicit Statement(SQLHDBC dbc)
    {
        checkRc(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &handle_), SQL_HANDLE_DBC, dbc, "SQLAllocHandle");
    }
    ~Statement() { SQLFreeHandle(SQL_HANDLE_STMT, handle_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    SQLHSTMT handle() const { return handle_; }
    void check(SQLRETURN rc, const char* call) const { checkRc(rc, SQL_HANDLE_STMT, handle_, call); }

private:
    SQLHSTMT handle_ = SQL_NULL_HSTMT;
};

QString stringAttribute(SQLHSTMT stmt, SQLUSMALLINT column, SQLUSMALLINT field)
{
    std::array<SQLWCHAR, 256> text{};
    SQLSMALLINT bytes = 0;
    const SQLRETURN rc = SQLColAttributeW(stmt, column, field, text.data(), SQLSMALLINT(sizeof text), &bytes, nullptr);
    if (!SQL_SUCCEEDED(rc) || bytes <= 0)
        return {};
    return fromWide(text.data(), qsizetype(text.size()) - 1);
}

wire::Column describeColumn(const Statement& stmt, SQLUSMALLINT column)
{
    std::vector<SQLWCHAR> name(256);
    SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = SQL_NULLABLE_UNKNOWN;
    SQLULEN size = 0;
    SQLRETURN rc = SQLDescribeColW(stmt.handle(), column, name.data(), SQLSMALLINT(name.size()), &nameLength,
                                   &sqlType, &size, &digits, &nullable);
    stmt.check(rc, "SQLDescribeColW");
    if (nameLength >= SQLSMALLINT(name.size())) {
        name.resize(size_t(nameLength) + 1);
        rc = SQLDescribeColW(stmt.handle(), column, name.data(), SQLSMALLINT(name.size()), &nameLength,
                             &sqlType, &size, &digits, &nullable);
        stmt.check(rc, "SQLDescribeColW");
    }

    wire::Column c;
    c.name = fromWide(name.data(), qsizetype(name.size()) - 1);
    c.type = columnTypeFromSqlType(sqlType);
    c.size = declaredColumnSize(sqlType, size);
    c.nullable = nullable != SQL_NO_NULLS;
    SQLLEN autoUnique = SQL_FALSE;
    if (SQL_SUCCEEDED(SQLColAttributeW(stmt.handle(), column, SQL_DESC_AUTO_UNIQUE_VALUE, nullptr, 0, nullptr,
                                       &autoUnique)))
        c.identity = autoUnique == SQL_TRUE;
    c.baseTable = stringAttribute(stmt.handle(), column, SQL_DESC_BASE_TABLE_NAME);
    c.baseColumn = stringAttribute(stmt.handle(), column, SQL_DESC_BASE_COLUMN_NAME);
    return c;
}

// Reads a value of fixed size; null when the column is NULL.
template <typename T>
std::optional<T> readFixed(const Statement& stmt, SQLUSMALLINT column, SQLSMALLINT cType)
{
    T value{};
    SQLLEN indicator = 0;
    const SQLRETURN rc = SQLGetData(stmt.handle(), column, cType, &value, sizeof value, &indicator);
    stmt.check(rc, "SQLGetData");
    if (rc == SQL_NO_DATA || indicator == SQL_NULL_DATA)
        return std::nullopt;
    return value;
}

// Reads a text or binary value piece by piece, however long it is.
QVariant readLong(const Statement& stmt, SQLUSMALLINT column, bool text)
{
    std::array<char, OdbcDriver::kFetchChunkBytes> buffer;
    const SQLLEN room = text ? SQLLEN(buffer.size() - sizeof(SQLWCHAR)) : SQLLEN(buffer.size());
    QByteArray bytes("");
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(stmt.handle(), column, text ? SQL_C_WCHAR : SQL_C_BINARY,
                                        buffer.data(), SQLLEN(buffer.size()), &indicator);
        if (rc == SQL_NO_DATA)
            break;
        stmt.check(rc, "SQLGetData");
        if (indicator == SQL_NULL_DATA)
            return {};
        const SQLLEN got = (indicator == SQL_NO_TOTAL || indicator > room) ? room : indicator;
        bytes.append(buffer.data(), got);
        if (rc == SQL_SUCCESS || got < room)
            break;
    }
    if (!text)
        return bytes;
    return QString(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2);
}

QVariant readValue(const Statement& stmt, SQLUSMALLINT column, wire::ColumnType type)
{
    using T = wire::ColumnType;
    switch (type) {
    case T::Int:
    case T::SmallInt:
        if (const auto v = readFixed<SQLINTEGER>(stmt, column, SQL_C_SLONG))
            return qint32(*v);
        return {};
    case T::BigInt:
        if (const auto v = readFixed<SQLBIGINT>(stmt, column, SQL_C_SBIGINT))
            return qint64(*v);
        return {};
    case T::Bit:
        if (const auto v = readFixed<SQLCHAR>(stmt, column, SQL_C_BIT))
            return *v != 0;
        return {};
    case T::Float:
        if (const auto v = readFixed<SQLDOUBLE>(stmt, column, SQL_C_DOUBLE))
            return double(*v);
        return {};
    case T::DateTime:
        if (const auto v = readFixed<SQL_TIMESTAMP_STRUCT>(stmt, column, SQL_C_TYPE_TIMESTAMP))
            return QDateTime(QDate(v->year, v->month, v->day),
                             QTime(v->hour, v->minute, v->second, int(v->fraction / 1000000u)));
        return {};
    case T::Date:
        if (const auto v = readFixed<SQL_DATE_STRUCT>(stmt, column, SQL_C_TYPE_DATE))
            return QDate(v->year, v->month, v->day);
        return {};
    case T::Time:
        if (const auto v = readFixed<SQL_TIME_STRUCT>(stmt, column, SQL_C_TYPE_TIME))
            return QTime(v->hour, v->minute, v->second);
        return {};
    case T::VarBinary:
        return readLong(stmt, column, false);
    case T::VarChar:
    case T::NVarChar:
    case T::Unknown:
        break;
    }
    return readLong(stmt, column, true);
}

wire::ResultSet fetchResultSet(const Statement& stmt, SQLSMALLINT columnCount)
{
    wire::ResultSet rs;
    for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(columnCount); ++c)
        rs.columns.append(describeColumn(stmt, c));
    for (;;) {
        const SQLRETURN rc = SQLFetch(stmt.handle());
        if (rc == SQL_NO_DATA)
            break;
        stmt.check(rc, "SQLFetch");
        wire::Row row;
        row.reserve(columnCount);
        for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(columnCount); ++c)
            row.append(readValue(stmt, c, rs.columns[c - 1].type));
        rs.rows.append(std::move(row));
    }
    return rs;
}

} // namespace

struct OdbcDriver::Run {
    std::vector<OdbcParam> params;   // in marker order; bound by address, so never resized
    int returnValue = -1;            // index of the return value's marker, if any
    int timeoutSeconds = 0;          // the command time-out (0: none)
};

OdbcDriver::OdbcDriver(QString odbcConnectionString, QStringList sessionSetup)
    : connectionString_(std::move(odbcConnectionString)), sessionSetup_(std::move(sessionSetup))
{
}

OdbcDriver::~OdbcDriver()
{
    close();
}

void OdbcDriver::open()
{
    if (dbc_)
        return;

    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    const auto release = [&] {
        if (dbc)
            SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        if (env)
            SQLFreeHandle(SQL_HANDLE_ENV, env);
    };
    try {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) {
            env = SQL_NULL_HENV;
            throw DbError(QStringLiteral("The ODBC driver manager cannot be initialised."));
        }
        checkRc(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
                SQL_HANDLE_ENV, env, "SQLSetEnvAttr");
        const SQLRETURN allocated = SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
        if (!SQL_SUCCEEDED(allocated)) {
            dbc = SQL_NULL_HDBC;
            fail(SQL_HANDLE_ENV, env, "SQLAllocHandle", allocated);
        }
        // Not every driver knows the attribute; connecting without it is still right.
        SQLSetConnectAttrW(dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(kLoginTimeoutSeconds), 0);

        QString text = connectionString_;
        const SQLRETURN rc = SQLDriverConnectW(dbc, nullptr, wide(text), SQLSMALLINT(text.size()), nullptr, 0,
                                               nullptr, SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc))
            fail(SQL_HANDLE_DBC, dbc, "SQLDriverConnectW", rc);
    } catch (...) {
        release();
        throw;
    }
    env_ = env;
    dbc_ = dbc;
    try {
        for (const QString& statement : std::as_const(sessionSetup_))
            execute(statement);
    } catch (...) {
        close();
        throw;
    }
}

void OdbcDriver::close()
{
    if (dbc_) {
        if (!SQL_SUCCEEDED(SQLDisconnect(dbc_))) {
            // An open transaction keeps the connection; it would roll back on the server anyway.
            SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
            SQLDisconnect(dbc_);
        }
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        dbc_ = nullptr;
    }
    if (env_) {
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
        env_ = nullptr;
    }
}

void OdbcDriver::requireOpen() const
{
    if (!dbc_)
        throw DbError(QStringLiteral("Operation is not allowed when the object is closed."));
}

wire::BatchResult OdbcDriver::execute(const QString& sql, const QList<QVariant>& params, int timeoutSeconds)
{
    Run r;
    r.timeoutSeconds = timeoutSeconds;
    r.params.reserve(size_t(params.size()));
    for (qsizetype i = 0; i < params.size(); ++i)
        r.params.push_back(inputParam(params[i], wire::ColumnType::Unknown, 0, QString::number(i + 1)));
    return run(sql, r);
}

wire::BatchResult OdbcDriver::callProcedure(const QString& name, const QList<wire::Param>& params, int timeoutSeconds)
{
    const QString text = odbcCallText(name, params);
    Run r;
    r.timeoutSeconds = timeoutSeconds;
    r.params.reserve(size_t(params.size()));
    for (const auto& p : params)
        if (p.isReturnValue) {
            r.params.push_back(returnValueParam());
            r.returnValue = 0;
        }
    for (qsizetype i = 0; i < params.size(); ++i) {
        const wire::Param& p = params[i];
        if (!p.isReturnValue)
            r.params.push_back(
                inputParam(p.value, p.type, p.size, p.name.isEmpty() ? QString::number(i + 1) : p.name));
    }
    return run(text, r);
}

wire::BatchResult OdbcDriver::run(const QString& text, Run& r)
{
    requireOpen();
    wire::BatchResult result;
    try {
        Statement stmt(static_cast<SQLHDBC>(dbc_));
        // The dataset's command time-out, so that a statement blocked by another client's
        // locks ends with an error instead of freezing the window. Not every driver can time
        // statements out; they run without a limit then.
        SQLSetStmtAttrW(stmt.handle(), SQL_ATTR_QUERY_TIMEOUT,
                        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(std::max(0, r.timeoutSeconds))), 0);
        for (size_t i = 0; i < r.params.size(); ++i) {
            OdbcParam& p = r.params[i];
            stmt.check(SQLBindParameter(stmt.handle(), SQLUSMALLINT(i + 1), p.direction, p.cType, p.sqlType,
                                        p.columnSize, p.decimalDigits, p.buffer.data(), SQLLEN(p.buffer.size()),
                                        &p.indicator),
                       "SQLBindParameter");
        }

        QString sql = text;
        SQLRETURN rc = SQLExecDirectW(stmt.handle(), wide(sql), SQLINTEGER(sql.size()));
        stmt.check(rc, "SQLExecDirectW");
        // One pass per result of the batch: a row set, or the count of a statement without rows.
        for (;;) {
            if (rc == SQL_SUCCESS_WITH_INFO)
                result.messages += messageTexts(diagnostics(SQL_HANDLE_STMT, stmt.handle()));
            if (rc == SQL_NO_DATA) {
                // A searched UPDATE or DELETE that touched no row.
                result.rowsAffected = 0;
            } else {
                SQLSMALLINT columns = 0;
                stmt.check(SQLNumResultCols(stmt.handle(), &columns), "SQLNumResultCols");
                if (columns > 0) {
                    result.resultSets.append(fetchResultSet(stmt, columns));
                } else {
                    SQLLEN count = -1;
                    if (SQL_SUCCEEDED(SQLRowCount(stmt.handle(), &count)) && count >= 0)
                        result.rowsAffected = count;
                }
            }
            rc = SQLMoreResults(stmt.handle());
            if (rc == SQL_NO_DATA)
                break;
            stmt.check(rc, "SQLMoreResults");
        }
        // Output parameters are filled once every result has been read.
        if (r.returnValue >= 0)
            result.returnValue = outputValue(r.params[size_t(r.returnValue)]);
    } catch (const OdbcError& e) {
        // The driver does not always say in the error's state that the link is gone (a
        // server that vanished mid-statement reads as "Unexpected EOF"); it knows it after.
        SQLULEN dead = SQL_CD_FALSE;
        const bool lost = e.connectionLost()
            || (SQL_SUCCEEDED(SQLGetConnectAttr(static_cast<SQLHDBC>(dbc_), SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr))
                && dead == SQL_CD_TRUE);
        if (!lost)
            throw;
        // The connection is dropped, so the next statement connects again.
        close();
        throw DbError(QStringLiteral("Связь с сервером базы данных потеряна: %1\nПоследнее действие могло не "
                                     "выполниться; при следующем обращении к базе соединение будет установлено заново.")
                          .arg(e.message()));
    }
    return result;
}

std::unique_ptr<Driver> makeOdbcDriver(const ConnectionString& oledb)
{
    // Browse information, as the OLE DB provider asks for it: the server then names the
    // base table and column of every result column, which the write-back of a result
    // read from several tables (the student list) needs to send each change to its table.
    return std::make_unique<OdbcDriver>(odbcConnectionString(oledb), QStringList{QStringLiteral("SET NO_BROWSETABLE ON")});
}

} // namespace qel::db
