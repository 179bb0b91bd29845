// A panel: a coloured area with an optional caption (font, colour, alignment) and a bevel,
// which may hold other controls.
#pragma once

#include <QFrame>

namespace qel::ui {

class Panel : public QFrame {
    Q_OBJECT
public:
    enum class Bevel { None, Raised, Lowered };

    explicit Panel(QWidget* parent = nullptr);
    explicit Panel(const QString& caption, QWidget* parent = nullptr);

    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    QColor color() const { return color_; }
    void setColor(const QColor& color);
    QColor fontColor() const { return fontColor_; }
    void setCaptionFont(const QFont& font, const QColor& color = Qt::black);
    Qt::Alignment alignment() const { return alignment_; }
    void setAlignment(Qt::Alignment alignment);
    void setBevel(Bevel bevel);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
    QColor color_;
    QFont captionFont_;
    QColor fontColor_ = Qt::black;
    Qt::Alignment alignment_ = Qt::AlignCenter;
};

} // namespace qel::ui
