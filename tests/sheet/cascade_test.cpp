// The selection cascade as a user drives it: group, semester and discipline picked in the
// selectors, the steps that run on by themselves, what each pick clears, the info panel.
#include "data/dm_cde_3.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/db_lookup_list_box.h"
#include "platform/ui/drop_down_list.h"
#include "platform/ui/grid_column.h"
#include "platform/ui/panel.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "tests/sheet/sheet_window_fixture.h"

#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QTest>

using namespace qel;

namespace {

const QString kIvt = QStringLiteral("ИВТ-24");
const QString kSpec = QStringLiteral("09.03.01 Информатика и вычислительная техника");

class Cascade : public test::SheetWindowTest {};

} // namespace

TEST_F(Cascade, FromGroupToAnOpenSheetWithoutFurtherClicks)
{
    logIn();
    TForm2& w = *window;
    pick(w.DBLookupComboBox9, kIvt);
    EXPECT_EQ(w.InfoPanel->caption(), QStringLiteral(" [") + kSpec + QStringLiteral("]"));
    EXPECT_TRUE(w.DBLookupComboBox10->isEnabled());
    EXPECT_TRUE(w.Button1->isEnabled());
    EXPECT_TRUE(w.SpeedButton2->isEnabled());
    EXPECT_FALSE(w.DBLookupComboBox11->isEnabled());

    pick(w.DBLookupComboBox10, QStringLiteral("3 семестр"));
    EXPECT_EQ(w.InfoPanel->caption(), QStringLiteral(" [") + kSpec + QStringLiteral("] [2025/2026]"));
    EXPECT_TRUE(w.DBLookupComboBox11->isEnabled());

    pick(w.DBLookupComboBox11, QStringLiteral("Дискретная математика"));
    EXPECT_EQ(w.SheetTeacherId, 1);
    EXPECT_EQ(w.DBLookupListBox2->text(), QStringLiteral("Экзамен"));
    EXPECT_EQ(w.DBLookupListBox1->keyValue(), QVariant(1));
    EXPECT_EQ(w.DBLookupComboBox1->text(), QStringLiteral("Ведомость"));
    EXPECT_TRUE(w.Button2->isEnabled());
    EXPECT_TRUE(w.ComboBox1->isEnabled());
    EXPECT_FALSE(w.Panel11->isVisible());
    ASSERT_EQ(w.QXDBGridEh1->dataSource(), &fx->dm->DS_SP_Sort);
    EXPECT_TRUE(fx->dm->ADO_SP_Sort.active());
    EXPECT_EQ(rows(), 10);
    EXPECT_EQ(dialogs->count(), 0) << dialogs->texts().join('|').toStdString();
    EXPECT_EQ(titles().mid(8), QStringList({"Модуль 1", "Модуль 2", "Модуль 3", "Сумма модулей", "Экзамен",
                                            "Доп. баллы", "Итого", "Дата сдачи", "Оценка", "Особая оценка"}));
    EXPECT_EQ(cell(0, QStringLiteral("student")), QStringLiteral("Алексеев Иван Петрович"));
    EXPECT_EQ(cell(0, QStringLiteral("No")), QStringLiteral("1"));
    EXPECT_EQ(cell(9, QStringLiteral("No")), QStringLiteral("10"));
    for (int r = 0; r < rows(); ++r) {
        const double m1 = value(r, "m1").toDouble(), m2 = value(r, "m2").toDouble();
        EXPECT_DOUBLE_EQ(value(r, "ball1").toDouble(), m1 + m2) << r;
        EXPECT_DOUBLE_EQ(value(r, "calc1").toDouble(), m1 + m2) << r;
    }
}

