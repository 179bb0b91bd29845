// Printing and exporting from the main window as a user does: Ctrl+E with the file dialog
// answered, Ctrl+P with its preview, the grid's context menu, a pending edit and an
// existing file. The CSV written is compared cell by cell with what the grid shows.
#include "data/dm_cde_3.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "sheet/sheet_report_actions.h"
#include "tests/report/report_support.h"
#include "tests/sheet/sheet_window_fixture.h"
#include "tests/support/modal.h"
#include "tests/tools/admin_cli.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QTest>
#include <QTimer>

namespace qel::test {
namespace {

class WindowReportTest : public SheetWindowTest {
protected:
    // Answers the export's file dialog with a path, as a user types it and presses Save.
    static void answerFileDialog(const QString& path)
    {
        whenModalShown(
            [path](QWidget* w) {
                auto* dialog = static_cast<QFileDialog*>(w);
                dialog->selectFile(path);
                QMetaObject::invokeMethod(dialog, "accept");
            },
            "QFileDialog");
    }
    QByteArray read(const QString& path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // A number as the grid or the CSV writes it (either decimal sign).
    static std::optional<double> number(const QString& text)
    {
        bool ok = false;
        const double v = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        return ok ? std::optional<double>(v) : std::nullopt;
    }
};

TEST_F(WindowReportTest, CtrlEWritesTheCsvOfTheRowsTheGridShows)
{
    logIn();
    openDemoSheet();
    const QString path = freshTempDir(QStringLiteral("window-csv")) + QStringLiteral("/sheet.csv");
    answerFileDialog(path);
    // The shortcut works while a cell's editor has the keyboard.
    clickCell(0, QStringLiteral("m1"));
    ASSERT_NE(qobject_cast<QLineEdit*>(QApplication::focusWidget()), nullptr);
    key(Qt::Key_E, Qt::ControlModifier);
    ASSERT_TRUE(waitFor([&] { return QFile::exists(path); })) << dialogs->texts().join(QLatin1Char('|')).toStdString();

    const QByteArray bytes = read(path);
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const QList<QStringList> csv = parseCsv(QString::fromUtf8(bytes.mid(3)));
    ASSERT_EQ(csv.size(), rows() + 1);
    const QStringList header = csv.first();
    // Every column the grid shows is there, in the grid's order.
    QStringList shown;
    for (int c = 0; c < window->QXDBGridEh1->columnCount(); ++c)
        if (window->QXDBGridEh1->column(c).visible())
            shown << window->QXDBGridEh1->column(c).title();
    EXPECT_EQ(header, shown);
    int compared = 0;
    for (int c = 0; c < header.size(); ++c) {
        int gridColumn = -1;
        for (int g = 0; g < window->QXDBGridEh1->columnCount(); ++g)
            if (window->QXDBGridEh1->column(g).title() == header[c])
                gridColumn = g;
        ASSERT_GE(gridColumn, 0) << header[c].toStdString();
        for (int r = 0; r < rows(); ++r) {
            const QString grid = window->QXDBGridEh1->cellText(r, gridColumn);
            const QString cell = csv[r + 1].value(c);
            const auto a = number(grid), b = number(cell);
            if (a && b)
                EXPECT_DOUBLE_EQ(*a, *b) << header[c].toStdString() << " row " << r;
            else
                EXPECT_EQ(cell, grid) << header[c].toStdString() << " row " << r;
            ++compared;
        }
    }
    EXPECT_EQ(compared, header.size() * rows());
}

TEST_F(WindowReportTest, CtrlPShowsThePreviewOfTheWholeStatement)
{
    logIn();
    openDemoSheet();
    int pages = -1;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    whenModalShown(
        [&](QWidget* w) {
            auto* preview = w->findChild<QPrintPreviewWidget*>();
            ASSERT_NE(preview, nullptr);
            waitFor([&] { return preview->pageCount() > 0; });
            pages = preview->pageCount();
            orientation = preview->orientation();
            closeModal(w, QDialog::Rejected);
        },
        "QPrintPreviewDialog");
    window->QXDBGridEh1->setFocus();
    key(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(orientation, QPageLayout::Landscape);
    EXPECT_EQ(dialogs->count(), 0) << dialogs->texts().join(QLatin1Char('|')).toStdString();
}

// An editor that binds Ctrl+P and Ctrl+E itself (as a line edit does for Ctrl+E under X11's
// key scheme) does not take them from the window.
TEST_F(WindowReportTest, TheShortcutsWorkWhileAnEditorWantsTheKeys)
{
    struct GreedyEdit : QLineEdit {
        using QLineEdit::QLineEdit;
        bool event(QEvent* e) override
        {
            if (e->type() == QEvent::ShortcutOverride) {
                e->accept();
                return true;
            }
            return QLineEdit::event(e);
        }
    };
    logIn();
    openDemoSheet();
    auto* edit = new GreedyEdit(window.get());
    edit->show();
    edit->setFocus();
    ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() == edit; }));
    bool previewed = false;
    whenModalShown([&](QWidget* w) { previewed = true; closeModal(w, QDialog::Rejected); }, "QPrintPreviewDialog");
    QTest::keyClick(edit, Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(waitFor([&] { return previewed; }));
    QApplication::setActiveWindow(window.get());
    edit->setFocus();
    ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() == edit; }));
    const QString path = freshTempDir(QStringLiteral("window-greedy")) + QStringLiteral("/sheet.pdf");
    answerFileDialog(path);
    QTest::keyClick(edit, Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(waitFor([&] { return QFile::exists(path); }));
}

