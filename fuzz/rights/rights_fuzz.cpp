// libFuzzer target: any text, run as a batch by a working login, may change only what the
// rights table lets a working login change (server/rights.h): marks on the statement forms
// its user holds, audit rows in its own name, a student's login and password, a student's
// code. After every input the tables are compared, as the administrator reads them, with
// their state before it; any other change stops the fuzzer. Procedure calls are left out:
// the server's routines write on their own account.
#include "server/database_file.h"
#include "server/rights.h"
#include "server/server.h"
#include "server/sql_functions.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

using namespace qel;

constexpr const char* kLogin = "reader";
const QList<int> kHeldForms = {1, 7};

QString digest(const char* text)
{
    return QString::fromLatin1(QCryptographicHash::hash(QByteArray(text), QCryptographicHash::Md5).toHex()).toUpper();
}

QString unshift(const QString& text)
{
    QString out;
    for (QChar c : text)
        out += QChar(static_cast<char16_t>(c.unicode() + 1));
    return out;
}

// A table's rows by their key (the first column).
using Rows = QHash<QString, wire::Row>;

struct World {
    QTemporaryDir dir;
    QString path;
    QStringList tables;
    std::unique_ptr<server::Session> admin;
    std::unique_ptr<server::Session> user;
    QHash<QString, Rows> state;
    QHash<QString, QStringList> columns;

    World()
    {
        path = dir.path() + QStringLiteral("/QEL.sqlite");
        server::createDatabase(path, false);
        admin = server::Session::administrator(path);
        admin->execute(QStringLiteral(R"(
            INSERT INTO f_est (id_f_e, p109, QEL13, sessiya) VALUES (1, 'Ведомость', 1, 0), (4, 'Перезачет', 1, 1), (7, 'Направление', 1, 1);
            INSERT INTO QEL_User (QEL_login, password, fio, canChangeDopusk, mustChangePassword, passwordChanged)
                VALUES ('other', '%1', 'Другой', 1, 0, getdate()), ('reader', '%2', 'Читатель', 0, 0, getdate());
            INSERT INTO User_f_est (id_login, id_f_est) VALUES (1, 4), (2, 1), (2, 7);
            INSERT INTO s_fio (id_student, s_fio, idid) VALUES (1, 'Акимов Антон', 'A-1'), (2, 'Борисова Вера', 'A-2');
            INSERT INTO Student (id_student, login, password, needChangePsw) VALUES (1, 'akimov.a', '%3', 0), (2, NULL, NULL, 0);
            INSERT INTO mark_mag (id_group, id_student, id_examination, id_estimation, id_discipline, id_semester, p35, p36,
                id_f_est, m1, ball, primech, kredits) VALUES
                (1, 1, 1, 3, 1, 1, '101', '2026-01-20 00:00:00', 1, 30, 70, 'д', 5),
                (1, 2, 1, 11, 1, 1, '101', NULL, 4, 10, 30, 'д', 5),
                (1, 1, 1, 8, 1, 1, '7-1', NULL, 7, NULL, NULL, 'н/д', 5),
                (1, 2, 1, 8, 1, 1, '9', NULL, NULL, NULL, NULL, 'д', 5);
            INSERT INTO QEL_LOG ([table], row_id, descr, QEL_User) VALUES ('mark_mag', 1, 'x', 'other');
            INSERT INTO VuzDefaults (id_vuz_defaults, id_field) VALUES (28, 1), (29, 1);
        )")
                           .arg(digest("other1"), digest("reader1"), digest("student1")));
        static const QRegularExpression create(QStringLiteral("CREATE TABLE \"?(\\w+)\"?"));
        for (auto it = create.globalMatch(QString::fromUtf8(server::kSchemaSql)); it.hasNext();)
            tables << it.next().captured(1);
        tables.removeAll(QStringLiteral("sys_login_log")); // the user check writes it on its own account
        login();
        state = read();
    }

    void login()
    {
        server::Session start(path, QStringLiteral("qel_start"), QStringLiteral("qel13start"));
        const wire::Row row = start.execute(QStringLiteral("EXEC GET_USER '%1','%2',NULL,'QEL 13','','','%1','0','4'")
                                                .arg(QLatin1String(kLogin), digest("reader1")))
                                  .resultSets.first().rows.first();
        user = std::make_unique<server::Session>(path, unshift(row[0].toString()), unshift(row[1].toString()));
        user->execute(QStringLiteral("SET DATEFORMAT dmy"));
        user->setStatementTimeout(2000);
        user->setMemoryCeiling(64LL * 1024 * 1024);
    }

