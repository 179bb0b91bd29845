// TForm2: the main window, the grade sheet. It carries the session state, runs the login
// from its creation handler and stays hidden until a login succeeds. The selection
// controls, the sheet grid and the buttons that open the other windows live here.
#pragma once

#include "data/session_state.h"
#include "rules/sheet_window.h"

#include <QMainWindow>
#include <QStringList>
#include <optional>

class QMenu;
class QAction;
class QPushButton;
class QTimer;

namespace qel {

class SheetReportActions;

namespace data {
class TDM_CDE_3;
}
namespace grid {
class TQXDBGridEvents;
}
namespace db {
class DataSet;
struct Bookmark;
}
namespace ui {
struct GridDrawState;
struct GridFont;
class GridColumn;
class Panel;
class Label;
class DBLookupComboBox;
class DBLookupListBox;
class DropDownList;
class DatePicker;
class StatusBar;
class TQXDBGridEh;
} // namespace ui

class TForm2 : public QMainWindow, public SessionState, public rules::SheetWindow {
    Q_OBJECT
public:
    static constexpr const char* kDesignCaption = "QEL 13 ";

    // Builds the window and runs FormCreate (the login) at once.
    explicit TForm2(data::TDM_CDE_3& dm, QWidget* parent = nullptr);
    ~TForm2() override;

    data::TDM_CDE_3& dm() const { return dm_; }

    ui::Panel* Panel11;
    ui::Panel* InfoPanel;
    ui::Label* Label10;
    ui::DBLookupComboBox* DBLookupComboBox9;
    ui::Label* Label12;
    ui::DBLookupComboBox* DBLookupComboBox10;
    ui::Label* Label11;
    ui::DBLookupComboBox* DBLookupComboBox11;
    ui::Label* Label2;
    ui::DBLookupListBox* DBLookupListBox2;
    ui::Label* Label5;
    ui::DBLookupListBox* DBLookupListBox1;
    QPushButton* SpeedButton2;
    QPushButton* Button1;
    QPushButton* Button2;
    ui::Label* Label7;
    ui::DBLookupComboBox* DBLookupComboBox1;
    ui::Label* Label1;
    ui::DropDownList* ComboBox1;
    ui::Label* Label4;
    ui::DatePicker* DateTimePicker1;
    QPushButton* SpeedButton1;
    ui::TQXDBGridEh* QXDBGridEh1;
    ui::StatusBar* StatusBar1;
    QMenu* PopupMenu1;
    QAction* N2;
    QTimer* Timer1;
    // Copy and delete of the selected rows with Ctrl+C and Ctrl+Delete, and the painting.
    grid::TQXDBGridEvents* F4_QX_DM_CDE_3;
    // Printing and exporting the open sheet: the grid's context menu, Ctrl+P and Ctrl+E.
    SheetReportActions* ReportActions = nullptr;

    // The teacher sent with the sheet: 0 at creation, 1 (the head of the department row of
    // the teacher list) once a discipline is chosen.
    qint32 SheetTeacherId = 0;

    // The login was cancelled: the program ends without showing this window.
    bool TerminationRequested = false;

    void FormCreate();
    void FormClose();

    // Posts a pending edit of the dataset (text still in the grid's editor included). A post
    // that fails is reported; false then, and the edit stays for the user to finish.
    static bool PostPendingEdit(db::DataSet& dataSet);

    // ---- the selection cascade: group, semester, discipline, form of control, scale
    // variant, statement form; each pick clears what lies below it --------------------------
    void DBLookupComboBox9Click();    // a group is picked
    void DBLookupComboBox10Click();   // a semester is picked
    void DBLookupComboBox11Click();   // a discipline is picked
    void DBLookupListBox2Click();     // a form of control is picked
    void DBLookupListBox1Click();     // a grading-scale variant is picked
    void DBLookupComboBox1Click();    // a statement form is picked: columns and access mode
    void ComboBox1Change();           // opens (reopens) the sheet
    // Focus entering the group, semester or discipline selector saves a pending edit.
    void DBLookupComboBox9Enter();
    void DBLookupComboBox10Enter();
    void DBLookupComboBox11Enter();

