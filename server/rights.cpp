#include "server/rights.h"

#include "server/tsql_lexer.h"

namespace qel::server {
namespace {

// The columns of mark_mag the client's statements change: the sheet's posted fields, the
// admission update of a student's other rows, the record book's edits. Not the identity,
// not what the server stamps (oper, u_date) and not what only an insert sets (QEL_User,
// QEL_Update, k_count, id_a_year, id_faculty, id_bk).
QStringList markMagUpdatable()
{
    QStringList c = {QStringLiteral("id_group"), QStringLiteral("id_student"), QStringLiteral("id_examination"),
                     QStringLiteral("id_estimation"), QStringLiteral("id_discipline"), QStringLiteral("id_semester"),
                     QStringLiteral("id_teacher"), QStringLiteral("p35"), QStringLiteral("p36"),
                     QStringLiteral("id_f_est"), QStringLiteral("dop"), QStringLiteral("dop2"), QStringLiteral("ball"),
                     QStringLiteral("primech"), QStringLiteral("id_estimation_other"), QStringLiteral("dopusk_izm"),
                     QStringLiteral("id_ebe_var"), QStringLiteral("kredits"), QStringLiteral("isStaticDiscipline"),
                     QStringLiteral("id_poseshal")};
    for (int i = 1; i <= 12; ++i)
        c << QStringLiteral("m%1").arg(i);
    return c;
}

// The admission columns: a user allowed to change admissions changes them on rows of any
// statement form (the admission update reaches all of a student's rows).
const QStringList& admissionColumns()
{
    static const QStringList c = {QStringLiteral("primech"), QStringLiteral("dopusk_izm")};
    return c;
}

bool listed(const QStringList& list, const QString& name) { return list.contains(name, Qt::CaseInsensitive); }

const TableRights* find(const QString& table)
{
    for (const TableRights& r : rightsTable())
        if (r.table.compare(table, Qt::CaseInsensitive) == 0)
            return &r;
    return nullptr;
}

} // namespace

const QList<TableRights>& rightsTable()
{
    static const QList<TableRights> table = [] {
        QList<TableRights> t;
        TableRights marks;
        marks.table = QStringLiteral("mark_mag");
        marks.insert = true;
        marks.updatable = markMagUpdatable();
        marks.del = true;
        marks.rowRule = QStringLiteral(
            "insert, update and delete only on a statement form (id_f_est) the user holds in User_f_est, the old "
            "and the new row alike; primech and dopusk_izm also on other forms when the user may change admissions "
            "(QEL_User.canChangeDopusk)");
        t << marks;

        TableRights log;
        log.table = QStringLiteral("QEL_LOG");
        log.select = false;
        log.insert = true;
        log.rowRule = QStringLiteral("the column QEL_User of a new row must be the session's own QEL login");
        t << log;

        TableRights users;
        users.table = QStringLiteral("QEL_User");
        users.unreadable = {QStringLiteral("password")};
        t << users;

        TableRights students;
        students.table = QStringLiteral("Student");
        students.masked = {QStringLiteral("password")};
        students.updatable = {QStringLiteral("login"), QStringLiteral("password"), QStringLiteral("needChangePsw"),
                              QStringLiteral("startDateForChangePsw")};
        t << students;

        TableRights names;
        names.table = QStringLiteral("s_fio");
        names.updatable = {QStringLiteral("idid")};
        t << names;
        return t;
    }();
    return table;
}

TableRights rightsOn(const QString& table)
{
    if (const TableRights* r = find(table))
        return *r;
    TableRights readOnly;
    readOnly.table = table;
    return readOnly;
}

ReadVerdict readVerdict(const QString& table, const QString& column)
{
    const TableRights* r = find(table);
    if (!r)
        return ReadVerdict::Allow;
    if (!r->select || listed(r->unreadable, column))
        return ReadVerdict::Deny;
    if (listed(r->masked, column))
        return ReadVerdict::Mask;
    return ReadVerdict::Allow;
}

bool mayInsert(const QString& table)
{
    const TableRights* r = find(table);
    return r && r->insert;
}

bool mayUpdate(const QString& table, const QString& column)
{
    const TableRights* r = find(table);
    return r && listed(r->updatable, column);
}

bool mayDelete(const QString& table)
{
    const TableRights* r = find(table);
    return r && r->del;
}

QString permissionDenied(Permission p, const QString& table, const QString& column, const QString& database)
{
    static const char* const names[] = {"SELECT", "INSERT", "UPDATE", "DELETE"};
    const QString what = QLatin1String(names[static_cast<int>(p)]);
    if (column.isEmpty())
        return QStringLiteral("The %1 permission was denied on the object '%2', database '%3', schema 'dbo'.")
            .arg(what, table, database);
    return QStringLiteral("The %1 permission was denied on the column '%2' of the object '%3', database '%4', schema 'dbo'.")
        .arg(what, column, table, database);
}

QStringList rowRuleStatements(int idQelUser, const QString& qelLogin, const QString& database,
                              const QStringList& markMagColumns, const QString& nameSuffix)
{
    const QString user = QString::number(idQelUser);
    auto holds = [&](const char* row) {
        return QStringLiteral("EXISTS (SELECT 1 FROM main.User_f_est WHERE id_login = %1 AND id_f_est = %2.id_f_est)")
            .arg(user, QLatin1String(row));
    };
    auto refuse = [&](const QString& message) {
        return QStringLiteral("BEGIN SELECT RAISE(ABORT, %1); END").arg(tsql::quotedText(message));
    };
    const QString denyInsert = refuse(permissionDenied(Permission::Insert, QStringLiteral("mark_mag"), {}, database));
    const QString denyUpdate = refuse(permissionDenied(Permission::Update, QStringLiteral("mark_mag"), {}, database));
    const QString denyDelete = refuse(permissionDenied(Permission::Delete, QStringLiteral("mark_mag"), {}, database));

    // The form rule watches every column but the admission and what the server stamps.
    QStringList watched;
    for (const QString& c : markMagColumns)
        if (!listed(admissionColumns(), c) && c.compare(QLatin1String("oper"), Qt::CaseInsensitive) != 0
            && c.compare(QLatin1String("u_date"), Qt::CaseInsensitive) != 0)
            watched << QLatin1Char('"') + c + QLatin1Char('"');

    const QString client = QStringLiteral("qel_client_statement()");
    QStringList out;
    out << QStringLiteral("CREATE TEMP TRIGGER qel_row_rule_mark_insert_%S BEFORE INSERT ON main.mark_mag WHEN %1 AND NOT %2 %3")
               .arg(client, holds("NEW"), denyInsert);
    out << QStringLiteral("CREATE TEMP TRIGGER qel_row_rule_mark_update_%S BEFORE UPDATE OF %1 ON main.mark_mag "
                          "WHEN %2 AND NOT (%3 AND %4) %5")
               .arg(watched.join(QStringLiteral(", ")), client, holds("OLD"), holds("NEW"), denyUpdate);
    out << QStringLiteral("CREATE TEMP TRIGGER qel_row_rule_mark_admission_%S BEFORE UPDATE OF primech, dopusk_izm ON main.mark_mag "
                          "WHEN %1 AND NOT (%2 AND %3) AND NOT EXISTS (SELECT 1 FROM main.QEL_User "
                          "WHERE id_qel_user = %4 AND canChangeDopusk <> 0) %5")
               .arg(client, holds("OLD"), holds("NEW"), user, denyUpdate);
    out << QStringLiteral("CREATE TEMP TRIGGER qel_row_rule_mark_delete_%S BEFORE DELETE ON main.mark_mag WHEN %1 AND NOT %2 %3")
               .arg(client, holds("OLD"), denyDelete);
    const QString authorMessage =
        permissionDenied(Permission::Insert, QStringLiteral("QEL_LOG"), {}, database).chopped(1)
        + QStringLiteral(": the column QEL_User of an audit row must be the login of the session ('%1').").arg(qelLogin);
    out << QStringLiteral("CREATE TEMP TRIGGER qel_row_rule_audit_author_%S BEFORE INSERT ON main.QEL_LOG "
                          "WHEN %1 AND (NEW.QEL_User IS NULL OR NEW.QEL_User <> %2 COLLATE qel_ci) %3")
               .arg(client, tsql::quotedText(qelLogin), refuse(authorMessage));
    for (QString& statement : out)
        statement.replace(QStringLiteral("_%S "), QLatin1Char('_') + nameSuffix + QLatin1Char(' '));
    return out;
}

} // namespace qel::server
