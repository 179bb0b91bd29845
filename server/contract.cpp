#include "server/contract.h"

namespace qel::server::contract {
namespace {

using wire::ColumnType;

struct ArgSpec {
    const char* name;
    ColumnType type;
    int size;
    int defaultKind; // 0 none, 1 NULL, 2 the integer in value
    int value;
};

constexpr int kNone = 0, kNull = 1, kInt = 2;

Routine procedure(const char* name, std::initializer_list<ArgSpec> args, QList<ResultColumn> columns)
{
    Routine r;
    r.name = QString::fromLatin1(name);
    r.kind = RoutineKind::Procedure;
    Argument rv;
    rv.name = QStringLiteral("@RETURN_VALUE");
    rv.type = ColumnType::Int;
    rv.isReturnValue = true;
    rv.order = 0;
    r.arguments.append(rv);
    int order = 1;
    for (const ArgSpec& a : args) {
        Argument x;
        x.name = QString::fromLatin1(a.name);
        x.type = a.type;
        x.size = a.size;
        x.order = order++;
        x.hasDefault = a.defaultKind != kNone;
        if (a.defaultKind == kInt)
            x.defaultValue = a.value;
        r.arguments.append(x);
    }
    r.columns = std::move(columns);
    return r;
}

Routine function(const char* name, RoutineKind kind, std::initializer_list<ArgSpec> args, QList<ResultColumn> columns)
{
    Routine r;
    r.name = QString::fromLatin1(name);
    r.kind = kind;
    int order = 0;
    for (const ArgSpec& a : args) {
        Argument x;
        x.name = QString::fromLatin1(a.name);
        x.type = a.type;
        x.size = a.size;
        x.order = order++;
        r.arguments.append(x);
    }
    r.columns = std::move(columns);
    return r;
}

ResultColumn col(const char* name, ColumnType type, int size = 0) { return {QString::fromLatin1(name), type, size}; }

QList<ResultColumn> markRecordColumns()
{
    const ColumnType I = ColumnType::Int, F = ColumnType::Float;
    return {
        col("id_mark_mag", I), col("id_group", I), col("id_student", I), col("id_examination", I),
        col("id_estimation", I), col("id_discipline", I), col("id_semester", I), col("id_teacher", I),
        col("p35", ColumnType::VarChar, 50), col("p36", ColumnType::DateTime), col("id_f_est", I),
        col("oper", ColumnType::VarChar, 5), col("u_date", ColumnType::DateTime),
        col("m1", F), col("m2", F), col("m3", F), col("m4", F), col("dop", F), col("dop2", F), col("ball", F),
        col("QEL_User", ColumnType::VarChar, 20), col("QEL_Update", ColumnType::Date),
        col("primech", ColumnType::VarChar, 50),
        col("m5", F), col("m6", F), col("m7", F), col("m8", F), col("m9", F), col("m10", F), col("m11", F),
        col("m12", F), col("k_count", I), col("id_estimation_other", I), col("dopusk_izm", ColumnType::Bit),
        col("id_ebe_var", I),
    };
}

QList<Routine> build()
{
    const ColumnType I = ColumnType::Int, V = ColumnType::VarChar;
    QList<Routine> all;
    all << procedure(kGetUser,
                     {{"@login", V, 40, kNone, 0},
                      {"@password", V, 32, kNone, 0},
                      {"@newPassword", V, 32, kNull, 0},
                      {"@client", V, 20, kNull, 0},
                      {"@ip", V, 45, kNull, 0},
                      {"@computer", V, 255, kNull, 0},
                      {"@login2", V, 40, kNull, 0},
                      {"@option", V, 10, kNull, 0},
                      {"@newPasswordLength", V, 10, kNull, 0}},
                     {col("account", V, 128), col("password", V, 64), col("id_login", I), col("passwordState", I),
                      col("message", V, 255), col("minVersion", I)});
    all << procedure(kSortMarkMag,
                     {{"@group", I, 0, kNone, 0},
                      {"@semester", I, 0, kNone, 0},
                      {"@discipline", I, 0, kNone, 0},
                      {"@examination", I, 0, kNone, 0},
                      {"@id_teacher", I, 0, kNull, 0},
                      {"@DoNotShowEst", V, 3, kNull, 0},
                      {"@subgroup", I, 0, kNull, 0},
                      {"@isGetFromSubGroup", I, 0, kNull, 0},
                      {"@id_a_year", I, 0, kNull, 0},
                      {"@id_ebe_var", I, 0, kNull, 0},
                      {"@id_kafedra", I, 0, kInt, -1},
                      {"@id_f_est", I, 0, kNone, 0},
                      {"@Kredits", I, 0, kNull, 0}},
                     markRecordColumns());
    all << procedure(kInsertIntoSortMarkMag,
                     {{"@group", I, 0, kNone, 0},
                      {"@semester", I, 0, kNone, 0},
                      {"@discipline", I, 0, kNone, 0},
                      {"@examination", I, 0, kNone, 0},
                      {"@id_teacher", I, 0, kNull, 0},
                      {"@id_f_est", I, 0, kInt, 1},
                      {"@subgroup", I, 0, kInt, 0},
                      {"@isGetFromSubGroup", I, 0, kInt, 0},
                      {"@id_a_year", I, 0, kInt, 0},
                      {"@createRows", I, 0, kInt, 1},
                      {"@id_ebe_var", I, 0, kNull, 0},
                      {"@Kredits", I, 0, kNull, 0}},
                     {});
    all << procedure(kRrnkEbeVar,
                     {{"@id_discipline", I, 0, kNone, 0},
                      {"@id_examination", I, 0, kNone, 0},
                      {"@id_group", I, 0, kNone, 0},
                      {"@id_semester", I, 0, kNone, 0}},
                     {col("id_ebe_var", I)});
    all << procedure(kSelMarkMag,
                     {{"@group", I, 0, kNone, 0},
                      {"@semester", I, 0, kNone, 0},
                      {"@discipline", I, 0, kNone, 0},
                      {"@examination", I, 0, kNone, 0},
                      {"@id_ebe_var", I, 0, kNull, 0},
                      {"@condition", V, 1000, kNull, 0}},
                     {col("s_fio", V, 100), col("id_student", I), col("id_mark_mag", I), col("id_estimation", I)});
    all << procedure(kMarkMagProverkaDel, {{"@id_mark_mag", I, 0, kNone, 0}}, {col("prov", I)});
    all << function(kGetEstConfig, RoutineKind::TableFunction,
                    {{"@id_ebe_var", I, 0, kNone, 0}, {"@id_f_est", I, 0, kNone, 0}},
                    {col("pole_mark_mag", V, 20), col("name_pole", V, 50), col("order_pole", I), col("min", I),
                     col("max", I), col("info_or_value", I), col("formula", V, 255)});
    all << function(kGetMarkMagModulCopyAccess, RoutineKind::TableFunction,
                    {{"@id_f_est", I, 0, kNone, 0}, {"@id_ebe_var", I, 0, kNone, 0}},
                    {col("m1", I), col("m2", I), col("m3", I), col("m4", I), col("m5", I), col("m6", I),
                     col("m7", I), col("m8", I), col("m9", I), col("m10", I), col("m11", I), col("m12", I),
                     col("dop", I), col("dop2", I)});
    all << function(kCreateLogin, RoutineKind::ScalarFunction, {{"@surname", V, 100, kNone, 0}, {"@name", V, 100, kNone, 0}},
                    {col("login", V, 40)});
    return all;
}

} // namespace

QList<Argument> Routine::inputs() const
{
    QList<Argument> out;
    for (const Argument& a : arguments)
        if (!a.isReturnValue)
            out.append(a);
    return out;
}

const QList<Routine>& routines()
{
    static const QList<Routine> all = build();
    return all;
}

const Routine* findRoutine(const QString& name)
{
    QString bare = name.trimmed();
    const int dot = bare.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        bare = bare.mid(dot + 1);
    if (bare.startsWith(QLatin1Char('[')) && bare.endsWith(QLatin1Char(']')))
        bare = bare.mid(1, bare.size() - 2);
    for (const Routine& r : routines())
        if (r.name.compare(bare, Qt::CaseInsensitive) == 0)
            return &r;
    return nullptr;
}

QList<wire::Param> parametersOf(const Routine& routine)
{
    QList<wire::Param> out;
    for (const Argument& a : routine.arguments) {
        wire::Param p;
        p.name = a.name;
        p.type = a.type;
        p.size = a.size;
        p.isReturnValue = a.isReturnValue;
        if (a.hasDefault)
            p.value = a.defaultValue;
        out.append(p);
    }
    return out;
}

} // namespace qel::server::contract
