// TForm2: the main window, the grade sheet. It carries the session state, runs the login
// from its creation handler and stays hidden until a login succeeds. The selection
// controls, the sheet grid and the buttons that open the other windows live here.
#pragma once

#include "data/session_state.h"

#include <QMainWindow>
#include <QStringList>

class QMenu;
class QAction;
class QPushButton;
class QTimer;

namespace qel {

namespace data {
class TDM_CDE_3;
}
namespace db {
class DataSet;
}
namespace ui {
class Panel;
class Label;
class DBLookupComboBox;
class DBLookupListBox;
class DropDownList;
class DatePicker;
class StatusBar;
class TQXDBGridEh;
} // namespace ui

class TForm2 : public QMainWindow, public SessionState {
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

    // The teacher sent with the sheet: 0 at creation, 1 (the head of the department row of
    // the teacher list) once a discipline is chosen.
    qint32 SheetTeacherId = 0;

    // The login was cancelled: the program ends without showing this window.
    bool TerminationRequested = false;

    void FormCreate();
    void FormClose();

    // Posts a pending edit of the dataset; an error of the post is swallowed.
    static void PostPendingEdit(db::DataSet& dataSet);

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
    void applyPaymentAdmissionPermission();
    QString auditStatement(const QString& description, db::DataSet& dataSet, const QString& tableName,
                           const QString& keyFieldName) const;

    data::TDM_CDE_3& dm_;
};

// The main window of the run, set while it exists.
extern TForm2* Form2;

} // namespace qel
