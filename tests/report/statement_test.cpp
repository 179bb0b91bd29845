// The statement of a demo sheet opened as the command line opens it, written in the three
// formats and read back by independent readers; the page layout of large and wide sheets;
// refusals (an existing file, a formula that fails) and a write that fails half way.
#include "report/standalone_sheet.h"
#include "report/statement_export.h"
#include "report/statement_reader.h"
#include "tests/fixtures/demo_fixture.h"
#include "tests/report/report_support.h"
#include "tests/support/modal.h"
#include "tests/support/recording_dialogs.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace qel::test {
namespace {

using report::ExportFormat;
using report::SheetSelection;

// ИВТ-24, 2 семестр, "Программирование", examination: nine students with every mark, date
// and grade stored. The credit test of the same group in semester 1 has fewer columns.
SheetSelection examSheet() { return SheetSelection{1, 2, 3, std::nullopt, 1, std::nullopt, 1}; }
SheetSelection creditSheet() { return SheetSelection{1, 1, 5, std::nullopt, 2, std::nullopt, 1}; }
SheetSelection extramuralSheet() { return SheetSelection{3, 2, 3, std::nullopt, 1, std::nullopt, 1}; }

class StatementTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString name = QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
        fx = std::make_unique<DemoFixture>(QStringLiteral("statement-") + name);
        dialogs = std::make_unique<RecordingDialogs>();
        fx->connectAs(QStringLiteral("demo"), QStringLiteral("demo2026"));
        dir = freshTempDir(QStringLiteral("out-") + name);
    }
    void TearDown() override
    {
        sheet.reset();
        dialogs.reset();
        fx.reset();
    }

    report::Statement statementOf(const SheetSelection& s)
    {
        sheet = std::make_unique<report::StandaloneSheet>(*fx->dm);
        sheet->open(s);
        return report::readStatement(*fx->dm, *sheet);
    }
    QString out(const QString& name) const { return dir + QLatin1Char('/') + name; }
    // Rows of the stored sheet in the statement's order (by name): the column asked for.
    QList<QVariant> stored(const QString& column, const SheetSelection& s)
    {
        const wire::BatchResult r = fx->admin(
            QStringLiteral("SELECT m.%1 FROM mark_mag m JOIN s_fio f ON f.id_student = m.id_student WHERE m.id_group = ? "
                           "AND m.id_semester = ? AND m.id_discipline = ? AND m.id_examination = ? AND m.id_f_est = 1 "
                           "ORDER BY f.s_fio, m.id_mark_mag")
                .arg(column),
            {s.group, s.semester, s.discipline, s.examination});
        QList<QVariant> values;
        for (const wire::Row& row : r.resultSets.value(0).rows)
            values << row.value(0);
        return values;
    }

    std::unique_ptr<DemoFixture> fx;
    std::unique_ptr<RecordingDialogs> dialogs;
    std::unique_ptr<report::StandaloneSheet> sheet;
    QString dir;
};

QString columnLetter(int column) { return QString(QChar(u'A' + column)); }

