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

#include <QMenu>
#include <QPushButton>

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
