#include "report/statement_layout.h"

#include "platform/os/errors.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QHash>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>

namespace qel::report {

namespace {

constexpr double kMarginMm = 12;
constexpr double kPad = 2.5;        // points left and right of a cell's text
constexpr double kVPad = 1.6;       // points above and below it
constexpr double kMinColumn = 14;   // points
constexpr double kMinScale = 0.55;  // fonts never shrink below this share of their size

// One family everywhere: it has Cyrillic and is embedded into the PDF (fonts-dejavu-core).
QFont makeFont(double points, bool bold)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

QStringList words(const QString& text) { return text.split(QLatin1Char(' '), Qt::SkipEmptyParts); }

Qt::Alignment alignmentOf(CellType type)
{
    switch (type) {
    case CellType::Number:
    case CellType::Date:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case CellType::Text:
        break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

} // namespace

QPageLayout statementPageLayout(QPageLayout::Orientation orientation)
{
    return QPageLayout(QPageSize(QPageSize::A4), orientation, QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                       QPageLayout::Millimeter);
}

QPageLayout::Orientation preferredOrientation(const Statement& statement, const QPaintDevice& device)
{
    const QRectF portrait = statementPageLayout(QPageLayout::Portrait).paintRectPixels(device.logicalDpiX());
    const StatementLayout layout(statement, device, QRectF(QPointF(0, 0), portrait.size()));
    return layout.naturalWidth() <= portrait.width() ? QPageLayout::Portrait : QPageLayout::Landscape;
}

StatementLayout::StatementLayout(const Statement& statement, const QPaintDevice& device, const QRectF& page)
    : st_(statement), device_(device), page_(page)
{
    measure();
    paginate();
}

void StatementLayout::measure()
{
    px_ = device_.logicalDpiY() / 72.0;
    const auto fonts = [this] {
        titleFont_ = makeFont(12 * scale_, true);
        headingFont_ = makeFont(9 * scale_, false);
        columnFont_ = makeFont(7.5 * scale_, true);
        cellFont_ = makeFont(8.5 * scale_, false);
        smallFont_ = makeFont(7 * scale_, false);
    };
    fonts();

    // The columns whose value the heading names are not printed again in the table.
    cols_.clear();
    for (int i = 0; i < int(st_.columns.size()); ++i)
        if (!st_.columns[i].namedInHeading)
            cols_.push_back(i);
    const int n = int(cols_.size());

    // What each column asks for: its longest title word and its widest cell.
    QFontMetricsF cm(cellFont_, &device_), tm(columnFont_, &device_);
    std::vector<double> natural(size_t(n), 0.0);
    for (int k = 0; k < n; ++k) {
        const int i = cols_[size_t(k)];
        double w = 0;
        for (const QString& level : st_.columns[i].titleLevels())
            for (const QString& word : words(level))
                w = std::max(w, tm.horizontalAdvance(word));
        QHash<QString, double> seen;
        for (const StatementRow& row : st_.rows) {
            const QString& text = row.texts.at(i);
            if (text.isEmpty() || seen.contains(text))
                continue;
            const double a = cm.horizontalAdvance(text);
            seen.insert(text, a);
            w = std::max(w, a);
        }
        natural[size_t(k)] = std::max(w + 2 * kPad * px_, kMinColumn * px_);
    }
    naturalWidth_ = 0;
    for (double w : natural)
        naturalWidth_ += w;

    // A page narrower than the columns shrinks the type; the student's column takes what
    // is left over, or gives up what is still missing.
    const double available = page_.width();
    if (naturalWidth_ > available && naturalWidth_ > 0) {
        scale_ = std::max(kMinScale, available / naturalWidth_);
        fonts();
    }
    widths_.assign(size_t(n), 0.0);
    double total = 0;
    for (int k = 0; k < n; ++k)
        total += widths_[size_t(k)] = natural[size_t(k)] * scale_;
    const auto student = std::find(cols_.begin(), cols_.end(), st_.columnIndex(QStringLiteral("student")));
    const int stretch = student != cols_.end() ? int(student - cols_.begin()) : n - 1;
    if (stretch >= 0) {
        double& w = widths_[size_t(stretch)];
        w = std::max(kMinColumn * px_, w + (available - total));
    }

    // Top-level headings shared by neighbouring columns are drawn once across them.
    spans_.clear();
    twoLevels_ = false;
    for (int k = 0; k < n; ++k) {
        const QStringList levels = st_.columns[cols_[size_t(k)]].titleLevels();
        if (levels.size() < 2)
            continue;
        twoLevels_ = true;
        if (!spans_.empty() && spans_.back().last == k - 1 && spans_.back().text == levels.first())
            spans_.back().last = k;
        else
            spans_.push_back(Span{k, k, levels.first()});
    }

    const QFontMetricsF titles(columnFont_, &device_);
    const auto wrapped = [&](const QString& text, double width) {
        return titles.boundingRect(QRectF(0, 0, std::max(1.0, width - 2 * kPad * px_), 1e9),
                                   Qt::TextWordWrap | Qt::AlignHCenter, text)
                   .height()
             + 2 * kVPad * px_;
    };
    double single = 0, bottom = 0;
    topBand_ = 0;
    for (const Span& s : spans_) {
        double w = 0;
        for (int i = s.first; i <= s.last; ++i)
            w += widths_[size_t(i)];
        topBand_ = std::max(topBand_, wrapped(s.text, w));
    }
    for (int k = 0; k < n; ++k) {
        const QStringList levels = st_.columns[cols_[size_t(k)]].titleLevels();
        if (levels.size() < 2)
            single = std::max(single, wrapped(levels.first(), widths_[size_t(k)]));
        else
            bottom = std::max(bottom, wrapped(levels.last(), widths_[size_t(k)]));
    }
    titleHeight_ = twoLevels_ ? std::max(topBand_ + bottom, single) : single;

    rowHeight_ = QFontMetricsF(cellFont_, &device_).lineSpacing() + 2 * kVPad * px_;
    headingHeight_ = QFontMetricsF(titleFont_, &device_).lineSpacing() + 3 * px_
                   + st_.headerLines().size() * QFontMetricsF(headingFont_, &device_).lineSpacing() + 5 * px_;
    footerHeight_ = QFontMetricsF(smallFont_, &device_).lineSpacing() + 4 * px_;
    const QFontMetricsF heading(headingFont_, &device_), small(smallFont_, &device_);
    const double summary =
        heading.boundingRect(QRectF(0, 0, page_.width(), 1e9), Qt::TextWordWrap, closingSummary()).height();
    closingHeight_ = 7 * px_ + summary + 2 * (14 * px_ + heading.lineSpacing() + small.lineSpacing());
}

void StatementLayout::paginate()
{
    pages_.clear();
    const double body = page_.height() - headingHeight_ - titleHeight_ - footerHeight_;
    const int perPage = std::max(1, int(std::floor(body / rowHeight_)));
    const int rows = int(st_.rows.size());
    int first = 0;
    do {
        const int count = std::min(perPage, rows - first);
        pages_.push_back(Page{first, count, false});
        first += count;
    } while (first < rows);
    // The summary and the signatures stay together, after the last row or on a page of
    // their own.
    if (body - pages_.back().rowCount * rowHeight_ >= closingHeight_)
        pages_.back().closing = true;
    else
        pages_.push_back(Page{rows, 0, true});
}

QString StatementLayout::closingSummary() const
{
    QStringList parts;
    for (const SummaryLine& line : st_.summary)
        parts << line.label + QStringLiteral(" — ") + QString::number(line.count);
    return QStringLiteral("Итоги: ") + parts.join(QStringLiteral("; ")) + QLatin1Char('.');
}

double StatementLayout::paintHeading(QPainter& p) const
{
    const QString title = st_.header.title();
    const QFontMetricsF tm(titleFont_, &device_), hm(headingFont_, &device_);
    p.setFont(titleFont_);
    p.drawText(QRectF(0, 0, page_.width(), tm.lineSpacing()), Qt::AlignHCenter | Qt::AlignVCenter,
               tm.elidedText(title.toUpper(), Qt::ElideRight, page_.width()));
    double y = tm.lineSpacing() + 3 * px_;
    p.setFont(headingFont_);
    for (const QString& line : st_.headerLines()) {
        p.drawText(QRectF(0, y, page_.width(), hm.lineSpacing()), Qt::AlignLeft | Qt::AlignVCenter,
                   hm.elidedText(line, Qt::ElideRight, page_.width()));
        y += hm.lineSpacing();
    }
    return y + 5 * px_;
}

double StatementLayout::paintTitles(QPainter& p, double top) const
{
    p.setFont(columnFont_);
    const int centred = Qt::AlignCenter | Qt::TextWordWrap;
    const double pad = kPad * px_;
    std::vector<double> left(widths_.size() + 1, 0.0);
    for (size_t i = 0; i < widths_.size(); ++i)
        left[i + 1] = left[i] + widths_[i];
    for (const Span& s : spans_) {
        const QRectF r(left[size_t(s.first)], top, left[size_t(s.last) + 1] - left[size_t(s.first)], topBand_);
        p.drawRect(r);
        p.drawText(r.adjusted(pad, 0, -pad, 0), centred, s.text);
    }
    for (int k = 0; k < int(widths_.size()); ++k) {
        const QStringList levels = st_.columns[cols_[size_t(k)]].titleLevels();
        const bool lower = levels.size() > 1;
        const QRectF r(left[size_t(k)], top + (lower ? topBand_ : 0), widths_[size_t(k)],
                       titleHeight_ - (lower ? topBand_ : 0));
        p.drawRect(r);
        p.drawText(r.adjusted(pad, 0, -pad, 0), centred, levels.last());
    }
    return top + titleHeight_;
}

double StatementLayout::paintClosing(QPainter& p, double top) const
{
    const QFontMetricsF hm(headingFont_, &device_), sm(smallFont_, &device_);
    double y = top + 7 * px_;
    p.setFont(headingFont_);
    const QRectF summary = hm.boundingRect(QRectF(0, 0, page_.width(), 1e9), Qt::TextWordWrap, closingSummary());
    p.drawText(QRectF(0, y, page_.width(), summary.height()), Qt::AlignLeft | Qt::TextWordWrap, closingSummary());
    y += summary.height();

    const QString teachers = st_.header.teachers.join(QStringLiteral(", "));
    const struct {
        QString role, name;
    } signatures[] = {{st_.header.teacherRole(), teachers},
                      {QStringLiteral("Представитель деканата"), QString()}};
    const double lineLength = 60 * scale_ * px_ * 72 / 25.4;   // 60 mm
    for (const auto& s : signatures) {
        y += 14 * px_;
        const QString label = s.role + QLatin1Char(':');
        const double labelWidth = hm.horizontalAdvance(label) + 6 * px_;
        p.setFont(headingFont_);
        p.drawText(QRectF(0, y, labelWidth, hm.lineSpacing()), Qt::AlignLeft | Qt::AlignBottom, label);
        const double base = y + hm.lineSpacing() - hm.descent();
        p.drawLine(QPointF(labelWidth, base), QPointF(labelWidth + lineLength, base));
        const double nameLeft = labelWidth + lineLength + 6 * px_;
        const QString name = QStringLiteral("/ ") + (s.name.isEmpty() ? QStringLiteral("                              ") : s.name)
                           + QStringLiteral(" /");
        p.drawText(QRectF(nameLeft, y, std::max(0.0, page_.width() - nameLeft), hm.lineSpacing()),
                   Qt::AlignLeft | Qt::AlignBottom, hm.elidedText(name, Qt::ElideRight, page_.width() - nameLeft));
        y += hm.lineSpacing();
        p.setFont(smallFont_);
        p.drawText(QRectF(labelWidth, y, lineLength, sm.lineSpacing()), Qt::AlignHCenter | Qt::AlignTop,
                   QStringLiteral("(подпись)"));
        y += sm.lineSpacing();
    }
    return y;
}

void StatementLayout::paintFooter(QPainter& p, int page) const
{
    const QFontMetricsF sm(smallFont_, &device_);
    p.setFont(smallFont_);
    const double y = page_.height() - sm.lineSpacing();
    const QString number = QStringLiteral("Стр. %1 из %2").arg(page + 1).arg(pageCount());
    const double numberWidth = sm.horizontalAdvance(number) + 4 * px_;
    QStringList what;
    for (const QString& part : {st_.header.group, st_.header.discipline, st_.header.formOfControl})
        if (!part.trimmed().isEmpty())
            what << part.trimmed();
    const double left = page_.width() - numberWidth;
    p.drawText(QRectF(0, y, left, sm.lineSpacing()), Qt::AlignLeft | Qt::AlignVCenter,
               sm.elidedText(what.join(QStringLiteral(" · ")), Qt::ElideRight, left));
    p.drawText(QRectF(left, y, numberWidth, sm.lineSpacing()), Qt::AlignRight | Qt::AlignVCenter, number);
}

void StatementLayout::paint(QPainter& p, int index) const
{
    const Page& page = pages_.at(size_t(index));
    p.save();
    p.setPen(QPen(Qt::black, 0.5 * px_));
    p.setBrush(Qt::NoBrush);
    double y = paintHeading(p);
    const bool closingOnly = page.rowCount == 0 && page.firstRow > 0;
    if (!closingOnly) {
        y = paintTitles(p, y);
        p.setFont(cellFont_);
        const QFontMetricsF cm(cellFont_, &device_);
        const double pad = kPad * px_;
        for (int r = page.firstRow; r < page.firstRow + page.rowCount; ++r) {
            const StatementRow& row = st_.rows.at(r);
            double x = 0;
            for (int k = 0; k < int(widths_.size()); ++k) {
                const int i = cols_[size_t(k)];
                const double w = widths_[size_t(k)];
                const QRectF cell(x, y, w, rowHeight_);
                p.drawRect(cell);
                const QString& text = row.texts.at(i);
                if (!text.isEmpty()) {
                    const double room = w - 2 * pad;
                    p.drawText(cell.adjusted(pad, 0, -pad, 0), alignmentOf(st_.columns[i].type),
                               cm.horizontalAdvance(text) <= room ? text : cm.elidedText(text, Qt::ElideRight, room));
                }
                x += w;
            }
            y += rowHeight_;
        }
    }
    if (page.closing)
        paintClosing(p, y);
    paintFooter(p, index);
    p.restore();
}

void paintStatement(const Statement& statement, QPagedPaintDevice& device)
{
    QPainter painter;
    if (!painter.begin(&device))
        throw IoError(QStringLiteral("Не удалось начать печать ведомости."));
    const StatementLayout layout(statement, device, QRectF(0, 0, device.width(), device.height()));
    for (int page = 0; page < layout.pageCount(); ++page) {
        if (page > 0 && !device.newPage())
            throw IoError(QStringLiteral("Не удалось начать новую страницу ведомости."));
        layout.paint(painter, page);
    }
    painter.end();
}

QByteArray statementPdf(const Statement& statement)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(600);
        writer.setCreator(QStringLiteral("QEL 13"));
        QStringList title{statement.header.statementForm, statement.header.group, statement.header.discipline};
        title.removeAll(QString());
        writer.setTitle(title.join(QStringLiteral(" — ")));
        writer.setPageLayout(statementPageLayout(preferredOrientation(statement, writer)));
        paintStatement(statement, writer);
    }
    return bytes;
}

} // namespace qel::report
