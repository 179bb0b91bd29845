// qel13-admin sheet list|export on a demo database file, run as a user runs it.
#include "server/server.h"
#include "tests/report/report_support.h"
#include "tests/support/modal.h"
#include "tests/tools/admin_cli.h"

#include <QFile>
#include <gtest/gtest.h>

namespace qel::test {
namespace {

class AdminSheetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = freshTempDir(QStringLiteral("admin-sheet"));
        db_ = dir_ + QStringLiteral("/demo.sqlite");
        server::createDatabase(db_, true);
    }
    static QStringList exportArgs(const QString& out, QStringList more = {})
    {
        QStringList a = {QStringLiteral("sheet"), QStringLiteral("export"), db_,          QStringLiteral("--group"),
                         QStringLiteral("1"),     QStringLiteral("--semester"), QStringLiteral("2"), QStringLiteral("--discipline"),
                         QStringLiteral("3"),     QStringLiteral("--form"),     QStringLiteral("1"), QStringLiteral("--out"),
                         out};
        return a + more;
    }
    static QByteArray read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QString dir_, db_;
};

QString AdminSheetTest::dir_;
QString AdminSheetTest::db_;

TEST_F(AdminSheetTest, ListNamesTheSheetsWithTheIdsExportTakes)
{
    const CliResult r = runAdmin({QStringLiteral("sheet"), QStringLiteral("list"), db_});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GT(lines.size(), 10);
    EXPECT_EQ(lines.first(), QStringLiteral("group\tsemester\tdiscipline\tcredits\tform\tstatement\tvariants\tstudents\tsheet"));
    EXPECT_TRUE(lines.contains(QStringLiteral("1\t3\t9\t4\t1\t1\t1\t10\tИВТ-24 · 3 семестр · Дискретная математика · Экзамен · Ведомость")))
        << r.out.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("1\t1\t1\t5\t1\t1\t1,4\t9\tИВТ-24 · 1 семестр · Математический анализ · Экзамен · Ведомость")));
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
}

TEST_F(AdminSheetTest, ExportWritesEachFormatAndReplacesOnlyWithForce)
{
    const struct {
        const char* format;
        QByteArray magic;
    } cases[] = {{"pdf", "%PDF"}, {"xlsx", "PK"}, {"csv", "\xEF\xBB\xBF"}};
    for (const auto& c : cases) {
        const QString format = QString::fromLatin1(c.format);
        // The format given, and the format told by the name alone.
        const QString named = dir_ + QStringLiteral("/named.") + format;
        const QString given = dir_ + QStringLiteral("/given.out");
        QFile::remove(named);
        QFile::remove(given);
        CliResult r = runAdmin(exportArgs(named));
        ASSERT_EQ(r.exitCode, 0) << format.toStdString() << r.err.toStdString();
        EXPECT_EQ(r.out, QStringLiteral("wrote %1 (%2, 9 rows)\n").arg(named, format));
        EXPECT_TRUE(read(named).startsWith(c.magic)) << c.format;
        r = runAdmin(exportArgs(given, {QStringLiteral("--format"), format.toUpper()}));
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(read(given).startsWith(c.magic)) << c.format;

        QFile::remove(named);
        {
            QFile f(named);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("keep");
        }
        r = runAdmin(exportArgs(named));
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("exists; give --force"))) << r.err.toStdString();
        EXPECT_EQ(read(named), QByteArray("keep"));
        r = runAdmin(exportArgs(named, {QStringLiteral("--force")}));
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(read(named).startsWith(c.magic)) << c.format;
    }
}

// What the database lacks or leaves open is named, with what to give instead; no file.
TEST_F(AdminSheetTest, ExportSaysWhatIsMissing)
{
    const QString out = dir_ + QStringLiteral("/missing.csv");
    const auto args = [&](std::initializer_list<const char*> words) {
        QStringList a = {QStringLiteral("sheet"), QStringLiteral("export"), db_, QStringLiteral("--out"), out};
        for (const char* w : words)
            a << QString::fromUtf8(w);
        return a;
    };
    const struct {
        QStringList args;
        const char* error;
    } cases[] = {
        {args({"--group", "99", "--semester", "1", "--discipline", "1", "--form", "1"}), "Группы 99 нет"},
        {args({"--group", "1", "--semester", "1", "--discipline", "10", "--form", "1"}), "нет дисциплины 10"},
        {args({"--group", "1", "--semester", "1", "--discipline", "1", "--form", "2"}), "Форма контроля 2 не предусмотрена"},
        {args({"--group", "1", "--semester", "1", "--discipline", "1", "--form", "1"}), "несколько шкал оценок (1, 4)"},
        {args({"--group", "1", "--semester", "1", "--discipline", "1", "--form", "1", "--variant", "2"}),
         "Шкала оценок 2 не предусмотрена"},
        {args({"--group", "1", "--semester", "1", "--discipline", "1", "--form", "1", "--credits", "3"}),
         "с числом кредитов 3; есть: 5"},
        {args({"--group", "x", "--semester", "1", "--discipline", "1", "--form", "1"}), "--group needs a whole number"},
        {args({"--group", "1", "--semester", "1", "--discipline", "1", "--form", "1", "--variant", "1", "--format", "odt"}),
         "--format must be pdf, xlsx or csv"},
        {{QStringLiteral("sheet"), QStringLiteral("export"), dir_ + QStringLiteral("/none.sqlite"), QStringLiteral("--group"),
          QStringLiteral("1"), QStringLiteral("--semester"), QStringLiteral("1"), QStringLiteral("--discipline"),
          QStringLiteral("1"), QStringLiteral("--form"), QStringLiteral("1"), QStringLiteral("--out"), out},
         "no database file"},
    };
    for (const auto& c : cases) {
        const CliResult r = runAdmin(c.args);
        EXPECT_EQ(r.exitCode, 1) << c.error;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.error))) << c.error << " / " << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(out)) << c.error;
    }
    // The scale variant with special grades adds their column.
    const CliResult r = runAdmin(args({"--group", "1", "--semester", "1", "--discipline", "1", "--form", "1", "--variant", "4"}));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QList<QStringList> csv = parseCsv(QString::fromUtf8(read(out).mid(3)));
    ASSERT_FALSE(csv.isEmpty());
    EXPECT_TRUE(csv.first().contains(QStringLiteral("Особая оценка")));
    EXPECT_TRUE(csv.first().contains(QStringLiteral("Лучший модуль")));
}

} // namespace
} // namespace qel::test
