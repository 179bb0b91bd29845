// qel13-admin db create|exec|translate: database files of the embedded server.
#include "server/server.h"
#include "tools/admin.h"

#include <QDateTime>
#include <QFile>
#include <QTextStream>

namespace qel::admin {
namespace {

QString cellText(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return QStringLiteral("NULL");
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Double:
        return QString::number(v.toDouble(), 'g', 15);
    case QMetaType::QDateTime: {
        const QDateTime d = v.toDateTime();
        return d.toString(d.time().msec() ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz") : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QByteArray:
        return QStringLiteral("0x") + QString::fromLatin1(v.toByteArray().toHex().toUpper());
    default: {
        // one row per line: tabs and line breaks inside a value are written as \t, \n, \r
        QString s = v.toString();
        s.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
        s.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
        s.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
        return s;
    }
    }
}

QString sqlArgument(const QString& arg)
{
    if (arg != QLatin1String("-"))
        return arg;
    QTextStream in(stdin);
    in.setEncoding(QStringConverter::Utf8);
    return in.readAll();
}

int create(const QStringList& args, Io& io)
{
    Options o(args, {}, {QStringLiteral("--demo")});
    if (o.positional().size() != 1)
        throw UsageError{QStringLiteral("expected exactly one PATH")};
    const QString path = o.positional().first();
    server::createDatabase(path, o.has(QStringLiteral("--demo")));
    io.out << "created " << path << (o.has(QStringLiteral("--demo")) ? " with the demo data" : "") << "\n";
    return 0;
}

int exec(const QStringList& args, Io& io)
{
    if (args.size() != 2)
        throw UsageError{QStringLiteral("expected PATH and SQL")};
    auto session = server::Session::administrator(args[0]);
    const wire::BatchResult r = session->execute(sqlArgument(args[1]));
    bool first = true;
    for (const wire::ResultSet& rs : r.resultSets) {
        if (!first)
            io.out << "\n";
        first = false;
        QStringList header;
        for (const wire::Column& c : rs.columns)
            header << c.name;
        io.out << header.join(QLatin1Char('\t')) << "\n";
        for (const wire::Row& row : rs.rows) {
            QStringList cells;
            for (const QVariant& v : row)
                cells << cellText(v);
            io.out << cells.join(QLatin1Char('\t')) << "\n";
        }
    }
    if (r.rowsAffected >= 0) {
        if (!first)
            io.out << "\n";
        io.out << "(" << r.rowsAffected << (r.rowsAffected == 1 ? " row affected)" : " rows affected)") << "\n";
    }
    for (const QString& m : r.messages)
        io.out << m << "\n";
    return 0;
}

int translate(const QStringList& args, Io& io)
{
    if (args.size() != 1)
        throw UsageError{QStringLiteral("expected exactly one SQL text")};
    io.out << server::translateForSchema(sqlArgument(args[0])) << "\n";
    return 0;
}

const AdminCommand dbCommand(
    "db", "create a database file of the embedded server, run T-SQL on it, show translations",
    "Usage:\n"
    "  qel13-admin db create PATH [--demo]\n"
    "      Creates a new database file with the schema and the server logins (qel_start), and\n"
    "      with the demo faculty, its users and marks when --demo is given. Fails when PATH exists.\n"
    "  qel13-admin db exec PATH SQL\n"
    "      Runs the T-SQL batch as the server's administrator (who also sees the server's own\n"
    "      sys_* tables). Each result set is printed as tab-separated text with a header line,\n"
    "      NULL for nulls (tabs and line breaks inside values as \\t, \\n), followed by\n"
    "      \"(N rows affected)\" when the batch changed rows. SQL \"-\" reads the batch from stdin.\n"
    "  qel13-admin db translate SQL\n"
    "      Prints what the dialect layer makes of the T-SQL text: the statements that run on the\n"
    "      storage, routine calls and session options. SQL \"-\" reads stdin.\n"
    "Errors go to stderr with exit code 1.\n",
    [](const QStringList& args, Io& io) {
        return runSubcommand(args, io, {{"create", create}, {"exec", exec}, {"translate", translate}});
    });

} // namespace
} // namespace qel::admin
