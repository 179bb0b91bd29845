// TForm14: the record book of one student of the group chosen in the main window. Every
// mark record of the student in the group across semesters, classified against the
// curriculum and coloured by class, with the student's photo; a few columns are edited in
// place under the book's editing rules, records are deleted under setting 46 and the
// statement-form rights, and the two dialogs add a discipline by hand or copy the missing
// disciplines of the curriculum. While the book is open the run's change history recorder
// follows it instead of the sheet.
#pragma once

#include <QDialog>
#include <QVariant>
#include <memory>
#include <optional>

class QPushButton;

namespace qel {

namespace data {
class TDM_CDE_3;
}
namespace ui {
class DBImage;
class DBLookupComboBox;
class DBNavigator;
class GridColumn;
class GroupBox;
class Label;
class Panel;
class TQXDBGridEh;
struct GridDrawState;
} // namespace ui

class RecorderMove;

// What the book needs of the main window's session.
struct RecordBookSession {
    std::optional<qint32> groupId;   // the group selected in the main window
    qint32 loginId = 0;              // SessionLoginId
    QString login;                   // SessionLogin, the author of new records and audit rows
    bool flaggedFormsOnly = false;   // FlaggedFormsOnly
};

class TForm14 : public QDialog {
    Q_OBJECT
public:
    // Builds the window and runs FormCreate; an error while opening is reported and leaves
    // the window usable (and the recorder is given back when it closes all the same).
    TForm14(QWidget* owner, data::TDM_CDE_3& dm, RecordBookSession session);
    ~TForm14() override;

    // The book being shown, for the rules of its dataset; nullptr while none is open.
    static TForm14* shown();

    ui::Label* Label1;
    ui::DBLookupComboBox* DBLookupComboBox1;   // the student
    QPushButton* Button2;                      // "Добавить "
    QPushButton* Button3;                      // "Удалить"
    QPushButton* Button1;                      // "Копировать дисциплины из учебного плана"
    ui::DBNavigator* RzDBNavigator1;           // post
    ui::DBNavigator* RzDBNavigator2;           // refresh
    ui::DBImage* DBImage1;
    ui::Panel* Panel3;                         // covers the photo until a student is chosen
    ui::GroupBox* RzGroupBox1;                 // the legend
    ui::Panel* RzPanel1;
    ui::Panel* RzPanel2;
    ui::Panel* RzPanel3;
    ui::Panel* RzPanel4;
    ui::Label* Label2;
    ui::Label* Label3;
    ui::Label* Label4;
    ui::Label* Label7;
    ui::TQXDBGridEh* DBGridEh1;

    // The smallest semester of the student's movement records in the group (0 without any).
    qint32 MinSemesterInCurrentGroup = 0;

    const RecordBookSession& session() const { return session_; }
    data::TDM_CDE_3& dm() const { return dm_; }
    // The group of the book.
    qint32 groupId() const { return session_.groupId.value_or(0); }
    // The student whose book is shown (null before the first selection). Posts write this
    // student's id, whatever the selector shows meanwhile.
    QVariant shownStudent() const { return shownStudent_; }
    // A column of the shown student's row of the group's student list (id_faculty, id_bk).
    QVariant shownStudentField(const QString& fieldName) const;
    // Whether the user holds the statement form (may edit its records and store it in a row).
    bool userHoldsForm(const QVariant& form) const;

    void FormCreate();
    void FormClose();
    // The student selection: saves a pending edit of the book, then loads the chosen
    // student's records, first semester in the group and photo. Run again by the dialogs.
    void DBLookupComboBox1Click();
    // "Добавить ", "Удалить", "Копировать дисциплины из учебного плана".
    void RzBitBtn1Click();
    void RzBitBtn2Click();
    void RzBitBtn3Click();

    // The grid: owner drawing, the grade's drop-down and check, the statement form's check.
    void DBGridEh1DrawColumnCell(const QRect& rect, int dataCol, ui::GridColumn& column, ui::GridDrawState state);
    void DBGridEh1Columns5EditButtonDown(ui::GridColumn& column, int button, bool& handled);
    void DBGridEh1Columns5UpdateData(ui::GridColumn& column, QString& text, QVariant& value, bool& useText,
                                     bool& handled);
    void DBGridEh1Columns6UpdateData(ui::GridColumn& column, QString& text, QVariant& value, bool& useText,
                                     bool& handled);

    // Closing runs FormClose (the recorder goes back to the sheet).
    void done(int result) override;

private:
    void buildControls();
    void buildLegend(QWidget* parent);
    void buildGrid();
    // Posts a pending edit of the book; false (the error reported) when the post failed.
    bool savePendingEdit();
    // Reopens the book of the shown student and reads the first semester again.
    void reloadBook();
    // Opens what the book's lookup fields read, where it is not open.
    void openLookupSources();
    // Asks for a student when none is shown yet; true when one is.
    bool requireStudent();
    // The three buttons, enabled once a student's book has been loaded.
    void enableButtons();
    void deleteRecord(const QString& deleteSql, bool fullReload);

    data::TDM_CDE_3& dm_;
    RecordBookSession session_;
    QVariant shownStudent_;
    std::unique_ptr<RecorderMove> recorder_;
    bool closed_ = false;
};

} // namespace qel
