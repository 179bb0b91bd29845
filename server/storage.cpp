#include "server/storage.h"

#include "server/database_identity.h"
#include "server/sql_functions.h"
#include "server/storage_dates.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <sqlite3.h>

#include <cmath>
#include <limits>

namespace qel::server {
namespace {

QString fromUtf8(const unsigned char* p, int n) { return QString::fromUtf8(reinterpret_cast<const char*>(p), n); }

QString columnText(sqlite3_stmt* st, int i)
{
    const unsigned char* p = sqlite3_column_text(st, i);
    return fromUtf8(p, sqlite3_column_bytes(st, i));
}

QVariant rawValue(sqlite3_stmt* st, int i)
{
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_INTEGER: return QVariant(static_cast<qint64>(sqlite3_column_int64(st, i)));
    case SQLITE_FLOAT: return QVariant(sqlite3_column_double(st, i));
    case SQLITE_TEXT: return QVariant(columnText(st, i));
    case SQLITE_BLOB: {
        const void* p = sqlite3_column_blob(st, i);
        return QVariant(QByteArray(static_cast<const char*>(p), sqlite3_column_bytes(st, i)));
    }
    default: return QVariant();
    }
}

QVariant intValue(qint64 v, bool wide)
{
    if (wide)
        return QVariant(v);
    return QVariant(static_cast<int>(v));
}

// Converts a stored value to the C++ type of the column.
class ValueReader {
public:
    QVariant read(sqlite3_stmt* st, int i, wire::ColumnType type)
    {
        const int storage = sqlite3_column_type(st, i);
        if (storage == SQLITE_NULL)
            return {};
        using T = wire::ColumnType;
        switch (type) {
        case T::Int:
        case T::SmallInt:
        case T::BigInt:
            if (storage == SQLITE_INTEGER)
                return intValue(sqlite3_column_int64(st, i), type == T::BigInt);
            if (storage == SQLITE_FLOAT)
                return intValue(static_cast<qint64>(std::llround(sqlite3_column_double(st, i))), type == T::BigInt);
            break;
        case T::Bit:
            if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT)
                return QVariant(sqlite3_column_double(st, i) != 0);
            break;
        case T::Float:
            if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT)
                return QVariant(sqlite3_column_double(st, i));
            break;
        case T::VarChar:
        case T::NVarChar:
            if (storage == SQLITE_INTEGER)
                return QVariant(QString::number(sqlite3_column_int64(st, i)));
            if (storage == SQLITE_FLOAT)
                return QVariant(QString::number(sqlite3_column_double(st, i), 'g', 15));
            return QVariant(columnText(st, i));
        case T::DateTime:
        case T::Date:
        case T::Time:
            if (storage == SQLITE_TEXT)
                return dateValue(columnText(st, i), type);
            break;
        case T::VarBinary:
            if (storage == SQLITE_BLOB || storage == SQLITE_TEXT) {
                const void* p = sqlite3_column_blob(st, i);
                return QVariant(QByteArray(static_cast<const char*>(p), sqlite3_column_bytes(st, i)));
            }
            break;
        case T::Unknown:
            break;
        }
        return rawValue(st, i);
    }

    QVariant dateValue(const QString& text, wire::ColumnType type)
    {
        // Sheets repeat the same few dates; parsing and the local-time conversion are cached.
        auto it = cache_.constFind(text);
        QDateTime d;
        if (it != cache_.constEnd()) {
            d = it.value();
        } else {
            d = readStoredDateTime(text);
            if (cache_.size() > 4096)
                cache_.clear();
            cache_.insert(text, d);
        }
        if (!d.isValid())
            return QVariant(text);
        if (type == wire::ColumnType::Date)
            return QVariant(d.date());
        if (type == wire::ColumnType::Time)
            return QVariant(d.time());
        return QVariant(d);
    }

private:
    QHash<QString, QDateTime> cache_;
};

} // namespace

