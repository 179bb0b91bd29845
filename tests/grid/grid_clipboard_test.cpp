// Copy, cut and paste through the clipboard's private record format: the exact bytes,
// lookup columns as their keys, rows that can no longer be reached, and clipboard content
// that is refused before anything is written.
#include "tests/grid/grid_events_fixture.h"

#include "grid/clipboard_records.h"
#include "platform/os/clipboard.h"
#include "platform/os/cp1251.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

using namespace qel;
using qel::test::GridEventsFixture;

class GridClipboard : public GridEventsFixture {};

TEST_F(GridClipboard, CopiesTheSelectedRowsInSelectionOrderAsTheRecordLayout)
{
    grid->column(ColDate).setVisible(false);   // invisible columns are not written
    selectRows({2, 0});
    key(Qt::Key_C, Qt::ControlModifier);

    // Волков: m2 empty, no admission mark; the teacher column gives its key, not the name.
    EXPECT_EQ(clipboardBytes(), recordBytes({{QStringLiteral("Волков Олег"), QStringLiteral("5"), QString(),
                                              QStringLiteral("7"), QString()},
                                             {QStringLiteral("Авдеев Илья"), QStringLiteral("10"),
                                              QStringLiteral("20"), QStringLiteral("7"), QStringLiteral("д")}}));
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->formats(), QStringList{QStringLiteral("Data Base Edit Data")});
    EXPECT_EQ(outcomes, QList<quint16>{grid::QXDBEOk});
    EXPECT_EQ(ids(), (QList<int>{1, 2, 3, 4, 5}));
}

TEST_F(GridClipboard, WithoutSelectionOrWithoutCtrlTheClipboardIsLeftAlone)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    key(Qt::Key_C, Qt::ControlModifier);   // no row selected
    selectRows({1});
    key(Qt::Key_C);                        // C without Ctrl
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    EXPECT_TRUE(outcomes.isEmpty());
}

TEST_F(GridClipboard, PastedRowsGetTheirValuesBackAndTheLookupItsKey)
{
    // The pasted rows are new mark rows: the joined student name and the date stay out.
    grid->column(ColStudent).setVisible(false);
    grid->column(ColDate).setVisible(false);
    selectRows({0, 1});
    key(Qt::Key_C, Qt::ControlModifier);
    key(Qt::Key_V, Qt::ControlModifier);

    ASSERT_EQ(marks->recordCount(), 7);
    ASSERT_EQ(events->PastedValues.size(), 2);
    const struct {
        double m1, m2;
        int teacher;
        const char* admission;
    } expected[] = {{10, 20, 7, "д"}, {15, 25, 9, "н/д"}};
    for (int i = 0; i < 2; ++i) {
        const int id = events->PastedValues.at(i).toInt();
        EXPECT_GT(id, 5);
        EXPECT_DOUBLE_EQ(stored(id, QStringLiteral("m1")).toDouble(), expected[i].m1);
        EXPECT_DOUBLE_EQ(stored(id, QStringLiteral("m2")).toDouble(), expected[i].m2);
        EXPECT_EQ(stored(id, QStringLiteral("id_teacher")).toInt(), expected[i].teacher);
        EXPECT_EQ(stored(id, QStringLiteral("primech")).toString(), QString::fromUtf8(expected[i].admission));
    }
    EXPECT_EQ(outcomes, (QList<quint16>{grid::QXDBEOk, grid::QXDBEOk}));
}

