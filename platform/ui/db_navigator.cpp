#include "platform/ui/db_navigator.h"

#include "platform/ui/dialogs.h"
#include "platform/ui/error_report.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace qel::ui {

namespace {

const NavigateButton kAll[] = {NavigateButton::First, NavigateButton::Prior,  NavigateButton::Next,
                               NavigateButton::Last,  NavigateButton::Insert, NavigateButton::Delete,
                               NavigateButton::Edit,  NavigateButton::Post,   NavigateButton::Cancel,
                               NavigateButton::Refresh};

QString defaultHint(NavigateButton b)
{
    switch (b) {
    case NavigateButton::First: return QStringLiteral("Первая запись");
    case NavigateButton::Prior: return QStringLiteral("Предыдущая запись");
    case NavigateButton::Next: return QStringLiteral("Следующая запись");
    case NavigateButton::Last: return QStringLiteral("Последняя запись");
    case NavigateButton::Insert: return QStringLiteral("Добавить запись");
    case NavigateButton::Delete: return QStringLiteral("Удалить запись");
    case NavigateButton::Edit: return QStringLiteral("Изменить запись");
    case NavigateButton::Post: return QStringLiteral("Сохранить изменения");
    case NavigateButton::Cancel: return QStringLiteral("Отменить изменения");
    case NavigateButton::Refresh: return QStringLiteral("Обновить данные");
    }
    return {};
}

// The button glyphs, drawn rather than shipped.
QIcon glyph(NavigateButton b, const QColor& colour)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(colour);
    auto triangle = [&](bool right, int x) {
        QPainterPath t;
        if (right) {
            t.moveTo(x, 3);
            t.lineTo(x + 6, 8);
            t.lineTo(x, 13);
        } else {
            t.moveTo(x + 6, 3);
            t.lineTo(x, 8);
            t.lineTo(x + 6, 13);
        }
        t.closeSubpath();
        p.drawPath(t);
    };
    switch (b) {
    case NavigateButton::First: p.drawLine(4, 3, 4, 13); triangle(false, 6); break;
    case NavigateButton::Prior: triangle(false, 5); break;
    case NavigateButton::Next: triangle(true, 5); break;
    case NavigateButton::Last: triangle(true, 4); p.drawLine(12, 3, 12, 13); break;
    case NavigateButton::Insert: p.drawLine(8, 3, 8, 13); p.drawLine(3, 8, 13, 8); break;
    case NavigateButton::Delete: p.drawLine(3, 8, 13, 8); break;
    case NavigateButton::Edit: {
        QPainterPath t;
        t.moveTo(8, 3);
        t.lineTo(13, 11);
        t.lineTo(3, 11);
        t.closeSubpath();
        p.drawPath(t);
        break;
    }
    case NavigateButton::Post:
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0, 128, 0), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygon({QPoint(3, 8), QPoint(7, 12), QPoint(13, 4)}));
        break;
    case NavigateButton::Cancel:
        p.setPen(QPen(QColor(180, 0, 0), 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(4, 4, 12, 12);
        p.drawLine(12, 4, 4, 12);
        break;
    case NavigateButton::Refresh:
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRect(3, 3, 10, 10), 90 * 16, 270 * 16);
        p.setBrush(colour);
        p.drawPolygon(QPolygon({QPoint(8, 1), QPoint(11, 3), QPoint(8, 5)}));
        break;
    }
    return QIcon(pm);
}

} // namespace

DBNavigator::DBNavigator(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (NavigateButton b : kAll) {
        auto* button = new QToolButton(this);
        button->setIcon(glyph(b, QColor(30, 30, 30)));
        button->setToolTip(defaultHint(b));
        button->setAutoRaise(false);
        button->setMinimumSize(25, 25);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        // Taking the focus on a click makes a grid write its open editor first.
        button->setFocusPolicy(Qt::ClickFocus);
        connect(button, &QToolButton::clicked, this, [this, b] { clickButton(b); });
        layout->addWidget(button);
        buttons_[b] = button;
        visible_ << b;
    }
    updateButtons();
}