wire::ColumnType columnTypeOf(const QString& declared, int* size)
{
    using T = wire::ColumnType;
    *size = 0;
    if (declared.isEmpty())
        return T::Unknown;
    QString t = declared.toUpper().trimmed();
    const int paren = t.indexOf(QLatin1Char('('));
    if (paren >= 0) {
        const QString inner = t.mid(paren + 1, t.indexOf(QLatin1Char(')')) - paren - 1);
        bool ok = false;
        const int n = inner.section(QLatin1Char(','), 0, 0).trimmed().toInt(&ok);
        if (ok)
            *size = n;
        t = t.left(paren).trimmed();
    }
    if (t == QLatin1String("INT") || t == QLatin1String("INTEGER"))
        return T::Int;
    if (t == QLatin1String("BIGINT"))
        return T::BigInt;
    if (t == QLatin1String("SMALLINT") || t == QLatin1String("TINYINT"))
        return T::SmallInt;
    if (t == QLatin1String("BIT"))
        return T::Bit;
    if (t == QLatin1String("FLOAT") || t == QLatin1String("REAL") || t == QLatin1String("NUMERIC")
        || t == QLatin1String("DECIMAL") || t == QLatin1String("MONEY") || t == QLatin1String("SMALLMONEY")
        || t == QLatin1String("DOUBLE"))
        return T::Float;
    if (t == QLatin1String("VARCHAR") || t == QLatin1String("CHAR") || t == QLatin1String("TEXT"))
        return T::VarChar;
    if (t == QLatin1String("NVARCHAR") || t == QLatin1String("NCHAR") || t == QLatin1String("NTEXT"))
        return T::NVarChar;
    if (t == QLatin1String("DATETIME") || t == QLatin1String("SMALLDATETIME") || t == QLatin1String("DATETIME2"))
        return T::DateTime;
    if (t == QLatin1String("DATE"))
        return T::Date;
    if (t == QLatin1String("TIME"))
        return T::Time;
    if (t == QLatin1String("IMAGE") || t == QLatin1String("VARBINARY") || t == QLatin1String("BINARY")
        || t == QLatin1String("BLOB"))
        return T::VarBinary;
    *size = 0;
    return T::Unknown;
}

