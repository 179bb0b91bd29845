// A group box: a framed area with a caption in its own font and colour (the controls
// inside keep theirs).
#pragma once

#include <QWidget>

namespace qel::ui {

class GroupBox : public QWidget {
    Q_OBJECT
public:
    explicit GroupBox(const QString& caption = {}, QWidget* parent = nullptr);

    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    void setCaptionFont(const QFont& font, const QColor& color = Qt::black);
    QColor color() const { return color_; }
    void setColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void updateMargins();

    QString caption_;
    QFont captionFont_;
    QColor captionColor_ = Qt::black;
    QColor color_;
};

} // namespace qel::ui