void DBNavigator::setDataSource(db::DataSource* source)
{
    for (auto& c : connections_)
        disconnect(c);
    connections_.clear();
    source_ = source;
    if (source_) {
        auto update = [this] { updateButtons(); };
        using db::DataSource;
        connections_.push_back(connect(source_, &DataSource::activeChanged, this, update));
        connections_.push_back(connect(source_, &DataSource::stateChanged, this, update));
        connections_.push_back(connect(source_, &DataSource::layoutReset, this, update));
        connections_.push_back(connect(source_, &DataSource::currentChanged, this, update));
        connections_.push_back(connect(source_, &DataSource::rowsInserted, this, update));
        connections_.push_back(connect(source_, &DataSource::rowsRemoved, this, update));
        connections_.push_back(connect(source_, &DataSource::dataSetChanged, this, update));
        connections_.push_back(connect(source_, &DataSource::fieldChanged, this, update));
        connections_.push_back(connect(source_, &QObject::destroyed, this, update));
    }
    updateButtons();
}

void DBNavigator::setVisibleButtons(const QList<NavigateButton>& buttons)
{
    visible_ = buttons;
    auto* layout = static_cast<QHBoxLayout*>(this->layout());
    for (auto& [b, w] : buttons_) {
        layout->removeWidget(w);
        w->setVisible(false);
    }
    for (NavigateButton b : buttons) {
        layout->addWidget(buttons_[b]);
        buttons_[b]->setVisible(true);
    }
}

void DBNavigator::setHint(NavigateButton b, const QString& hint) { buttons_[b]->setToolTip(hint); }

QString DBNavigator::hint(NavigateButton b) const { return buttons_.at(b)->toolTip(); }

QToolButton* DBNavigator::button(NavigateButton b) const { return buttons_.at(b); }

bool DBNavigator::isButtonEnabled(NavigateButton b) const { return buttons_.at(b)->isEnabled(); }

void DBNavigator::updateButtons()
{
    db::DataSet* ds = source_ && source_->enabled() ? source_->dataSet() : nullptr;
    const bool active = ds && ds->active();
    const bool edit = ds && ds->editing();
    const int row = active ? ds->currentRow() : -1;
    const int count = active ? ds->recordCount() : 0;
    const bool modifiable = active && ds->canModify();
    auto set = [&](NavigateButton b, bool on) { buttons_[b]->setEnabled(on); };
    set(NavigateButton::First, active && row > 0);
    set(NavigateButton::Prior, active && row > 0);
    set(NavigateButton::Next, active && row >= 0 && row < count - 1);
    set(NavigateButton::Last, active && row >= 0 && row < count - 1);
    set(NavigateButton::Insert, modifiable);
    set(NavigateButton::Delete, modifiable && count > 0);
    set(NavigateButton::Edit, modifiable && !edit && count > 0);
    set(NavigateButton::Post, edit);
    set(NavigateButton::Cancel, edit);
    set(NavigateButton::Refresh, active);
}

void DBNavigator::clickButton(NavigateButton b)
{
    runGuarded([&] { act(b); });
    updateButtons();
}

void DBNavigator::act(NavigateButton b)
{
    db::DataSet* ds = source_ && source_->enabled() ? source_->dataSet() : nullptr;
    if (!ds || !ds->active())
        return;
    if (beforeAction)
        beforeAction(*this, b);
    switch (b) {
    case NavigateButton::First: ds->first(); break;
    case NavigateButton::Prior: ds->prior(); break;
    case NavigateButton::Next: ds->next(); break;
    case NavigateButton::Last: ds->last(); break;
    case NavigateButton::Insert: ds->insert(); break;
    case NavigateButton::Delete:
        if (confirmDelete_
            && messageBox(QStringLiteral("Удалить запись?"), applicationTitle(), MsgIcon::Question, MsgButtons::YesNo,
                          this) != MsgResult::Yes)
            return;
        ds->deleteRecord();
        break;
    case NavigateButton::Edit: ds->edit(); break;
    case NavigateButton::Post: ds->post(); break;
    case NavigateButton::Cancel: ds->cancel(); break;
    case NavigateButton::Refresh: ds->refresh(); break;
    }
    if (onClick)
        onClick(*this, b);
}

} // namespace qel::ui
