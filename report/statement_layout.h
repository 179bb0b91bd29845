// The printed statement: its pages laid out for a paint device (a PDF writer or a printer)
// and painted one by one. Every page carries the heading and the table's titles, and its
// number; the last one the grade summary and the signature lines. A4 portrait when the
// columns fit its width, landscape when they need it; on a page narrower still the fonts
// shrink, and names too long for their column are cut short with an ellipsis.
#pragma once

#include "report/statement.h"

#include <QFont>
#include <QPageLayout>
#include <QRectF>
#include <vector>

class QPagedPaintDevice;
class QPaintDevice;
class QPainter;

namespace qel::report {

// The page of a statement before its orientation is chosen: A4 with 12 mm margins.
QPageLayout statementPageLayout(QPageLayout::Orientation orientation);

// Portrait when the table's columns fit the portrait page's width on the device (measured
// with its fonts), landscape otherwise.
QPageLayout::Orientation preferredOrientation(const Statement& statement, const QPaintDevice& device);

class StatementLayout {
public:
    // Lays the statement out on pages whose printable area (in the device's pixels) is
    // `page`; the device supplies the resolution and the font metrics.
    StatementLayout(const Statement& statement, const QPaintDevice& device, const QRectF& page);

    int pageCount() const { return int(pages_.size()); }
    // The width the columns ask for, in device pixels, before anything is shrunk.
    double naturalWidth() const { return naturalWidth_; }
    int rowsOnPage(int page) const { return pages_.at(size_t(page)).rowCount; }

    // Paints one page (0-based) with the printable area's top left at the painter's origin.
    void paint(QPainter& painter, int page) const;

private:
    struct Page {
        int firstRow = 0;
        int rowCount = 0;
        bool closing = false;   // the summary and the signatures follow the rows
    };
    struct Span {               // a top-level heading shared by neighbouring columns
        int first = 0, last = 0;    // positions among the printed columns
        QString text;
    };

    void measure();
    void paginate();
    double paintHeading(QPainter& painter) const;
    double paintTitles(QPainter& painter, double top) const;
    double paintClosing(QPainter& painter, double top) const;
    void paintFooter(QPainter& painter, int page) const;
    QString closingSummary() const;

    const Statement& st_;
    const QPaintDevice& device_;
    QRectF page_;
    double px_ = 1;             // device pixels per point
    double scale_ = 1;          // fonts and widths shrunk to fit a narrow page
    QFont titleFont_, headingFont_, columnFont_, cellFont_, smallFont_;
    std::vector<int> cols_;         // the statement's columns the table prints, in order
    std::vector<double> widths_;    // per printed column
    std::vector<Span> spans_;
    bool twoLevels_ = false;
    double naturalWidth_ = 0;
    double topBand_ = 0, titleHeight_ = 0, rowHeight_ = 0, headingHeight_ = 0, footerHeight_ = 0, closingHeight_ = 0;
    std::vector<Page> pages_;
};

// Paints every page of the statement on the device (its page layout already set).
void paintStatement(const Statement& statement, QPagedPaintDevice& device);

// The statement as a PDF document (A4, oriented as preferredOrientation says, its fonts
// embedded).
QByteArray statementPdf(const Statement& statement);

} // namespace qel::report
