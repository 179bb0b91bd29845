// The passes over the tree of one data statement, as one class whose members live in the
// file of their concern:
//   tsql_scope.cpp        which tables are in scope and what kind of value an expression is
//   tsql_tree_checks.cpp  what the dialect refuses in a statement's tree
//   tsql_dates.cpp        date literals and parameters, DATEPART's first argument
//   tsql_convert.cpp      CONVERT and CAST
//   tsql_rewrites.cpp     table functions, "+" of texts, TOP, collation, INSERT columns, UNPIVOT
//   tsql_store_types.cpp  values written to a column take its declared type and length
//   tsql_recursion.cpp    the recursion limit of recursive common table expressions
// tsql_passes.cpp runs them in order. Internal to the dialect layer.
#pragma once

#include "server/tsql_passes.h"
#include "server/tsql_tree.h"

#include <QHash>
#include <QStringList>

namespace qel::server::tsql {

// ------------------------------------------------------------------ shared small helpers

[[noreturn]] void failTranslation(const QString& message);
QString notSupported(const QString& what);
inline QString collationName() { return QStringLiteral("qel_ci"); }

bool isArith(const Node& n);     // + - * / % & | ^ ||
bool isAdditive(const Node& n);  // + - & | ^ ||
bool isUnary(const Node& n);     // + - ~ in front of an operand
bool isCompare(const Node& n);   // = <> != < > <= >= !< !>
inline bool isDateKind(ValueKind k) { return k == ValueKind::DateTime || k == ValueKind::Date; }
// Keywords that are also functions when a parenthesis follows (LEFT, RIGHT).
bool isFunctionKeyword(const QString& upperWord);
// The kind of a T-SQL type name (INT, VARCHAR, DATETIME ...).
ValueKind kindOfTypeName(const QString& upper);
// The name a word or quoted identifier node stands for, as written.
QString nameOf(const Node& n);

// "function(arg1, arg2 ...)" as nodes.
Seq call(const QString& function, std::vector<Seq> args);

// The date order a CONVERT style reads and writes (101 mdy, 104 dmy, 120 ymd ...).
DateOrder styleOrder(int style, DateOrder session);
// "mdy", "dmy" ... as the storage's conversion functions take it.
QString orderName(DateOrder o);

// ---------------------------------------------------------------------------- the passes

class Passes {
public:
    Passes(const Catalog& catalog, const Options& options, const QList<ValueKind>& paramKinds,
           QHash<int, ValueKind>* paramDates)
        : catalog_(catalog), options_(options), paramKinds_(paramKinds), paramDates_(paramDates)
    {
    }

    DmlResult run(Seq seq, const QString& fragmentTable);

private:
    // scope (tsql_scope.cpp)
    void collectScope(const Seq& s);
    void addTable(const QString& table, const QString& alias);
    QString tableOfQualifier(const QString& q) const;
    ValueKind refKind(const QStringList& parts) const;

    // kinds of expressions (tsql_scope.cpp)
    int primaryEnd(const Seq& s, int i) const;
    int afterCall(const Seq& s, int g) const;
    QStringList pathParts(const Seq& s, int b, int e) const;
    ValueKind primaryKind(const Seq& s, int b, int e) const;
    ValueKind rangeKind(const Seq& s, int b, int e) const;
    ValueKind functionKind(const QString& name, const Node& args) const;
    ValueKind selectItemKind(const Seq& kids) const;
    QList<ValueKind> columnKinds(const Seq& s) const;

    struct Operand {
        int b, e;
        bool unary;
    };
    struct Chain {
        std::vector<Operand> operands;
        std::vector<int> ops;
        int end = 0;
    };
    Chain parseChain(const Seq& s, int i) const;
    ValueKind foldChain(const Seq& s, const Chain& c, std::vector<bool>* concat, bool* dateArith) const;

    // checks (tsql_tree_checks.cpp)
    void checkTree(const Seq& s, bool unpivotSpec) const;
    // Every call names a function of the dialect (convertArguments: s is CONVERT's arguments,
    // whose first item is a type).
    void checkFunctions(const Seq& s, bool convertArguments = false) const;

    // dates (tsql_dates.cpp)
    void datepartArguments(Seq& s);
    void datePass(Seq& s);
    void insertValueDates(Seq& s);
    void markDate(Node& n, ValueKind kind, DateOrder order);

    // CONVERT and CAST (tsql_convert.cpp)
    void convertPass(Seq& s);
    Seq convertTo(const Seq& typeSpec, Seq expr, const Seq* style, ValueKind exprKind) const;

    // rewrites (tsql_rewrites.cpp)
    void tableFunctions(Seq& s);
    void plusPass(Seq& s);
    void topPass(Seq& s);
    void collatePass(Seq& s);
    void keywordCalls(Seq& s);
    void insertColumns(Seq& s);
    void unpivotPass(Seq& s);

    // declared types of written values (tsql_store_types.cpp)
    void storeTypes(Seq& s) const;
    Seq storedValue(const QString& table, const QString& column, Seq value) const;

    // recursion limit (tsql_recursion.cpp)
    void recursionLimit(Seq& s) const;

    const Catalog& catalog_;
    const Options& options_;
    const QList<ValueKind>& paramKinds_;
    QHash<int, ValueKind>* paramDates_;
    QHash<QString, QString> aliases_; // upper alias/table -> table ("" for a derived table)
    QStringList tables_;
};

} // namespace qel::server::tsql
