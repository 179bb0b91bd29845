#include "platform/db/stored_proc.h"

#include "platform/db/connection.h"

namespace qel::db {

StoredProc::StoredProc(Connection* connection, QString name) : DataSet(connection, std::move(name)) {}

void StoredProc::setProcedureName(const QString& name)
{
    checkInactive("setProcedureName");
    procedure_ = name;
}

wire::BatchResult StoredProc::call()
{
    if (!connection())
        throw DbError(QStringLiteral("%1: не задано соединение").arg(name()));
    if (procedure_.trimmed().isEmpty())
        throw DbError(QStringLiteral("%1: не задано имя процедуры").arg(name()));
    QList<wire::Param> wireParams;
    for (int i = 0; i < params_.count(); ++i)
        wireParams.append(params_[i].toWire());
    wire::BatchResult br = connection()->callProcedure(procedure_, wireParams, commandTimeout());
    for (int i = 0; i < params_.count(); ++i)
        if (params_[i].isReturnValue())
            params_[i].setValue(br.returnValue);
    return br;
}

wire::ResultSet StoredProc::fetchRows()
{
    wire::BatchResult br = call();
    for (wire::ResultSet& rs : br.resultSets)
        if (!rs.columns.isEmpty())
            return std::move(rs);
    throw DbError(QStringLiteral("%1: процедура %2 не возвращает набор строк").arg(name(), procedure_));
}

void StoredProc::execProc()
{
    call();
}

} // namespace qel::db
