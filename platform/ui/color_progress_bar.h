// A progress bar whose bar colour can be set, stepped like the login window steps it.
#pragma once

#include <QProgressBar>

namespace qel::ui {

class ColorProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit ColorProgressBar(QWidget* parent = nullptr);

    QColor barColor() const { return barColor_; }
    void setBarColor(const QColor& color);
    int step() const { return step_; }
    void setStep(int step) { step_ = step; }
    // Advances by the step (wrapping to the minimum past the maximum).
    void stepIt();
    // Continuous bar (true) or blocks.
    bool smooth() const { return smooth_; }
    void setSmooth(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor barColor_ = QColor(0, 0, 128);
    int step_ = 10;
    bool smooth_ = true;
};

} // namespace qel::ui
