#include "server/tds/request_runner.h"

#include "server/contract.h"
#include "server/tds/error_numbers.h"
#include "server/tds/protocol.h"
#include "server/tds/tokens.h"
#include "server/tsql_lexer.h"

#include <QRegularExpression>

namespace qel::server::tds {

namespace {

// DONE command codes: a SELECT, a statement that changed rows, a procedure.
constexpr uint16_t kCommandSelect = 0xC1;
constexpr uint16_t kCommandDml = 0xC3;
constexpr uint16_t kCommandProcedure = 0xE0;

QByteArray descriptor(quint64 id)
{
    ByteWriter w;
    w.u64(id);
    return w.bytes();
}

// "[QEL].[dbo].[sp_executesql]" -> "sp_executesql"
QString bareName(const QString& name)
{
    QString last = name.section(QLatin1Char('.'), -1).trimmed();
    if (last.startsWith(QLatin1Char('[')) && last.endsWith(QLatin1Char(']')))
        last = last.mid(1, last.size() - 2);
    return last;
}

uint16_t systemProcedureId(const RpcCall& call)
{
    if (call.procId)
        return call.procId;
    static const QHash<QString, uint16_t> names = {
        {QStringLiteral("sp_cursor"), SpCursor},           {QStringLiteral("sp_cursoropen"), SpCursorOpen},
        {QStringLiteral("sp_cursorprepare"), SpCursorPrepare}, {QStringLiteral("sp_cursorexecute"), SpCursorExecute},
        {QStringLiteral("sp_cursorprepexec"), SpCursorPrepExec}, {QStringLiteral("sp_cursorunprepare"), SpCursorUnprepare},
        {QStringLiteral("sp_cursorfetch"), SpCursorFetch}, {QStringLiteral("sp_cursoroption"), SpCursorOption},
        {QStringLiteral("sp_cursorclose"), SpCursorClose}, {QStringLiteral("sp_executesql"), SpExecuteSql},
        {QStringLiteral("sp_prepare"), SpPrepare},         {QStringLiteral("sp_execute"), SpExecute},
        {QStringLiteral("sp_prepexec"), SpPrepExec},       {QStringLiteral("sp_prepexecrpc"), SpPrepExecRpc},
        {QStringLiteral("sp_unprepare"), SpUnprepare},
    };
    return names.value(bareName(call.procName).toLower(), 0);
}

const RpcParam& param(const RpcCall& call, int index, const char* procedure, const char* name)
{
    if (index >= call.params.size())
        throw wire::ServerError(QStringLiteral("Procedure or function '%1' expects parameter '%2', which was not supplied.")
                                    .arg(QLatin1String(procedure), QLatin1String(name)));
    return call.params[index];
}

QString textParam(const RpcCall& call, int index, const char* procedure, const char* name)
{
    const RpcParam& p = param(call, index, procedure, name);
    if (p.value.typeId() != QMetaType::QString)
        throw wire::ServerError(QStringLiteral("Procedure expects parameter '%1' of type 'ntext/nchar/nvarchar'.")
                                    .arg(QLatin1String(name)));
    return p.value.toString();
}

bool mentionsRollback(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("\\bROLLBACK\\b"), QRegularExpression::CaseInsensitiveOption);
    return re.match(text).hasMatch();
}

} // namespace

RequestRunner::RequestRunner(Session* session, QString serverName, const std::atomic<bool>* stopping)
    : session_(session), serverName_(std::move(serverName)), stopping_(stopping)
{
}

void RequestRunner::setSession(Session* session)
{
    session_ = session;
    prepared_.clear();
    browse_ = false;
}

