#include "platform/ui/grid_column.h"

#include "platform/db/dataset.h"
#include "platform/db/value_convert.h"
#include "platform/ui/qx_db_grid_eh.h"

#include <algorithm>

namespace qel::ui {

int GridColumn::index() const { return grid_->columnIndex(this); }

void GridColumn::changed(bool layout) { grid_->columnChanged(this, layout); }

void GridColumn::setFieldName(const QString& name)
{
    fieldName_ = name;
    changed();
}

db::Field* GridColumn::field() const
{
    db::DataSet* ds = grid_->dataSet();
    return ds && !fieldName_.isEmpty() ? ds->findField(fieldName_) : nullptr;
}

void GridColumn::setTitle(const QString& title)
{
    title_ = title;
    changed(true);
}

QStringList GridColumn::titleLevels() const { return title_.split(QLatin1Char('|')); }

void GridColumn::setWidth(int width)
{
    width = std::max(width, 0);
    if (minWidth_ > 0)
        width = std::max(width, minWidth_);
    if (maxWidth_ > 0)
        width = std::min(width, maxWidth_);
    width_ = width;
    changed(true);
}

void GridColumn::setMinWidth(int width)
{
    minWidth_ = std::max(width, 0);
    setWidth(width_);
}

void GridColumn::setMaxWidth(int width)
{
    maxWidth_ = std::max(width, 0);
    setWidth(width_);
}

void GridColumn::setVisible(bool on)
{
    if (visible_ == on)
        return;
    visible_ = on;
    changed(true);
}

void GridColumn::setReadOnly(bool on)
{
    readOnly_ = on;
    changed();
}

QColor GridColumn::color() const { return color_.isValid() ? color_ : grid_->color(); }

void GridColumn::setColor(const QColor& color)
{
    color_ = color;
    changed();
}

GridFont GridColumn::font() const { return font_ ? *font_ : grid_->dataFont(); }

void GridColumn::setFont(const QFont& font, const QColor& color)
{
    font_ = GridFont{font, color};
    changed();
}

void GridColumn::resetFont()
{
    font_.reset();
    changed();
}

Qt::Alignment GridColumn::alignment() const
{
    if (alignment_)
        return *alignment_;
    if (db::Field* f = field(); f && db::convert::isNumericType(f->dataType()) && keyList_.isEmpty())
        return Qt::AlignRight;
    return Qt::AlignLeft;
}

void GridColumn::setAlignment(Qt::Alignment alignment)
{
    alignment_ = alignment;
    changed();
}

void GridColumn::setDisplayFormat(const QString& format)
{
    displayFormat_ = format;
    changed();
}

void GridColumn::setEditMask(const QString& mask) { editMask_ = mask; }

void GridColumn::setPickList(const QStringList& items)
{
    pickList_ = items;
    changed();
}

void GridColumn::setKeyList(const QStringList& keys)
{
    keyList_ = keys;
    changed();
}

void GridColumn::setDropDownWidth(int width) { dropDownWidth_ = std::max(width, 0); }

bool GridColumn::hasDropDownList() const
{
    if (!pickList_.isEmpty())
        return true;
    db::Field* f = field();
    return f && f->isLookup();
}

int GridColumn::addEditButton(EditButtonStyle style, QMenu* menu)
{
    EditButton b;
    b.style = style;
    b.dropDownMenu = menu;
    editButtons_.append(b);
    changed();
    return int(editButtons_.size()) - 1;
}

void GridColumn::setEditButtonMenu(int button, QMenu* menu)
{
    if (button >= 0 && button < editButtons_.size())
        editButtons_[button].dropDownMenu = menu;
}

void GridColumn::setEditButtonVisible(int button, bool on)
{
    if (button >= 0 && button < editButtons_.size()) {
        editButtons_[button].visible = on;
        changed();
    }
}

void GridColumn::clearEditButtons()
{
    editButtons_.clear();
    changed();
}

bool GridColumn::hasVisibleEditButton() const
{
    return std::any_of(editButtons_.begin(), editButtons_.end(), [](const EditButton& b) { return b.visible; });
}

void GridColumn::setFooterValueType(FooterValueType type)
{
    footerType_ = type;
    changed();
}

void GridColumn::setFooterText(const QString& text)
{
    footerText_ = text;
    footerType_ = FooterValueType::StaticText;
    changed();
}

} // namespace qel::ui
