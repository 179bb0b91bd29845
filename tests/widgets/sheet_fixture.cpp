#include "tests/widgets/sheet_fixture.h"

#include <QApplication>
#include <QDate>
#include <QTest>
#include <QVBoxLayout>

namespace qel::test {

const char* const kMarksSql = "SELECT * FROM marks";
const char* const kTeachersSql = "SELECT * FROM teachers";

void SheetFixture::SetUp()
{
    teachers = &db.query(QStringLiteral("ADOQ_t_fio"), QString::fromLatin1(kTeachersSql),
                         makeResult({"id_teacher:int", "t_fio:varchar:50"},
                                    {{1, QStringLiteral("Зав. кафедрой")},
                                     {7, QStringLiteral("Петров П.П.")},
                                     {9, QStringLiteral("Сидорова А.В.")}}));
    teachers->open();

    marks = &db.query(QStringLiteral("ADO_SP_Sort"), QString::fromLatin1(kMarksSql),
                      makeResult({"id_mark_mag:identity", "student:varchar:50", "m1:float", "m2:float", "p36:date",
                                  "id_teacher:int", "primech:varchar:5"},
                                 {{1, QStringLiteral("Авдеев Илья"), 10.0, 20.0, QDate(2024, 1, 15), 7, QStringLiteral("д")},
                                  {2, QStringLiteral("Белова Мария"), 15.0, 25.0, QVariant(), 9, QStringLiteral("н/д")},
                                  {3, QStringLiteral("Волков Олег"), 5.0, QVariant(), QDate(2024, 1, 16), 7, QString()},
                                  {4, QStringLiteral("Гришина Анна"), 30.0, 10.0, QVariant(), 1, QStringLiteral("д")},
                                  {5, QStringLiteral("Дмитриев Павел"), 0.0, 0.0, QVariant(), 9, QStringLiteral("д")}},
                                 QStringLiteral("mark_mag")));
    marks->addField(db::FieldSpec::autoInc("id_mark_mag"));
    marks->addField(db::FieldSpec::string("student", 50));
    marks->addField(db::FieldSpec::floating("m1").min(0).max(100));
    marks->addField(db::FieldSpec::floating("m2"));
    marks->addField(db::FieldSpec::date("p36"));
    marks->addField(db::FieldSpec::integer("id_teacher"));
    marks->addField(db::FieldSpec::string("primech", 5));
    marks->addField(db::FieldSpec::lookup("teacher", db::FieldType::String, 50, QStringLiteral("id_teacher"), teachers,
                                          QStringLiteral("id_teacher"), QStringLiteral("t_fio")));
    marks->open();

    source = std::make_unique<db::DataSource>(QStringLiteral("DS_SP_Sort"));
    source->setDataSet(marks);
    teacherSource = std::make_unique<db::DataSource>(QStringLiteral("DS_t_fio"));
    teacherSource->setDataSet(teachers);

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

} // namespace qel::test
