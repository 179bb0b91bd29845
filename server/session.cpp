// The session: one client connection to a database file, running translated batches and
// routine calls under a server login.
#include "server/server.h"

#include "server/contract.h"
#include "server/database_file.h"
#include "server/database_identity.h"
#include "server/rights.h"
#include "server/routines.h"
#include "server/server_logins.h"
#include "server/storage.h"
#include "server/storage_catalog.h"
#include "server/tsql_translator.h"

#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <sqlite3.h>

#include <optional>

namespace qel::server {

namespace {
constexpr qint64 kDefaultMemoryCeiling = 256LL * 1024 * 1024;
} // namespace

struct Session::Impl {
    std::unique_ptr<Storage> storage;
    std::unique_ptr<StorageCatalog> catalog;
    std::unique_ptr<tsql::Translator> translator;
    LoginInfo login;
    tsql::Options options;
    QHash<QString, std::vector<tsql::Statement>> translations;

    void open(const QString& path)
    {
        storage = std::make_unique<Storage>(path, false);
        if (!storage->scalar(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = 'sys_logins'")).isValid())
            notServerDatabase(path);
        registerCreateLogin(*storage);
        storage->setMemoryCeiling(kDefaultMemoryCeiling);
    }

    void ready()
    {
        storage->setAdministrator(login.role == LoginRole::Administrator);
        options.administrator = login.role == LoginRole::Administrator;
        catalog = std::make_unique<StorageCatalog>(*storage);
        translator = std::make_unique<tsql::Translator>(*catalog);
        if (login.role == LoginRole::User) {
            storage->setWorkingLoginRights(true);
            const QString suffix = QString::number(QRandomGenerator::system()->generate64(), 16);
            storage->installTemporary(rowRuleStatements(login.idQelUser, login.qelLogin, storage->databaseName(),
                                                        catalog->columns(QStringLiteral("mark_mag")), suffix));
        }
    }

    // The limits of one call hold from its start to its end.
    struct CallScope {
        Storage& storage;
        explicit CallScope(Storage& s) : storage(s) { storage.beginCall(); }
        ~CallScope() { storage.endCall(); }
    };

    const std::vector<tsql::Statement>& translate(const QString& tsql, const QList<tsql::ValueKind>& kinds)
    {
        QString key = QString::number(static_cast<int>(options.dateOrder)) + QLatin1Char(':');
        for (tsql::ValueKind k : kinds)
            key += QChar(u'0' + static_cast<int>(k));
        key += QLatin1Char(':') + tsql;
        auto it = translations.constFind(key);
        if (it != translations.constEnd())
            return it.value();
        std::vector<tsql::Statement> statements;
        try {
            statements = translator->translateBatch(tsql, options, kinds);
        } catch (const tsql::TranslateError& e) {
            throw wire::ServerError(e.message);
        }
        if (translations.size() > 500)
            translations.clear();
        return translations.insert(key, std::move(statements)).value();
    }

    void requireWorkingLogin(const QString& what) const
    {
        if (login.role == LoginRole::Start)
            throw wire::ServerError(
                QStringLiteral("The server login '%1' may only run the user check (GET_USER); %2 was refused.")
                    .arg(login.name, what));
    }

    wire::BatchResult call(const contract::Routine& r, const QList<GivenArgument>& given)
    {
        const bool userCheck = r.name == QLatin1String(contract::kGetUser);
        if (!userCheck)
            requireWorkingLogin(QStringLiteral("EXEC %1").arg(r.name));
        const QVariantList args = bindArguments(r, given);
        RoutineContext context{*storage, *translator, options, login};
        // The user check is not held to the statement limits: its own wait after failed
        // attempts may be longer than a client's time-out, and its work is small.
        CallScope limits(*storage);
        std::optional<Storage::Unlimited> unlimited;
        if (userCheck)
            unlimited.emplace(*storage);
        try {
            return runProcedure(context, r, args);
        } catch (const tsql::TranslateError& e) {
            throw wire::ServerError(e.message);
        }
    }

    void setOption(const tsql::Statement& s)
    {
        const QString v = s.optionValue.trimmed().toLower();
        if (s.option == QLatin1String("DATEFORMAT")) {
            static const QHash<QString, tsql::DateOrder> orders = {
                {QStringLiteral("mdy"), tsql::DateOrder::MDY}, {QStringLiteral("dmy"), tsql::DateOrder::DMY},
                {QStringLiteral("ymd"), tsql::DateOrder::YMD}, {QStringLiteral("ydm"), tsql::DateOrder::YDM},
                {QStringLiteral("myd"), tsql::DateOrder::MYD}, {QStringLiteral("dym"), tsql::DateOrder::DYM}};
            if (!orders.contains(v))
                throw wire::ServerError(QStringLiteral("'%1' is not a valid date format.").arg(s.optionValue));
            options.dateOrder = orders.value(v);
        } else if (s.option == QLatin1String("LANGUAGE")) {
            if (v == QLatin1String("us_english") || v == QLatin1String("english"))
                options.dateOrder = tsql::DateOrder::MDY;
            else if (v == QStringLiteral("русский") || v == QLatin1String("russian"))
                options.dateOrder = tsql::DateOrder::DMY;
            else
                throw wire::ServerError(QStringLiteral("'%1' is not an official language name.").arg(s.optionValue));
        } else if (s.option == QLatin1String("LOCK_TIMEOUT")) {
            // milliseconds; -1 waits without a limit, 0 does not wait at all
            bool ok = false;
            const int ms = QString(v).remove(QLatin1Char(' ')).toInt(&ok);
            if (!ok)
                throw wire::ServerError(QStringLiteral("Incorrect syntax near '%1'.").arg(s.optionValue));
            if (ms < -1)
                throw wire::ServerError(QStringLiteral("The value %1 of SET LOCK_TIMEOUT is out of range: use -1 (no "
                                                       "limit), 0 or a number of milliseconds.")
                                            .arg(ms));
            storage->setLockTimeout(ms);
        } else if (s.option == QLatin1String("ROWCOUNT")) {
            if (v != QLatin1String("0"))
                throw wire::ServerError(QStringLiteral("SET ROWCOUNT other than 0 is not supported by the embedded server."));
        } else if (s.option == QLatin1String("IMPLICIT_TRANSACTIONS") || s.option == QLatin1String("FMTONLY")
                   || s.option == QLatin1String("NOEXEC") || s.option == QLatin1String("PARSEONLY")
                   || s.option == QLatin1String("SHOWPLAN_TEXT") || s.option == QLatin1String("SHOWPLAN_ALL")) {
            if (v == QLatin1String("on"))
                throw wire::ServerError(QStringLiteral("SET %1 ON is not supported by the embedded server.").arg(s.option));
        } else if (s.option == QLatin1String("ANSI_NULLS") || s.option == QLatin1String("CONCAT_NULL_YIELDS_NULL")
                   || s.option == QLatin1String("QUOTED_IDENTIFIER")) {
            if (v == QLatin1String("off"))
                throw wire::ServerError(QStringLiteral("SET %1 OFF is not supported by the embedded server.").arg(s.option));
        }
        // Other options (NOCOUNT, ANSI_WARNINGS, ARITHABORT, TEXTSIZE ...) change nothing here.
    }
};

namespace {

tsql::ValueKind kindOfValue(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::QString: return tsql::ValueKind::Text;
    case QMetaType::QDate: return tsql::ValueKind::Date;
    case QMetaType::QDateTime: return tsql::ValueKind::DateTime;
    case QMetaType::QByteArray: return tsql::ValueKind::Blob;
    case QMetaType::UnknownType: return tsql::ValueKind::Unknown;
    default: return v.isNull() ? tsql::ValueKind::Unknown : tsql::ValueKind::Number;
    }
}

} // namespace

Session::Session(const QString& path, const QString& user, const QString& password) : d(std::make_unique<Impl>())
{
    if (!QFileInfo::exists(path)) {
        try {
            createDatabase(path, true);
        } catch (const wire::ServerError&) {
            if (!QFileInfo::exists(path)) // another client may have made it meanwhile
                throw;
        }
    }
    d->open(path);
    d->login = checkLogin(*d->storage, user, password);
    d->ready();
}

Session::Session(const QString& path, AdministratorAccess) : d(std::make_unique<Impl>())
{
    if (!QFileInfo::exists(path))
        throw wire::ServerError(QStringLiteral("The database file \"%1\" does not exist.").arg(path));
    d->open(path);
    d->login.name = QStringLiteral("administrator");
    d->login.role = LoginRole::Administrator;
    d->ready();
}

Session::~Session() = default;

std::unique_ptr<Session> Session::administrator(const QString& path)
{
    return std::make_unique<Session>(path, AdministratorAccess{});
}

wire::BatchResult Session::execute(const QString& tsql, const QList<QVariant>& params)
{
    Impl::CallScope limits(*d->storage);
    QList<tsql::ValueKind> kinds;
    for (const QVariant& p : params)
        kinds.append(kindOfValue(p));
    const std::vector<tsql::Statement> statements = d->translate(tsql, kinds);
    wire::BatchResult result;
    Storage& storage = *d->storage;
    for (const tsql::Statement& s : statements) {
        switch (s.kind) {
        case tsql::StatementKind::SetOption:
            d->setOption(s);
            break;
        case tsql::StatementKind::Exec: {
            const contract::Routine* r = contract::findRoutine(s.procedure);
            if (!r || r->kind != contract::RoutineKind::Procedure)
                throw wire::ServerError(QStringLiteral("Could not find stored procedure '%1'.").arg(s.procedure));
            QList<GivenArgument> given;
            for (const tsql::ExecArgument& a : s.arguments) {
                GivenArgument g{a.name, a.value, a.isDefault};
                if (a.param >= 0) {
                    if (a.param >= params.size())
                        throw wire::ServerError(
                            QStringLiteral("The parameterized query expects the parameter number %1, which was not supplied.")
                                .arg(a.param + 1));
                    g.value = params[a.param];
                }
                given.append(g);
            }
            wire::BatchResult r2 = d->call(*r, given);
            result.resultSets.append(r2.resultSets);
            if (r2.rowsAffected >= 0)
                result.rowsAffected = r2.rowsAffected;
            result.returnValue = r2.returnValue;
            result.messages.append(r2.messages);
            break;
        }
        case tsql::StatementKind::Transaction:
        case tsql::StatementKind::Query:
        case tsql::StatementKind::Print: {
            d->requireWorkingLogin(QStringLiteral("the statement"));
            sqlite3_stmt* st = storage.prepare(s.sql);
            const int count = sqlite3_bind_parameter_count(st);
            for (int i = 1; i <= count; ++i) {
                const char* name = sqlite3_bind_parameter_name(st, i);
                if (!name)
                    continue;
                const int index = QByteArray(name + 1).toInt() - 1;
                if (index < 0 || index >= params.size())
                    throw wire::ServerError(
                        QStringLiteral("The parameterized query expects the parameter number %1, which was not supplied.")
                            .arg(index + 1));
                storage.bind(st, i, params[index], s.paramDates.value(index, tsql::ValueKind::Unknown),
                             d->options.dateOrder);
            }
            if (s.kind == tsql::StatementKind::Print) {
                const wire::ResultSet rs = storage.readAll(st);
                if (!rs.rows.isEmpty() && !rs.rows.first().isEmpty())
                    result.messages.append(rs.rows.first().first().toString());
            } else if (sqlite3_column_count(st) > 0) {
                result.resultSets.append(storage.readAll(st, s.columnKinds));
            } else {
                const qint64 changed = storage.runToEnd(st);
                if (s.kind == tsql::StatementKind::Query)
                    result.rowsAffected = changed;
            }
            break;
        }
        }
    }
    return result;
}

wire::BatchResult Session::callProcedure(const QString& name, const QList<wire::Param>& params)
{
    const contract::Routine* r = contract::findRoutine(name);
    if (!r || r->kind != contract::RoutineKind::Procedure)
        throw wire::ServerError(QStringLiteral("Could not find stored procedure '%1'.").arg(name));
    QList<GivenArgument> given;
    for (const wire::Param& p : params)
        if (!p.isReturnValue)
            given.append(GivenArgument{QString(), p.value, false});
    return d->call(*r, given);
}

QString Session::translate(const QString& tsql) const
{
    try {
        return tsql::describe(d->translator->translateBatch(tsql, d->options, {}));
    } catch (const tsql::TranslateError& e) {
        throw wire::ServerError(e.message);
    }
}

QString Session::loginName() const { return d->login.name; }

void Session::setStatementTimeout(int milliseconds) { d->storage->setStatementTimeout(std::max(0, milliseconds)); }

void Session::setMemoryCeiling(qint64 bytes) { d->storage->setMemoryCeiling(std::max<qint64>(0, bytes)); }

// For the network front-end.

void Session::interrupt() { sqlite3_interrupt(d->storage->handle()); }

bool Session::inTransaction() const { return d->storage->inTransaction(); }

} // namespace qel::server
