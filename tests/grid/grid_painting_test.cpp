// The component's painting: which attribute each cell takes in each drawing state, the
// owner's painter after it, duplicate marking on activation, and the sheet's configuration.
#include "tests/grid/grid_events_fixture.h"

#include "grid/sheet_grid_events.h"
#include "platform/ui/colors_fonts.h"

#include <map>

using namespace qel;
using qel::test::GridEventsFixture;

class GridPainting : public GridEventsFixture {
protected:
    // The brush and font colour every cell was painted with, as the owner's painter sees
    // them after the component.
    struct Painted {
        QColor brush;
        QColor fontColor;
    };
    std::map<std::pair<int, int>, Painted> paint()
    {
        std::map<std::pair<int, int>, Painted> out;
        events->OnDrawColumnCell = [&](ui::TQXDBGridEh& g, const QRect&, int dataCol, ui::GridColumn&,
                                       ui::GridDrawState) {
            out[{g.drawingRow(), dataCol}] = {g.canvas().brush, g.canvas().font.color};
        };
        grid->viewport()->repaint();
        events->OnDrawColumnCell = nullptr;
        return out;
    }
    QColor pixelAt(int row, int column)
    {
        const QImage img = grid->viewport()->grab().toImage();
        const QRect r = grid->visualRect(grid->model()->index(row, column));
        return img.pixelColor(r.right() - 4, r.top() + 3);
    }
};

TEST_F(GridPainting, EachCellTakesTheAttributeOfItsState)
{
    grid->column(ColM1).setTitle(QStringLiteral("Баллы|М1"));
    events->QXDBAttributes().FixedAttr.setList({QStringLiteral("БАЛЛЫ|М1")});
    selectRows({1, 3});                       // the current cell: row 3, student column
    events->ErrorValues << QStringLiteral("1");                  // row 0
    events->PastedValues << QStringLiteral("3");                 // row 2
    events->KeyFields << QStringLiteral("id_teacher");
    events->DuplicateKeys << QStringLiteral("9");                // rows 1 and 4
    events->ErrorValues << QStringLiteral("5");                  // row 4: duplicate comes first

    const grid::TQXDBAttributes& a = events->QXDBAttributes();
    const QColor own = grid->column(ColM2).color();
    const struct {
        int row, column;
        QColor brush;
        const char* why;
    } cases[] = {
        {0, ColM2, a.ErrorAttr.Color(), "error"},
        {1, ColM2, a.SelAttr.Color(), "selected"},
        {1, ColM1, a.FixedAttr.SelColor(), "selected, column in the fixed list"},
        {2, ColM2, a.AfterPasteAttr.Color(), "pasted"},
        {3, ColStudent, a.FocusedAttr.Color(), "focused"},
        {3, ColM2, a.SelAttr.Color(), "selected row of the current cell"},
        {4, ColM2, a.DuplicateAttr.Color(), "duplicate"},
    };
    const auto painted = paint();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(painted.at({c.row, c.column}).brush, c.brush);
    }
    EXPECT_EQ(painted.at({3, ColStudent}).fontColor, a.FocusedAttr.Font().color);
    EXPECT_EQ(pixelAt(2, ColStudent), a.AfterPasteAttr.Color());

    events->ErrorValues.clear();
    EXPECT_EQ(paint().at({0, ColM2}).brush, own);
}

TEST_F(GridPainting, WhileTheEditorIsAlwaysShownOrARowIsInsertedTheColumnKeepsItsColours)
{
    grid->setOption(ui::dgAlwaysShowEditor, true);
    clickCell(2, ColM2);
    const QColor own = grid->column(ColM2).color();
    EXPECT_EQ(paint().at({2, ColM2}).brush, own);                 // focused, no row selected

    selectRows({0});                                              // current cell: row 0, student
    const QColor ownStudent = grid->column(ColStudent).color();
    auto painted = paint();
    EXPECT_EQ(painted.at({0, ColStudent}).brush, events->QXDBAttributes().FocusedAttr.Color());
    EXPECT_EQ(painted.at({0, ColM2}).brush, events->QXDBAttributes().SelAttr.Color());

    marks->insert();
    const int row = marks->currentRow();
    EXPECT_EQ(paint().at({row, ColStudent}).brush, ownStudent);
}

