// A student's portal account as the student codes window changes it: the name split that
// feeds the login proposal, the query that finds a login already taken, storing a new
// login and password (checked again inside the store), and the audit row of the change.
// The windows only wire controls to these.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

namespace qel::data {
class TDM_CDE_3;
}

namespace qel::accounts {

// Splits a full name at blanks, surname first. A blank at the start of what is left stops
// the split, so two blanks in a row end it and the last part keeps a leading blank.
QStringList splitFullName(const QString& fullName);

// The query that returns a row when another student (not idStudent) or any staff user
// already has this login.
QString loginTakenSql(const QString& login, qint32 idStudent);

// The text that asks the server to propose a login from a surname and a given name.
QString createLoginSql(const QString& surname, const QString& givenName);

// The audit description of a login and password change.
QString accountChangeDescription(const QString& oldLogin, const QString& oldDigest, const QString& newLogin,
                                 const QString& newDigest);

// The audit row of a change to one of a student's rows ("student" for the account,
// "s_fio" for the code), every text a safe literal.
QString studentAuditSql(const QString& table, qint32 idStudent, const QString& description,
                        const QString& sessionLogin, const QString& computerText);

struct StudentAccountChange {
    qint32 idStudent = 0;
    QString oldLogin;                   // as the list showed it; the store fails if it changed since
    QString newLogin;
    std::optional<QString> newDigest;   // none: the stored password stays as it is
    bool needChangePsw = true;
    QDate changeDate;
};

enum class StoreResult { Stored, LoginTaken };

// Writes the login, the password digest (when there is a new one), the change demand and
// its date into the student's portal account, in one transaction that checks again that
// no one else has the login: two staff members giving the same login at the same moment
// cannot both succeed. A login changed by someone else since the list was read fails with
// the dataset layer's "row cannot be located" error. Server errors are raised.
StoreResult storeStudentAccount(data::TDM_CDE_3& dm, const StudentAccountChange& change);

} // namespace qel::accounts