    QHash<QString, Rows> read()
    {
        QHash<QString, Rows> out;
        for (const QString& t : tables) {
            const wire::ResultSet rs = admin->execute(QStringLiteral("SELECT * FROM \"%1\"").arg(t)).resultSets.first();
            QStringList names;
            for (const wire::Column& c : rs.columns)
                names << c.name;
            columns.insert(t, names);
            Rows rows;
            int n = 0;
            for (const wire::Row& r : rs.rows)
                rows.insert(r.isEmpty() || r.first().isNull() ? QStringLiteral("#%1").arg(n++) : r.first().toString(), r);
            out.insert(t, rows);
        }
        return out;
    }
};

[[noreturn]] void violation(const QString& text, const QString& what)
{
    std::fprintf(stderr, "\nA write outside the rights table succeeded.\nstatement: %s\nchange: %s\n", text.toUtf8().constData(),
                 what.toUtf8().constData());
    std::abort();
}

bool heldForm(const QVariant& form) { return !form.isNull() && kHeldForms.contains(form.toInt()); }

QVariant column(const World& w, const QString& table, const wire::Row& row, const char* name)
{
    const int i = w.columns.value(table).indexOf(QLatin1String(name));
    return i < 0 ? QVariant() : row.value(i);
}

// Every difference of one table between two states must be one the rights allow.
void checkTable(const World& w, const QString& text, const QString& table, const Rows& before, const Rows& after)
{
    const QStringList names = w.columns.value(table);
    const server::TableRights rights = server::rightsOn(table);
    const bool marks = table == QLatin1String("mark_mag");
    const bool audit = table == QLatin1String("QEL_LOG");
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        const auto now = after.constFind(it.key());
        if (now == after.cend()) {
            if (!rights.del || (marks && !heldForm(column(w, table, it.value(), "id_f_est"))))
                violation(text, QStringLiteral("%1 row %2 deleted").arg(table, it.key()));
            continue;
        }
        for (int c = 0; c < names.size(); ++c) {
            if (it.value().value(c) == now.value().value(c))
                continue;
            const QString& name = names[c];
            const bool stamp = marks && (name == QLatin1String("oper") || name == QLatin1String("u_date"));
            if (!stamp && !rights.updatable.contains(name, Qt::CaseInsensitive))
                violation(text, QStringLiteral("%1 row %2: %3 changed").arg(table, it.key(), name));
            if (marks && !(heldForm(column(w, table, it.value(), "id_f_est")) && heldForm(column(w, table, now.value(), "id_f_est"))))
                violation(text, QStringLiteral("mark_mag row %1 of a form not held changed").arg(it.key()));
        }
    }
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (before.contains(it.key()))
            continue;
        if (!rights.insert)
            violation(text, QStringLiteral("%1 row %2 inserted").arg(table, it.key()));
        if (marks && !heldForm(column(w, table, it.value(), "id_f_est")))
            violation(text, QStringLiteral("mark_mag row %1 inserted on a form not held").arg(it.key()));
        if (audit && server::compareTexts(column(w, table, it.value(), "QEL_User").toString(), QLatin1String(kLogin)) != 0)
            violation(text, QStringLiteral("QEL_LOG row %1 written in the name of '%2'")
                                .arg(it.key(), column(w, table, it.value(), "QEL_User").toString()));
        if (audit && column(w, table, it.value(), "QEL_User").isNull())
            violation(text, QStringLiteral("QEL_LOG row %1 written without a name").arg(it.key()));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static World world;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        // the server's routines write on their own account: not what this target checks
        if (world.user->translate(text).contains(QLatin1String("-- server routine")))
            return 0;
    } catch (const wire::ServerError&) {
        return 0;
    }
    try {
        world.user->execute(text, {1, 2, 4, 7, 10.5, QStringLiteral("reader"), QStringLiteral("x"), QDate(2026, 1, 2)});
    } catch (const wire::ServerError&) {
    }
    // an open transaction would leave later inputs' changes uncommitted: end it
    try {
        world.user->execute(QStringLiteral("ROLLBACK"));
    } catch (const wire::ServerError&) {
    }
    const QHash<QString, Rows> now = world.read();
    for (const QString& t : std::as_const(world.tables))
        checkTable(world, text, t, world.state.value(t), now.value(t));
    world.state = now;
    return 0;
}
