// The record book dataset's handlers of the data module (ADOQ_markmagByStudent), defined
// beside the window whose state they read: who may start editing a record, what every
// posted record is given, and the flag of a new record.
#include "data/dm_cde_3.h"
#include "platform/db/value_convert.h"
#include "recordbook/record_book_sql.h"
#include "recordbook/record_book_window.h"
#include "rules/sheet_window.h"

namespace qel::data {

using rules::idText;

// Records the book itself creates are additional subjects.
void TDM_CDE_3::ADOQ_markmagByStudentAfterInsert(db::DataSet& DataSet)
{
    DataSet.fieldByName(QStringLiteral("isStaticDiscipline")).setAsBoolean(true);
}

// Editing starts when the user holds the record's statement form (and the form is not barred
// by the flagged-forms rule), or when the record lies before the student's first semester
// in the group; otherwise it is refused silently. A record without a statement form is one
// the user holds no rights on.
void TDM_CDE_3::ADOQ_markmagByStudentBeforeEdit(db::DataSet& DataSet)
{
    TForm14* book = TForm14::shown();
    if (!book)
        abortSilently();
    const QVariant form = DataSet.fieldByName(QStringLiteral("id_f_est")).value();
    bool granted = false;
    if (!form.isNull()) {
        const QVariant flagged = recordbook::firstValue(
            ADOQ_Exec, QStringLiteral(" SELECT * FROM f_est WHERE id_f_e=") + idText(form), QStringLiteral("QEL13"));
        const bool barred = db::convert::toInteger(flagged) == 0 && book->session().flaggedFormsOnly;
        granted = book->userHoldsForm(form) && !barred;
    }
    if (granted)
        return;
    if (DataSet.fieldByName(QStringLiteral("id_semester")).asInteger() >= book->MinSemesterInCurrentGroup)
        abortSilently();
}

// Every posted record belongs to the book's group and to the student whose book is shown
// (not to one the selector was switched to meanwhile); a changed payment admission is flagged.
void TDM_CDE_3::ADOQ_markmagByStudentBeforePost(db::DataSet& DataSet)
{
    TForm14* book = TForm14::shown();
    if (!book)
        return;
    DataSet.fieldByName(QStringLiteral("id_group")).setValue(book->groupId());
    DataSet.fieldByName(QStringLiteral("id_student")).setValue(book->shownStudent());
    db::Field& admission = DataSet.fieldByName(QStringLiteral("primech"));
    const QVariant before = admission.oldValue();
    const QVariant now = admission.value();
    const bool changed = before.isNull() != now.isNull() || (!before.isNull() && before.toString() != now.toString());
    if (changed)
        DataSet.fieldByName(QStringLiteral("dopusk_izm")).setAsBoolean(true);
}

} // namespace qel::data
