#include "server/wire.h"

namespace qel::wire {

const char* columnTypeName(ColumnType t)
{
    switch (t) {
    case ColumnType::Int: return "int";
    case ColumnType::BigInt: return "bigint";
    case ColumnType::SmallInt: return "smallint";
    case ColumnType::Bit: return "bit";
    case ColumnType::Float: return "float";
    case ColumnType::VarChar: return "varchar";
    case ColumnType::NVarChar: return "nvarchar";
    case ColumnType::DateTime: return "datetime";
    case ColumnType::Date: return "date";
    case ColumnType::Time: return "time";
    case ColumnType::VarBinary: return "varbinary";
    case ColumnType::Unknown: break;
    }
    return "unknown";
}

int ResultSet::columnIndex(const QString& name) const
{
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace qel::wire
