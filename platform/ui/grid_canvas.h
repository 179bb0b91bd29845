// What a cell-drawing handler paints with: the painter of the cell being drawn, the brush
// (background) and font the grid prepared, the row being drawn, and simple text output.
#pragma once

#include "platform/ui/grid_types.h"

#include <QRect>

class QPainter;

namespace qel::ui {

class GridCanvas {
public:
    QPainter* painter() const { return painter_; }
    bool isActive() const { return painter_ != nullptr; }
    // The data row of the cell being drawn; -1 outside drawing.
    int row() const { return row_; }

    // Around the drawing of one cell (the grid's delegate does this).
    void begin(QPainter* painter, const QRect& clip, int row);
    void end();

    QColor brush;        // background of the next fillRect
    GridFont font;       // font and text colour of the next textOut

    void fillRect(const QRect& rect);
    // Writes the text with its top-left corner at (x, y), clipped to the cell.
    void textOut(int x, int y, const QString& text);
    // Fills the rect with the brush and writes the text aligned inside it (2 px from the left,
    // 3 px from the right, or centred), vertically centred.
    void textRect(const QRect& rect, const QString& text, Qt::Alignment alignment);
    int textWidth(const QString& text) const;
    int textHeight(const QString& text) const;

private:
    QPainter* painter_ = nullptr;
    QRect clip_;
    int row_ = -1;
};

} // namespace qel::ui