// The context menu of the grid offers both actions; before a sheet is open they are there
// but disabled, and the shortcut says what is missing.
TEST_F(WindowReportTest, TheGridsContextMenuOffersPrintAndExport)
{
    logIn();
    QStringList offered;
    bool enabledBeforeOpening = true;
    const auto openMenu = [&] {
        QTimer::singleShot(50, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            offered.clear();
            enabledBeforeOpening = false;
            for (QAction* a : menu->actions()) {
                offered << a->text();
                enabledBeforeOpening = enabledBeforeOpening || a->isEnabled();
            }
            menu->close();
        });
        QWidget* viewport = window->QXDBGridEh1->viewport();
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20), viewport->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(viewport, &event);
    };
    openMenu();
    EXPECT_EQ(offered, QStringList({QStringLiteral("Печать…"), QStringLiteral("Экспорт в файл (PDF, XLSX, CSV)…")}));
    EXPECT_FALSE(enabledBeforeOpening);
    key(Qt::Key_P, Qt::ControlModifier);
    ASSERT_EQ(dialogs->count(), 1);
    EXPECT_TRUE(dialogs->last().text.startsWith(QStringLiteral("Откройте ведомость")));

    openDemoSheet();
    // Choosing "export" in the menu opens the file dialog.
    bool fileDialog = false;
    whenModalShown([&](QWidget* w) { fileDialog = true; closeModal(w, QDialog::Rejected); }, "QFileDialog");
    QTimer::singleShot(50, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            menu->setActiveAction(menu->actions().at(1));
            QTest::keyClick(menu, Qt::Key_Return);
        }
    });
    QWidget* viewport = window->QXDBGridEh1->viewport();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20), viewport->mapToGlobal(QPoint(20, 20)));
    QApplication::sendEvent(viewport, &event);
    EXPECT_TRUE(waitFor([&] { return fileDialog; }));
}

// A mark typed but not saved is never printed as if it were stored: the user is asked, and
// "No" leaves the row in edit and prints nothing.
TEST_F(WindowReportTest, APendingEditIsSavedFirstOrNothingIsPrinted)
{
    logIn();
    openDemoSheet();
    const int row = 0;
    const QVariant id = value(row, QStringLiteral("id_mark_mag"));
    clickCell(row, QStringLiteral("m1"));
    type(QStringLiteral("7"));
    dialogs->answer(ui::MsgResult::No);
    bool previewed = false;
    whenModalShown([&](QWidget* w) { previewed = true; closeModal(w, QDialog::Rejected); }, "QPrintPreviewDialog", 1000);
    window->ReportActions->PrintAction->trigger();
    EXPECT_FALSE(previewed);
    ASSERT_GE(dialogs->count(), 1);
    EXPECT_TRUE(dialogs->last().text.contains(QStringLiteral("не сохранена"))) << dialogs->last().text.toStdString();
    EXPECT_NE(fx->dm->ADO_SP_Sort.state(), db::DataSetState::Browse);
    EXPECT_NE(stored(id, QStringLiteral("m1")).toDouble(), 7.0);

    // "Yes" saves the row, and the statement shows the stored value.
    dialogs->answer(ui::MsgResult::Yes);
    const QString path = freshTempDir(QStringLiteral("window-pending")) + QStringLiteral("/sheet.csv");
    answerFileDialog(path);
    window->ReportActions->ExportAction->trigger();
    ASSERT_TRUE(waitFor([&] { return QFile::exists(path); })) << dialogs->texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(stored(id, QStringLiteral("m1")).toDouble(), 7.0);
    const QList<QStringList> csv = parseCsv(QString::fromUtf8(read(path).mid(3)));
    const int m1 = int(csv.first().indexOf(QStringLiteral("Модуль 1")));
    ASSERT_GE(m1, 0);
    EXPECT_EQ(csv[row + 1][m1], QStringLiteral("7"));
}

TEST_F(WindowReportTest, AnExistingFileIsReplacedOnlyAfterTheUserAgrees)
{
    logIn();
    openDemoSheet();
    const QString path = freshTempDir(QStringLiteral("window-existing")) + QStringLiteral("/sheet.xlsx");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    dialogs->answer(ui::MsgResult::No);
    answerFileDialog(path);
    window->ReportActions->ExportAction->trigger();
    ASSERT_EQ(dialogs->count(), 1);
    EXPECT_TRUE(dialogs->last().text.contains(QStringLiteral("уже существует"))) << dialogs->last().text.toStdString();
    EXPECT_EQ(read(path), QByteArray("old"));

    dialogs->answer(ui::MsgResult::Yes);
    answerFileDialog(path);
    window->ReportActions->ExportAction->trigger();
    EXPECT_TRUE(read(path).startsWith("PK"));   // a zip container: the workbook
}

// The command line opens the sheet without the window and computes it with the same rules:
// its CSV of the demo sheet is the window's, byte for byte.
TEST_F(WindowReportTest, TheCommandLineWritesWhatTheWindowWrites)
{
    logIn();
    openDemoSheet();
    const QString folder = freshTempDir(QStringLiteral("window-vs-admin"));
    const QString fromWindow = folder + QStringLiteral("/window.csv"), fromAdmin = folder + QStringLiteral("/admin.csv");
    answerFileDialog(fromWindow);
    window->ReportActions->ExportAction->trigger();
    ASSERT_TRUE(waitFor([&] { return QFile::exists(fromWindow); }));
    const CliResult r = runAdmin({QStringLiteral("sheet"), QStringLiteral("export"), fx->databasePath, QStringLiteral("--group"),
                                  QStringLiteral("1"), QStringLiteral("--semester"), QStringLiteral("3"),
                                  QStringLiteral("--discipline"), QStringLiteral("9"), QStringLiteral("--form"),
                                  QStringLiteral("1"), QStringLiteral("--out"), fromAdmin});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(read(fromAdmin)), QString::fromUtf8(read(fromWindow)));
}

} // namespace
} // namespace qel::test