QString RequestRunner::takeBrowseOption(const QString& text)
{
    // SET NO_BROWSETABLE ON asks for the base table and column of each result column, which
    // clients with updatable result sets use to write rows back.
    if (!text.contains(QLatin1String("BROWSETABLE"), Qt::CaseInsensitive))
        return text;
    std::vector<tsql::Token> t;
    try {
        t = tsql::tokenize(text);
    } catch (const tsql::LexError&) {
        return text;   // the session reports what it cannot read
    }
    QString out;
    int copied = 0;
    for (size_t i = 0; i + 2 < t.size(); ++i) {
        if (t[i].kind != tsql::Tok::Word || t[i].value != QLatin1String("SET") || t[i + 1].kind != tsql::Tok::Word
            || t[i + 1].value != QLatin1String("NO_BROWSETABLE") || t[i + 2].kind != tsql::Tok::Word)
            continue;
        const QString& value = t[i + 2].value;
        if (value != QLatin1String("ON") && value != QLatin1String("OFF"))
            continue;
        browse_ = value == QLatin1String("ON");
        size_t last = i + 2;
        if (last + 1 < t.size() && t[last + 1].kind == tsql::Tok::Semicolon)
            ++last;
        out += QStringView(text).mid(copied, t[i].pos - copied);
        out += QLatin1Char(' ');
        copied = t[last].pos + int(t[last].text.size());
        i = last;
    }
    out += QStringView(text).mid(copied);
    return out;
}

void RequestRunner::writeError(TokenWriter& w, const wire::ServerError& e)
{
    QString text = e.message();
    // The session was interrupted: by the client's cancel, or because the server stops.
    if (text.compare(QLatin1String("interrupted"), Qt::CaseInsensitive) == 0)
        text = stopping_ && stopping_->load()
                   ? QStringLiteral("The server is shutting down; the statement was cancelled and its changes undone.")
                   : QStringLiteral("The statement was cancelled.");
    w.error(messageForError(text, e.code()));
}

void RequestRunner::transactionChange(TokenWriter& w, bool before, bool rolledBack)
{
    const bool after = session_->inTransaction();
    if (!before && after) {
        ++transactionId_;
        w.envChangeBytes(EnvBeginTransaction, descriptor(transactionId_), {});
    } else if (before && !after) {
        w.envChangeBytes(rolledBack ? EnvRollbackTransaction : EnvCommitTransaction, {}, descriptor(transactionId_));
    }
}

uint16_t RequestRunner::inTransactionBit() const
{
    return session_->inTransaction() ? DoneInTransaction : 0;
}

void RequestRunner::writeResults(TokenWriter& w, const wire::BatchResult& r, uint8_t doneToken, qsizetype* lastDone)
{
    const uint16_t inTransaction = inTransactionBit();
    for (const QString& m : r.messages) {
        ServerMessage info;
        info.text = m;
        info.severity = 0;
        w.info(info);
    }
    for (const wire::ResultSet& rs : r.resultSets) {
        w.resultSet(rs, browse_);
        *lastDone = w.done(doneToken, DoneMore | DoneCount | inTransaction, kCommandSelect, uint64_t(rs.rows.size()));
    }
    if (r.rowsAffected >= 0)
        *lastDone = w.done(doneToken, DoneMore | DoneCount | inTransaction, kCommandDml, uint64_t(r.rowsAffected));
}

QByteArray RequestRunner::batch(const QString& text)
{
    TokenWriter w(serverName_);
    const bool before = session_->inTransaction();
    const QString statements = takeBrowseOption(text);
    try {
        const wire::BatchResult r = statements.trimmed().isEmpty() ? wire::BatchResult() : session_->execute(statements);
        transactionChange(w, before, mentionsRollback(text));
        qsizetype last = -1;
        writeResults(w, r, TokDone, &last);
        if (last >= 0)
            w.clearMore(last);
        else
            w.done(TokDone, inTransactionBit(), 0, 0);
    } catch (const wire::ServerError& e) {
        transactionChange(w, before, true);
        writeError(w, e);
        w.done(TokDone, DoneError | inTransactionBit(), 0, 0);
    }
    return w.take();
}

