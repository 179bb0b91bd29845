// A record navigator: a row of buttons acting on the dataset of a data source (move,
// insert, delete, edit, post, cancel, refresh). Any subset of the buttons is shown, each
// with its hint; buttons are enabled by the dataset's state. Every action runs guarded.
#pragma once

#include "platform/db/data_source.h"

#include <QList>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>

class QToolButton;

namespace qel::ui {

enum class NavigateButton { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };

class DBNavigator : public QWidget {
    Q_OBJECT
public:
    using Handler = std::function<void(DBNavigator& sender, NavigateButton button)>;

    explicit DBNavigator(QWidget* parent = nullptr);

    db::DataSource* dataSource() const { return source_; }
    void setDataSource(db::DataSource* source);

    // The buttons shown, in this order (all of them by default).
    QList<NavigateButton> visibleButtons() const { return visible_; }
    void setVisibleButtons(const QList<NavigateButton>& buttons);
    void setHint(NavigateButton button, const QString& hint);
    QString hint(NavigateButton button) const;
    QToolButton* button(NavigateButton button) const;
    bool isButtonEnabled(NavigateButton button) const;

    // Delete asks first ("Удалить запись?").
    bool confirmDelete() const { return confirmDelete_; }
    void setConfirmDelete(bool on) { confirmDelete_ = on; }

    // Performs a button's action as a click does.
    void clickButton(NavigateButton button);

    Handler beforeAction;   // may abort silently to stop the action
    Handler onClick;        // after the action

private:
    void updateButtons();
    void act(NavigateButton button);

    QPointer<db::DataSource> source_;
    std::vector<QMetaObject::Connection> connections_;
    std::map<NavigateButton, QToolButton*> buttons_;
    QList<NavigateButton> visible_;
    bool confirmDelete_ = true;
};

} // namespace qel::ui
