#include "server/table_functions.h"

namespace qel::server {

QString tableFunctionSql(const QString& upperName)
{
    // Column configuration of a sheet: the rows of the variant for this statement form, or,
    // when the form has none of its own, the variant's rows that hold for every form.
    if (upperName == QLatin1String("TF_GETESTCONFIG"))
        return QStringLiteral(
            "SELECT c.pole_mark_mag, c.name_pole, c.order_pole, c.min, c.max, c.info_or_value, c.formula "
            "FROM est_config c, (SELECT __ARG1 AS v, __ARG2 AS f) a "
            "WHERE c.id_ebe_var = a.v AND (c.id_f_est = a.f OR (c.id_f_est IS NULL AND NOT EXISTS "
            "(SELECT 1 FROM est_config x WHERE x.id_ebe_var = a.v AND x.id_f_est = a.f))) "
            "ORDER BY c.order_pole");
    // Which fields a row of the statement form copies from the student's form-1 row.
    if (upperName == QLatin1String("TF_GETMARKMAGMODULCOPYACCESS"))
        return QStringLiteral(
            "SELECT m.m1, m.m2, m.m3, m.m4, m.m5, m.m6, m.m7, m.m8, m.m9, m.m10, m.m11, m.m12, m.dop, m.dop2 "
            "FROM MarkMagModulCopyAccess m, (SELECT __ARG1 AS f, __ARG2 AS v) a "
            "WHERE m.id_f_est = a.f AND m.id_ebe_var = a.v");
    return {};
}

} // namespace qel::server
