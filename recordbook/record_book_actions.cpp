// The record book's three buttons: adding a discipline by hand, copying the disciplines of
// the curriculum, and deleting the current record under setting 46 or the statement-form
// rights.
#include "recordbook/record_book_window.h"

#include "data/dm_cde_3.h"
#include "platform/db/value_convert.h"
#include "platform/ui/dialogs.h"
#include "recordbook/add_discipline_dialog.h"
#include "recordbook/curriculum_copy_dialog.h"
#include "recordbook/record_book_sql.h"
#include "rules/delete_audit.h"
#include "rules/sheet_window.h"

#include <exception>

namespace qel {

using rules::idText;

namespace {

ui::MsgResult plainMessage(QWidget* parent, const QString& text, ui::MsgButtons buttons)
{
    return ui::messageBox(text, ui::applicationTitle(), ui::MsgIcon::None, buttons, parent);
}

} // namespace

void TForm14::RzBitBtn1Click()
{
    if (!requireStudent() || !savePendingEdit())
        return;
    {
        TForm16 dialog(*this);
        dialog.exec();
    }
    DBLookupComboBox1Click();
}

void TForm14::RzBitBtn3Click()
{
    if (!requireStudent() || !savePendingEdit())
        return;
    // The dialog reloads the book itself whenever it closes.
    TForm15 dialog(*this);
    dialog.exec();
}

void TForm14::RzBitBtn2Click()
{
    if (!requireStudent())
        return;
    db::DataSet& book = dm_.ADOQ_markmagByStudent;
    if (book.isEmpty()) {
        plainMessage(this, QStringLiteral("Выберите запись для удаления."), ui::MsgButtons::Ok);
        return;
    }
    if (!savePendingEdit())
        return;
    db::Query& exec = dm_.ADOQ_Exec;
    const qint64 curriculumProtected = db::convert::toInteger(recordbook::firstValue(
        exec, QStringLiteral("SELECT  TOP (1) id_vuz_defaults, id_field  FROM VuzDefaults  WHERE (id_vuz_defaults = 46)"),
        QStringLiteral("id_field")));

    // A record without a statement form has no form name (and no rights on a form).
    const QVariant form = book.fieldByName(QStringLiteral("id_f_est")).value();
    const QString formName =
        form.isNull() ? QString()
                      : db::convert::toText(recordbook::firstValue(
                            exec, QStringLiteral("SELECT id_f_e, p109  FROM f_est WHERE (id_f_e =") + idText(form)
                                      + QStringLiteral(")"),
                            QStringLiteral("p109")));
    const QString id = idText(book.fieldByName(QStringLiteral("id_mark_mag")).value());

    if (curriculumProtected != 0) {
        const qint64 prov = db::convert::toInteger(recordbook::firstValue(
            exec, QStringLiteral("EXEC SP_MarkMag_proverka_Del  @id_mark_mag =") + id, QStringLiteral("prov")));
        if (prov != -1) {
            plainMessage(this, QStringLiteral("Вы не можете удалить дисциплину из учебного плана"), ui::MsgButtons::Cancel);
            return;
        }
        if (plainMessage(this, QStringLiteral("Удалить запись???"), ui::MsgButtons::OkCancel) != ui::MsgResult::Ok)
            return;
        deleteRecord(QStringLiteral("Delete from mark_mag WHERE (id_mark_mag =") + id + QStringLiteral(") "),
                     false);
        return;
    }

    int qel13 = 0, userForm = 0;
    if (!form.isNull()) {
        exec.setSql(QStringLiteral("SELECT * FROM   dbo.V_MarkMag_user WHERE  (id_login =")
                    + QString::number(session_.loginId) + QStringLiteral(") ") + QStringLiteral("AND  (id_f_est =")
                    + idText(form) + QStringLiteral(")"));
        exec.open();
        if (!exec.isEmpty()) {
            qel13 = exec.fieldByName(QStringLiteral("qel13")).asInteger();
            userForm = exec.fieldByName(QStringLiteral("id_user_f_est")).asInteger();
        }
        exec.close();
    }
    if (qel13 == 0 || userForm == 0) {
        plainMessage(this, QStringLiteral("Нет доступа на удаление по форме ") + formName + QStringLiteral(" !!!"),
                     ui::MsgButtons::Ok);
        return;
    }
    if (plainMessage(this, QStringLiteral("Удалить запись???"), ui::MsgButtons::OkCancel) != ui::MsgResult::Ok)
        return;
    deleteRecord(QStringLiteral("Delete from mark_mag Where id_mark_mag=") + id, true);
}

// Deletes the current record by its own statement and leaves the audit row of a deleted
// mark record once the server has confirmed the deletion; the book is reloaded either way.
void TForm14::deleteRecord(const QString& deleteSql, bool fullReload)
{
    const QString audit =
        rules::deleteAuditStatement(dm_.ADOQ_markmagByStudent, QStringLiteral("id_mark_mag"), session_.login);
    db::Query& exec = dm_.ADOQ_Exec;
    exec.close();
    exec.setSql(deleteSql);
    const qint64 deleted = exec.execSql();
    std::exception_ptr auditError;
    if (deleted != 0) {
        try {
            exec.setSql(audit);
            exec.execSql();
        } catch (...) {
            auditError = std::current_exception();
        }
    }
    if (fullReload) {
        DBLookupComboBox1Click();
    } else {
        enableButtons();
        reloadBook();
    }
    if (auditError)
        std::rethrow_exception(auditError);
}

} // namespace qel
