#include "accounts/student_account.h"

#include "data/dm_cde_3.h"
#include "platform/db/sql_literal.h"
#include "platform/os/cp1251.h"

namespace qel::accounts {

QStringList splitFullName(const QString& fullName)
{
    QStringList parts;
    QString rest = fullName;
    for (qsizetype blank = rest.indexOf(QLatin1Char(' ')); blank > 0; blank = rest.indexOf(QLatin1Char(' '))) {
        parts << rest.left(blank);
        rest = rest.mid(blank + 1);
    }
    parts << rest;
    return parts;
}

QString loginTakenSql(const QString& login, qint32 idStudent)
{
    const QString literal = db::sqlLiteral(login);
    return QStringLiteral(" SELECT TOP 1 [QEL].[dbo].[Student].[id_student]   FROM [QEL].[dbo].[Student]  WHERE "
                          "[QEL].[dbo].[Student].[login] = ")
         + literal + QStringLiteral(" AND ") + QStringLiteral(" [QEL].[dbo].[Student].[id_student] <> ")
         + QString::number(idStudent) + QStringLiteral(" UNION ")
         + QStringLiteral(" SELECT TOP 1 [QEL].[dbo].[QEL_User].[id_qel_user] ")
         + QStringLiteral(" FROM [QEL].[dbo].[QEL_User] ") + QStringLiteral(" WHERE [QEL].[dbo].[QEL_User].[QEL_login] = ")
         + literal;
}

QString createLoginSql(const QString& surname, const QString& givenName)
{
    return QStringLiteral("SELECT dbo.FN_CreateLogin(") + db::sqlLiteral(surname) + QStringLiteral(",")
         + db::sqlLiteral(givenName) + QStringLiteral(")");
}

QString accountChangeDescription(const QString& oldLogin, const QString& oldDigest, const QString& newLogin,
                                 const QString& newDigest)
{
    const QChar q = QLatin1Char('"');
    return QStringLiteral("Логин-") + q + oldLogin + q + QStringLiteral(" и Пароль-") + q + oldDigest + q
         + QStringLiteral(" изменили значения на Логин-") + q + newLogin + q + QStringLiteral(" и Пароль-") + q
         + newDigest + q;
}

QString studentAuditSql(const QString& table, qint32 idStudent, const QString& description,
                        const QString& sessionLogin, const QString& computerText)
{
    return QStringLiteral("INSERT INTO QEL_LOG([table], [row_id], [descr], [QEL_User], [comp]) VALUES(")
         + db::sqlLiteral(table) + QStringLiteral(", ") + QString::number(idStudent) + QStringLiteral(", ")
         + db::sqlLiteral(description) + QStringLiteral(",") + db::sqlLiteral(sessionLogin) + QStringLiteral(", ")
         + db::sqlLiteral(computerText) + QStringLiteral(")");
}

namespace {

QString updateAccountSql(const StudentAccountChange& c)
{
    QString sql = QStringLiteral("UPDATE [QEL].[dbo].[Student] SET [login] = ") + db::sqlLiteral(c.newLogin);
    if (c.newDigest)
        sql += QStringLiteral(", [password] = ") + db::sqlLiteral(*c.newDigest);
    // yyyyMMdd is read the same under every date format of the session.
    sql += QStringLiteral(", [needChangePsw] = ") + QLatin1String(c.needChangePsw ? "1" : "0")
         + QStringLiteral(", [startDateForChangePsw] = ") + db::sqlLiteral(c.changeDate.toString(QStringLiteral("yyyyMMdd")))
         + QStringLiteral(" WHERE [id_student] = ") + QString::number(c.idStudent);
    // The login the list showed must still be there: a login given meanwhile by someone else
    // is not overwritten.
    if (c.oldLogin.isEmpty())
        sql += QStringLiteral(" AND ([login] IS NULL OR [login] = '')");
    else
        sql += QStringLiteral(" AND [login] = ") + db::sqlLiteral(c.oldLogin);
    return sql;
}

} // namespace

StoreResult storeStudentAccount(data::TDM_CDE_3& dm, const StudentAccountChange& change)
{
    db::Connection& connection = dm.ADO_CDE;
    connection.execute(QStringLiteral("BEGIN TRANSACTION"));
    try {
        // The row is written before the check: a store of the same login by someone else
        // at the same moment then waits for this transaction and finds the login taken.
        if (connection.execute(updateAccountSql(change)).rowsAffected == 0)
            throw db::DbError(QString::fromLatin1(db::kRowNotLocated));
        const wire::BatchResult taken = connection.execute(loginTakenSql(change.newLogin, change.idStudent));
        if (!taken.resultSets.isEmpty() && !taken.resultSets.first().rows.isEmpty()) {
            connection.execute(QStringLiteral("ROLLBACK TRANSACTION"));
            return StoreResult::LoginTaken;
        }
        connection.execute(QStringLiteral("COMMIT TRANSACTION"));
    } catch (...) {
        try {
            connection.execute(QStringLiteral("ROLLBACK TRANSACTION"));
        } catch (const std::exception&) {
            // The first error is the one to report.
        }
        throw;
    }
    return StoreResult::Stored;
}

} // namespace qel::accounts