TEST_F(StatementTest, XlsxReadByAReaderHasTypedCellsTitlesFormulasAndAFrozenPane)
{
    // Two-level titles: the three modules under one heading.
    fx->admin(QStringLiteral("UPDATE est_config SET name_pole = 'Модули|' + name_pole WHERE id_ebe_var = 1 AND id_f_est IS NULL "
                             "AND pole_mark_mag IN ('m1', 'm2', 'm3')"));
    const report::Statement st = statementOf(examSheet());
    const QString path = out(QStringLiteral("exam.xlsx"));
    report::exportStatement(st, ExportFormat::Xlsx, path, false);
    const QJsonObject sheetJson = xlsxSheet(path);
    ASSERT_FALSE(sheetJson.contains(QStringLiteral("error"))) << sheetJson.value(QStringLiteral("error")).toString().toStdString();

    QHash<QString, QJsonObject> cells;
    int firstStudentRow = 0;
    for (const QJsonValue& v : sheetJson.value(QStringLiteral("cells")).toArray()) {
        const QJsonObject c = v.toObject();
        cells.insert(c.value(QStringLiteral("ref")).toString(), c);
        if (c.value(QStringLiteral("value")).toString() == QStringLiteral("Алексеев Иван Петрович"))
            firstStudentRow = c.value(QStringLiteral("row")).toInt();
    }
    ASSERT_GT(firstStudentRow, 2);
    const auto cell = [&](int column, int row) { return cells.value(columnLetter(column) + QString::number(row)); };

    // The heading over the modules spans them; their own titles sit below it; the pane is
    // frozen under the titles.
    const int m1 = st.columnIndex(QStringLiteral("m1"));
    const int titleRow = firstStudentRow - 2;
    EXPECT_EQ(cell(m1, titleRow).value(QStringLiteral("value")).toString(), QStringLiteral("Модули"));
    EXPECT_EQ(cell(m1 + 2, titleRow + 1).value(QStringLiteral("value")).toString(), QStringLiteral("Модуль 3"));
    const QStringList merged = sheetJson.value(QStringLiteral("merged")).toVariant().toStringList();
    const QString row = QString::number(titleRow);
    EXPECT_TRUE(merged.contains(columnLetter(m1) + row + QLatin1Char(':') + columnLetter(m1 + 2) + row))
        << merged.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(sheetJson.value(QStringLiteral("freeze")).toString(), QStringLiteral("A%1").arg(firstStudentRow));

    // Every mark is a number equal to the stored one, the date a date, the name a text.
    const struct {
        const char* field;
        const char* column;
    } marks[] = {{"m1", "m1"}, {"m2", "m2"}, {"m3", "m3"}, {"m4", "m4"}, {"dop", "dop"}, {"ball1", "ball"}};
    const int rows = int(st.rows.size());
    ASSERT_EQ(rows, 9);
    for (const auto& m : marks) {
        const int column = st.columnIndex(QString::fromLatin1(m.field));
        ASSERT_GE(column, 0) << m.field;
        const QList<QVariant> expected = stored(QString::fromLatin1(m.column), examSheet());
        for (int r = 0; r < rows; ++r) {
            const QJsonObject c = cell(column, firstStudentRow + r);
            EXPECT_EQ(c.value(QStringLiteral("type")).toString(), QStringLiteral("n")) << m.field << " row " << r;
            EXPECT_EQ(c.value(QStringLiteral("value")).toDouble(), expected.value(r).toDouble()) << m.field << " row " << r;
        }
    }
    const int date = st.columnIndex(QStringLiteral("p36"));
    const QJsonObject d = cell(date, firstStudentRow);
    EXPECT_EQ(d.value(QStringLiteral("type")).toString(), QStringLiteral("d"));
    EXPECT_TRUE(d.value(QStringLiteral("date")).toBool());
    EXPECT_EQ(d.value(QStringLiteral("value")).toString(), QStringLiteral("2025-06-16"));
    EXPECT_EQ(cell(st.columnIndex(QStringLiteral("idid")), firstStudentRow).value(QStringLiteral("type")).toString(),
              QStringLiteral("s"));

    // The footer sums are formulas over exactly the student rows.
    const int footer = firstStudentRow + rows;
    const int total = st.columnIndex(QStringLiteral("ball1"));
    const QJsonObject sum = cell(total, footer);
    EXPECT_EQ(sum.value(QStringLiteral("type")).toString(), QStringLiteral("f"));
    EXPECT_EQ(sum.value(QStringLiteral("value")).toString(),
              QStringLiteral("=SUM(%1%2:%1%3)").arg(columnLetter(total)).arg(firstStudentRow).arg(footer - 1));
    EXPECT_EQ(cell(st.columnIndex(QStringLiteral("student")), footer).value(QStringLiteral("value")).toString(),
              QStringLiteral("Сумма баллов"));
    EXPECT_FALSE(cells.contains(columnLetter(date) + QString::number(footer)));
}

