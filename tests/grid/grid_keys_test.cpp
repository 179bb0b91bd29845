// The component's keys gated by EditActions, the outcomes of its precondition checks, and
// hooking and unhooking grids.
#include "tests/grid/grid_events_fixture.h"

#include "grid/clipboard_records.h"
#include "platform/os/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

using namespace qel;
using qel::test::GridEventsFixture;

class GridKeys : public GridEventsFixture {};

TEST_F(GridKeys, AKeyWhoseActionIsNotSwitchedOnDoesNothing)
{
    grid->setOption(ui::dgConfirmDelete, false);
    grid->column(ColStudent).setVisible(false);
    grid->column(ColDate).setVisible(false);
    const QByteArray pasteable = recordBytes({{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("7"), QString()}});
    const struct {
        Qt::Key key;
        ui::GridEditAction action;
    } cases[] = {
        {Qt::Key_C, ui::geaCopyEh},     {Qt::Key_X, ui::geaCutEh},     {Qt::Key_V, ui::geaPasteEh},
        {Qt::Key_A, ui::geaSelectAllEh}, {Qt::Key_Delete, ui::geaDeleteEh},
    };
    selectRows({1, 3});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        os::writeClipboard(grid::clipboardFormat(), pasteable);
        events->setEditActions(ui::GridEditActions(0x1f) & ~ui::GridEditActions(c.action));
        key(c.key, Qt::ControlModifier);
        EXPECT_EQ(storedIds(), (QList<int>{1, 2, 3, 4, 5}));
        EXPECT_EQ(marks->recordCount(), 5);
        EXPECT_EQ(grid->selectedRows().count(), 2);
        // No record was written (the table view itself may copy the current cell as text).
        EXPECT_TRUE(clipboardBytes() == pasteable || clipboardBytes().isEmpty());
        EXPECT_TRUE(outcomes.isEmpty());
        EXPECT_TRUE(dialogs.messages().isEmpty());
    }
    // Switched on, each acts; without Ctrl none does.
    events->setEditActions(ui::GridEditActions(0x1f));
    key(Qt::Key_A);
    key(Qt::Key_Delete);
    EXPECT_EQ(grid->selectedRows().count(), 2);
    EXPECT_EQ(marks->recordCount(), 5);
    key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(grid->selectedRows().count(), 5);
    EXPECT_EQ(outcomes, QList<quint16>{grid::QXDBEOk});
}

TEST_F(GridKeys, PreconditionsAreCheckedInOrderAndTheFirstFailureIsReported)
{
    grid::TQXDBGridEvents unattached;
    QList<quint16> unattachedOutcomes;
    unattached.OnQXDBEGridError = [&](QObject*, quint16 id) { unattachedOutcomes << id; };
    unattached.deleteRecords();
    EXPECT_EQ(unattachedOutcomes, QList<quint16>{grid::QXDBENoGrid});

    db::DataSource other;
    const struct {
        const char* what;
        std::function<void()> breakIt;
        std::function<void()> mendIt;
        quint16 outcome;
    } cases[] = {
        {"no data source, no unique field",
         [&] { grid->setDataSource(nullptr), events->setUniqueField({}); },
         [&] { grid->setDataSource(source.get()), events->setUniqueField(QStringLiteral("id_mark_mag")); },
         grid::QXDBENoDataSource},
        {"no dataset", [&] { grid->setDataSource(&other); }, [&] { grid->setDataSource(source.get()); },
         grid::QXDBENoDataSet},
        {"no such unique field, dataset closed",
         [&] { events->setUniqueField(QStringLiteral("nothing")), marks->close(); },
         [&] { events->setUniqueField(QStringLiteral("id_mark_mag")), marks->open(); }, grid::QXDBENoUniqueField},
        {"dataset closed", [&] { marks->close(); }, [&] { marks->open(); }, grid::QXDBEDataSetClosed},
    };
    selectRows({0});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        outcomes.clear();
        c.breakIt();
        events->copyRecords();
        events->pasteRecords();
        events->deleteRecords();
        events->selectAllRecords();
        EXPECT_EQ(outcomes, QList<quint16>(4, c.outcome));
        c.mendIt();
    }
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(storedIds(), (QList<int>{1, 2, 3, 4, 5}));
}

TEST_F(GridKeys, HookingTakesTheGridsDrawingKeysAndDeletionAndUnhookingGivesThemBack)
{
    events.reset();
    int ownDrawings = 0;
    grid->onDrawColumnCell = [&](ui::TQXDBGridEh&, const QRect&, int, ui::GridColumn&, ui::GridDrawState) {
        ++ownDrawings;
    };
    grid->setEditActions(ui::GridEditAction::Copy);
    ASSERT_TRUE(grid->allowedOperations().testFlag(ui::GridOperation::Delete));

    auto component = std::make_unique<grid::TQXDBGridEvents>();
    int componentDrawings = 0;
    component->OnDrawColumnCell = [&](ui::TQXDBGridEh&, const QRect&, int, ui::GridColumn&, ui::GridDrawState) {
        ++componentDrawings;
    };
    component->setDBGridEh(grid);
    EXPECT_FALSE(grid->defaultDrawing());
    EXPECT_FALSE(grid->allowedOperations().testFlag(ui::GridOperation::Delete));
    EXPECT_EQ(grid->editActions(), ui::GridEditActions());
    grid->viewport()->repaint();
    EXPECT_GT(componentDrawings, 0);
    EXPECT_EQ(ownDrawings, 0);

    // Another grid takes its place: the first one gets back what it had.
    ui::TQXDBGridEh second;
    component->setDBGridEh(&second);
    EXPECT_EQ(component->DBGridEh(), &second);
    EXPECT_TRUE(grid->defaultDrawing());
    EXPECT_TRUE(grid->allowedOperations().testFlag(ui::GridOperation::Delete));
    EXPECT_EQ(grid->editActions(), ui::GridEditActions(ui::GridEditAction::Copy));
    grid->viewport()->repaint();
    EXPECT_GT(ownDrawings, 0);
    EXPECT_FALSE(second.defaultDrawing());

    // A served grid that is destroyed is forgotten; the component can go afterwards.
    component->setDBGridEh(grid);
    auto doomed = std::make_unique<ui::TQXDBGridEh>();
    component->setDBGridEh(doomed.get());
    doomed.reset();
    EXPECT_EQ(component->DBGridEh(), nullptr);
    component.reset();
    EXPECT_TRUE(grid->defaultDrawing());
}