    // Posts a pending sheet edit, reloads the semesters and students of the group, binds
    // the form-of-control list and rewrites the info panel.
    void DoNavigation_4();
    // The statement forms of the selected sheet: those with rows, and always form 1.
    QString statementFormsSql() const;
    // Removes the grade items after "н/п" from the grade menu.
    void ClearGradeMenu();
    // Sets the current row's grade to the item's grade (its data) and posts.
    void GradeMenuItemClick(QAction* item);
    // "Шифр Студентов": the student codes window; student names and codes are reloaded
    // when it changed any.
    void SpeedButton2Click();
    // "Установить дату": the picker's date as the hand-in date of every row shown.
    void SpeedButton1Click();
    // The deferred reopening of the sheet after a deletion.
    void Timer1Timer();
    // Ctrl+Delete: the confirmation window listing the selected rows; the sheet is reopened
    // by Timer1 whatever the answer.
    void F4_QX_DM_CDE_3QXDBEOnConfirmDelete(QObject* sender, bool& CanDelete);
    // "Добавить студента по ведомости": the add-students window, which reloads the
    // statement forms and reopens the sheet itself when it added students.
    void Button2Click();
    // "По студентам": the record book of the selected group; an open sheet is read again
    // afterwards, so that it shows what the book changed.
    void Button1Click();
    // ---- mark entry ------------------------------------------------------------------------
    // Checks a value typed into "№" or a checkpoint column before it is written.
    void QXDBGridEh1Columns7UpdateData(ui::GridColumn& column, QString& text, QVariant& value, bool& useText,
                                       bool& handled);
    // A payment admission chosen for the row; the student's other rows follow once it posts.
    void QXDBGridEh1Columns1UpdateData(ui::GridColumn& column, QString& text, QVariant& value, bool& useText,
                                       bool& handled);
    // "н/п": zeroes the row's points and marks it grade 25, after a question.
    void N2Click();
    // A typed comma is a decimal point.
    void QXDBGridEh1KeyPress(QChar& key);
    void QXDBGridEh1GetCellParams(ui::GridColumn& column, ui::GridFont& font, QColor& background,
                                  ui::GridDrawState state);
    // Light red for a refused admission, light blue for a "н/п" row.
    void F4_QX_DM_CDE_3DrawColumnCell(const QRect& rect, int dataCol, ui::GridColumn& column, ui::GridDrawState state);

    // Whether the open statement form may be changed by this user (edit mode).
    bool SheetEditable = false;

    // ---- rules::SheetWindow ---------------------------------------------------------------
    QVariant groupKey() const override;
    QVariant semesterKey() const override;
    QVariant disciplineKey() const override;
    QVariant examinationKey() const override;
    QVariant scaleVariantKey() const override;
    QVariant statementFormKey() const override;
    db::DataSet* sheetGridDataSet() const override;
    SessionState& session() override { return *this; }
    void setSpecialGradeColumnsVisible(bool visible) override;
    int sheetGridCol() const override;
    QString sheetColumnTitle(int listPosition) const override;
    void setSelectorsEnabled(bool enabled) override;
    bool sheetEditable() const override { return SheetEditable; }
    void sheetRowPosted(db::DataSet& sheet) override;
    void sheetRowCancelled(db::DataSet& sheet) override;

    // The audit writers the change history recorder calls.
    void LogFieldChanged(const QString& description, db::DataSet& dataSet, const QString& tableName,
                         const QString& keyFieldName, QStringList& changes);
    void LogRecordDeleted(const QString& description, db::DataSet& dataSet, const QString& tableName,
                          const QString& keyFieldName, QStringList& changes);
    void ExecuteLogStatements(QStringList& changes);

    // The computer text of the audit rows: computer name, a backslash, this machine's IP.
    QString auditComputerText() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildSheetGrid();
    void connectHandlers();
    void appendGradeItem(const QString& caption, qint32 grade);
    void applyAccessMode();
    void openSheet();
    QString disciplineField(const char* name) const;
    void applyPaymentAdmissionPermission();
    QString auditStatement(const QString& tableName, const QString& keyText, const QString& description) const;

    // An admission change waiting for its row to post: the text and the row's student,
    // group, semester and key.
    struct PendingAdmission {
        QString text;
        QString student, group, semester, markMag;
    };
    std::optional<PendingAdmission> pendingAdmission_;
    void applyAdmissionToOtherRows(const PendingAdmission& admission);
    bool pointSumLimitOn();
    void restoreAfterDateForAll(const db::Bookmark& current);

    data::TDM_CDE_3& dm_;
};

// The main window of the run, set while it exists.
extern TForm2* Form2;

} // namespace qel