TEST_F(Cascade, ADisciplineWithTwoCreditCountsIsListedTwiceAndEachOpensItsOwnSheet)
{
    logIn();
    TForm2& w = *window;
    pick(w.DBLookupComboBox9, kIvt);
    pick(w.DBLookupComboBox10, QStringLiteral("2 семестр"));
    const QStringList disciplines = listed(w.DBLookupComboBox11);
    const QString analysis = QStringLiteral("Математический анализ");
    ASSERT_EQ(disciplines.count(analysis), 2) << disciplines.join('|').toStdString();
    const int first = int(disciplines.indexOf(analysis));
    const struct {
        int row;
        int kredits;
        const char* form;
    } cases[] = {{first, 3, "Курс/раб"}, {first + 1, 5, "Экзамен"}};
    for (const auto& c : cases) {
        w.DBLookupComboBox11->pickRow(c.row);
        EXPECT_EQ(w.DBLookupComboBox11->keyValue(), QVariant(10 + c.kredits));
        EXPECT_EQ(listed(w.DBLookupListBox2), QStringList{QString::fromUtf8(c.form)});
        ASSERT_TRUE(fx->dm->ADO_SP_Sort.active()) << c.kredits;
        EXPECT_EQ(fx->dm->ADO_SP_Sort.parameters()[13].value().toInt(), c.kredits);
        EXPECT_EQ(rows(), 9);
        for (int r = 0; r < rows(); ++r)
            EXPECT_EQ(fx->adminScalar(QStringLiteral("SELECT kredits FROM mark_mag WHERE id_mark_mag = ?"),
                                      {value(r, "id_mark_mag")})
                          .toInt(),
                      c.kredits);
    }
}

TEST_F(Cascade, SeveralScaleVariantsWaitForTheUsersPick)
{
    logIn();
    TForm2& w = *window;
    pickSheet(kIvt, QStringLiteral("1 семестр"), QStringLiteral("Математический анализ"));
    EXPECT_EQ(w.DBLookupListBox2->text(), QStringLiteral("Экзамен"));
    EXPECT_EQ(listed(w.DBLookupListBox1), QStringList({"1", "4"}));
    EXPECT_FALSE(w.DBLookupListBox1->hasSelection());
    EXPECT_EQ(w.DBLookupComboBox1->count(), 0);
    EXPECT_FALSE(w.DBLookupComboBox1->hasSelection());
    EXPECT_EQ(w.QXDBGridEh1->dataSource(), nullptr);
    EXPECT_FALSE(w.Button2->isEnabled());
    EXPECT_EQ(w.PopupMenu1->actions().size(), 1);

    // The variant with special grades: the sheet opens with its extra column and the
    // special-grade column shown.
    pick(w.DBLookupListBox1, QStringLiteral("4"));
    EXPECT_TRUE(w.Button2->isEnabled());
    EXPECT_EQ(w.DBLookupComboBox1->text(), QStringLiteral("Ведомость"));
    ASSERT_EQ(w.QXDBGridEh1->dataSource(), &fx->dm->DS_SP_Sort);
    EXPECT_EQ(titles().mid(8), QStringList({"Модуль 1", "Модуль 2", "Модуль 3", "Сумма модулей", "Экзамен", "Доп. баллы",
                                            "Итого", "Лучший модуль", "Дата сдачи", "Оценка", "Особая оценка"}));
    EXPECT_EQ(w.QXDBGridEh1->column(11).fieldName(), QStringLiteral("calc1"));
    EXPECT_EQ(w.QXDBGridEh1->column(15).fieldName(), QStringLiteral("calc2"));
    EXPECT_TRUE(w.QXDBGridEh1->column(18).visible());
    for (int r = 0; r < rows(); ++r) {
        const double best = std::max({value(r, "m1").toDouble(), value(r, "m2").toDouble(), value(r, "m3").toDouble()});
        EXPECT_EQ(cell(r, QStringLiteral("calc2")), QString::number(best)) << r;
    }
    EXPECT_EQ(dialogs->count(), 0) << dialogs->texts().join('|').toStdString();
}

