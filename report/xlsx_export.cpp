#include "report/xlsx_export.h"

#include "platform/os/errors.h"
#include "report/statement_layout.h"

#include <QFile>
#include <QImage>
#include <algorithm>
#include <xlsxwriter.h>

namespace qel::report {

namespace {

void check(lxw_error e)
{
    if (e != LXW_NO_ERROR)
        throw IoError(QStringLiteral("Не удалось записать книгу: %1").arg(QString::fromUtf8(lxw_strerror(e))));
}

// The workbook is freed on every path; close() writes it and reports why it could not.
class Workbook {
public:
    explicit Workbook(const QString& path) : path_(QFile::encodeName(path))
    {
        lxw_workbook_options options{};
        options.constant_memory = LXW_FALSE;
        wb_ = workbook_new_opt(path_.constData(), &options);
        if (!wb_)
            throw IoError(QStringLiteral("Не удалось создать книгу \"%1\".").arg(path));
    }
    ~Workbook()
    {
        if (wb_)
            workbook_close(wb_);
    }
    lxw_workbook* get() const { return wb_; }
    void close() { check(workbook_close(std::exchange(wb_, nullptr))); }

private:
    QByteArray path_;
    lxw_workbook* wb_ = nullptr;
};

lxw_format* format(lxw_workbook* wb, bool bold, bool border, bool wrap, uint8_t align, const char* numFormat = nullptr)
{
    lxw_format* f = workbook_add_format(wb);
    format_set_font_name(f, "Arial");
    format_set_font_size(f, 10);
    if (bold)
        format_set_bold(f);
    if (border)
        format_set_border(f, LXW_BORDER_THIN);
    if (wrap)
        format_set_text_wrap(f);
    if (align)
        format_set_align(f, align);
    format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
    if (numFormat)
        format_set_num_format(f, numFormat);
    return f;
}

} // namespace

void writeStatementXlsx(const Statement& st, const QString& path)
{
    Workbook book(path);
    lxw_workbook* wb = book.get();
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Ведомость");

    lxw_format* title = format(wb, true, false, false, 0);
    format_set_font_size(title, 13);
    lxw_format* heading = format(wb, false, false, false, 0);
    lxw_format* columnTitle = format(wb, true, true, true, LXW_ALIGN_CENTER);
    format_set_bg_color(columnTitle, 0xE8E8E8);
    lxw_format* text = format(wb, false, true, false, LXW_ALIGN_LEFT);
    lxw_format* number = format(wb, false, true, false, LXW_ALIGN_CENTER);
    lxw_format* date = format(wb, false, true, false, LXW_ALIGN_CENTER, "dd.mm.yyyy");
    lxw_format* footerText = format(wb, true, true, false, LXW_ALIGN_LEFT);
    lxw_format* footerNumber = format(wb, true, true, false, LXW_ALIGN_CENTER);
    lxw_format* summaryCount = format(wb, false, false, false, LXW_ALIGN_LEFT, "0");

    const int columns = int(st.columns.size());
    lxw_row_t r = 0;
    check(worksheet_write_string(ws, r++, 0, st.header.title().toUtf8().constData(), title));
    for (const QString& line : st.headerLines())
        check(worksheet_write_string(ws, r++, 0, line.toUtf8().constData(), heading));
    ++r;

    // Titles: a top-level heading merged across the neighbours sharing it, a one-level
    // title merged down over both title rows.
    bool twoLevels = false;
    for (const StatementColumn& c : st.columns)
        twoLevels = twoLevels || c.titleLevels().size() > 1;
    const lxw_row_t titleRow = r;
    const lxw_row_t lastTitleRow = twoLevels ? titleRow + 1 : titleRow;
    for (int i = 0; i < columns;) {
        const QStringList levels = st.columns[i].titleLevels();
        const lxw_col_t col = lxw_col_t(i);
        if (levels.size() < 2) {
            if (twoLevels)
                check(worksheet_merge_range(ws, titleRow, col, lastTitleRow, col, levels.first().toUtf8().constData(),
                                            columnTitle));
            else
                check(worksheet_write_string(ws, titleRow, col, levels.first().toUtf8().constData(), columnTitle));
            ++i;
            continue;
        }
        int last = i;
        while (last + 1 < columns && st.columns[last + 1].titleLevels().size() > 1
               && st.columns[last + 1].titleLevels().first() == levels.first())
            ++last;
        if (last > i)
            check(worksheet_merge_range(ws, titleRow, col, titleRow, lxw_col_t(last), levels.first().toUtf8().constData(),
                                        columnTitle));
        else
            check(worksheet_write_string(ws, titleRow, col, levels.first().toUtf8().constData(), columnTitle));
        for (int k = i; k <= last; ++k)
            check(worksheet_write_string(ws, lastTitleRow, lxw_col_t(k),
                                         st.columns[k].titleLevels().last().toUtf8().constData(), columnTitle));
        i = last + 1;
    }
    r = lastTitleRow + 1;
    const lxw_row_t firstDataRow = r;
    worksheet_freeze_panes(ws, firstDataRow, 0);
    check(worksheet_repeat_rows(ws, titleRow, lastTitleRow));

    for (const StatementRow& row : st.rows) {
        for (int i = 0; i < columns; ++i) {
            const QVariant& v = row.values.at(i);
            const lxw_col_t col = lxw_col_t(i);
            if (v.isNull()) {
                check(worksheet_write_blank(ws, r, col, st.columns[i].type == CellType::Text ? text : number));
                continue;
            }
            switch (st.columns[i].type) {
            case CellType::Number:
                check(worksheet_write_number(ws, r, col, v.toDouble(), number));
                break;
            case CellType::Date: {
                const QDate d = v.toDate();
                lxw_datetime dt{d.year(), d.month(), d.day(), 0, 0, 0};
                check(worksheet_write_datetime(ws, r, col, &dt, date));
                break;
            }
            case CellType::Text:
                check(worksheet_write_string(ws, r, col, row.texts.at(i).toUtf8().constData(), text));
                break;
            }
        }
        ++r;
    }
    const lxw_row_t lastDataRow = r - 1;

    // The footer: the sums the grid's footer shows, as formulas over the rows above.
    bool anySum = false;
    for (const StatementColumn& c : st.columns)
        anySum = anySum || c.summed;
    if (anySum) {
        const int captionColumn = std::max(0, st.columnIndex(QStringLiteral("student")));
        for (int i = 0; i < columns; ++i) {
            const lxw_col_t col = lxw_col_t(i);
            if (st.columns[i].summed && !st.rows.isEmpty()) {
                char range[LXW_MAX_CELL_RANGE_LENGTH];
                lxw_rowcol_to_range(range, firstDataRow, col, lastDataRow, col);
                const QByteArray formula = QByteArray("=SUM(") + range + ")";
                check(worksheet_write_formula_num(ws, r, col, formula.constData(), footerNumber, st.columnSum(i)));
            } else if (i == captionColumn) {
                check(worksheet_write_string(ws, r, col, st.footerCaption.toUtf8().constData(), footerText));
            } else {
                check(worksheet_write_blank(ws, r, col, footerText));
            }
        }
        ++r;
    }

    r += 1;
    const lxw_col_t labelColumn = lxw_col_t(std::max(0, st.columnIndex(QStringLiteral("student"))));
    check(worksheet_write_string(ws, r++, labelColumn, "Итоги", footerText));
    for (const SummaryLine& line : st.summary) {
        check(worksheet_write_string(ws, r, labelColumn, line.label.toUtf8().constData(), heading));
        check(worksheet_write_number(ws, r, lxw_col_t(labelColumn + 1), line.count, summaryCount));
        ++r;
    }

    // Column widths in characters: the widest cell or title word, within reason.
    for (int i = 0; i < columns; ++i) {
        qsizetype w = 4;
        for (const QString& level : st.columns[i].titleLevels())
            for (const QString& word : level.split(QLatin1Char(' '), Qt::SkipEmptyParts))
                w = std::max(w, word.size());
        for (const StatementRow& row : st.rows)
            w = std::max(w, row.texts.at(i).size());
        check(worksheet_set_column(ws, lxw_col_t(i), lxw_col_t(i), double(std::min<qsizetype>(w, 48)) + 2, nullptr));
    }
    // Printed as the PDF statement is: A4, landscape where its columns need the width.
    worksheet_set_paper(ws, 9);
    QImage measure(1, 1, QImage::Format_RGB32);
    measure.setDotsPerMeterX(11811);   // 300 dpi
    measure.setDotsPerMeterY(11811);
    if (preferredOrientation(st, measure) == QPageLayout::Landscape)
        worksheet_set_landscape(ws);
    worksheet_fit_to_pages(ws, 1, 0);
    book.close();
}

} // namespace qel::report
