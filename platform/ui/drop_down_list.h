// A drop-down list of fixed texts (no free text). onChange runs when the user picks an
// item; choosing an item from code runs nothing.
#pragma once

#include <QComboBox>
#include <functional>

namespace qel::ui {

class DropDownList : public QComboBox {
    Q_OBJECT
public:
    using Handler = std::function<void(DropDownList& sender)>;

    explicit DropDownList(QWidget* parent = nullptr);

    void setItems(const QStringList& items);
    QStringList items() const;
    int itemIndex() const { return currentIndex(); }
    void setItemIndex(int index);

    Handler onChange;
};

} // namespace qel::ui
