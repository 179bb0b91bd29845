#include "platform/ui/db_lookup_list_box.h"

#include "platform/ui/error_report.h"

#include <QFocusEvent>

namespace qel::ui {

DBLookupListBox::DBLookupListBox(QWidget* parent) : QListView(parent), binding_(new LookupBinding(this))
{
    ++syncing_;
    setModel(binding_);
    --syncing_;
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    connect(binding_, &LookupBinding::changed, this, &DBLookupListBox::sync);
    // A click on the row already chosen is a pick as well.
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (!pickedOnPress_ && index.isValid())
            pickRow(index.row());
        pickedOnPress_ = false;
    });
}

void DBLookupListBox::pickRow(int row)
{
    if (!runGuarded([&] { binding_->pick(row); }))
        return sync();
    sync();
    if (onClick)
        runGuarded([&] { onClick(*this); });
}

void DBLookupListBox::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QListView::currentChanged(current, previous);
    if (!syncing_ && current.isValid() && !sameKey(binding_->keyAt(current.row()), binding_->keyValue())) {
        pickedOnPress_ = true;
        pickRow(current.row());
    }
}

void DBLookupListBox::sync()
{
    ++syncing_;
    const int row = binding_->keyRow();
    if (row < 0) {
        selectionModel()->clear();
    } else {
        const QModelIndex idx = binding_->index(row);
        selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
        scrollTo(idx);
    }
    --syncing_;
}

void DBLookupListBox::focusInEvent(QFocusEvent* event)
{
    QListView::focusInEvent(event);
    if (onEnter && event->reason() != Qt::PopupFocusReason)
        runGuarded([&] { onEnter(*this); });
}

} // namespace qel::ui

namespace qel::ui {

void DBLookupListBox::mousePressEvent(QMouseEvent* event)
{
    pickedOnPress_ = false;
    QListView::mousePressEvent(event);
}

} // namespace qel::ui