Storage::Storage(const QString& path, bool create) : path_(path)
{
    if (!create)
        checkDatabaseFile(path);
    database_ = QFileInfo(path).completeBaseName();
    if (database_.isEmpty() || path.startsWith(QLatin1Char(':')))
        database_ = QStringLiteral("QEL");
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX;
    if (create)
        flags |= SQLITE_OPEN_CREATE;
    const QByteArray file = path.toUtf8();
    const int rc = sqlite3_open_v2(file.constData(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString why = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString();
        sqlite3_close(db_);
        db_ = nullptr;
        throw wire::ServerError(QStringLiteral("Cannot open database \"%1\" requested by the login (%2). The login failed.")
                                    .arg(path, why));
    }
    sqlite3_extended_result_codes(db_, 1);
    registerSqlFunctions(db_);
    sqlite3_create_function_v2(
        db_, "qel_client_statement", 0, SQLITE_UTF8, this,
        [](sqlite3_context* ctx, int, sqlite3_value**) {
            sqlite3_result_int(ctx, static_cast<Storage*>(sqlite3_user_data(ctx))->clientStatement() ? 1 : 0);
        },
        nullptr, nullptr, nullptr);
    sqlite3_busy_handler(db_, &Storage::busy, this);
    sqlite3_progress_handler(db_, 1000, &Storage::progress, this);
    sqlite3_set_authorizer(db_, &Storage::authorize, this);
    try {
        Internal internal(*this);
        const QString mode = scalar(QStringLiteral("PRAGMA journal_mode")).toString();
        if (mode.compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
            script(QStringLiteral("PRAGMA journal_mode=WAL"));
        script(QStringLiteral("PRAGMA synchronous=NORMAL"));
        // A file of an older version, accepted by its own tables, gets the id now.
        if (!create && scalar(QStringLiteral("PRAGMA application_id")).toLongLong() == 0)
            stampDatabaseFile(db_);
        loadTriggerNames();
    } catch (...) {
        for (sqlite3_stmt* st : std::as_const(cache_))
            sqlite3_finalize(st);
        cache_.clear();
        sqlite3_close(db_);
        db_ = nullptr;
        throw;
    }
}

Storage::~Storage()
{
    for (sqlite3_stmt* st : std::as_const(cache_))
        sqlite3_finalize(st);
    if (db_)
        sqlite3_close_v2(db_);
}

bool Storage::inTransaction() const { return sqlite3_get_autocommit(db_) == 0; }

sqlite3_stmt* Storage::prepare(const QString& sql)
{
    const QString key = (internal_ ? QStringLiteral("I:") : administrator_ ? QStringLiteral("A:") : QStringLiteral("C:")) + sql;
    auto it = cache_.constFind(key);
    if (it != cache_.constEnd()) {
        sqlite3_stmt* st = it.value();
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
        return st;
    }
    // The storage reads a statement only up to a NUL character: never hand it one.
    if (sql.contains(QChar(0)))
        throw wire::ServerError(tsql::nulCharacterMessage());
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* st = nullptr;
    const char* tail = nullptr;
    denial_.clear();
    maskedRead_ = false;
    const int rc = sqlite3_prepare_v3(db_, text.constData(), text.size(), SQLITE_PREPARE_PERSISTENT, &st, &tail);
    if (rc != SQLITE_OK) {
        if ((rc & 0xFF) == SQLITE_AUTH && !denial_.isEmpty())
            throw wire::ServerError(denial_, denialCode_);
        raise(QString::fromUtf8(sqlite3_errmsg(db_)));
    }
    if (tail && *tail) {
        const QString rest = QString::fromUtf8(tail).trimmed();
        if (!rest.isEmpty()) {
            sqlite3_finalize(st);
            raise(QStringLiteral("near \"%1\": syntax error").arg(rest.left(30)));
        }
    }
    if (!st)
        raise(QStringLiteral("incomplete input"));
    if (cache_.size() > 200) {
        for (sqlite3_stmt* old : std::as_const(cache_))
            sqlite3_finalize(old);
        cache_.clear();
        described_.clear();
        unmasked_.clear();
    }
    if (maskedRead_)
        describeUnmasked(st, text);
    cache_.insert(key, st);
    return st;
}

void Storage::script(const QString& sql)
{
    if (sql.contains(QChar(0)))
        throw wire::ServerError(tsql::nulCharacterMessage());
    char* err = nullptr;
    const QByteArray text = sql.toUtf8();
    Internal internal(*this);
    if (sqlite3_exec(db_, text.constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString message = QString::fromUtf8(err ? err : sqlite3_errmsg(db_));
        sqlite3_free(err);
        raise(message);
    }
}

void Storage::bind(sqlite3_stmt* st, int index, const QVariant& value, tsql::ValueKind kind, tsql::DateOrder order)
{
    auto text = [&](const QString& s) {
        const QByteArray u = s.toUtf8();
        sqlite3_bind_text(st, index, u.constData(), u.size(), SQLITE_TRANSIENT);
    };
    const bool dateTarget = kind == tsql::ValueKind::DateTime || kind == tsql::ValueKind::Date;
    if (!value.isValid() || value.isNull()) {
        sqlite3_bind_null(st, index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        sqlite3_bind_int(st, index, value.toBool() ? 1 : 0);
        return;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        sqlite3_bind_int64(st, index, value.toLongLong());
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        sqlite3_bind_double(st, index, value.toDouble());
        return;
    case QMetaType::QByteArray: {
        const QByteArray b = value.toByteArray();
        sqlite3_bind_blob(st, index, b.constData(), b.size(), SQLITE_TRANSIENT);
        return;
    }
    case QMetaType::QDate:
        text(kind == tsql::ValueKind::DateTime ? storedDateTime(QDateTime(value.toDate(), QTime(0, 0)))
                                               : storedDate(value.toDate()));
        return;
    case QMetaType::QDateTime:
        text(kind == tsql::ValueKind::Date ? storedDate(value.toDateTime().date()) : storedDateTime(value.toDateTime()));
        return;
    case QMetaType::QTime:
        text(value.toTime().toString(QStringLiteral("HH:mm:ss")));
        return;
    case QMetaType::QString:
        if (dateTarget) {
            QString stored;
            if (!tsql::parseDateLiteral(value.toString(), order, kind, &stored))
                throw wire::ServerError(QStringLiteral("Conversion failed when converting date and/or time from character string."));
            text(stored);
            return;
        }
        text(value.toString());
        return;
    default:
        text(value.toString());
        return;
    }
}

Storage::ColumnOrigin Storage::originOf(sqlite3_stmt* st, int i)
{
    auto text = [](const char* p) { return p ? QString::fromUtf8(p) : QString(); };
    return {text(sqlite3_column_name(st, i)), text(sqlite3_column_decltype(st, i)),
            text(sqlite3_column_database_name(st, i)), text(sqlite3_column_table_name(st, i)),
            text(sqlite3_column_origin_name(st, i))};
}

wire::Column Storage::describeColumn(sqlite3_stmt* st, int i, const QList<tsql::ValueKind>& hints)
{
    wire::Column c;
    // A masked column is described by the unmasked statement (storage_guard.cpp).
    const auto unmasked = unmasked_.constFind(st);
    const ColumnOrigin o =
        unmasked != unmasked_.constEnd() && i < unmasked->size() ? unmasked->at(i) : originOf(st, i);
    c.name = o.name;
    c.type = columnTypeOf(o.declaredType, &c.size);
    if (!o.table.isEmpty() && !o.column.isEmpty()) {
        c.baseTable = o.table;
        c.baseColumn = o.column;
        const QString key = c.baseTable.toLower() + QLatin1Char('.') + c.baseColumn.toLower();
        auto it = meta_.constFind(key);
        if (it == meta_.constEnd()) {
            ColumnMeta m;
            int notNull = 0, pk = 0, autoinc = 0;
            const char *type = nullptr, *coll = nullptr;
            const QByteArray database = o.database.toUtf8(), table = o.table.toUtf8(), column = o.column.toUtf8();
            if (sqlite3_table_column_metadata(db_, o.database.isEmpty() ? nullptr : database.constData(),
                                              table.constData(), column.constData(), &type, &coll, &notNull, &pk,
                                              &autoinc)
                == SQLITE_OK) {
                m.identity = autoinc != 0;
                m.notNull = notNull != 0 || m.identity;
            }
            it = meta_.insert(key, m);
        }
        c.identity = it->identity;
        c.nullable = !it->notNull;
    }
    if (c.type == wire::ColumnType::Unknown && i < hints.size()) {
        switch (hints[i]) {
        case tsql::ValueKind::DateTime: c.type = wire::ColumnType::DateTime; break;
        case tsql::ValueKind::Date: c.type = wire::ColumnType::Date; break;
        default: break;
        }
    }
    return c;
}

wire::ResultSet Storage::readAll(sqlite3_stmt* st, const QList<tsql::ValueKind>& hints)
{
    wire::ResultSet rs;
    const int n = sqlite3_column_count(st);
    const auto known = described_.constFind(st);
    if (known != described_.constEnd() && hints.isEmpty()) {
        rs.columns = known.value();
    } else {
        for (int i = 0; i < n; ++i)
            rs.columns.append(describeColumn(st, i, hints));
        if (hints.isEmpty() && std::find(cache_.cbegin(), cache_.cend(), st) != cache_.cend())
            described_.insert(st, rs.columns);
    }
    QList<wire::ColumnType> types;
    for (const wire::Column& c : rs.columns)
        types.append(c.type);
    ValueReader reader;
    beginStatement();
    qint64 bytes = 0;
    for (;;) {
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_ROW) {
            const QString message = QString::fromUtf8(sqlite3_errmsg(db_));
            sqlite3_reset(st);
            raise(message);
        }
        wire::Row row;
        row.reserve(n);
        for (int i = 0; i < n; ++i)
            row.append(reader.read(st, i, types[i]));
        if (callRunning_ && memoryCeiling_ > 0) {
            countRowBytes(row, &bytes);
            if (bytes > memoryCeiling_) {
                sqlite3_reset(st);
                throw wire::ServerError(memoryMessage(), 701);
            }
        }
        rs.rows.append(std::move(row));
    }
    sqlite3_reset(st);
    // Expression columns: the type follows the select list where known, else the values.
    for (int i = 0; i < n; ++i) {
        if (rs.columns[i].type != wire::ColumnType::Unknown)
            continue;
        const tsql::ValueKind hint = i < hints.size() ? hints[i] : tsql::ValueKind::Unknown;
        bool anyText = false, anyFloat = false, anyBlob = false, anyInt = false, wide = false;
        for (const wire::Row& r : std::as_const(rs.rows)) {
            const QVariant& v = r[i];
            switch (v.typeId()) {
            case QMetaType::LongLong: {
                anyInt = true;
                const qint64 x = v.toLongLong();
                if (x < std::numeric_limits<int>::min() || x > std::numeric_limits<int>::max())
                    wide = true;
                break;
            }
            case QMetaType::Double: anyFloat = true; break;
            case QMetaType::QString: anyText = true; break;
            case QMetaType::QByteArray: anyBlob = true; break;
            default: break;
            }
        }
        using T = wire::ColumnType;
        T type;
        if (hint == tsql::ValueKind::Text || anyText)
            type = T::VarChar;
        else if (anyBlob)
            type = T::VarBinary;
        else if (anyFloat)
            type = T::Float;
        else if (anyInt)
            type = wide ? T::BigInt : T::Int;
        else
            type = T::Int;
        rs.columns[i].type = type;
        for (wire::Row& r : rs.rows) {
            QVariant& v = r[i];
            if (v.isNull())
                continue;
            if (type == T::VarChar && v.typeId() != QMetaType::QString)
                v = v.typeId() == QMetaType::Double ? QVariant(QString::number(v.toDouble(), 'g', 15)) : QVariant(v.toString());
            else if (type == T::Float)
                v = QVariant(v.toDouble());
            else if (type == T::Int)
                v = QVariant(v.toInt());
        }
    }
    return rs;
}

void Storage::countRowBytes(const wire::Row& row, qint64* bytes)
{
    // What the row takes in memory, roughly: the values and the texts and bytes they hold.
    *bytes += 16 + static_cast<qint64>(row.size()) * 24;
    for (const QVariant& v : row) {
        if (v.typeId() == QMetaType::QString)
            *bytes += static_cast<qint64>(v.toString().size()) * 2;
        else if (v.typeId() == QMetaType::QByteArray)
            *bytes += v.toByteArray().size();
    }
}

qint64 Storage::runToEnd(sqlite3_stmt* st)
{
    beginStatement();
    for (;;) {
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_ROW) {
            const QString message = QString::fromUtf8(sqlite3_errmsg(db_));
            sqlite3_reset(st);
            raise(message);
        }
    }
    sqlite3_reset(st);
    return sqlite3_changes64(db_);
}

wire::ResultSet Storage::query(const QString& sql, const QVariantList& args)
{
    Internal internal(*this);
    sqlite3_stmt* st = prepare(sql);
    for (int i = 0; i < args.size(); ++i)
        bind(st, i + 1, args[i]);
    return readAll(st);
}

QVariant Storage::scalar(const QString& sql, const QVariantList& args)
{
    const wire::ResultSet rs = query(sql, args);
    if (rs.rows.isEmpty() || rs.rows.first().isEmpty())
        return {};
    return rs.rows.first().first();
}

qint64 Storage::run(const QString& sql, const QVariantList& args)
{
    Internal internal(*this);
    sqlite3_stmt* st = prepare(sql);
    for (int i = 0; i < args.size(); ++i)
        bind(st, i + 1, args[i]);
    return runToEnd(st);
}

void Storage::raise(const QString& sqliteMessage) const
{
    const bool interrupted = sqliteMessage == QLatin1String("interrupted");
    const bool locked = sqliteMessage.startsWith(QLatin1String("database is locked"))
        || sqliteMessage.startsWith(QLatin1String("database table is locked"));
    if (stop_ == Stop::Timeout && (interrupted || locked))
        throw wire::ServerError(kTimeoutMessage);
    if ((stop_ == Stop::Memory && interrupted) || sqliteMessage == QLatin1String("string or blob too big"))
        throw wire::ServerError(memoryMessage(), 701);
    if (!denial_.isEmpty() && sqliteMessage == QLatin1String("not authorized"))
        throw wire::ServerError(denial_, denialCode_);
    throw wire::ServerError(serverMessage(sqliteMessage));
}

QString Storage::serverMessage(const QString& m)
{
    struct Rule {
        const char* pattern;
        const char* text;
    };
    static const Rule rules[] = {
        {"^no such table: (?:main\\.)?(.+)$", "Invalid object name '%1'."},
        {"^no such column: (.+\\..+)$", "The multi-part identifier \"%1\" could not be bound."},
        {"^no such column: (.+)$", "Invalid column name '%1'."},
        {"^no such function: (.+)$", "'%1' is not a recognized built-in function name."},
        {"^near \"(.*)\": syntax error$", "Incorrect syntax near '%1'."},
        {"^incomplete input$", "Incorrect syntax near the end of the statement."},
        {"^ambiguous column name: (.+)$", "Ambiguous column name '%1'."},
        {"^UNIQUE constraint failed: ([^.]+)\\..*$",
         "Violation of UNIQUE KEY constraint. Cannot insert duplicate key in object 'dbo.%1'."},
        {"^NOT NULL constraint failed: ([^.]+)\\.(.+)$",
         "Cannot insert the value NULL into column '%2', table 'QEL.dbo.%1'; column does not allow nulls."},
        {"^database (?:table )?is locked.*$", "Lock request time out period exceeded."},
        {"^wrong number of arguments to function ([^(]+)\\(\\)$",
         "The %1 function was called with a wrong number of arguments."},
        {"^(?:not authorized|access to .* is prohibited|authorization denied)$",
         "The statement was refused: the server does not permit it to this login."},
        {"^SELECTs to the left and right of .* do not have the same number of result columns$",
         "All queries combined using a UNION, INTERSECT or EXCEPT operator must have an equal number of "
         "expressions in their target lists."},
        {"^table (.+) has \\d+ columns but \\d+ values were supplied$",
         "Column name or number of supplied values does not match table definition."},
        {"^\\d+ values for \\d+ columns$", "There are fewer columns in the INSERT statement than values specified in "
                                           "the VALUES clause, or the other way round."},
        {"^cannot modify (.+) because it is a view$",
         "View or function '%1' is not updatable because the modification affects multiple base tables."},
        {"^file is not a database$", "The file is not a database of the embedded server."},
    };
    for (const Rule& r : rules) {
        const QRegularExpression re(QString::fromLatin1(r.pattern));
        const auto match = re.match(m);
        if (!match.hasMatch())
            continue;
        QString text = QString::fromLatin1(r.text);
        for (int k = 1; k <= match.lastCapturedIndex(); ++k)
            text = text.replace(QLatin1Char('%') + QString::number(k), match.captured(k));
        return text;
    }
    return m;
}

} // namespace qel::server
