#include "sheet/sheet_report_actions.h"

#include "data/dm_cde_3.h"
#include "platform/os/errors.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/error_report.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "report/statement_export.h"
#include "report/statement_layout.h"
#include "report/statement_reader.h"
#include "sheet/main_window.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStandardPaths>

namespace qel {

namespace {

const QString kTitle = QStringLiteral("Уведомление");

// The wait cursor while the statement is read or written.
struct Busy {
    Busy() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Busy() { QApplication::restoreOverrideCursor(); }
};

} // namespace

SheetReportActions::SheetReportActions(TForm2& window) : QObject(&window), window_(window)
{
    setObjectName(QStringLiteral("SheetReportActions"));
    PrintAction = new QAction(QStringLiteral("Печать…"), &window);
    PrintAction->setObjectName(QStringLiteral("PrintAction"));
    PrintAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    ExportAction = new QAction(QStringLiteral("Экспорт в файл (PDF, XLSX, CSV)…"), &window);
    ExportAction->setObjectName(QStringLiteral("ExportAction"));
    ExportAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    for (QAction* a : {PrintAction, ExportAction}) {
        a->setShortcutContext(Qt::WindowShortcut);
        window.addAction(a);
    }
    connect(PrintAction, &QAction::triggered, this, ui::guarded([this] { print(); }));
    connect(ExportAction, &QAction::triggered, this, ui::guarded([this] { exportToFile(); }));

    qApp->installEventFilter(this);

    ui::TQXDBGridEh* grid = window.QXDBGridEh1;
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this,
            ui::guarded([this](const QPoint& position) { showGridMenu(position); }));
}

SheetReportActions::~SheetReportActions() = default;

bool SheetReportActions::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ShortcutOverride || !watched->isWidgetType()
        || static_cast<QWidget*>(watched)->window() != &window_)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const QKeySequence pressed(key->keyCombination());
    if (pressed != PrintAction->shortcut() && pressed != ExportAction->shortcut())
        return false;
    event->ignore();   // not overridden: the window's shortcut runs
    return true;
}

void SheetReportActions::showGridMenu(const QPoint& position)
{
    QMenu menu(&window_);
    menu.setObjectName(QStringLiteral("SheetReportMenu"));
    menu.addAction(PrintAction);
    menu.addAction(ExportAction);
    // Without an open sheet the items are shown, so the user learns where printing lives,
    // but not offered yet; the window's shortcuts stay on and say why themselves.
    const bool open = window_.dm().ADO_SP_Sort.active() && window_.QXDBGridEh1->dataSource();
    for (QAction* a : {PrintAction, ExportAction})
        a->setEnabled(open);
    menu.exec(window_.QXDBGridEh1->viewport()->mapToGlobal(position));
    for (QAction* a : {PrintAction, ExportAction})
        a->setEnabled(true);
}

std::optional<report::Statement> SheetReportActions::statement()
{
    data::TDM_CDE_3& dm = window_.dm();
    db::StoredProc& sheet = dm.ADO_SP_Sort;
    if (!sheet.active() || !window_.QXDBGridEh1->dataSource()) {
        ui::messageBox(QStringLiteral("Откройте ведомость: выберите группу, семестр, дисциплину и форму ведомости."), kTitle,
                       ui::MsgIcon::Information, ui::MsgButtons::Ok, &window_);
        return std::nullopt;
    }
    sheet.updateRecord();
    if (sheet.modified() || sheet.state() != db::DataSetState::Browse) {
        const ui::MsgResult answer = ui::messageBox(
            QStringLiteral("Строка ведомости изменена, но не сохранена, а в ведомость попадает только то, что "
                           "хранится в базе данных. Сохранить строку?\n\n«Нет» — продолжить правку строки (её можно "
                           "отменить клавишей Esc)."),
            kTitle, ui::MsgIcon::Question, ui::MsgButtons::YesNo, &window_);
        if (answer != ui::MsgResult::Yes || !TForm2::PostPendingEdit(sheet))
            return std::nullopt;
    }
    try {
        Busy busy;
        // What other users saved meanwhile is printed too.
        sheet.refresh();
        return report::readStatement(dm, window_);
    } catch (const qel::Error& e) {
        ui::messageBox(e.message(), kTitle, ui::MsgIcon::Warning, ui::MsgButtons::Ok, &window_);
        return std::nullopt;
    }
}

void SheetReportActions::print()
{
    const std::optional<report::Statement> st = statement();
    if (!st)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(suggestedFileName(*st));
    printer.setPageLayout(report::statementPageLayout(report::preferredOrientation(*st, printer)));
    QPrintPreviewDialog preview(&printer, &window_);
    preview.setObjectName(QStringLiteral("StatementPreview"));
    preview.setWindowTitle(QStringLiteral("Печать ведомости"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
            ui::guarded([&st](QPrinter* device) { report::paintStatement(*st, *device); }));
    preview.resize(window_.size() * 9 / 10);
    preview.exec();
}

void SheetReportActions::exportToFile()
{
    const std::optional<report::Statement> st = statement();
    if (!st)
        return;
    if (lastFolder_.isEmpty()) {
        lastFolder_ = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (lastFolder_.isEmpty() || !QFileInfo(lastFolder_).isDir())
            lastFolder_ = QDir::homePath();
    }
    const QString pdf = QStringLiteral("PDF (*.pdf)");
    const QString xlsx = QStringLiteral("Книга Excel (*.xlsx)");
    const QString csv = QStringLiteral("CSV UTF-8, разделитель «;» (*.csv)");
    QString filter = pdf;
    QString path = QFileDialog::getSaveFileName(&window_, QStringLiteral("Экспорт ведомости"),
                                                lastFolder_ + QLatin1Char('/') + suggestedFileName(*st) + QStringLiteral(".pdf"),
                                                pdf + QStringLiteral(";;") + xlsx + QStringLiteral(";;") + csv, &filter,
                                                QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty())
        return;
    std::optional<report::ExportFormat> format = report::formatOfPath(path);
    if (!format) {
        // No known extension: the chosen type gives it.
        format = filter == xlsx ? report::ExportFormat::Xlsx : filter == csv ? report::ExportFormat::Csv : report::ExportFormat::Pdf;
        path += QLatin1Char('.') + report::formatExtension(*format);
    }
    lastFolder_ = QFileInfo(path).absolutePath();
    bool replace = false;
    if (report::outputExists(path)) {
        if (ui::messageBox(QStringLiteral("Файл \"%1\" уже существует. Заменить его?").arg(QDir::toNativeSeparators(path)),
                           kTitle, ui::MsgIcon::Question, ui::MsgButtons::YesNo, &window_)
            != ui::MsgResult::Yes)
            return;
        replace = true;
    }
    try {
        Busy busy;
        report::exportStatement(*st, *format, path, replace);
    } catch (const qel::Error& e) {
        ui::messageBox(e.message(), kTitle, ui::MsgIcon::Warning, ui::MsgButtons::Ok, &window_);
    }
}

QString SheetReportActions::suggestedFileName(const report::Statement& st) const
{
    QStringList parts;
    for (const QString& p : {st.header.group, st.header.discipline, st.header.formOfControl, st.header.statementForm,
                             st.header.number})
        if (!p.trimmed().isEmpty())
            parts << p.trimmed();
    QString name = parts.isEmpty() ? QStringLiteral("Ведомость") : parts.join(QLatin1Char(' '));
    for (QChar& c : name)
        if (QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('-');
    return name;
}

} // namespace qel
