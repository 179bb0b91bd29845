// TForm13: puts students of the main window's sheet onto another statement form (a resit
// or a referral). It lists the students the server offers for the chosen form; each
// ticked student gets a new row on that form with the grade and the permitted point fields
// copied from his row on the main statement. Closing it after an addition reloads the main
// window's statement forms and reopens its sheet.
#pragma once

#include "sheet/add_students_sql.h"

#include <QDialog>
#include <QStringList>

class QPushButton;

namespace qel {

namespace data {
class TDM_CDE_3;
}
namespace ui {
class CheckListBox;
class DBLookupComboBox;
class Label;
} // namespace ui

class TForm2;

class TForm13 : public QDialog {
    Q_OBJECT
public:
    // Builds the window over the main window's current sheet and runs FormCreate; an
    // error while listing is reported and leaves the list empty.
    explicit TForm13(TForm2& main, QWidget* owner = nullptr);
    ~TForm13() override;

    ui::Label* Label1;
    ui::DBLookupComboBox* DBLookupComboBox1;   // the target statement form
    QPushButton* SpeedButton1;                 // "Выбрать всех" / "Убрать выделение"
    ui::CheckListBox* CheckListBox1;           // the candidates' full names
    QPushButton* Button1;                      // "Добавить"
    ui::Label* Label2;                         // the result of the last addition

    // id_student of each item of CheckListBox1, as text, in the same order.
    QStringList StudentIdList;

    void FormCreate();
    // After an addition: the main window's statement forms are reloaded and its sheet
    // reopened.
    void FormClose();
    // A target form was chosen: lists its candidates, enables "Добавить" when the user
    // may add to it.
    void DBLookupComboBox1Click();
    void SpeedButton1Click();
    // Adds the ticked students to the chosen form.
    void Button1Click();

    void done(int result) override;

private:
    void buildControls();
    // Whether the main window has a whole sheet selected; fills sheet_ when it has.
    bool readSheet();
    // Whether the user may add rows to the form: he holds it and, when only flagged forms
    // may be changed, it is flagged.
    bool mayAddTo(const QString& form);
    // The declared length of mark_mag's author column; 0 when the server does not say.
    int authorColumnSize();
    void showResult(int added, const QStringList& present, const QStringList& withoutSource);

    TForm2& main_;
    data::TDM_CDE_3& dm_;
    sheet::TargetSheet sheet_;
    bool sheetComplete_ = false;
    bool addPressed_ = false;
    bool closed_ = false;
};

} // namespace qel
