#include "platform/ui/up_down_edit.h"

#include "platform/ui/error_report.h"

#include <QBoxLayout>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

namespace qel::ui {

UpDownEdit::UpDownEdit(QWidget* parent, Qt::Orientation arrows) : QWidget(parent)
{
    edit_ = new QLineEdit(this);
    up_ = new QToolButton(this);
    down_ = new QToolButton(this);
    const bool horizontal = arrows == Qt::Horizontal;
    up_->setArrowType(horizontal ? Qt::RightArrow : Qt::UpArrow);
    down_->setArrowType(horizontal ? Qt::LeftArrow : Qt::DownArrow);
    for (QToolButton* b : {up_, down_}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedWidth(horizontal ? 16 : 18);
    }
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(edit_);
    if (horizontal) {
        layout->addWidget(down_);
        layout->addWidget(up_);
    } else {
        auto* arrowsBox = new QVBoxLayout;
        arrowsBox->setSpacing(0);
        arrowsBox->addWidget(up_);
        arrowsBox->addWidget(down_);
        layout->addLayout(arrowsBox);
    }
    setFocusProxy(edit_);
    connect(up_, &QToolButton::clicked, this, [this] { stepUp(); });
    connect(down_, &QToolButton::clicked, this, [this] { stepDown(); });
    connect(edit_, &QLineEdit::textChanged, this, [this] {
        if (onChange)
            runGuarded([&] { onChange(*this); });
    });
    setPosition(0);
}

QString UpDownEdit::text() const { return edit_->text(); }

void UpDownEdit::setText(const QString& text) { edit_->setText(text); }

void UpDownEdit::setRange(int minimum, int maximum)
{
    min_ = std::min(minimum, maximum);
    max_ = std::max(minimum, maximum);
    last_ = std::clamp(last_, min_, max_);
}

int UpDownEdit::position() const
{
    bool ok = false;
    const int v = edit_->text().trimmed().toInt(&ok);
    return ok ? std::clamp(v, min_, max_) : last_;
}

void UpDownEdit::setPosition(int value)
{
    last_ = std::clamp(value, min_, max_);
    edit_->setText(QString::number(last_));
}

void UpDownEdit::stepUp() { step(increment_); }
void UpDownEdit::stepDown() { step(-increment_); }

void UpDownEdit::step(int delta) { setPosition(position() + delta); }

} // namespace qel::ui
