#include "server/routines.h"

namespace qel::server {
namespace {

QVariant convertArgument(const QVariant& v, const contract::Argument& arg, const QString& routine)
{
    if (!v.isValid() || v.isNull())
        return QVariant();
    using T = wire::ColumnType;
    switch (arg.type) {
    case T::Int:
    case T::SmallInt:
    case T::BigInt: {
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::Long:
            return arg.type == T::BigInt ? QVariant(v.toLongLong()) : QVariant(v.toInt());
        case QMetaType::Bool:
            return QVariant(v.toBool() ? 1 : 0);
        case QMetaType::Double:
        case QMetaType::Float:
            return QVariant(static_cast<int>(v.toDouble())); // T-SQL truncates
        default: {
            bool ok = false;
            const QString text = v.toString().trimmed();
            const qlonglong n = text.isEmpty() ? 0 : text.toLongLong(&ok); // T-SQL reads '' as 0
            ok = ok || text.isEmpty();
            if (!ok)
                throw wire::ServerError(
                    QStringLiteral("Error converting data type varchar to int (parameter %1 of %2).").arg(arg.name, routine));
            return arg.type == T::BigInt ? QVariant(n) : QVariant(static_cast<int>(n));
        }
        }
    }
    case T::Bit:
        return QVariant(v.toBool());
    case T::Float: {
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok)
            throw wire::ServerError(
                QStringLiteral("Error converting data type varchar to float (parameter %1 of %2).").arg(arg.name, routine));
        return QVariant(d);
    }
    case T::VarChar:
    case T::NVarChar:
        // Texts are not cut to the declared size: the client may widen a parameter.
        if (v.typeId() == QMetaType::Double)
            return QVariant(QString::number(v.toDouble(), 'g', 15));
        return QVariant(v.toString());
    default:
        return v;
    }
}

} // namespace

QVariantList bindArguments(const contract::Routine& routine, const QList<GivenArgument>& given)
{
    const QList<contract::Argument> inputs = routine.inputs();
    QList<bool> set(inputs.size(), false);
    QVariantList values(inputs.size());
    int next = 0;
    for (const GivenArgument& g : given) {
        int slot = -1;
        if (g.name.isEmpty()) {
            if (next >= inputs.size())
                throw wire::ServerError(
                    QStringLiteral("Procedure or function %1 has too many arguments specified.").arg(routine.name));
            slot = next++;
        } else {
            for (int i = 0; i < inputs.size(); ++i)
                if (inputs[i].name.compare(g.name, Qt::CaseInsensitive) == 0)
                    slot = i;
            if (slot < 0)
                throw wire::ServerError(QStringLiteral("%1 is not a parameter for procedure %2.").arg(g.name, routine.name));
        }
        if (g.isDefault)
            continue;
        values[slot] = convertArgument(g.value, inputs[slot], routine.name);
        set[slot] = true;
    }
    for (int i = 0; i < inputs.size(); ++i) {
        if (set[i])
            continue;
        if (!inputs[i].hasDefault)
            throw wire::ServerError(
                QStringLiteral("Procedure or function '%1' expects parameter '%2', which was not supplied.")
                    .arg(routine.name, inputs[i].name));
        values[i] = inputs[i].defaultValue;
    }
    return values;
}

wire::BatchResult runProcedure(RoutineContext& c, const contract::Routine& r, const QVariantList& a)
{
    using contract::RoutineKind;
    if (r.kind != RoutineKind::Procedure)
        throw wire::ServerError(QStringLiteral("'%1' is a function and cannot be executed as a procedure.").arg(r.name));
    wire::BatchResult result;
    if (r.name == QLatin1String(contract::kGetUser))
        result = getUser(c, a);
    else if (r.name == QLatin1String(contract::kSortMarkMag))
        result = sortMarkMag(c, a);
    else if (r.name == QLatin1String(contract::kInsertIntoSortMarkMag))
        result = insertIntoSortMarkMag(c, a);
    else if (r.name == QLatin1String(contract::kRrnkEbeVar))
        result = rrnkEbeVar(c, a);
    else if (r.name == QLatin1String(contract::kSelMarkMag))
        result = selMarkMag(c, a);
    else if (r.name == QLatin1String(contract::kMarkMagProverkaDel))
        result = markMagProverkaDel(c, a);
    else
        throw wire::ServerError(QStringLiteral("Could not find stored procedure '%1'.").arg(r.name));
    result.returnValue = 0;
    return result;
}

} // namespace qel::server
