// Owner drawing of cells: the cell parameter and cell drawing handlers, the drawing state
// of each cell, the default-drawing switch, reading the drawn row, edit buttons, double
// clicks and the find dialog.
#include "tests/widgets/sheet_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

using namespace qel;
using qel::test::SheetFixture;

class GridDrawing : public SheetFixture {
protected:
    QColor pixelAt(int row, int column)
    {
        const QImage img = grid->viewport()->grab().toImage();
        const QRect r = grid->visualRect(grid->model()->index(row, column));
        return img.pixelColor(r.left() + 3, r.top() + 3);
    }
    struct Drawn {
        int row;
        int dataCol;
        ui::GridDrawState state;
        QString admission;
    };
};

TEST_F(GridDrawing, HandlersSeeEachCellWithItsStateAndRow)
{
    grid->setOptions(grid->options() | ui::dgMultiSelect);
    clickCell(3, ColM1, Qt::ControlModifier);
    clickCell(1, ColM2);
    clickCell(0, ColM1, Qt::ControlModifier);   // current cell: row 0, m1; row 0 selected
    std::vector<Drawn> drawn;
    grid->onDrawColumnCell = [&](ui::TQXDBGridEh& g, const QRect&, int dataCol, ui::GridColumn&, ui::GridDrawState state) {
        drawn.push_back({g.drawingRow(), dataCol, state, g.drawingText(QStringLiteral("primech"))});
    };
    grid->viewport()->repaint();
    auto find = [&](int row, int col) -> const Drawn* {
        for (const Drawn& d : drawn)
            if (d.row == row && d.dataCol == col)
                return &d;
        return nullptr;
    };
    ASSERT_TRUE(find(0, ColM1));
    EXPECT_EQ(find(0, ColM1)->state, (ui::GridDrawState{true, true, false}));
    EXPECT_EQ(find(0, ColM2)->state, (ui::GridDrawState{true, false, false}));   // selected row
    EXPECT_EQ(find(2, ColM2)->state, (ui::GridDrawState{}));
    EXPECT_TRUE(find(1, ColM1)->state.isEmpty());
    EXPECT_EQ(find(1, ColM1)->admission, QStringLiteral("н/д"));   // the drawn row, not the current one
    EXPECT_EQ(marks->currentRow(), 0);
}

TEST_F(GridDrawing, CellParamsAndDrawingHandlersColourCells)
{
    const QColor lightRed(255, 221, 221), lightBlue(206, 239, 255);
    grid->onGetCellParams = [](ui::TQXDBGridEh&, ui::GridColumn&, ui::GridFont&, QColor& background, ui::GridDrawState) {
        background = Qt::white;
    };
    grid->onDrawColumnCell = [&](ui::TQXDBGridEh& g, const QRect& rect, int dataCol, ui::GridColumn& column,
                                 ui::GridDrawState state) {
        const QString admission = g.drawingText(QStringLiteral("primech"));
        if (dataCol == ColAdmission && !admission.isEmpty() && admission != QStringLiteral("д"))
            g.canvas().brush = lightRed;
        if (g.drawingValue(QStringLiteral("id_teacher")).toInt() == 1 && !state.selectedOnly())
            g.canvas().brush = lightBlue;
        g.defaultDrawColumnCell(rect, dataCol, column, state);
    };
    grid->setDefaultDrawing(false);
    clickCell(4, ColStudent);
    EXPECT_EQ(pixelAt(1, ColAdmission), lightRed);
    EXPECT_EQ(pixelAt(0, ColAdmission), QColor(Qt::white));
    EXPECT_EQ(pixelAt(3, ColM2), lightBlue);
    EXPECT_EQ(pixelAt(2, ColM2), QColor(Qt::white));

    // Without the handler and with default drawing off, cells get only their background.
    grid->onDrawColumnCell = nullptr;
    grid->viewport()->repaint();
    EXPECT_EQ(pixelAt(1, ColAdmission), QColor(Qt::white));
}

TEST_F(GridDrawing, FailingHandlerIsReportedOnceAndDrawingGoesOn)
{
    int calls = 0;
    grid->onGetCellParams = [&](ui::TQXDBGridEh&, ui::GridColumn&, ui::GridFont&, QColor&, ui::GridDrawState) {
        ++calls;
        if (calls == 3)
            throw qel::Error(QStringLiteral("сбой отрисовки"));
    };
    grid->viewport()->repaint();
    EXPECT_GT(calls, 3);
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_EQ(dialogs.last().text, QStringLiteral("сбой отрисовки"));
}

