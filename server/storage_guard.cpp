// The guard on what a client statement reaches: the storage's authorizer with the server's
// own tables, the storage functions the dialect stands on, the rights of working logins
// (server/rights.h) with the columns they mask, and the server's own triggers, which write
// on their own account.
#include "server/storage.h"

#include "server/rights.h"

#include <sqlite3.h>

namespace qel::server {

void Storage::loadTriggerNames()
{
    Internal internal(*this);
    triggers_.clear();
    const wire::ResultSet rs = query(QStringLiteral(
        "SELECT name FROM sqlite_master WHERE type = 'trigger' UNION ALL SELECT name FROM sqlite_temp_master WHERE type = 'trigger'"));
    for (const wire::Row& r : rs.rows)
        triggers_.insert(r.first().toString().toLower());
}

void Storage::installTemporary(const QStringList& statements)
{
    for (const QString& sql : statements)
        script(sql);
    loadTriggerNames();
}

namespace {

// The storage functions a client statement may reach: the dialect's T-SQL functions by
// their own name, those the dialect layer writes for them (CONVERT, CAST, TOP ... PERCENT,
// stored values, recursion) and those the schema's own views, defaults and triggers and the
// row rules use.
bool allowedStorageFunction(const QString& name)
{
    static const QSet<QString> storageOwn = {
        QStringLiteral("like"), QStringLiteral("substr"), QStringLiteral("tsql_text"), QStringLiteral("tsql_date_text"),
        QStringLiteral("tsql_int"), QStringLiteral("tsql_bit"), QStringLiteral("tsql_float"),
        QStringLiteral("tsql_datetime"), QStringLiteral("tsql_date"), QStringLiteral("tsql_store"),
        QStringLiteral("tsql_recursion_level"), QStringLiteral("ifnull"), QStringLiteral("strftime"),
        QStringLiteral("qel_client_statement")};
    return tsql::isDialectFunction(name.toUpper()) || storageOwn.contains(name.toLower());
}

} // namespace

int Storage::refuse(const QString& message, int code)
{
    if (denial_.isEmpty()) {
        denial_ = message;
        denialCode_ = code;
    }
    return SQLITE_DENY;
}

int Storage::authorize(void* self, int action, const char* a, const char* b, const char*, const char* trigger)
{
    auto* s = static_cast<Storage*>(self);
    if (s->internal_)
        return SQLITE_OK;
    return s->authorizeClient(action, QString::fromUtf8(a ? a : ""), QString::fromUtf8(b ? b : ""),
                              QString::fromUtf8(trigger ? trigger : ""));
}

int Storage::authorizeClient(int action, const QString& a, const QString& b, const QString& trigger)
{
    // The server's own triggers write what they were made to write. (A common table
    // expression also shows as the context of what it reads, but it never writes.)
    const bool serverTrigger = !trigger.isEmpty() && triggers_.contains(trigger.toLower());
    switch (action) {
    case SQLITE_READ:
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE: {
        const QString lower = a.toLower();
        if (lower.startsWith(QLatin1String("sqlite_")) || (lower.startsWith(QLatin1String("sys_")) && !administrator_))
            return refuse(QStringLiteral("Invalid object name '%1'.").arg(a), 208);
        if (!workingLogin_)
            return SQLITE_OK;
        if (action == SQLITE_READ) {
            // The row rules read what they check (NEW.QEL_User of an audit row ...); their
            // names carry a random part, so no common table expression can pose as one.
            if (serverTrigger && trigger.startsWith(QLatin1String("qel_row_rule_"), Qt::CaseInsensitive))
                return SQLITE_OK;
            switch (readVerdict(a, b)) {
            case ReadVerdict::Allow: return SQLITE_OK;
            case ReadVerdict::Mask:
                if (describing_)
                    return SQLITE_OK;
                maskedRead_ = true;
                return SQLITE_IGNORE;
            case ReadVerdict::Deny: {
                const bool object = !rightsOn(a).select || b.isEmpty();
                return refuse(permissionDenied(Permission::Select, a, object ? QString() : b, database_),
                              object ? kPermissionDeniedCode : kColumnPermissionDeniedCode);
            }
            }
            return SQLITE_DENY;
        }
        if (serverTrigger)
            return SQLITE_OK;
        if (action == SQLITE_INSERT)
            return mayInsert(a) ? SQLITE_OK : refuse(permissionDenied(Permission::Insert, a, {}, database_), kPermissionDeniedCode);
        if (action == SQLITE_DELETE)
            return mayDelete(a) ? SQLITE_OK : refuse(permissionDenied(Permission::Delete, a, {}, database_), kPermissionDeniedCode);
        if (mayUpdate(a, b))
            return SQLITE_OK;
        if (rightsOn(a).updatable.isEmpty())
            return refuse(permissionDenied(Permission::Update, a, {}, database_), kPermissionDeniedCode);
        return refuse(permissionDenied(Permission::Update, a, b, database_), kColumnPermissionDeniedCode);
    }
    case SQLITE_FUNCTION:
        if (allowedStorageFunction(b))
            return SQLITE_OK;
        return refuse(QStringLiteral("'%1' is not a recognized built-in function name.").arg(b), 195);
    case SQLITE_SELECT:
    case SQLITE_TRANSACTION:
    case SQLITE_SAVEPOINT:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    default:
        return SQLITE_DENY; // DDL, ATTACH, PRAGMA ...
    }
}

void Storage::describeUnmasked(sqlite3_stmt* st, const QByteArray& text)
{
    sqlite3_stmt* shadow = nullptr;
    describing_ = true;
    const int rc = sqlite3_prepare_v2(db_, text.constData(), text.size(), &shadow, nullptr);
    describing_ = false;
    QList<ColumnOrigin> columns;
    if (rc == SQLITE_OK && shadow) {
        for (int i = 0; i < sqlite3_column_count(shadow); ++i)
            columns.append(originOf(shadow, i));
    }
    sqlite3_finalize(shadow);
    unmasked_.insert(st, columns);
}

} // namespace qel::server