TEST_F(Cascade, EachPickClearsWhatLiesBelowIt)
{
    logIn();
    TForm2& w = *window;
    pickSheet(kIvt, QStringLiteral("3 семестр"), QStringLiteral("Дискретная математика"));
    ASSERT_TRUE(w.ComboBox1->isEnabled());

    pick(w.DBLookupComboBox10, QStringLiteral("2 семестр"));
    EXPECT_EQ(w.QXDBGridEh1->dataSource(), nullptr);
    EXPECT_FALSE(w.DBLookupComboBox1->hasSelection());
    EXPECT_EQ(w.DBLookupComboBox1->count(), 0);
    EXPECT_TRUE(w.DBLookupComboBox11->text().isEmpty());
    EXPECT_TRUE(w.DBLookupComboBox11->isEnabled());
    EXPECT_EQ(w.DBLookupListBox2->count(), 0);
    EXPECT_FALSE(w.ComboBox1->isEnabled());
    EXPECT_FALSE(w.Button2->isEnabled());
    EXPECT_EQ(w.InfoPanel->caption(), QStringLiteral(" [") + kSpec + QStringLiteral("] [2024/2025]"));

    pick(w.DBLookupComboBox9, QStringLiteral("ПИ-25"));
    EXPECT_FALSE(w.DBLookupComboBox10->hasSelection());
    EXPECT_TRUE(w.DBLookupComboBox10->text().isEmpty());
    EXPECT_FALSE(w.DBLookupComboBox11->hasSelection());
    EXPECT_EQ(w.DBLookupComboBox11->count(), 0);
    EXPECT_EQ(listed(w.DBLookupComboBox10), QStringList({"1 семестр", "2 семестр"}));
    EXPECT_EQ(w.InfoPanel->caption(), QStringLiteral(" [09.03.04 Программная инженерия]"));
}

TEST_F(Cascade, TheGradeMenuOffersTheGradesOfTheFormOfControl)
{
    logIn();
    TForm2& w = *window;
    const TGradeIds& g = w.GradeIds;
    const struct {
        const char* semester;
        const char* discipline;
        QStringList captions;
        QList<qint32> grades;
    } cases[] = {
        {"3 семестр", "Дискретная математика", {"н/п", "н/я", "н/у", "удов", "хор", "отл"},
         {g.Absent, g.Unsatisfactory, g.Satisfactory, g.Good, g.Excellent}},
        {"3 семестр", "Физическая культура и спорт", {"н/п", "зачёт", "н/з"}, {g.Credited, g.NotCredited}},
        {"4 семестр", "Учебная практика", {"н/п", "Аттестован"}, {g.Attested}},
        // the first of its two credit counts: the course project (its name with a Latin c)
        {"3 семестр", "Базы данных", {"н/п", "н/я", "н/у", "удов", "хор", "отл"},
         {g.Absent, g.Unsatisfactory, g.Satisfactory, g.Good, g.Excellent}},
    };
    pick(w.DBLookupComboBox9, kIvt);
    for (const auto& c : cases) {
        pick(w.DBLookupComboBox10, QString::fromUtf8(c.semester));
        pick(w.DBLookupComboBox11, QString::fromUtf8(c.discipline));
        const QList<QAction*> items = w.PopupMenu1->actions();
        QStringList captions;
        QList<qint32> grades;
        for (QAction* a : items) {
            captions << a->text();
            if (a != w.N2)
                grades << a->data().toInt();
        }
        EXPECT_EQ(items.first(), w.N2);
        EXPECT_EQ(captions, c.captions) << c.discipline;
        EXPECT_EQ(grades, c.grades) << c.discipline;
    }

    // A grade item sets the current row's grade and posts it. On an extramural group's sheet
    // the grade is chosen by hand (a full-time sheet recomputes it from the total).
    fx->admin(QStringLiteral("UPDATE \"group\" SET o_z_d = 1 WHERE id_group = 1"));
    pick(w.DBLookupComboBox9, kIvt);
    pick(w.DBLookupComboBox10, QStringLiteral("3 семестр"));
    pick(w.DBLookupComboBox11, QStringLiteral("Дискретная математика"));
    db::StoredProc& sheet = fx->dm->ADO_SP_Sort;
    sheet.setRecNo(3);
    const QVariant id = sheet.fieldByName(QStringLiteral("id_mark_mag")).value();
    for (QAction* a : w.PopupMenu1->actions())
        if (a->text() == QStringLiteral("хор"))
            a->trigger();
    EXPECT_EQ(sheet.state(), db::DataSetState::Browse);
    EXPECT_EQ(fx->adminScalar(QStringLiteral("SELECT id_estimation FROM mark_mag WHERE id_mark_mag = ?"), {id}).toInt(),
              g.Good);
    EXPECT_EQ(dialogs->count(), 0) << dialogs->texts().join('|').toStdString();
}

