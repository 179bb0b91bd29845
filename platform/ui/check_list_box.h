// A list of texts, each with a tick box. Items are added in order and addressed by
// position; onClickCheck runs when the user ticks or unticks an item.
#pragma once

#include <QListWidget>
#include <functional>

namespace qel::ui {

class CheckListBox : public QListWidget {
    Q_OBJECT
public:
    using Handler = std::function<void(CheckListBox& sender, int item)>;

    explicit CheckListBox(QWidget* parent = nullptr);

    int addItem(const QString& text, bool checked = false);   // returns the item's position
    void clearItems() { clear(); }
    QString itemText(int item) const;
    bool checked(int item) const;
    void setChecked(int item, bool on);
    void setAllChecked(bool on);
    int checkedCount() const;
    QStringList items() const;

    Handler onClickCheck;

private:
    int settingFromCode_ = 0;
};

} // namespace qel::ui
