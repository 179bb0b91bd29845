#include "platform/ui/check_list_box.h"

#include "platform/ui/error_report.h"

namespace qel::ui {

CheckListBox::CheckListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (!settingFromCode_ && onClickCheck)
            runGuarded([&] { onClickCheck(*this, row(item)); });
    });
}

int CheckListBox::addItem(const QString& text, bool on)
{
    ++settingFromCode_;
    auto* item = new QListWidgetItem(text, this);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    --settingFromCode_;
    return count() - 1;
}

QString CheckListBox::itemText(int i) const
{
    const QListWidgetItem* it = item(i);
    return it ? it->text() : QString();
}

bool CheckListBox::checked(int i) const
{
    const QListWidgetItem* it = item(i);
    return it && it->checkState() == Qt::Checked;
}

void CheckListBox::setChecked(int i, bool on)
{
    if (QListWidgetItem* it = item(i)) {
        ++settingFromCode_;
        it->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        --settingFromCode_;
    }
}

void CheckListBox::setAllChecked(bool on)
{
    for (int i = 0; i < count(); ++i)
        setChecked(i, on);
}

int CheckListBox::checkedCount() const
{
    int n = 0;
    for (int i = 0; i < count(); ++i)
        n += checked(i) ? 1 : 0;
    return n;
}

QStringList CheckListBox::items() const
{
    QStringList out;
    for (int i = 0; i < count(); ++i)
        out << itemText(i);
    return out;
}

} // namespace qel::ui
