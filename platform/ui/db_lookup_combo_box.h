// A lookup combo box: offers the rows of a list data source by their list field and holds
// the key of the chosen row (null when nothing is chosen). A user's pick positions the
// list's dataset on the row and runs onClick; setting the key from code positions the
// dataset too but runs no handler.
#pragma once

#include "platform/ui/lookup_binding.h"

#include <QComboBox>
#include <functional>

namespace qel::ui {

enum class DropDownAlign { Left, Right, Center };

class DBLookupComboBox : public QComboBox {
    Q_OBJECT
public:
    using Handler = std::function<void(DBLookupComboBox& sender)>;

    explicit DBLookupComboBox(QWidget* parent = nullptr);

    db::DataSource* listSource() const { return binding_->listSource(); }
    void setListSource(db::DataSource* source) { binding_->setListSource(source); }
    QString keyField() const { return binding_->keyField(); }
    void setKeyField(const QString& name) { binding_->setKeyField(name); }
    QString listField() const { return binding_->listField(); }
    void setListField(const QString& name) { binding_->setListField(name); }

    QVariant keyValue() const { return binding_->keyValue(); }
    void setKeyValue(const QVariant& key) { binding_->setKeyValue(key); }
    void clearKeyValue() { binding_->setKeyValue(QVariant()); }
    bool hasSelection() const { return !binding_->keyValue().isNull(); }
    // The list text of the chosen row; empty when nothing is chosen or the row is not listed.
    QString text() const { return binding_->text(); }

    int dropDownWidth() const { return dropDownWidth_; }
    void setDropDownWidth(int width) { dropDownWidth_ = width; }
    DropDownAlign dropDownAlign() const { return dropDownAlign_; }
    void setDropDownAlign(DropDownAlign align) { dropDownAlign_ = align; }

    // Chooses a listed row as the user does (runs onClick).
    void pickRow(int row);

    void showPopup() override;

    Handler onClick;   // a user picked a row
    Handler onEnter;   // the control received the focus

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    void sync();

    LookupBinding* binding_;
    int dropDownWidth_ = 0;
    DropDownAlign dropDownAlign_ = DropDownAlign::Left;
    int syncing_ = 0;
};

} // namespace qel::ui
