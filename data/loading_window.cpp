#include "data/loading_window.h"

#include "platform/ui/repaint.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace qel {

QPointer<TForm4> Form4;

TForm4::TForm4(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Загрузка"));
    setAttribute(Qt::WA_DeleteOnClose);
    // It only informs: the window the user works in keeps the focus.
    setAttribute(Qt::WA_ShowWithoutActivating);
    Label1 = new QLabel(QStringLiteral("Идёт загрузка, подождите..."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    QFont f = Label1->font();
    f.setPointSize(11);
    Label1->setFont(f);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->addWidget(Label1);
    setFixedSize(300, 80);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TForm4* showLoadingWindow(const QString& text)
{
    if (!Form4) {
        Form4 = new TForm4;
        if (!text.isEmpty())
            Form4->Label1->setText(text);
        Form4->show();
        ui::repaintNow();
    }
    return Form4;
}

void destroyLoadingWindow()
{
    if (Form4) {
        delete Form4.data();
        ui::repaintNow();
    }
}

} // namespace qel
