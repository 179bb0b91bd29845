#include "platform/ui/grid_row_selection.h"

#include "platform/ui/qx_db_grid_eh.h"

#include <algorithm>

namespace qel::ui {

QList<db::Bookmark> GridRowSelection::bookmarks() const
{
    QList<db::Bookmark> out;
    out.reserve(qsizetype(items_.size()));
    for (const Item& i : items_)
        out.append(i.bookmark);
    return out;
}

void GridRowSelection::reindex() const
{
    if (!indexDirty_)
        return;
    bookmarkSet_.clear();
    rowSet_.clear();
    for (const Item& i : items_) {
        bookmarkSet_.insert(keyOf(i.bookmark));
        if (i.row >= 0)
            rowSet_.insert(i.row);
    }
    indexDirty_ = false;
}

bool GridRowSelection::contains(const db::Bookmark& bookmark) const
{
    reindex();
    return bookmarkSet_.contains(keyOf(bookmark));
}

bool GridRowSelection::isRowSelected(int row) const
{
    if (row < 0 || items_.empty())
        return false;
    reindex();
    return rowSet_.contains(row);
}

bool GridRowSelection::currentRowSelected() const
{
    db::DataSet* ds = grid_.dataSet();
    return ds && ds->active() && contains(ds->bookmark());
}

void GridRowSelection::setCurrentRowSelected(bool on)
{
    db::DataSet* ds = grid_.dataSet();
    if (!ds || !ds->active() || ds->currentRow() < 0)
        return;
    const db::Bookmark bm = ds->bookmark();
    if (on)
        add(bm, ds->currentRow());
    else
        remove(bm);
}

void GridRowSelection::clear()
{
    if (items_.empty())
        return;
    items_.clear();
    changed();
}

void GridRowSelection::selectAll()
{
    db::DataSet* ds = grid_.dataSet();
    if (!ds || !ds->active())
        return;
    ds->checkBrowseMode();
    const int count = ds->recordCount();
    items_.clear();
    items_.reserve(size_t(count));
    for (int row = 0; row < count; ++row)
        items_.push_back({ds->bookmarkAt(row), row});
    changed();
}

void GridRowSelection::toggle(const db::Bookmark& bookmark, int row)
{
    if (contains(bookmark))
        remove(bookmark);
    else
        add(bookmark, row);
}

void GridRowSelection::add(const db::Bookmark& bookmark, int row)
{
    if (bookmark.isNull() || contains(bookmark))
        return;
    items_.push_back({bookmark, row});
    bookmarkSet_.insert(keyOf(bookmark));
    if (row >= 0)
        rowSet_.insert(row);
    changed(false);
}

void GridRowSelection::remove(const db::Bookmark& bookmark)
{
    const auto old = items_.size();
    items_.erase(std::remove_if(items_.begin(), items_.end(), [&](const Item& i) { return i.bookmark == bookmark; }),
                 items_.end());
    if (items_.size() != old)
        changed();
}

void GridRowSelection::rowsInserted(int first, int count)
{
    for (Item& i : items_)
        if (i.row >= first)
            i.row += count;
    indexDirty_ = true;
}

void GridRowSelection::rowsRemoved(int first, int count)
{
    db::DataSet* ds = grid_.dataSet();
    const auto old = items_.size();
    items_.erase(std::remove_if(items_.begin(), items_.end(),
                                [&](const Item& i) {
                                    return (i.row >= first && i.row < first + count)
                                        || !(ds && ds->bookmarkValid(i.bookmark));
                                }),
                 items_.end());
    for (Item& i : items_)
        if (i.row >= first + count)
            i.row -= count;
    indexDirty_ = true;
    if (items_.size() != old)
        changed();
}

void GridRowSelection::layoutReset()
{
    if (items_.empty())
        return;
    db::DataSet* ds = grid_.dataSet();
    const auto old = items_.size();
    items_.erase(std::remove_if(items_.begin(), items_.end(),
                                [&](const Item& i) { return !(ds && ds->bookmarkValid(i.bookmark)); }),
                 items_.end());
    // Each selected record keeps its mark wherever a sort or filter put it.
    for (Item& i : items_)
        i.row = ds ? ds->rowOf(i.bookmark) : -1;
    indexDirty_ = true;
    if (items_.size() != old)
        changed();
}

void GridRowSelection::dataSetChanged()
{
    items_.clear();
    indexDirty_ = true;
}

void GridRowSelection::changed(bool reindex)
{
    if (reindex)
        indexDirty_ = true;
    if (changed_)
        changed_();
}

} // namespace qel::ui