TEST_F(StatementTest, PdfHoldsEveryStudentEveryTotalAndTheGradeSummaryInAnEmbeddedFont)
{
    const report::Statement st = statementOf(examSheet());
    const QString path = out(QStringLiteral("exam.pdf"));
    report::exportStatement(st, ExportFormat::Pdf, path, false);
    const QString text = pdfPages(path).join(QLatin1Char('\f'));
    ASSERT_FALSE(text.isEmpty());
    const QList<QVariant> names = stored(QStringLiteral("id_student"), examSheet());
    for (const QVariant& id : names) {
        const QString name = fx->adminScalar(QStringLiteral("SELECT s_fio FROM s_fio WHERE id_student = ?"), {id}).toString();
        EXPECT_TRUE(text.contains(name)) << name.toStdString();
    }
    // Each line of a student shows his stored total.
    const QList<QVariant> totals = stored(QStringLiteral("ball"), examSheet());
    for (int r = 0; r < totals.size(); ++r) {
        const QString name = st.rows[r].texts[st.columnIndex(QStringLiteral("student"))];
        const QString line = text.section(name, 1, 1).section(QLatin1Char('\n'), 0, 0);
        EXPECT_TRUE(line.contains(QRegularExpression(QStringLiteral("\\b%1\\b").arg(totals[r].toInt())))) << line.toStdString();
    }
    for (const char* s : {"удов — 6", "н/у — 3", "отл — 0", "н/я — 0", "н/п — 0", "не допущены по оплате — 0",
                          "всего студентов — 9", "Дисциплина: Программирование", "Группа: ИВТ-24", "ВЕДОМОСТЬ № 1009",
                          "Преподаватель: Кузнецов Дмитрий Олегович", "Представитель деканата:", "Стр. 1 из 1"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(s))) << s;
    const QStringList fonts = pdfFonts(path);
    ASSERT_FALSE(fonts.isEmpty());
    for (const QString& font : fonts)
        EXPECT_TRUE(font.contains(QRegularExpression(QStringLiteral("\\syes\\s+(yes|no)\\s+yes\\s"))))
            << "not embedded: " << font.toStdString();
}

