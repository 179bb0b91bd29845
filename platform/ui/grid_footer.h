// The grid's footer row under the data: per column a static text or the sum (or count)
// of the column over all rows, aligned with the columns and scrolled with them.
#pragma once

#include <QWidget>

namespace qel::ui {

class TQXDBGridEh;

class GridFooter : public QWidget {
    Q_OBJECT
public:
    explicit GridFooter(TQXDBGridEh& grid);

    // Rectangle of a column's footer cell in this widget.
    QRect cellRect(int column) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TQXDBGridEh& grid_;
};

} // namespace qel::ui
