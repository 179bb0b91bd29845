#include "platform/ui/drop_down_list.h"

#include "platform/ui/error_report.h"

namespace qel::ui {

DropDownList::DropDownList(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    connect(this, &QComboBox::activated, this, [this] {
        if (onChange)
            runGuarded([&] { onChange(*this); });
    });
}

void DropDownList::setItems(const QStringList& items)
{
    clear();
    addItems(items);
}

QStringList DropDownList::items() const
{
    QStringList out;
    for (int i = 0; i < count(); ++i)
        out << itemText(i);
    return out;
}

void DropDownList::setItemIndex(int index) { setCurrentIndex(index); }

} // namespace qel::ui
