// The statement of the open sheet on paper and in files, reached from the main window
// without a control of its own: the sheet grid's context menu and the shortcuts Ctrl+P
// (print, with a preview and the printer's "save as PDF") and Ctrl+E (export to PDF, XLSX
// or CSV). What is printed is what the database holds for the sheet: a row being edited is
// saved first (the user is asked), and the rows are read again before the statement is made.
#pragma once

#include <QObject>
#include <QString>
#include <optional>

class QAction;
class QPoint;

namespace qel {

class TForm2;

namespace report {
struct Statement;
}

class SheetReportActions : public QObject {
    Q_OBJECT
public:
    explicit SheetReportActions(TForm2& window);
    ~SheetReportActions() override;

    QAction* PrintAction;    // "Печать…", Ctrl+P
    QAction* ExportAction;   // "Экспорт в файл…", Ctrl+E

    // The print preview of the statement; printing and "save as PDF" go from there.
    void print();
    // Asks for a file (its type chooses the format) and writes the statement there; an
    // existing file is replaced only after a question.
    void exportToFile();

protected:
    // Ctrl+P and Ctrl+E stay the window's while a cell editor has the keyboard: an editor
    // that binds them itself (Ctrl+E ends the line under X11's key scheme) does not win.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The statement of the open sheet as the database holds it; nothing (the user has been
    // told why) when there is no sheet, the pending edit was not saved, or the sheet
    // cannot be computed.
    std::optional<report::Statement> statement();
    void showGridMenu(const QPoint& position);
    QString suggestedFileName(const report::Statement& statement) const;

    TForm2& window_;
    QString lastFolder_;
};

} // namespace qel
