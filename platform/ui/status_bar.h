// A status bar of fixed-width panels, each with its own text and alignment.
#pragma once

#include <QStatusBar>

class QLabel;

namespace qel::ui {

class StatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusBar(QWidget* parent = nullptr);

    int addPanel(int width, const QString& text = {}, Qt::Alignment alignment = Qt::AlignCenter);
    int panelCount() const { return int(panels_.size()); }
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString& text);
    QLabel* panel(int panel) const { return panels_.value(panel); }

private:
    QList<QLabel*> panels_;
};

} // namespace qel::ui
