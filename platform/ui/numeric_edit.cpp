#include "platform/ui/numeric_edit.h"

#include "platform/os/system_info.h"
#include "platform/ui/error_report.h"

#include <QPainter>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QStyleOptionFrame>
#include <cmath>

namespace qel::ui {

namespace {

std::optional<double> readNumber(QString text)
{
    text = text.trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    if (text.isEmpty() || text == QLatin1String("-"))
        return std::nullopt;
    bool ok = false;
    const double v = QLocale::c().toDouble(text, &ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

} // namespace

NumericEdit::NumericEdit(QWidget* parent) : QLineEdit(parent)
{
    setAlignment(Qt::AlignCenter);
    updateValidator();
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (onChange)
            runGuarded([&] { onChange(*this); });
    });
}

void NumericEdit::setIntegersOnly(bool on)
{
    integersOnly_ = on;
    updateValidator();
}

void NumericEdit::setGrouping(bool on)
{
    grouping_ = on;
    update();
}

void NumericEdit::setNegativeInParentheses(bool on)
{
    parentheses_ = on;
    update();
}

void NumericEdit::updateValidator()
{
    const QString pattern = integersOnly_ ? QStringLiteral("-?\\d*") : QStringLiteral("-?\\d*([.,]\\d*)?");
    setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), this));
}

double NumericEdit::value() const { return readNumber(text()).value_or(0); }

qint64 NumericEdit::intValue() const { return qint64(std::llround(value())); }

bool NumericEdit::hasValue() const { return readNumber(text()).has_value(); }

void NumericEdit::setValue(double v)
{
    setText(integersOnly_ ? QString::number(qint64(std::llround(v))) : QLocale::c().toString(v, 'g', 15));
}

QString NumericEdit::displayText() const
{
    const auto v = readNumber(text());
    if (!v)
        return text();
    QLocale locale = os::uiLocale();
    locale.setNumberOptions(grouping_ ? QLocale::DefaultNumberOptions : QLocale::OmitGroupSeparator);
    const double magnitude = parentheses_ ? std::fabs(*v) : *v;
    QString shown;
    if (integersOnly_)
        shown = locale.toString(qint64(std::llround(magnitude)));
    else {
        const QString plain = QLocale::c().toString(magnitude, 'g', 15);
        const int dot = int(plain.indexOf(QLatin1Char('.')));
        const int decimals = dot < 0 ? 0 : int(plain.size()) - dot - 1;
        shown = locale.toString(magnitude, 'f', decimals);
    }
    return parentheses_ && *v < 0 ? QLatin1Char('(') + shown + QLatin1Char(')') : shown;
}

void NumericEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (checkRange_ && hasValue()) {
        double v = value();
        if (max_ && v > *max_)
            v = *max_;
        if (min_ && v < *min_)
            v = *min_;
        if (v != value())
            setValue(v);
    }
}

void NumericEdit::paintEvent(QPaintEvent* event)
{
    if (hasFocus() || !hasValue()) {
        QLineEdit::paintEvent(event);
        return;
    }
    // Without the focus the number is shown formatted, in the box's own frame.
    QPainter p(this);
    QStyleOptionFrame opt;
    initStyleOption(&opt);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &opt, &p, this);
    QRect r = style()->subElementRect(QStyle::SE_LineEditContents, &opt, this);
    r = r.marginsRemoved(textMargins()).adjusted(2, 0, -2, 0);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    p.drawText(r, int(alignment()) | Qt::AlignVCenter, displayText());
}

} // namespace qel::ui
