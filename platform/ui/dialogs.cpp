#include "platform/ui/dialogs.h"

#include <QApplication>
#include <QMessageBox>

namespace qel::ui {
namespace {

class RealDialogs final : public Dialogs {
public:
    MsgResult message(const MessageRequest& r) override
    {
        QMessageBox box(r.parent);
        box.setWindowTitle(r.title);
        box.setText(QString(r.text).replace(QLatin1Char('\r'), QLatin1Char('\n')));
        switch (r.icon) {
        case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
        case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
        case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
        case MsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
        case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
        }
        switch (r.buttons) {
        case MsgButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            box.setEscapeButton(QMessageBox::Ok);
            break;
        case MsgButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case MsgButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setEscapeButton(QMessageBox::No);
            break;
        case MsgButtons::Cancel:
            box.setStandardButtons(QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        }
        switch (box.exec()) {
        case QMessageBox::Ok: return MsgResult::Ok;
        case QMessageBox::Yes: return MsgResult::Yes;
        case QMessageBox::No: return MsgResult::No;
        default: return r.buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::Cancel;
        }
    }
};

RealDialogs g_real;
Dialogs* g_current = nullptr;
QString g_title;

} // namespace

Dialogs& dialogs() { return g_current ? *g_current : g_real; }

void setDialogs(Dialogs* service) { g_current = service; }

QString applicationTitle()
{
    if (!g_title.isEmpty())
        return g_title;
    return QCoreApplication::applicationName();
}

void setApplicationTitle(const QString& title)
{
    g_title = title;
    if (QCoreApplication::instance())
        QGuiApplication::setApplicationDisplayName(title);
}

void showMessage(const QString& text, QWidget* parent)
{
    dialogs().message({parent, applicationTitle(), text, MsgIcon::None, MsgButtons::Ok});
}

MsgResult messageBox(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons, QWidget* parent)
{
    return dialogs().message({parent, title, text, icon, buttons});
}

const char* iconName(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::None: return "none";
    case MsgIcon::Information: return "information";
    case MsgIcon::Warning: return "warning";
    case MsgIcon::Error: return "error";
    case MsgIcon::Question: return "question";
    }
    return "?";
}

const char* buttonsName(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok: return "ok";
    case MsgButtons::OkCancel: return "ok-cancel";
    case MsgButtons::YesNo: return "yes-no";
    case MsgButtons::Cancel: return "cancel";
    }
    return "?";
}

const char* resultName(MsgResult result)
{
    switch (result) {
    case MsgResult::Ok: return "ok";
    case MsgResult::Cancel: return "cancel";
    case MsgResult::Yes: return "yes";
    case MsgResult::No: return "no";
    }
    return "?";
}

} // namespace qel::ui
