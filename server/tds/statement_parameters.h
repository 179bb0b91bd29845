// Parameters of statements a client prepares or runs through the system procedures
// (sp_executesql, sp_prepare, sp_prepexec): the declaration text ("@P1 int, @P2
// nvarchar(4000) OUTPUT") and the statement's uses of the declared names, which become
// the session's positional markers.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace qel::server::tds {

struct DeclaredParam {
    QString name;      // "@P1"
    QString type;      // "nvarchar(4000)"
    bool output = false;
};

// Throws wire::ServerError for a declaration the server cannot read.
QList<DeclaredParam> parseDeclarations(const QString& declarations);

// The statement with each use of a declared name replaced by "?", and for each "?" the
// index of its declaration. Names inside literals, [..] names and comments are left alone.
// A statement the tokenizer cannot read is returned unchanged (the session reports it).
QString positionalStatement(const QString& statement, const QList<DeclaredParam>& declared, QList<int>* uses);

} // namespace qel::server::tds
