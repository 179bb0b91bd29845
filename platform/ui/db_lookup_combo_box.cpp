#include "platform/ui/db_lookup_combo_box.h"

#include "platform/ui/error_report.h"

#include <QAbstractItemView>
#include <QFocusEvent>

namespace qel::ui {

DBLookupComboBox::DBLookupComboBox(QWidget* parent) : QComboBox(parent), binding_(new LookupBinding(this))
{
    setEditable(false);
    setModel(binding_);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(8);
    connect(binding_, &LookupBinding::changed, this, &DBLookupComboBox::sync);
    connect(this, &QComboBox::activated, this, [this](int row) {
        if (!syncing_)
            pickRow(row);
    });
    sync();
}

void DBLookupComboBox::pickRow(int row)
{
    if (!runGuarded([&] { binding_->pick(row); }))
        return sync();
    if (onClick)
        runGuarded([&] { onClick(*this); });
}

void DBLookupComboBox::sync()
{
    // The shown item is the key's row, or none.
    ++syncing_;
    const int row = binding_->keyRow();
    if (currentIndex() != row)
        setCurrentIndex(row);
    --syncing_;
}

void DBLookupComboBox::showPopup()
{
    QComboBox::showPopup();
    QWidget* popup = view()->window();
    if (!popup || popup == window())
        return;
    QRect g = popup->geometry();
    const int width = std::max(dropDownWidth_, this->width());
    const QPoint below = mapToGlobal(QPoint(0, 0));
    int left = below.x();
    if (dropDownAlign_ == DropDownAlign::Right)
        left = below.x() + this->width() - width;
    else if (dropDownAlign_ == DropDownAlign::Center)
        left = below.x() + this->width() / 2 - width / 2;
    g.setLeft(left);
    g.setWidth(width);
    popup->setGeometry(g);
}

void DBLookupComboBox::focusInEvent(QFocusEvent* event)
{
    QComboBox::focusInEvent(event);
    if (onEnter && event->reason() != Qt::PopupFocusReason)
        runGuarded([&] { onEnter(*this); });
}

} // namespace qel::ui
