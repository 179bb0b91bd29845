// A lookup list box: the rows of a list data source shown by their list field; the chosen
// row's key is the control's key value (null when nothing is chosen). A user's choice
// (click or keys) positions the list's dataset and runs onClick; a key set from code runs
// no handler. Without a list source the box is empty and nothing can be chosen.
#pragma once

#include "platform/ui/lookup_binding.h"

#include <QListView>
#include <functional>

namespace qel::ui {

class DBLookupListBox : public QListView {
    Q_OBJECT
public:
    using Handler = std::function<void(DBLookupListBox& sender)>;

    explicit DBLookupListBox(QWidget* parent = nullptr);

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
    QString text() const { return binding_->text(); }
    int count() const { return binding_->rowCount(); }
    QString itemText(int row) const { return binding_->textAt(row); }

    // Chooses a listed row as the user does (runs onClick).
    void pickRow(int row);

    Handler onClick;
    Handler onEnter;

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void sync();

    LookupBinding* binding_;
    int syncing_ = 0;
    bool pickedOnPress_ = false;
};

} // namespace qel::ui
