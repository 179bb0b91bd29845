// TForm16: adds one record to the shown student's book by hand: discipline, semester, form
// of control, grade, statement form, points and credits, chosen top to bottom (each choice
// disables what lies below it and enables only the next control).
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace qel {

class TForm14;
namespace ui {
class DBLookupComboBox;
class Label;
class NumericEdit;
class Panel;
class UpDownEdit;
} // namespace ui

class TForm16 : public QDialog {
    Q_OBJECT
public:
    // Builds the dialog and opens its lists (FormCreate).
    explicit TForm16(TForm14& book);

    ui::Label* Label1;
    ui::DBLookupComboBox* DBLookupComboBox1;   // discipline
    ui::Label* Label2;
    ui::DBLookupComboBox* DBLookupComboBox3;   // semester
    ui::Label* Label3;
    ui::DBLookupComboBox* DBLookupComboBox4;   // form of control
    ui::Label* Label4;
    ui::DBLookupComboBox* DBLookupComboBox2;   // grade
    ui::Label* Label5;
    ui::DBLookupComboBox* DBLookupComboBox5;   // statement form
    ui::Label* Label6;
    ui::UpDownEdit* UpDown1;                   // the credit box with its arrows
    QLineEdit* Edit1;                          // its text
    ui::Label* Label7;
    ui::NumericEdit* RzNumericEdit1;           // points
    ui::Panel* Panel1;
    QPushButton* Button1;                      // "Добавить"
    QPushButton* Button2;                      // "Отмена"

    void FormCreate();
    void DBLookupComboBox1Click();
    void DBLookupComboBox3Click();
    void DBLookupComboBox4Click();
    void DBLookupComboBox2Click();
    void DBLookupComboBox5Click();
    // Points above 100 are cut to 100; a whole number typed enables "Добавить".
    void RzNumericEdit1Change();
    // Checks every value, looks up the academic year and the grading-scale variant, adds
    // the record and closes; anything missing or out of range is refused with a message
    // before a statement is built, and the dialog stays open.
    void Button1Click();
    void FormClose();

    void done(int result) override;

private:
    // Disables the controls from the given one down (by their order on the dialog).
    void disableFrom(QWidget* first);
    void refuse(const QString& text);

    TForm14& book_;
};

} // namespace qel
