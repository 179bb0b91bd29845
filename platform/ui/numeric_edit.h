// A numeric box: digits (and a minus) only, whole numbers or decimals, an optional range,
// shown with digit grouping and negatives in parentheses while it does not have the focus.
// text() is always the plain number as typed.
#pragma once

#include <QLineEdit>
#include <functional>
#include <optional>

namespace qel::ui {

class NumericEdit : public QLineEdit {
    Q_OBJECT
public:
    using Handler = std::function<void(NumericEdit& sender)>;

    explicit NumericEdit(QWidget* parent = nullptr);

    bool integersOnly() const { return integersOnly_; }
    void setIntegersOnly(bool on);
    std::optional<double> maximum() const { return max_; }
    void setMaximum(std::optional<double> value) { max_ = value; }
    std::optional<double> minimum() const { return min_; }
    void setMinimum(std::optional<double> value) { min_ = value; }
    // Keep the value within minimum and maximum when editing ends.
    bool checkRange() const { return checkRange_; }
    void setCheckRange(bool on) { checkRange_ = on; }
    bool grouping() const { return grouping_; }
    void setGrouping(bool on);
    bool negativeInParentheses() const { return parentheses_; }
    void setNegativeInParentheses(bool on);

    // The number typed; 0 for an empty or unreadable text.
    double value() const;
    qint64 intValue() const;
    bool hasValue() const;     // the text reads as a number
    void setValue(double value);
    // The text as shown without the focus ("1 234", "(56)").
    QString displayText() const;

    Handler onChange;          // the text changed

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void updateValidator();

    bool integersOnly_ = true;
    std::optional<double> max_;
    std::optional<double> min_;
    bool checkRange_ = false;
    bool grouping_ = true;
    bool parentheses_ = true;
};

} // namespace qel::ui
