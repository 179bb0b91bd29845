// The grid's item delegate: paints each cell (colours and fonts of its drawing state, the
// cell parameter and cell drawing handlers, grid lines, the current cell's edit buttons),
// makes the cell editors (text with mask, pick list, lookup list), loads them and commits
// their text or key through the model.
#pragma once

#include <QStyledItemDelegate>

namespace qel::ui {

class TQXDBGridEh;
class GridModel;
struct GridDrawState;

class GridCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    GridCellDelegate(TQXDBGridEh& grid, GridModel& model);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

private:
    void paintEditButtons(QPainter* painter, const QRect& rect, const QModelIndex& index) const;
    // A failing drawing handler is reported once, not on every repaint behind its box.
    void guardedPaint(const std::function<void()>& action) const;
    // The editor was changed by the user: the row goes into edit state, or the editor
    // closes when a rule refuses the edit.
    void editorChanged(QWidget* editor, bool commitAtOnce) const;

    TQXDBGridEh& grid_;
    GridModel& model_;
    mutable bool reportingPaintError_ = false;
};

} // namespace qel::ui