TEST_F(GridPainting, TheOwnersPainterPaintsOverTheComponent)
{
    // As the sheet does: an unpaid admission turns its cell light red, drawn by the grid's
    // default cell drawing on the component's brush otherwise.
    events->OnDrawColumnCell = [](ui::TQXDBGridEh& g, const QRect& rect, int dataCol, ui::GridColumn& column,
                                  ui::GridDrawState state) {
        if (dataCol == ColAdmission && g.drawingText(QStringLiteral("primech")) == QStringLiteral("н/д"))
            g.canvas().brush = QColor(255, 221, 221);
        g.defaultDrawColumnCell(rect, dataCol, column, state);
    };
    events->PastedValues << QStringLiteral("1");
    grid->viewport()->repaint();
    EXPECT_EQ(pixelAt(1, ColAdmission), QColor(255, 221, 221));
    EXPECT_EQ(pixelAt(0, ColAdmission), events->QXDBAttributes().AfterPasteAttr.Color());
}

TEST_F(GridPainting, ActivationMarksDuplicatesAndDeactivationClosesTheDataSet)
{
    events->KeyFields << QStringLiteral("id_teacher");
    events->ErrorValues << QStringLiteral("2");
    marks->close();
    events->setActive(true);
    EXPECT_TRUE(events->Active());
    EXPECT_TRUE(marks->active());
    EXPECT_EQ(marks->currentRow(), 0);
    QStringList keys = events->DuplicateKeys;
    keys.sort();
    EXPECT_EQ(keys, (QStringList{QStringLiteral("7"), QStringLiteral("9")}));

    events->setActive(false);
    EXPECT_FALSE(events->Active());
    EXPECT_FALSE(marks->active());
    EXPECT_TRUE(events->DuplicateKeys.isEmpty());
    EXPECT_TRUE(events->ErrorValues.isEmpty());
}

TEST_F(GridPainting, TheSheetConfigurationSetsTheSheetsActionsColoursAndHandlers)
{
    events = std::make_unique<grid::TQXDBGridEvents>();
    int confirmations = 0, drawings = 0;
    grid::configureSheetGridEvents(
        *events, *grid, QStringLiteral("id_mark_mag"), [&](QObject*, bool&) { ++confirmations; },
        [&](ui::TQXDBGridEh&, const QRect&, int, ui::GridColumn&, ui::GridDrawState) { ++drawings; });

    EXPECT_EQ(events->DBGridEh(), grid);
    EXPECT_EQ(events->UniqueField(), marks->findField(QStringLiteral("id_mark_mag")));
    EXPECT_EQ(events->EditActions(), ui::GridEditActions(ui::geaCopyEh) | ui::geaDeleteEh);
    EXPECT_FALSE(events->Active());
    EXPECT_TRUE(marks->active());   // configuring does not close the sheet
    ASSERT_TRUE(events->OnKeyDown);
    int k = Qt::Key_C;
    events->OnKeyDown(*grid, k, Qt::ControlModifier);
    EXPECT_EQ(k, int(Qt::Key_C));

    const grid::TQXDBAttributes& a = events->QXDBAttributes();
    const struct {
        const char* name;
        QColor color;
        QColor fontColor;
        int pixels;
        bool bold;
    } expected[] = {
        {"SelAttr", QColor(179, 179, 215), Qt::black, 13, false},
        {"AfterPasteAttr", ui::colors::infoBackground(), ui::colors::windowText(), 11, false},
        {"DuplicateAttr", ui::colors::window(), ui::colors::windowText(), 11, false},
        {"ErrorAttr", ui::colors::red(), ui::colors::windowText(), 11, false},
        {"FocusedAttr", ui::colors::activeCaption(), Qt::white, 13, false},
        {"FixedAttr", ui::colors::moneyGreen(), ui::colors::windowText(), 11, true},
    };
    const grid::TQXDBGridAttr* attrs[] = {&a.SelAttr, &a.AfterPasteAttr, &a.DuplicateAttr, &a.ErrorAttr,
                                          &a.FocusedAttr};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(expected[i].name);
        const QColor color = i < 5 ? attrs[i]->Color() : a.FixedAttr.SelColor();
        const ui::GridFont& font = i < 5 ? attrs[i]->Font() : a.FixedAttr.SelFont();
        EXPECT_EQ(color, expected[i].color);
        EXPECT_EQ(font.color, expected[i].fontColor);
        EXPECT_EQ(font.font.pixelSize(), expected[i].pixels);
        EXPECT_EQ(font.font.bold(), expected[i].bold);
    }
    EXPECT_TRUE(a.FixedAttr.List().isEmpty());

    grid->viewport()->repaint();
    EXPECT_GT(drawings, 0);
    selectRows({1});
    key(Qt::Key_Delete, Qt::ControlModifier);   // the sheet's grid asks before deleting
    EXPECT_EQ(confirmations, 1);
}
