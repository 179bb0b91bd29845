// A text box with up-down arrows (side by side or stacked). The text stays free; the
// arrows step the number in the box within its bounds (an unreadable text steps from the
// last number the arrows set).
#pragma once

#include <QWidget>
#include <functional>

class QLineEdit;
class QToolButton;

namespace qel::ui {

class UpDownEdit : public QWidget {
    Q_OBJECT
public:
    using Handler = std::function<void(UpDownEdit& sender)>;

    explicit UpDownEdit(QWidget* parent = nullptr, Qt::Orientation arrows = Qt::Horizontal);

    QLineEdit* lineEdit() const { return edit_; }
    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

    QString text() const;
    void setText(const QString& text);
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    void setRange(int minimum, int maximum);
    int increment() const { return increment_; }
    void setIncrement(int step) { increment_ = step; }
    // The number the arrows step from: the text's when it reads as a whole number.
    int position() const;
    void setPosition(int value);
    void stepUp();
    void stepDown();

    Handler onChange;   // the text changed

private:
    void step(int delta);

    QLineEdit* edit_;
    QToolButton* up_;
    QToolButton* down_;
    int min_ = 0;
    int max_ = 100;
    int increment_ = 1;
    int last_ = 0;
};

} // namespace qel::ui
