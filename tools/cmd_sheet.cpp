// qel13-admin sheet list|export: the grade sheets of a database file of the embedded server,
// and the statement of one of them as PDF, XLSX or CSV, computed by the same rules as the
// sheet window (the stand-in of report/standalone_sheet.h opens it as the window does).
#include "data/dm_cde_3.h"
#include "platform/db/embedded_driver.h"
#include "platform/ui/dialogs.h"
#include "report/standalone_sheet.h"
#include "report/statement_export.h"
#include "report/statement_reader.h"
#include "server/server.h"
#include "tools/admin.h"

#include <QFileInfo>

namespace qel::admin {
namespace {

// Message boxes of the rules go to stderr; nothing waits for an answer.
class StderrDialogs : public ui::Dialogs {
public:
    explicit StderrDialogs(QTextStream& err) : err_(err) { ui::setDialogs(this); }
    ~StderrDialogs() override { ui::setDialogs(nullptr); }
    ui::MsgResult message(const ui::MessageRequest& r) override
    {
        err_ << "qel13-admin sheet: " << r.text << "\n";
        return r.buttons == ui::MsgButtons::YesNo ? ui::MsgResult::No : ui::MsgResult::Ok;
    }

private:
    QTextStream& err_;
};

qint32 integerOption(const Options& o, const QString& key)
{
    bool ok = false;
    const qint32 v = o.required(key).toInt(&ok);
    if (!ok)
        throw UsageError{QStringLiteral("%1 needs a whole number, not '%2'").arg(key, o.value(key))};
    return v;
}

std::optional<qint32> optionalInteger(const Options& o, const QString& key)
{
    if (!o.has(key))
        return std::nullopt;
    return integerOption(o, key);
}

QString existingDatabase(const Options& o)
{
    if (o.positional().size() != 1)
        throw UsageError{QStringLiteral("expected exactly one database file DB")};
    const QString path = o.positional().first();
    if (!QFileInfo(path).isFile())
        throw UsageError{QStringLiteral("no database file '%1'").arg(path)};
    return QFileInfo(path).absoluteFilePath();
}

QString text(const QVariant& v) { return v.isNull() ? QString() : v.toString().trimmed(); }

int list(const QStringList& args, Io& io)
{
    const Options o(args, {}, {});
    const QString path = existingDatabase(o);
    auto session = server::Session::administrator(path);
    const wire::BatchResult r = session->execute(QStringLiteral(
        "SELECT m.id_group, g.p20, m.id_semester, s.p43, m.id_discipline, d.p34, m.kredits, "
        "m.id_examination, e.p30, m.id_f_est, f.p109, COUNT(*) AS students "
        "FROM mark_mag m LEFT JOIN [group] g ON g.id_group = m.id_group "
        "LEFT JOIN semester s ON s.id_semester = m.id_semester "
        "LEFT JOIN discipline d ON d.id_discipline = m.id_discipline "
        "LEFT JOIN examination e ON e.id_examination = m.id_examination "
        "LEFT JOIN f_est f ON f.id_f_e = m.id_f_est "
        "GROUP BY m.id_group, g.p20, m.id_semester, s.p43, m.id_discipline, d.p34, m.kredits, "
        "m.id_examination, e.p30, m.id_f_est, f.p109 "
        "ORDER BY g.p20, m.id_semester, d.p34, m.kredits, m.id_examination, m.id_f_est"));
    io.out << "group\tsemester\tdiscipline\tcredits\tform\tstatement\tvariants\tstudents\tsheet\n";
    for (const wire::Row& row : r.resultSets.value(0).rows) {
        // The scale variants the window offers for the sheet.
        const wire::BatchResult v = session->execute(
            QStringLiteral("EXEC SP_RRNK_ebe_var @id_discipline = %1, @id_examination = %2, @id_group = %3, @id_semester = %4")
                .arg(row[4].toInt())
                .arg(row[7].toInt())
                .arg(row[0].toInt())
                .arg(row[2].toInt()));
        QStringList variants;
        for (const wire::Row& vr : v.resultSets.value(0).rows)
            variants << text(vr.value(0));
        QStringList names;
        for (int i : {1, 3, 5, 8, 10})
            names << text(row[i]);
        io.out << row[0].toInt() << '\t' << row[2].toInt() << '\t' << row[4].toInt() << '\t' << row[6].toInt() << '\t'
               << row[7].toInt() << '\t' << row[9].toInt() << '\t' << variants.join(QLatin1Char(',')) << '\t'
               << row[11].toInt() << '\t' << names.join(QStringLiteral(" · ")) << "\n";
    }
    return 0;
}

int exportSheet(const QStringList& args, Io& io)
{
    const Options o(args,
                    {QStringLiteral("--group"), QStringLiteral("--semester"), QStringLiteral("--discipline"),
                     QStringLiteral("--credits"), QStringLiteral("--form"), QStringLiteral("--variant"),
                     QStringLiteral("--statement"), QStringLiteral("--format"), QStringLiteral("--out")},
                    {QStringLiteral("--force")});
    const QString path = existingDatabase(o);
    report::SheetSelection selection;
    selection.group = integerOption(o, QStringLiteral("--group"));
    selection.semester = integerOption(o, QStringLiteral("--semester"));
    selection.discipline = integerOption(o, QStringLiteral("--discipline"));
    selection.credits = optionalInteger(o, QStringLiteral("--credits"));
    selection.examination = integerOption(o, QStringLiteral("--form"));
    selection.variant = optionalInteger(o, QStringLiteral("--variant"));
    selection.statementForm = optionalInteger(o, QStringLiteral("--statement")).value_or(1);
    const QString out = o.required(QStringLiteral("--out"));
    std::optional<report::ExportFormat> format =
        o.has(QStringLiteral("--format")) ? report::formatFromName(o.value(QStringLiteral("--format"))) : report::formatOfPath(out);
    if (!format)
        throw UsageError{o.has(QStringLiteral("--format"))
                             ? QStringLiteral("--format must be pdf, xlsx or csv, not '%1'").arg(o.value(QStringLiteral("--format")))
                             : QStringLiteral("give --format pdf|xlsx|csv (the name '%1' does not tell)").arg(out)};
    const bool force = o.has(QStringLiteral("--force"));
    if (!force && report::outputExists(out))
        throw UsageError{QStringLiteral("'%1' exists; give --force to replace it").arg(out)};

    StderrDialogs dialogs(io.err);
    data::TDM_CDE_3 dm;
    dm.ADO_CDE.setDriverFactory([path](const db::ConnectionString&) { return db::makeEmbeddedAdministratorDriver(path); });
    dm.ADO_CDE.setConnectionString(QStringLiteral("Provider=SQLOLEDB.1;Initial Catalog=QEL;Data Source=embedded"));
    dm.ADO_CDE.open();
    dm.ADO_CDE.execute(QStringLiteral("SET DATEFORMAT dmy"));
    report::StandaloneSheet sheet(dm);
    sheet.open(selection);
    const report::Statement statement = report::readStatement(dm, sheet);
    report::exportStatement(statement, *format, out, force);
    io.out << "wrote " << out << " (" << report::formatExtension(*format) << ", " << statement.rows.size()
           << (statement.rows.size() == 1 ? " row" : " rows") << ")\n";
    return 0;
}

const AdminCommand sheetCommand(
    "sheet", "list the grade sheets of a database file; export one as PDF, XLSX or CSV",
    "Usage:\n"
    "  qel13-admin sheet list DB\n"
    "      Prints the sheets that have rows in the database file, one per line, tab-separated:\n"
    "      the ids to give to 'sheet export' (group, semester, discipline, credits, form of\n"
    "      control, statement form), the scale variants offered, the number of rows and the names.\n"
    "  qel13-admin sheet export DB --group G --semester S --discipline D --form F\n"
    "              [--credits K] [--variant V] [--statement N] [--format pdf|xlsx|csv] --out FILE [--force]\n"
    "      Writes the statement of the sheet as the sheet window shows it: totals, extra columns\n"
    "      and grades computed by the window's rules, the header, the grade summary. The sheet\n"
    "      is chosen by ids as 'sheet list' prints them; --credits is needed when the discipline\n"
    "      is taught with several credit counts, --variant when several scale variants are\n"
    "      offered; --statement defaults to 1 (Ведомость). The format follows --format, or the\n"
    "      extension of FILE. An existing FILE is replaced only with --force; a failed export\n"
    "      leaves no file. Nothing in the database is changed.\n"
    "Errors go to stderr with exit code 1.\n",
    [](const QStringList& args, Io& io) {
        return runSubcommand(args, io, {{"list", list}, {"export", exportSheet}});
    },
    AppKind::Gui);

} // namespace
} // namespace qel::admin
