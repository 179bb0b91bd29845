// TForm8: the borderless login window. Two-stage connection: the shared account of the
// settings file asks GET_USER whether the login and password are valid, then the
// connection reopens under the database account the server hands out for the user.
// The same window changes the password, refuses a too-old client and shows the progress
// of the reference loading.
#pragma once

#include "data/session_state.h"

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QToolButton;

namespace qel {

namespace data {
class TDM_CDE_3;
}

constexpr int kClientVersion = 27;

// The caption of the main window and the application after the first connection opened.
QString sessionCaption(const QString& designCaption);

class TForm8 : public QDialog {
    Q_OBJECT
public:
    // mainWindow receives the caption; session receives the login's identity.
    TForm8(QWidget* owner, data::TDM_CDE_3& dm, SessionState& session, QWidget* mainWindow);

    QLabel* Image1;
    QLabel* Image2;
    QLabel* RzLabel1;
    QLabel* Label1;
    QLineEdit* Login_Edit;
    QLineEdit* Password_Edit;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QToolButton* SpeedButton2;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton3;
    QProgressBar* ProgressBar;

    quint8 LoginAttempts = 0;
    bool PasswordChangeOpen = false;

    // The status line as the system composed it ("\r" kept).
    const QString& statusText() const { return status_; }

    // What the version gate does when the server requires a newer client: wait, then end
    // the process at once. Tests replace both.
    static std::function<void(int ms)> waitBeforeExit;
    static std::function<void()> endProcess;

    void SpeedButton2Click();
    void SpeedButton1Click();
    void SpeedButton3Click();

    // One login attempt; newPassword is "NULL" when no change is requested.
    bool LoginAttempt(const QString& newPassword);

    static constexpr int kNormalHeight = 275;
    static constexpr int kPaneHeight = 416;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setStatus(const QString& text);
    void requirePasswordChange();
    QString versionLine() const;

    data::TDM_CDE_3& dm_;
    SessionState& session_;
    QWidget* mainWindow_;
    QString status_;
    QPoint dragOffset_;
    bool dragging_ = false;
};

} // namespace qel