// Portrait when the columns fit, landscape when they need the width.
TEST_F(StatementTest, WideSheetsGoLandscape)
{
    const struct {
        const char* what;
        SheetSelection sheet;
        const char* size;
    } cases[] = {
        {"examination, seven checkpoint and computed columns", examSheet(), "842 x 595 pts (A4)"},
        {"credit test, four columns", creditSheet(), "595 x 842 pts (A4)"},
        {"extramural group, checkpoints hidden", extramuralSheet(), "595 x 842 pts (A4)"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString path = out(QStringLiteral("sheet%1.pdf").arg(++n));
        report::exportStatement(statementOf(c.sheet), ExportFormat::Pdf, path, false);
        EXPECT_EQ(pdfPageSize(path), QString::fromLatin1(c.size)) << c.what;
    }
}

TEST_F(StatementTest, ThreeThousandRowsFillPagesThatEachRepeatTheHeading)
{
    const int group = addBigGroup(*fx, 3000);
    const report::Statement st = statementOf(SheetSelection{group, 3, 9, std::nullopt, 1, std::nullopt, 1});
    ASSERT_EQ(st.rows.size(), 3000);
    const QString path = out(QStringLiteral("big.pdf"));
    report::exportStatement(st, ExportFormat::Pdf, path, false);
    const QStringList pages = pdfPages(path);
    const int count = int(pages.size());
    ASSERT_GT(count, 1);

    static const QRegularExpression student(QStringLiteral("Студентов Студент (\\d{5})"));
    int next = 0;
    QList<int> perPage;
    for (int p = 0; p < count; ++p) {
        const QString& page = pages[p];
        EXPECT_TRUE(page.contains(QStringLiteral("Группа: Б-1"))) << "page " << p + 1;
        EXPECT_TRUE(page.contains(QStringLiteral("Стр. %1 из %2").arg(p + 1).arg(count))) << "page " << p + 1;
        int onPage = 0;
        for (auto it = student.globalMatch(page); it.hasNext();) {
            EXPECT_EQ(it.next().captured(1).toInt(), next) << "page " << p + 1;
            ++next;
            ++onPage;
        }
        if (onPage) {
            EXPECT_TRUE(page.contains(QStringLiteral("Студент"))) << "titles on page " << p + 1;
        }
        perPage << onPage;
    }
    EXPECT_EQ(next, 3000);
    // Full pages but the last; the summary after the last row, or alone on one more page.
    const int full = perPage.first();
    EXPECT_GE(full, 20);
    const int pagesOfRows = (3000 + full - 1) / full;
    for (int p = 0; p + 1 < pagesOfRows; ++p)
        EXPECT_EQ(perPage[p], full) << "page " << p + 1;
    EXPECT_TRUE(count == pagesOfRows || (count == pagesOfRows + 1 && perPage.last() == 0)) << count;
    EXPECT_TRUE(pages.last().contains(QStringLiteral("всего студентов — 3000")));
}

TEST_F(StatementTest, AnExistingFileIsReplacedOnlyWhenAsked)
{
    const report::Statement st = statementOf(examSheet());
    for (ExportFormat format : {ExportFormat::Pdf, ExportFormat::Xlsx, ExportFormat::Csv}) {
        const QString path = out(QStringLiteral("kept.") + report::formatExtension(format));
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("old");
        }
        try {
            report::exportStatement(st, format, path, false);
            ADD_FAILURE() << "an existing file was overwritten";
        } catch (const IoError& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("уже существует"))) << e.message().toStdString();
        }
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), QByteArray("old"));
        f.close();
        report::exportStatement(st, format, path, true);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_GT(f.size(), 100);
    }
}

// The process may write at most a few hundred bytes into a file: every writer fails half
// way, and neither the file nor a temporary one is left in the folder.
TEST_F(StatementTest, AWriteThatFailsHalfWayLeavesNoFile)
{
    const report::Statement st = statementOf(examSheet());
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    for (ExportFormat format : {ExportFormat::Pdf, ExportFormat::Xlsx, ExportFormat::Csv}) {
        const QString path = out(QStringLiteral("failed.") + report::formatExtension(format));
        rlimit small = saved;
        small.rlim_cur = 300;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        bool failed = false;
        try {
            report::exportStatement(st, format, path, false);
        } catch (const IoError&) {
            failed = true;
        }
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_TRUE(failed) << report::formatExtension(format).toStdString();
        EXPECT_FALSE(QFile::exists(path));
        EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    }
    std::signal(SIGXFSZ, previous);
}

// A formula that fails names its column; nothing is written in place of its cells.
TEST_F(StatementTest, AColumnThatCannotBeComputedIsNamedAndNothingIsExported)
{
    const struct {
        const char* what;
        const char* formula;
    } cases[] = {
        {"does not compile", "M1+*"},
        {"divides by zero on one row (M4 = 26)", "M1/(M4-26)"},
    };
    for (const auto& c : cases) {
        fx->admin(QStringLiteral("UPDATE est_config SET formula = ? WHERE id_ebe_var = 1 AND name_pole = 'Сумма модулей'"),
                  {QString::fromLatin1(c.formula)});
        try {
            statementOf(examSheet());
            ADD_FAILURE() << c.what << ": the statement was made";
        } catch (const qel::Error& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("\"Сумма модулей\""))) << c.what << ": " << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QStringLiteral("не выгружена"))) << e.message().toStdString();
        }
    }
}

} // namespace
} // namespace qel::test