TEST_F(GridClipboard, ContentThatIsNotOursIsRefusedAndNothingIsWritten)
{
    const int columns = 6;   // the fixture's visible columns
    auto record = [&](const QByteArray& first) {
        QByteArray r = first + '\x01';
        for (int i = 1; i < columns; ++i)
            r += QByteArray("1") + '\x01';
        return r + '\x02';
    };
    const struct {
        const char* what;
        std::optional<QByteArray> bytes;   // nothing: only plain text on the clipboard
        const char* message;
    } cases[] = {
        {"plain text", std::nullopt, "нет скопированных записей"},
        {"no record end", record("a").chopped(1), "повреждены"},
        {"a good record, then a broken one", record("a") + QByteArray("b\x02"), "повреждены"},
        {"stray control byte", record(QByteArray("a\x05", 2)), "повреждены"},
        {"another code page", record(QStringLiteral("Петров").toUtf8()), "не в кодировке Windows-1251"},
        {"wrong column count", QByteArray("a\x01" "b\x01\x02"), "не подходят к этой таблице"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.clear();
        outcomes.clear();
        if (c.bytes)
            os::writeClipboard(grid::clipboardFormat(), *c.bytes);
        else
            QGuiApplication::clipboard()->setText(QStringLiteral("Авдеев Илья\t10"));
        key(Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(marks->recordCount(), 5);
        EXPECT_EQ(storedIds(), (QList<int>{1, 2, 3, 4, 5}));
        ASSERT_EQ(dialogs.count(), 1);
        EXPECT_TRUE(dialogs.last().text.contains(QString::fromUtf8(c.message))) << dialogs.last().text.toStdString();
        EXPECT_EQ(outcomes, QList<quint16>{grid::QXDBENoClipboardData});
    }
}

TEST_F(GridClipboard, TrailingZeroBytesOfAMemoryBlockAreIgnored)
{
    grid->column(ColStudent).setVisible(false);
    grid->column(ColDate).setVisible(false);
    QByteArray bytes = recordBytes({{QStringLiteral("33"), QStringLiteral("44"), QStringLiteral("9"), QString()}});
    os::writeClipboard(grid::clipboardFormat(), bytes + QByteArray(3, '\0'));
    key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(events->PastedValues.size(), 1);
    EXPECT_DOUBLE_EQ(stored(events->PastedValues.first().toInt(), QStringLiteral("m2")).toDouble(), 44);
}

TEST_F(GridClipboard, AValueTheFormatCannotCarryStopsTheCopyWithNothingChanged)
{
    db->admin(QStringLiteral("UPDATE s_fio SET s_fio = 'Ωмега Ольга' WHERE id_student = 2"));
    marks->refresh();
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    selectRows({0, 1});
    key(Qt::Key_X, Qt::ControlModifier);   // a cut removes nothing either
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    EXPECT_EQ(storedIds(), (QList<int>{1, 2, 3, 4, 5}));
    ASSERT_FALSE(dialogs.messages().isEmpty());
    EXPECT_TRUE(dialogs.last().text.contains(QStringLiteral("Ω")));
}

TEST_F(GridClipboard, ARowThatCanNoLongerBeReachedIsSkippedNotCopiedAsAnother)
{
    grid->column(ColDate).setVisible(false);
    selectRows({0, 1, 2});
    // Белова leaves the view while the display is suspended: her bookmark is still selected
    // but leads nowhere.
    marks->disableControls();
    marks->setFilter(QStringLiteral("id_mark_mag <> 2"));
    marks->setFiltered(true);
    ASSERT_EQ(grid->selectedRows().count(), 3);
    events->copyRecords();
    marks->enableControls();
    EXPECT_EQ(clipboardBytes(), recordBytes({{QStringLiteral("Авдеев Илья"), QStringLiteral("10"),
                                              QStringLiteral("20"), QStringLiteral("7"), QStringLiteral("д")},
                                             {QStringLiteral("Волков Олег"), QStringLiteral("5"), QString(),
                                              QStringLiteral("7"), QString()}}));
}

TEST_F(GridClipboard, CutCopiesThenDeletesTheRows)
{
    grid->setOption(ui::dgConfirmDelete, false);
    grid->column(ColDate).setVisible(false);
    selectRows({3, 1});
    key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(storedIds(), (QList<int>{1, 3, 5}));
    EXPECT_EQ(ids(), (QList<int>{1, 3, 5}));
    EXPECT_EQ(grid::readClipboardRecords(clipboardBytes(), 5).records.size(), 2);
    EXPECT_TRUE(dialogs.messages().isEmpty());
}
