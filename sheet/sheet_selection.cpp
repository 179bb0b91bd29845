// The selection cascade of the main window, steps 1 to 5: group, semester, discipline,
// form of control, grading-scale variant. Each pick closes and clears what lies below it,
// reloads the next list, and runs on by itself where the answer is obvious.
#include "sheet/main_window.h"

#include "data/dm_cde_3.h"
#include "data/sheet_statements.h"
#include "platform/db/sql_literal.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/db_lookup_list_box.h"
#include "platform/ui/drop_down_list.h"
#include "platform/ui/error_report.h"
#include "platform/ui/panel.h"
#include "platform/ui/qx_db_grid_eh.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

namespace qel {

using rules::idText;

QString TForm2::disciplineField(const char* name) const
{
    return idText(dm_.ADOQ_Discipline.fieldByName(QString::fromLatin1(name)).value());
}

void TForm2::DBLookupComboBox9Enter() { PostPendingEdit(dm_.ADO_SP_Sort); }
void TForm2::DBLookupComboBox10Enter() { PostPendingEdit(dm_.ADO_SP_Sort); }
void TForm2::DBLookupComboBox11Enter() { PostPendingEdit(dm_.ADO_SP_Sort); }

void TForm2::DBLookupComboBox9Click()
{
    Panel11->hide();
    Button2->setEnabled(false);
    Button1->setEnabled(true);
    SpeedButton2->setEnabled(true);

    dm_.ADOQ_Vremennyi.close();
    DBLookupComboBox11->clearKeyValue();
    dm_.ADOQ_exist_FEst.close();
    DBLookupComboBox1->clearKeyValue();
    dm_.ADOQ_Discipline.close();
    DBLookupComboBox10->clearKeyValue();
    ComboBox1->setEnabled(false);
    if (!DBLookupComboBox9->hasSelection())
        return;

    QXDBGridEh1->setDataSource(nullptr);
    dm_.ADOQ_g_s.reopen(data::groupAttributesSql(idText(groupKey())));
    DoNavigation_4();
    DBLookupComboBox10->setEnabled(true);
}

void TForm2::DoNavigation_4()
{
    PostPendingEdit(dm_.ADO_SP_Sort);
    const QString group = idText(groupKey());
    dm_.ADOQ_g_sem.reopen(QStringLiteral("Select id_semester, p43, id_rate from g_sem where  id_group=") + group + QStringLiteral("GROUP BY id_semester, p43, id_rate"));
    dm_.ADOQ_s_fio.reopen(data::groupStudentsSql(group));
    dm_.ADOQ_s_fio.setSort(QStringLiteral("s_fio"));

    DBLookupListBox2->setListSource(DBLookupComboBox11->text().isEmpty() ? nullptr : &dm_.DataSource2);

    const QString spec = dm_.ADOQ_g_s.fieldByName(QStringLiteral("spec")).asString();
    if (DBLookupComboBox9->hasSelection() && DBLookupComboBox10->hasSelection()) {
        // The year row of the semester's course, taken from the selected semester's own row.
        const QVariant rate = dm_.ADOQ_g_sem.lookup(QStringLiteral("id_semester"), semesterKey(), QStringLiteral("id_rate"));
        dm_.ADOQ_Year.reopen(QStringLiteral("Select top (1) g_r_y.* from g_r_y  where id_group=") + group + QStringLiteral(" and id_rate=")
                                  + idText(rate));
        InfoPanel->setCaption(QStringLiteral(" [") + spec + QStringLiteral("]") + QStringLiteral(" [") + dm_.ADOQ_Year.fieldByName(QStringLiteral("p32")).asString()
                              + QStringLiteral("]"));
    } else if (DBLookupComboBox9->hasSelection()) {
        InfoPanel->setCaption(QStringLiteral(" [") + spec + QStringLiteral("]"));
    }
}

void TForm2::DBLookupComboBox10Click()
{
    Panel11->hide();
    Button2->setEnabled(false);

    dm_.ADOQ_exist_FEst.close();
    DBLookupComboBox1->clearKeyValue();
    dm_.ADOQ_Vremennyi.close();
    dm_.ADOQ_Discipline.close();
    DBLookupComboBox11->clearKeyValue();
    ComboBox1->setEnabled(false);
    if (!DBLookupComboBox10->hasSelection())
        return;

    QXDBGridEh1->setDataSource(nullptr);
    DoNavigation_4();
    dm_.ADOQ_Discipline.reopen(data::groupDisciplinesSql(idText(groupKey()), idText(semesterKey())));
    dm_.ADOQ_Discipline.setSort(QStringLiteral("p34"));
    DBLookupComboBox11->clearKeyValue();
    DBLookupComboBox11->setEnabled(dm_.ADOQ_Discipline.recordCount() > 0);
}

void TForm2::DBLookupComboBox11Click()
{
    Panel11->hide();
    Button2->setEnabled(false);
    dm_.ADOQ_exist_FEst.close();
    DBLookupComboBox1->clearKeyValue();
    ComboBox1->setEnabled(false);
    if (DBLookupComboBox9->text().isEmpty() || DBLookupComboBox10->text().isEmpty()
        || DBLookupComboBox11->text().isEmpty())
        return;

    QXDBGridEh1->setDataSource(nullptr);
    DoNavigation_4();
    const QString discipline = disciplineField("id_discipline");
    // The head of the department (identifier 1) heads the list; the sheet is opened as his.
    dm_.ADOQ_t_fio.reopen(data::disciplineTeachersSql(discipline));
    dm_.ADOQ_Vremennyi.reopen(data::formsOfControlSql(discipline, idText(semesterKey()), idText(groupKey()),
                                                       disciplineField("Kredits")));
    SheetTeacherId = 1;
    if (dm_.ADOQ_Vremennyi.recordCount() >= 1) {
        DBLookupListBox2->setKeyValue(dm_.ADOQ_Vremennyi.fieldByName(QStringLiteral("id_examination")).value());
        DBLookupListBox2Click();
    } else {
        // Nothing of the previous discipline may stay chosen below it.
        DBLookupListBox2->clearKeyValue();
        dm_.ADOQ_ebe.close();
        DBLookupListBox1->clearKeyValue();
    }
}

void TForm2::DBLookupListBox2Click()
{
    dm_.ADOQ_exist_FEst.close();
    DBLookupComboBox1->clearKeyValue();
    dm_.ADOQ_ebe.reopen(data::scaleVariantsSql(disciplineField("id_discipline"), idText(examinationKey()),
                                                idText(groupKey()), idText(semesterKey())));
    if (dm_.ADOQ_ebe.recordCount() == 1) {
        DBLookupListBox1->setKeyValue(dm_.ADOQ_ebe.fieldByName(QStringLiteral("id_ebe_var")).value());
        DBLookupListBox1->setFocus();
        DBLookupListBox1Click();
    } else {
        // The variant of another form of control must not stay chosen while the user picks.
        DBLookupListBox1->clearKeyValue();
    }
}

void TForm2::DBLookupListBox1Click()
{
    Button2->setEnabled(true);
    if (DBLookupComboBox9->text().isEmpty() || DBLookupComboBox10->text().isEmpty()
        || DBLookupComboBox11->text().isEmpty())
        return;

    ClearGradeMenu();
    const QString form = idText(examinationKey());
    dm_.ADOQ_estimation.reopen(data::gradesOfFormSql(form));

    const TExamIds& e = ExamIds;
    const TGradeIds& g = GradeIds;
    const auto is = [&form](std::initializer_list<qint32> ids) {
        for (qint32 id : ids)
            if (form == QString::number(id))
                return true;
        return false;
    };
    if (is({e.Exam, e.ControlWork, e.FinalGrade, e.CourseProject, e.DiffCredit, e.CourseWork})) {
        appendGradeItem(QStringLiteral("н/я"), g.Absent);
        appendGradeItem(QStringLiteral("н/у"), g.Unsatisfactory);
        appendGradeItem(QStringLiteral("удов"), g.Satisfactory);
        appendGradeItem(QStringLiteral("хор"), g.Good);
        appendGradeItem(QStringLiteral("отл"), g.Excellent);
    } else if (is({e.Credit})) {
        appendGradeItem(QStringLiteral("зачёт"), g.Credited);
        appendGradeItem(QStringLiteral("н/з"), g.NotCredited);
    } else if (is({e.Attestation})) {
        appendGradeItem(QStringLiteral("Аттестован"), g.Attested);
    }

    dm_.ADOQ_exist_FEst.reopen(statementFormsSql());
    DBLookupComboBox1->setKeyValue(1);
    DBLookupComboBox1->setFocus();
    DBLookupComboBox1Click();
}

QString TForm2::statementFormsSql() const
{
    return data::statementFormsSql(idText(groupKey()), idText(semesterKey()), disciplineField("id_discipline"),
                                   idText(examinationKey()));
}

void TForm2::appendGradeItem(const QString& caption, qint32 grade)
{
    // A grade missing from the grade list has no identifier to store.
    if (grade <= 0)
        return;
    QAction* item = PopupMenu1->addAction(caption);
    item->setData(grade);
    connect(item, &QAction::triggered, this, ui::guarded([this, item] { GradeMenuItemClick(item); }));
}

void TForm2::ClearGradeMenu()
{
    while (PopupMenu1->actions().size() > 1) {
        QAction* last = PopupMenu1->actions().constLast();
        PopupMenu1->removeAction(last);
        delete last;
    }
}

void TForm2::GradeMenuItemClick(QAction* item)
{
    db::StoredProc& sheet = dm_.ADO_SP_Sort;
    sheet.edit();
    sheet.fieldByName(QStringLiteral("id_estimation")).setAsInteger(item->data().toInt());
    sheet.post();
}

} // namespace qel
