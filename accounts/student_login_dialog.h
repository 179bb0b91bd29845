// TForm11: the dialog in which a student's portal login and a new password are entered.
// It refuses an empty login, characters the stored texts cannot hold, and a login another
// student or any staff user already has, and asks whether the student must change the
// password at the first portal login.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qel {

namespace data {
class TDM_CDE_3;
}

// The answer to the first-login question of the last accepted dialog.
extern bool RequirePasswordChange;

class TForm11 : public QDialog {
    Q_OBJECT
public:
    TForm11(QWidget* owner, data::TDM_CDE_3& dm);

    QLineEdit* LabeledEdit1;   // login
    QLineEdit* LabeledEdit2;   // password
    QPushButton* SpeedButton2; // "Сохранить"
    QPushButton* SpeedButton1; // "Отмена"

    void LabeledEdit1Change();
    void SpeedButton2Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    data::TDM_CDE_3& dm_;
};

// The instance created hidden at program start.
extern TForm11* Form11;

} // namespace qel
