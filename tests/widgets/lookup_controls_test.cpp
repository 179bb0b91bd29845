// Lookup combo and list boxes: the key value (null when nothing is chosen), the shown
// text, a user's pick positioning the list's dataset and running the click handler, keys
// set from code running nothing.
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/db_lookup_list_box.h"
#include "tests/support/modal.h"
#include "tests/support/recording_dialogs.h"
#include "tests/widgets/sheet_fixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QTest>
#include <QVBoxLayout>

using namespace qel;

namespace {

class LookupControls : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = test::databaseForThisTest();
        db->admin(QStringLiteral("INSERT INTO discipline (id_discipline, p34) VALUES (3, 'Математика'), (4, 'Физика'), "
                                 "(5, 'Химия'), (6, 'История')"));
        // The list key joins the discipline and its credits, as the sheet's discipline list does.
        disciplines = &db->query(QStringLiteral("ADOQ_Discipline"),
                                 QStringLiteral("SELECT p34, id_discipline * 10 + id_discipline - 2 AS id "
                                                "FROM discipline ORDER BY id_discipline"));
        disciplines->open();
        source.setDataSet(disciplines);
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        combo = new ui::DBLookupComboBox(window.get());
        list = new ui::DBLookupListBox(window.get());
        layout->addWidget(combo);
        layout->addWidget(list);
        combo->setListSource(&source);
        combo->setKeyField(QStringLiteral("id"));
        combo->setListField(QStringLiteral("p34"));
        combo->onClick = [this](ui::DBLookupComboBox&) { ++comboClicks; };
        list->setListSource(&source);
        list->setKeyField(QStringLiteral("id"));
        list->setListField(QStringLiteral("p34"));
        list->onClick = [this](ui::DBLookupListBox&) { ++listClicks; };
        window->resize(300, 300);
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    void pickInCombo(int downs)
    {
        combo->setFocus();
        combo->showPopup();
        QAbstractItemView* view = combo->view();
        ASSERT_TRUE(test::waitFor([&] { return view->isVisible(); }));
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_Return);
        ASSERT_TRUE(test::waitFor([&] { return !view->isVisible(); }));
    }

    test::RecordingDialogs dialogs;
    std::unique_ptr<test::WidgetDb> db;
    db::Query* disciplines = nullptr;
    db::DataSource source;
    std::unique_ptr<QWidget> window;
    ui::DBLookupComboBox* combo = nullptr;
    ui::DBLookupListBox* list = nullptr;
    int comboClicks = 0;
    int listClicks = 0;
};

} // namespace

TEST_F(LookupControls, NothingChosenIsANullKeyAndAnEmptyText)
{
    EXPECT_TRUE(combo->keyValue().isNull());
    EXPECT_FALSE(combo->hasSelection());
    EXPECT_EQ(combo->text(), QString());
    EXPECT_EQ(combo->currentText(), QString());
    EXPECT_EQ(combo->count(), 4);
    EXPECT_TRUE(list->keyValue().isNull());
    EXPECT_TRUE(list->selectionModel()->selectedIndexes().isEmpty());
}

TEST_F(LookupControls, ComboPickSetsTheKeyAndPositionsTheListDataset)
{
    QVariant keyInHandler;
    int rowInHandler = -1;
    combo->onClick = [&](ui::DBLookupComboBox& c) {
        ++comboClicks;
        keyInHandler = c.keyValue();
        rowInHandler = disciplines->currentRow();
    };
    pickInCombo(2);   // from nothing, two rows down the list
    EXPECT_EQ(comboClicks, 1);
    EXPECT_TRUE(combo->hasSelection());
    const QVariant key = combo->keyValue();
    EXPECT_EQ(key, QVariant(53));
    const int row = disciplines->currentRow();
    EXPECT_EQ(row, 2);
    EXPECT_EQ(keyInHandler, key);
    EXPECT_EQ(rowInHandler, row);
    EXPECT_EQ(disciplines->fieldByName(QStringLiteral("id")).value(), key);
    EXPECT_EQ(combo->text(), disciplines->fieldByName(QStringLiteral("p34")).asString());
    EXPECT_EQ(combo->currentText(), combo->text());
}

TEST_F(LookupControls, KeySetFromCodeRunsNoHandlerButPositionsTheList)
{
    combo->setKeyValue(53);
    EXPECT_EQ(comboClicks, 0);
    EXPECT_EQ(combo->text(), QStringLiteral("Химия"));
    EXPECT_EQ(disciplines->currentRow(), 2);
    combo->setKeyValue(QStringLiteral("64"));   // the key's text form works as well
    EXPECT_EQ(combo->text(), QStringLiteral("История"));
    EXPECT_EQ(disciplines->currentRow(), 3);

    list->setKeyValue(42);
    EXPECT_EQ(listClicks, 0);
    EXPECT_EQ(list->text(), QStringLiteral("Физика"));
    EXPECT_EQ(list->currentIndex().row(), 1);
    EXPECT_EQ(disciplines->currentRow(), 1);

    combo->clearKeyValue();
    EXPECT_TRUE(combo->keyValue().isNull());
    EXPECT_EQ(combo->currentText(), QString());
    EXPECT_EQ(comboClicks, 0);
}

TEST_F(LookupControls, ClosedListKeepsTheKeyButShowsNothing)
{
    combo->setKeyValue(42);
    disciplines->close();
    EXPECT_EQ(combo->count(), 0);
    EXPECT_EQ(combo->text(), QString());
    EXPECT_EQ(combo->keyValue(), QVariant(42));
    disciplines->open();
    EXPECT_EQ(combo->text(), QStringLiteral("Физика"));
    EXPECT_EQ(combo->currentText(), QStringLiteral("Физика"));
}

TEST_F(LookupControls, ListBoxPickByClickAndKeys)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualRect(list->model()->index(3, 0)).center());
    EXPECT_EQ(listClicks, 1);
    EXPECT_EQ(list->keyValue(), QVariant(64));
    EXPECT_EQ(disciplines->currentRow(), 3);
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(listClicks, 2);
    EXPECT_EQ(list->keyValue(), QVariant(53));
    EXPECT_EQ(disciplines->currentRow(), 2);
    // A click on the chosen row is a pick again.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualRect(list->model()->index(2, 0)).center());
    EXPECT_EQ(listClicks, 3);

    // Without a list the box is empty and offers nothing.
    list->setListSource(nullptr);
    EXPECT_EQ(list->count(), 0);
    EXPECT_EQ(list->text(), QString());
}

TEST_F(LookupControls, EnterRunsWhenTheFocusArrives)
{
    int entered = 0;
    combo->onEnter = [&](ui::DBLookupComboBox&) { ++entered; };
    list->setFocus();
    combo->setFocus();
    EXPECT_EQ(entered, 1);
}

TEST_F(LookupControls, FailingClickHandlerIsReported)
{
    combo->onClick = [](ui::DBLookupComboBox&) { throw qel::Error(QStringLiteral("нет связи с сервером")); };
    pickInCombo(1);
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_EQ(dialogs.last().text, QStringLiteral("нет связи с сервером"));
    EXPECT_EQ(combo->keyValue(), QVariant(42));
}

TEST_F(LookupControls, DropDownWidthWidensThePopup)
{
    combo->setDropDownWidth(420);
    combo->resize(120, combo->height());
    combo->showPopup();
    ASSERT_TRUE(test::waitFor([&] { return combo->view()->isVisible(); }));
    EXPECT_GE(combo->view()->window()->width(), 420);
    combo->hidePopup();
}
