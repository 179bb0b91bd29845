#include "tests/report/report_support.h"

#include "tests/fixtures/demo_fixture.h"

#include <QJsonDocument>
#include <QProcess>

namespace qel::test {

ToolResult runTool(const QString& program, const QStringList& args, int timeoutMs)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return {-1, {}, program + QStringLiteral(" did not start (is it installed? scripts/install-deps)")};
    p.waitForFinished(timeoutMs);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

QStringList pdfPages(const QString& path)
{
    const ToolResult r = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    QStringList pages = r.out.split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

QString pdfPageSize(const QString& path)
{
    const ToolResult r = runTool(QStringLiteral("pdfinfo"), {path});
    for (const QString& line : r.out.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Page size:")))
            return line.mid(10).trimmed();
    return r.err;
}

QStringList pdfFonts(const QString& path)
{
    const ToolResult r = runTool(QStringLiteral("pdffonts"), {path});
    return r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
}

QJsonObject xlsxSheet(const QString& path)
{
    static const char* const script = R"(
import datetime, json, sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
cells = []
for row in ws.iter_rows():
    for c in row:
        if c.value is None:
            continue
        v = c.value
        if isinstance(v, (datetime.datetime, datetime.date)):
            v = v.strftime('%Y-%m-%d')
        cells.append({'ref': c.coordinate, 'row': c.row, 'col': c.column, 'type': c.data_type, 'value': v,
                      'date': bool(c.is_date)})
print(json.dumps({'title': ws.title, 'freeze': ws.freeze_panes,
                  'merged': sorted(str(r) for r in ws.merged_cells.ranges), 'cells': cells}))
)";
    // Debian's interpreter, where python3-openpyxl is installed.
    const ToolResult r = runTool(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromLatin1(script), path});
    QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    if (o.isEmpty())
        o.insert(QStringLiteral("error"), r.err);
    return o;
}

QList<QStringList> parseCsv(const QString& text)
{
    QList<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false, any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    cell += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                cell += c;
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            quoted = true;
            any = true;
        } else if (c == QLatin1Char(';')) {
            row << cell;
            cell.clear();
            any = true;
        } else if (c == QLatin1Char('\r')) {
            continue;
        } else if (c == QLatin1Char('\n')) {
            row << cell;
            rows << row;
            row.clear();
            cell.clear();
            any = false;
        } else {
            cell += c;
            any = true;
        }
    }
    if (any)
        rows << (row << cell);
    return rows;
}

int addBigGroup(DemoFixture& fx, int students)
{
    const int group = 50;
    fx.admin(QStringLiteral("INSERT INTO [group] (id_group, p20, id_speciality, id_faculty, id_f_educ, o_z_d) "
                            "VALUES (50, 'Б-1', 1, 1, 1, 0)"));
    fx.admin(QStringLiteral("INSERT INTO g_r_y (id_group, id_rate, id_a_year, p32) VALUES (50, 2, 2, '2025/2026')"));
    fx.admin(QStringLiteral("BEGIN TRANSACTION"));
    for (int i = 0; i < students; ++i) {
        const int id = 10000 + i;
        const int m1 = 10 + i % 11, m2 = 11 + i % 9, m3 = 12 + i % 7, m4 = 20 + i % 10;
        const int total = m1 + m2 + m3 + m4;
        const int grade = total < 61 ? 11 : total < 76 ? 3 : 2;
        fx.admin(QStringLiteral("INSERT INTO s_fio (id_student, s_fio, idid) VALUES (?, ?, ?)"),
                 {id, QStringLiteral("Студентов Студент %1").arg(i, 5, 10, QLatin1Char('0')), QStringLiteral("Б%1").arg(i)});
        fx.admin(QStringLiteral("INSERT INTO student_group (id_student, id_group, id_bk, id_semester, id_start_semester) "
                                "VALUES (?, 50, 1, 3, 1)"),
                 {id});
        fx.admin(QStringLiteral("INSERT INTO mark_mag (id_group, id_student, id_examination, id_estimation, id_discipline, "
                                "id_semester, id_teacher, p35, p36, id_f_est, m1, m2, m3, m4, dop, ball, primech, "
                                "dopusk_izm, id_ebe_var, kredits, isStaticDiscipline) VALUES (50, ?, 1, ?, 9, 3, 4, "
                                "'5001', '2026-01-20', 1, ?, ?, ?, ?, 0, ?, 'д', 0, 1, 4, 0)"),
                 {id, grade, m1, m2, m3, m4, total});
    }
    fx.admin(QStringLiteral("COMMIT TRANSACTION"));
    return group;
}

} // namespace qel::test