QByteArray RequestRunner::rpc(const QList<RpcCall>& calls)
{
    TokenWriter w(serverName_);
    for (int i = 0; i < calls.size(); ++i) {
        const RpcCall& call = calls[i];
        const uint16_t more = i + 1 < calls.size() ? DoneMore : 0;
        if (call.noExec) {
            w.done(TokDoneProc, more, kCommandProcedure, 0);
            continue;
        }
        const bool before = session_->inTransaction();
        try {
            const CallOutcome o = runCall(call);
            transactionChange(w, before, false);
            qsizetype last = -1;
            writeResults(w, o.result, TokDoneInProc, &last);
            if (o.isProcedure)
                w.returnStatus(o.result.returnValue.isNull() ? 0 : o.result.returnValue.toInt());
            for (int k = 0; k < o.outputs.size(); ++k) {
                const RpcParam& p = o.outputs[k];
                w.returnValue(uint16_t(k), p.name, columnTypeOf(p.type), p.value);
            }
            w.done(TokDoneProc, more | inTransactionBit(), kCommandProcedure, 0);
        } catch (const wire::ServerError& e) {
            transactionChange(w, before, true);
            writeError(w, e);
            w.done(TokDoneProc, more | DoneError | inTransactionBit(), kCommandProcedure, 0);
        }
    }
    return w.take();
}

RequestRunner::Prepared RequestRunner::prepare(const QString& statement, const QString& declarations)
{
    Prepared p;
    p.declared = parseDeclarations(declarations);
    p.statement = positionalStatement(takeBrowseOption(statement), p.declared, &p.uses);
    return p;
}

int RequestRunner::prepareHandle(const Prepared& p)
{
    if (prepared_.size() >= 10000)
        throw wire::ServerError(QStringLiteral("Too many prepared statements on this connection; unprepare some first."));
    const int handle = nextHandle_++;
    prepared_.insert(handle, p);
    return handle;
}

RequestRunner::CallOutcome RequestRunner::executeWith(const Prepared& p, const QList<RpcParam>& values)
{
    QList<QVariant> declaredValues(p.declared.size());
    QList<bool> given(p.declared.size(), false);
    int next = 0;
    for (const RpcParam& v : values) {
        int index = -1;
        if (v.name.isEmpty()) {
            index = next++;
        } else {
            for (int k = 0; k < p.declared.size(); ++k)
                if (p.declared[k].name.compare(v.name, Qt::CaseInsensitive) == 0)
                    index = k;
        }
        if (index < 0 || index >= p.declared.size())
            throw wire::ServerError(QStringLiteral("%1 is not a parameter for procedure sp_executesql.")
                                        .arg(v.name.isEmpty() ? QStringLiteral("@%1").arg(next) : v.name));
        declaredValues[index] = v.isDefault ? QVariant() : v.value;
        given[index] = true;
    }
    for (int k = 0; k < p.declared.size(); ++k)
        if (!given[k] && p.uses.contains(k))
            throw wire::ServerError(
                QStringLiteral("The parameterized query expects the parameter '%1', which was not supplied.").arg(p.declared[k].name));

    QList<QVariant> args;
    args.reserve(p.uses.size());
    for (int use : p.uses)
        args.append(declaredValues[use]);

    CallOutcome o;
    if (!p.statement.trimmed().isEmpty())
        o.result = session_->execute(p.statement, args);
    // The statement cannot assign variables, so an output parameter keeps its value.
    for (const RpcParam& v : values)
        for (const DeclaredParam& d : p.declared)
            if (v.output && d.output && d.name.compare(v.name, Qt::CaseInsensitive) == 0)
                o.outputs.append(v);
    return o;
}

