// The routines of the database "QEL": for each its name, kind, arguments (name, type, size,
// order, default) and result columns. The client builds its procedure parameters from these
// declarations and the embedded server checks every call against them, so the two agree.
#pragma once

#include "server/wire.h"

#include <QList>
#include <QString>
#include <QVariant>

namespace qel::server::contract {

enum class RoutineKind : unsigned char { Procedure, TableFunction, ScalarFunction };

struct Argument {
    QString name;                  // "@group"; a procedure's return value is "@RETURN_VALUE"
    wire::ColumnType type = wire::ColumnType::Int;
    int size = 0;                  // declared length of texts, 0 otherwise
    int order = 0;                 // position in the call: a procedure's return value is 0
    bool isReturnValue = false;
    bool hasDefault = false;       // may be left out of a call; then defaultValue is passed
    QVariant defaultValue;         // null QVariant = NULL
};

struct ResultColumn {
    QString name;
    wire::ColumnType type = wire::ColumnType::Int;
    int size = 0;
};

struct Routine {
    QString name;
    RoutineKind kind = RoutineKind::Procedure;
    QList<Argument> arguments;     // in call order; procedures start with @RETURN_VALUE
    QList<ResultColumn> columns;   // the rows it returns (none: no result set); a scalar
                                   // function's value is its one column
    // The arguments a caller passes (without the return value), in order.
    QList<Argument> inputs() const;
};

// Every routine, in a fixed order.
const QList<Routine>& routines();

// The routine of that name (case-insensitive, qualifiers such as "dbo." ignored); nullptr
// when there is none.
const Routine* findRoutine(const QString& name);

// The parameter list of a call of the routine: every argument in order with its declared
// type and size, the return value flagged, and the declared default as the value (null
// when there is none).
QList<wire::Param> parametersOf(const Routine& routine);

inline constexpr const char* kGetUser = "GET_USER";
inline constexpr const char* kSortMarkMag = "SORT_MARK_MAG";
inline constexpr const char* kInsertIntoSortMarkMag = "InsertInto_SORT_MARK_MAG";
inline constexpr const char* kRrnkEbeVar = "SP_RRNK_ebe_var";
inline constexpr const char* kSelMarkMag = "SelMarkMag";
inline constexpr const char* kMarkMagProverkaDel = "SP_MarkMag_proverka_Del";
inline constexpr const char* kGetEstConfig = "TF_GetEstConfig";
inline constexpr const char* kGetMarkMagModulCopyAccess = "TF_GetMarkMagModulCopyAccess";
inline constexpr const char* kCreateLogin = "FN_CreateLogin";

} // namespace qel::server::contract
