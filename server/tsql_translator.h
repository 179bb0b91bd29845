// The T-SQL dialect layer: turns a batch of the client's T-SQL into statements that run on
// SQLite (or into procedure calls and session options). Everything is driven by the tokens
// of server/tsql_lexer.h; a construct it does not know is an error that names it.
#pragma once

#include "server/tsql_lexer.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace qel::server::tsql {

// Order of day, month and year in date literals (SET DATEFORMAT).
enum class DateOrder : unsigned char { MDY, DMY, YMD, YDM, MYD, DYM };

// What a value or an expression is, as far as the translation needs to know.
enum class ValueKind : unsigned char { Unknown, Text, Number, DateTime, Date, Blob };

// A T-SQL text the layer refuses; the message names the construct.
struct TranslateError {
    QString message;
};

// What the translation needs to know of the database.
class Catalog {
public:
    virtual ~Catalog() = default;
    virtual bool hasTable(const QString& name) const = 0;               // tables and views
    virtual QStringList columns(const QString& table) const = 0;        // in declared order
    virtual QString declaredType(const QString& table, const QString& column) const = 0; // "" when unknown
    virtual bool isIdentity(const QString& table, const QString& column) const = 0;
    virtual QStringList tablesWithColumn(const QString& column) const = 0;
    // Result column names of a SELECT already in the storage's dialect; throws TranslateError.
    virtual QStringList queryColumns(const QString& sql) const = 0;
};

ValueKind kindOfDeclaredType(const QString& declaredType);

struct Options {
    DateOrder dateOrder = DateOrder::MDY;
    bool administrator = false;           // may see the server's own sys_* tables
};

enum class StatementKind : unsigned char {
    Query,        // SQL that may return rows (SELECT) or change them (INSERT/UPDATE/DELETE)
    Exec,         // a procedure call
    SetOption,    // SET ...
    Transaction,  // BEGIN TRAN / COMMIT / ROLLBACK (sql holds the storage's statement)
    Print,        // PRINT expr (sql holds a SELECT of the expression)
};

struct ExecArgument {
    QString name;        // "@group" when passed by name
    QVariant value;      // literal value (null = NULL)
    int param = -1;      // when the value is the batch parameter with this index
    bool isDefault = false;
};

struct Statement {
    StatementKind kind = StatementKind::Query;
    QString sql;                            // the storage's SQL ("?NNN" parameters, 1-based)
    QString procedure;                      // Exec: name without qualifiers
    QList<ExecArgument> arguments;          // Exec
    QString option;                         // SetOption: upper-case name ("DATEFORMAT", "NOCOUNT" ...)
    QString optionValue;                    // SetOption: its value as written
    QHash<int, ValueKind> paramDates;       // batch parameter index -> DateTime/Date it is written to
    QList<ValueKind> columnKinds;           // kinds of the result columns known from the select list
    bool isSelect = false;                  // a statement that returns rows
};

// Parses a date/time literal under the given order; false when it is not one.
// The result is in the storage's form: "yyyy-MM-dd HH:mm:ss[.zzz]" (DateTime) or "yyyy-MM-dd".
bool parseDateLiteral(const QString& text, DateOrder order, ValueKind target, QString* stored);

class Translator {
public:
    explicit Translator(const Catalog& catalog) : catalog_(catalog) {}

    // Translates a batch; paramKinds gives the kind of each bound parameter (Text for a
    // QString ...), used where the meaning of "+" depends on it.
    std::vector<Statement> translateBatch(const QString& tsql, const Options& options,
                                          const QList<ValueKind>& paramKinds = {}) const;

    // A condition passed as text (a routine argument) over the columns of one table: accepted
    // only as a single boolean expression; returns it in the storage's dialect.
    QString translateCondition(const QString& condition, const QString& table, const Options& options) const;

private:
    const Catalog& catalog_;
    mutable QHash<QString, QString> conditions_; // accepted conditions, by table, order and text
};

// The text a statement list stands for, for display (qel13-admin db translate).
QString describe(const std::vector<Statement>& statements);

} // namespace qel::server::tsql