RequestRunner::CallOutcome RequestRunner::runCall(const RpcCall& call)
{
    CallOutcome o;
    switch (const uint16_t id = systemProcedureId(call); id) {
    case SpExecuteSql: {
        const QString statement = textParam(call, 0, "sp_executesql", "@statement");
        const QString declarations = call.params.size() > 1 ? call.params[1].value.toString() : QString();
        return executeWith(prepare(statement, declarations), call.params.mid(2));
    }
    case SpPrepare:
    case SpPrepExec: {
        // @handle (output), @params, @stmt, then for sp_prepexec the values of a first run.
        const bool run = id == SpPrepExec;
        const char* procedure = run ? "sp_prepexec" : "sp_prepare";
        RpcParam handle = param(call, 0, procedure, "@handle");
        const QString declarations = call.params.size() > 1 ? call.params[1].value.toString() : QString();
        const Prepared p = prepare(textParam(call, 2, procedure, "@stmt"), declarations);
        handle.value = prepareHandle(p);
        handle.type.type = TypeIntN;
        handle.type.maxLength = 4;
        if (run)
            o = executeWith(p, call.params.mid(3));
        o.outputs.prepend(handle);
        return o;
    }
    case SpExecute: {
        const int handle = param(call, 0, "sp_execute", "@handle").value.toInt();
        const auto it = prepared_.constFind(handle);
        if (it == prepared_.constEnd())
            throw wire::ServerError(QStringLiteral("Could not find prepared statement with handle %1.").arg(handle), 8179);
        return executeWith(it.value(), call.params.mid(1));
    }
    case SpUnprepare:
        prepared_.remove(param(call, 0, "sp_unprepare", "@handle").value.toInt());
        return o;
    case 0:
        break;
    default:
        throw wire::ServerError(QStringLiteral("Server cursors and sp_prepexecrpc are not supported by the embedded server."));
    }

    const contract::Routine* r = contract::findRoutine(call.procName);
    if (!r || r->kind != contract::RoutineKind::Procedure)
        throw wire::ServerError(QStringLiteral("Could not find stored procedure '%1'.").arg(call.procName));
    // The arguments in declared order: by name where the client named them, else by position.
    const QList<contract::Argument> inputs = r->inputs();
    QList<wire::Param> args(inputs.size());
    QList<bool> given(inputs.size(), false);
    int next = 0;
    for (const RpcParam& p : call.params) {
        int slot = -1;
        if (p.name.isEmpty()) {
            slot = next++;
            if (slot >= inputs.size())
                throw wire::ServerError(QStringLiteral("Procedure or function %1 has too many arguments specified.").arg(r->name));
        } else {
            for (int k = 0; k < inputs.size(); ++k)
                if (inputs[k].name.compare(p.name, Qt::CaseInsensitive) == 0)
                    slot = k;
            if (slot < 0)
                throw wire::ServerError(QStringLiteral("%1 is not a parameter for procedure %2.").arg(p.name, r->name));
        }
        if (p.output)
            throw wire::ServerError(QStringLiteral("The formal parameter \"%1\" was not declared as an OUTPUT parameter, but "
                                                   "the actual parameter passed in requested output.")
                                        .arg(inputs[slot].name),
                                    8162);
        args[slot] = wire::Param{inputs[slot].name, inputs[slot].type, inputs[slot].size,
                                 p.isDefault ? inputs[slot].defaultValue : p.value, false};
        given[slot] = true;
    }
    for (int k = 0; k < inputs.size(); ++k) {
        if (given[k])
            continue;
        if (!inputs[k].hasDefault)
            throw wire::ServerError(QStringLiteral("Procedure or function '%1' expects parameter '%2', which was not supplied.")
                                        .arg(r->name, inputs[k].name));
        args[k] = wire::Param{inputs[k].name, inputs[k].type, inputs[k].size, inputs[k].defaultValue, false};
    }
    o.result = session_->callProcedure(r->name, args);
    return o;
}

QByteArray RequestRunner::transaction(const TransactionRequest& request)
{
    TokenWriter w(serverName_);
    const bool before = session_->inTransaction();
    try {
        switch (request.type) {
        case TmBegin:
            session_->execute(QStringLiteral("BEGIN TRANSACTION"));
            break;
        case TmCommit:
        case TmRollback:
            session_->execute(request.type == TmCommit ? QStringLiteral("COMMIT TRANSACTION")
                                                       : QStringLiteral("ROLLBACK TRANSACTION"));
            transactionChange(w, before, request.type == TmRollback);
            if (request.beginAfter)
                session_->execute(QStringLiteral("BEGIN TRANSACTION"));
            transactionChange(w, false, false);
            w.done(TokDone, inTransactionBit(), 0, 0);
            return w.take();
        default:
            throw wire::ServerError(QStringLiteral("Distributed transactions and save points are not supported by the "
                                                   "embedded server."));
        }
        transactionChange(w, before, false);
        w.done(TokDone, inTransactionBit(), 0, 0);
    } catch (const wire::ServerError& e) {
        transactionChange(w, before, true);
        writeError(w, e);
        w.done(TokDone, DoneError, 0, 0);
    }
    return w.take();
}

} // namespace qel::server::tds