TEST_F(Cascade, TheSelectorsAreLockedWhileARowIsEdited)
{
    logIn();
    TForm2& w = *window;
    pickSheet(kIvt, QStringLiteral("3 семестр"), QStringLiteral("Дискретная математика"));
    db::StoredProc& sheet = fx->dm->ADO_SP_Sort;
    const QList<QWidget*> selectors = {w.DBLookupComboBox9,  w.DBLookupComboBox10, w.DBLookupComboBox11,
                                       w.DBLookupListBox2,   w.DBLookupListBox1,   w.DBLookupComboBox1};
    const auto enabled = [&] {
        QList<bool> out;
        for (QWidget* s : selectors)
            out << s->isEnabled();
        return out;
    };
    const QList<bool> all(selectors.size(), true), none(selectors.size(), false);
    ASSERT_EQ(enabled(), all);
    // Esc (a cancel) and a post unlock them again.
    for (const bool post : {false, true}) {
        sheet.edit();
        sheet.fieldByName(QStringLiteral("p35")).setAsString(QStringLiteral("771"));
        EXPECT_EQ(enabled(), none) << post;
        if (post)
            sheet.post();
        else
            QTest::keyClick(w.QXDBGridEh1, Qt::Key_Escape);
        EXPECT_EQ(sheet.state(), db::DataSetState::Browse) << post;
        EXPECT_EQ(enabled(), all) << post;
    }
}

TEST_F(Cascade, TheFilterDoesNothingWhileTheCascadeWaitsForAPick)
{
    // A second form of control of the same discipline and credits, graded on two variants.
    fx->admin(QStringLiteral("INSERT INTO educ_sh (id_educ_sh, id_speciality, id_a_year, id_semester, id_discipline, "
                             "id_examination, Krdt, hours) VALUES (100, 1, 2, 3, 9, 6, 4, 144)"));
    fx->admin(QStringLiteral("INSERT INTO RRNK (id_teacher, id_educ_sh, id_group, id_ebe_var) VALUES (4, 100, NULL, 1), "
                             "(4, 100, NULL, 4)"));
    logIn();
    TForm2& w = *window;
    pickSheet(kIvt, QStringLiteral("3 семестр"), QStringLiteral("Дискретная математика"));
    ASSERT_EQ(listed(w.DBLookupListBox2), QStringList({"Экзамен", "Контр/раб"}));
    ASSERT_TRUE(fx->dm->ADO_SP_Sort.active());

    pick(w.DBLookupListBox2, QStringLiteral("Контр/раб"));
    EXPECT_EQ(listed(w.DBLookupListBox1), QStringList({"1", "4"}));
    EXPECT_FALSE(w.DBLookupListBox1->hasSelection());
    EXPECT_FALSE(w.DBLookupComboBox1->hasSelection());
    ASSERT_TRUE(w.ComboBox1->isEnabled());
    const QVariant examination = fx->dm->ADO_SP_Sort.parameters()[4].value();
    w.ComboBox1->setItemIndex(0);
    emit w.ComboBox1->activated(0);
    EXPECT_EQ(dialogs->count(), 0) << dialogs->texts().join('|').toStdString();
    EXPECT_EQ(fx->dm->ADO_SP_Sort.parameters()[4].value(), examination);
    EXPECT_EQ(fx->dm->ADO_SP_Sort.parameters()[6].value().toString(), QStringLiteral("1=1"));
}
