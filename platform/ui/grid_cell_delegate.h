// The grid's item delegate: hands cell painting and cell editors to the grid, and routes
// the keys typed into an editor through the grid's key handlers.
#pragma once

#include <QStyledItemDelegate>

namespace qel::ui {

class TQXDBGridEh;

class GridCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit GridCellDelegate(TQXDBGridEh& grid);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    TQXDBGridEh& grid_;
};

} // namespace qel::ui
