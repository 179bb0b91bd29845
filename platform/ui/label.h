// A label with its own font colour (and optionally a background), as the windows' labels
// are given: "bold navy", "red bold underlined".
#pragma once

#include <QLabel>

namespace qel::ui {

class Label : public QLabel {
    Q_OBJECT
public:
    explicit Label(const QString& text = {}, QWidget* parent = nullptr);
    Label(const QString& text, const QFont& font, const QColor& color, QWidget* parent = nullptr);

    QColor fontColor() const;
    void setFontColor(const QColor& color);
    // Invalid: transparent.
    void setColor(const QColor& color);
};

} // namespace qel::ui
