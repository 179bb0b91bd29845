// The grid's multi-row selection: dataset bookmarks in the order the rows were selected,
// with the row each one is shown on, kept in step with inserted and removed rows.
#pragma once

#include "platform/db/dataset.h"

#include <QList>
#include <QSet>
#include <functional>
#include <vector>

namespace qel::ui {

class TQXDBGridEh;

class GridRowSelection {
public:
    // changed: told after every change (the grid repaints).
    GridRowSelection(TQXDBGridEh& grid, std::function<void()> changed) : grid_(grid), changed_(std::move(changed)) {}

    int count() const { return int(items_.size()); }
    bool isEmpty() const { return items_.empty(); }
    db::Bookmark at(int index) const { return items_.at(size_t(index)).bookmark; }
    QList<db::Bookmark> bookmarks() const;          // in selection order
    bool contains(const db::Bookmark& bookmark) const;
    bool isRowSelected(int row) const;

    // The dataset's current record.
    bool currentRowSelected() const;
    void setCurrentRowSelected(bool on);

    void clear();
    // Every row of the dataset, in the dataset's order; the current record stays current.
    void selectAll();

    // ---- for the grid ------------------------------------------------------------------------
    // Adds the row (shown at `row`, identified by `bookmark`) or removes it when present.
    void toggle(const db::Bookmark& bookmark, int row);
    void add(const db::Bookmark& bookmark, int row);
    void remove(const db::Bookmark& bookmark);
    void rowsInserted(int first, int count);
    void rowsRemoved(int first, int count);
    // After the dataset re-read or re-ordered its rows: drops bookmarks that no longer
    // exist and finds the row each remaining one stands on now.
    void layoutReset();
    void dataSetChanged();

private:
    struct Item {
        db::Bookmark bookmark;
        int row = -1;     // -1: the row it is shown on is not known
    };
    void changed(bool reindex = true);
    void reindex() const;
    static quint64 keyOf(const db::Bookmark& b) { return (b.generation << 32) ^ quint64(quint32(b.record)); }

    TQXDBGridEh& grid_;
    std::function<void()> changed_;
    std::vector<Item> items_;
    // Lookups for painting and toggling, rebuilt after changes.
    mutable QSet<quint64> bookmarkSet_;
    mutable QSet<int> rowSet_;
    mutable bool indexDirty_ = true;
};

} // namespace qel::ui
