#include "platform/ui/status_bar.h"

#include <QLabel>

namespace qel::ui {

StatusBar::StatusBar(QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(true);
}

int StatusBar::addPanel(int width, const QString& text, Qt::Alignment alignment)
{
    auto* label = new QLabel(text, this);
    label->setFixedWidth(width);
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setContentsMargins(2, 0, 2, 0);
    addWidget(label);
    panels_.append(label);
    return int(panels_.size()) - 1;
}

QString StatusBar::panelText(int panel) const
{
    const QLabel* l = panels_.value(panel);
    return l ? l->text() : QString();
}

void StatusBar::setPanelText(int panel, const QString& text)
{
    if (QLabel* l = panels_.value(panel))
        l->setText(text);
}

} // namespace qel::ui
