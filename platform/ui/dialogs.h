// The dialogs service: every message box of the client goes through it, so tests can put
// a double in its place that records each box and answers from a script.
#pragma once

#include <QString>

class QWidget;

namespace qel::ui {

enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, Cancel };
enum class MsgResult { Ok, Cancel, Yes, No };

struct MessageRequest {
    QWidget* parent = nullptr;
    QString title;
    QString text;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Shows the box modally and returns the button pressed; Esc and the close box give
    // Cancel, or No where there is no Cancel button.
    virtual MsgResult message(const MessageRequest& request) = 0;
};

// The service in force: the real message boxes unless a test installed another.
Dialogs& dialogs();

// Installs a service (not owned); nullptr restores the real one.
void setDialogs(Dialogs* service);

// The application's title, the caption of plain messages and error reports.
QString applicationTitle();
void setApplicationTitle(const QString& title);

// A plain message: the application's title, no icon, an OK button.
void showMessage(const QString& text, QWidget* parent = nullptr);

// A message box with everything given.
MsgResult messageBox(const QString& text, const QString& title, MsgIcon icon,
                     MsgButtons buttons = MsgButtons::Ok, QWidget* parent = nullptr);

const char* iconName(MsgIcon icon);
const char* buttonsName(MsgButtons buttons);
const char* resultName(MsgResult result);

} // namespace qel::ui