TEST_F(GridDrawing, DropDownButtonShowsItsMenuAfterTheHandler)
{
    QMenu menu;
    menu.addAction(QStringLiteral("н/п"));
    auto& grade = grid->column(ColStudent);
    grade.setReadOnly(true);
    const int button = grade.addEditButton(ui::EditButtonStyle::DropDown, &menu);
    QStringList calls;
    grade.onEditButtonDown = [&](ui::GridColumn& c, int b, bool&) {
        calls << QStringLiteral("%1:%2").arg(c.fieldName()).arg(b);
    };
    clickCell(1, ColStudent);
    const QRect r = grid->editButtonRect(ColStudent, button);
    ASSERT_TRUE(r.isValid());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    EXPECT_EQ(calls, QStringList{"student:0"});
    ASSERT_TRUE(qel::test::waitFor([&] { return menu.isVisible(); }));
    menu.hide();

    // Without a menu the button does nothing more; a handled press suppresses the menu.
    grade.onEditButtonDown = [&](ui::GridColumn&, int, bool& handled) { handled = true; };
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    QTest::qWait(20);
    EXPECT_FALSE(menu.isVisible());
    EXPECT_FALSE(grid->editorMode());
}

TEST_F(GridDrawing, DoubleClickRunsTheHandlerInsteadOfEditing)
{
    int clicks = 0;
    grid->onDblClick = [&](ui::TQXDBGridEh&) { ++clicks; };
    const QRect r = grid->visualRect(grid->model()->index(2, ColM1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(marks->currentRow(), 2);
    EXPECT_FALSE(grid->editorMode());
}

TEST_F(GridDrawing, FindDialogLocatesARow)
{
    grid->setOptions(grid->options() | ui::dgFindDialog);
    clickCell(0, ColStudent);
    bool shown = false;
    qel::test::whenModalShown([&](QWidget* modal) {
        shown = true;
        auto* dialog = qobject_cast<QDialog*>(modal);
        auto* text = modal->findChild<QLineEdit*>();
        auto* column = modal->findChildren<QComboBox*>().value(0);
        ASSERT_TRUE(text && column);
        EXPECT_EQ(column->currentText(), QStringLiteral("Студент"));   // the current column
        qel::test::typeText(text, QStringLiteral("гриш"));
        QPushButton* find = nullptr;
        for (auto* b : modal->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("Найти далее"))
                find = b;
        ASSERT_TRUE(find);
        QTest::mouseClick(find, Qt::LeftButton);
        EXPECT_EQ(marks->currentRow(), 3);
        // Not found: a message, the row stays.
        text->setText(QStringLiteral("Яковлев"));
        QTest::mouseClick(find, Qt::LeftButton);
        EXPECT_EQ(marks->currentRow(), 3);
        dialog->reject();
    });
    key(Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(shown);
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_EQ(dialogs.last().text, QStringLiteral("Текст \"Яковлев\" не найден"));
    EXPECT_EQ(grid->currentIndex().row(), 3);
}

TEST_F(GridDrawing, FindSearchesOneColumnOrAllWithTheChosenMatch)
{
    struct Case {
        const char* name;
        ui::GridFindRequest request;
        bool found;
        int row;
        int column;
    };
    auto req = [](QString text, int column, bool whole = false, bool start = false, bool backwards = false) {
        ui::GridFindRequest r;
        r.text = std::move(text);
        r.column = column;
        r.wholeCell = whole;
        r.fromStart = start;
        r.backwards = backwards;
        return r;
    };
    const Case cases[] = {
        {"part of a cell", req(QStringLiteral("олег"), ColStudent), true, 2, ColStudent},
        {"any column", req(QStringLiteral("Сидорова"), -1), true, 1, ColTeacher},
        {"whole cell misses", req(QStringLiteral("Белова"), ColStudent, true), false, 0, ColStudent},
        {"start of cell", req(QStringLiteral("Дми"), ColStudent, false, true), true, 4, ColStudent},
        {"other column only", req(QStringLiteral("Волков"), ColTeacher), false, 0, ColStudent},
        {"backwards wraps", req(QStringLiteral("д"), ColAdmission, true, false, true), true, 4, ColAdmission},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        marks->first();
        grid->setSelectedIndex(ColStudent);
        EXPECT_EQ(grid->findNext(c.request), c.found);
        EXPECT_EQ(marks->currentRow(), c.row);
        EXPECT_EQ(grid->selectedIndex(), c.column);
    }
}
