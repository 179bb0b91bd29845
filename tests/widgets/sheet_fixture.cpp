#include "tests/widgets/sheet_fixture.h"

#include <QApplication>
#include <QDate>
#include <QTest>
#include <QVBoxLayout>

namespace qel::test {

const char* const kMarksSql =
    "SELECT m.id_mark_mag, s.s_fio AS student, m.m1, m.m2, m.p36, m.id_teacher, m.primech "
    "FROM mark_mag m INNER JOIN s_fio s ON s.id_student = m.id_student ORDER BY s.s_fio";

std::unique_ptr<WidgetDb> databaseForThisTest()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::make_unique<WidgetDb>(QStringLiteral("widgets-%1-%2")
                                          .arg(QString::fromLatin1(info->test_suite_name()),
                                               QString::fromLatin1(info->name())));
}

void SheetFixture::SetUp()
{
    db = databaseForThisTest();
    db->admin(QStringLiteral(R"(
        INSERT INTO t_fio (id_teacher, t_fio, s_t_fio) VALUES (1, 'Зав. кафедрой', 'Зав. кафедрой ..'),
            (7, 'Петров П.П.', 'Петров П.П.'), (9, 'Сидорова А.В.', 'Сидорова А.В.');
        INSERT INTO s_fio (id_student, s_fio, idid) VALUES (1, 'Авдеев Илья', '21-01'), (2, 'Белова Мария', '21-02'),
            (3, 'Волков Олег', '21-03'), (4, 'Гришина Анна', '21-04'), (5, 'Дмитриев Павел', '21-05');
        INSERT INTO mark_mag (id_mark_mag, id_student, m1, m2, p36, id_teacher, primech) VALUES
            (1, 1, 10, 20, '15.01.2024', 7, 'д'),
            (2, 2, 15, 25, NULL, 9, 'н/д'),
            (3, 3, 5, NULL, '16.01.2024', 7, ''),
            (4, 4, 30, 10, NULL, 1, 'д'),
            (5, 5, 0, 0, NULL, 9, 'д');
    )"));

    teachers = &db->query(QStringLiteral("ADOQ_t_fio"), QStringLiteral("SELECT id_teacher, t_fio FROM t_fio"));
    teachers->open();

    marks = &db->query(QStringLiteral("ADO_SP_Sort"), QString::fromLatin1(kMarksSql));
    marks->addField(db::FieldSpec::autoInc("id_mark_mag"));
    marks->addField(db::FieldSpec::string("student", 100));
    marks->addField(db::FieldSpec::floating("m1").min(0).max(100));
    marks->addField(db::FieldSpec::floating("m2"));
    marks->addField(db::FieldSpec::dateTime("p36"));
    marks->addField(db::FieldSpec::integer("id_teacher"));
    marks->addField(db::FieldSpec::string("primech", 50));
    marks->addField(db::FieldSpec::lookup("teacher", db::FieldType::String, 60, QStringLiteral("id_teacher"), teachers,
                                          QStringLiteral("id_teacher"), QStringLiteral("t_fio")));
    marks->addUpdateTable(QStringLiteral("mark_mag"), QStringLiteral("id_mark_mag"));
    marks->open();

    source = std::make_unique<db::DataSource>(QStringLiteral("DS_SP_Sort"));
    source->setDataSet(marks);

    window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window.get());
    grid = new ui::TQXDBGridEh(window.get());
    layout->addWidget(grid);
    grid->addColumn(QStringLiteral("student"), QStringLiteral("Студент")).setWidth(150);
    auto& m1 = grid->addColumn(QStringLiteral("m1"), QStringLiteral("Баллы|М1"));
    m1.setWidth(50);
    m1.setFooterValueType(ui::FooterValueType::Sum);
    auto& m2 = grid->addColumn(QStringLiteral("m2"), QStringLiteral("Баллы|М2"));
    m2.setWidth(50);
    m2.setFooterValueType(ui::FooterValueType::Sum);
    grid->addColumn(QStringLiteral("p36"), QStringLiteral("Дата сдачи")).setDisplayFormat(QStringLiteral("dd.mm.yyyy"));
    grid->addColumn(QStringLiteral("teacher"), QStringLiteral("Преподаватель")).setWidth(120);
    auto& admission = grid->addColumn(QStringLiteral("primech"), QStringLiteral("Допуск"));
    admission.setPickList({QStringLiteral("д"), QStringLiteral("н/д")});
    admission.setKeyList({QStringLiteral("д"), QStringLiteral("н/д")});
    grid->column(ColStudent).setFooterText(QStringLiteral("Сумма баллов"));
    grid->setFooterRowCount(1);
    grid->setTitleHeight(34);
    grid->setDataSource(source.get());
    window->resize(720, 320);
    window->show();
    QApplication::setActiveWindow(window.get());
    grid->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

void SheetFixture::TearDown()
{
    window.reset();
    source.reset();
    db.reset();
}

void SheetFixture::clickCell(int row, int column, Qt::KeyboardModifiers mods)
{
    const QRect r = grid->visualRect(grid->model()->index(row, column));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, mods, r.center());
}

QWidget* SheetFixture::focused() const
{
    QWidget* w = QApplication::focusWidget();
    return w ? w : grid;
}

void SheetFixture::type(const QString& text)
{
    for (QChar ch : text)
        typeText(focused(), QString(ch));
}

void typeText(QWidget* widget, const QString& text)
{
    for (QChar ch : text) {
        const char16_t u = ch.toUpper().unicode();
        const Qt::Key code = u < 0x80 ? Qt::Key(u) : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Click, widget, code, QString(ch), Qt::NoModifier);
    }
}

void SheetFixture::key(int k, Qt::KeyboardModifiers mods)
{
    QTest::keyClick(focused(), Qt::Key(k), mods);
}

QVariant SheetFixture::value(int row, const QString& field)
{
    return marks->rowValue(row, marks->fieldByName(field));
}

QVariant SheetFixture::stored(int idMarkMag, const QString& column) const
{
    return db->scalar(QStringLiteral("SELECT %1 FROM mark_mag WHERE id_mark_mag = %2").arg(column).arg(idMarkMag));
}

} // namespace qel::test
