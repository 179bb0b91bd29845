// The grid's fixed areas: the title row with multi-level headings ("Top|Bottom", equal
// tops of neighbouring columns drawn once across them) and the row indicator at the left
// (current row, edit and insert state, selected rows).
#pragma once

#include <QHeaderView>

namespace qel::ui {

class TQXDBGridEh;

class GridTitleHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit GridTitleHeader(TQXDBGridEh& grid);

    QSize sizeHint() const override;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    // The horizontal extent of the heading part at `level` shared with neighbours.
    QRect spanRect(int logicalIndex, int level, const QRect& rect) const;

    TQXDBGridEh& grid_;
};

class GridIndicatorHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit GridIndicatorHeader(TQXDBGridEh& grid);

    QSize sizeHint() const override;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    TQXDBGridEh& grid_;
};

} // namespace qel::ui
