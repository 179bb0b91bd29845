#include "data/loading_window.h"

#include "platform/ui/repaint.h"
#include "platform/ui/window_placement.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

namespace qel {

QPointer<TForm4> Form4;

namespace {
// The window the user worked in when the loading window appeared; it gets the keyboard
// back when the loading window goes, so typing goes on without a click.
QPointer<QWidget> activeBeforeLoading;
} // namespace

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
    ui::centerOnScreen(*this);
}

TForm4* showLoadingWindow(const QString& text)
{
    if (!Form4) {
        activeBeforeLoading = QApplication::activeWindow();
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
        if (QWidget* previous = activeBeforeLoading.data(); previous && previous->isVisible()
            && (!QApplication::activeWindow() || QApplication::activeWindow() == previous))
            previous->activateWindow();
        activeBeforeLoading.clear();
        ui::repaintNow();
    }
}

} // namespace qel
