// The record book of ИВТ-24 opened from the demo user's main window, with the two dialogs
// it opens: a discipline added by hand to Алексеев's book, two curriculum lines ticked for
// Лаптев, who came into the group in its third semester, and Алексеев's book afterwards
// (one record's credits changed so that it no longer matches the curriculum).
#include "app/screenshots/shot_helpers.h"
#include "app/screenshots/shots.h"

#include "data/dm_cde_3.h"
#include "platform/ui/check_list_box.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/numeric_edit.h"
#include "recordbook/add_discipline_dialog.h"
#include "recordbook/curriculum_copy_dialog.h"
#include "recordbook/record_book_window.h"
#include "sheet/main_window.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

using namespace qel;

void addDiscipline(shots::ShotContext& ctx, TForm14& book)
{
    shots::whenModalShown("qel::TForm16", [&ctx](QWidget* w) {
        auto* d = static_cast<TForm16*>(w);
        shots::pick(d->DBLookupComboBox1, QStringLiteral("Базы данных"));
        shots::pick(d->DBLookupComboBox3, QStringLiteral("2 семестр"));
        shots::pick(d->DBLookupComboBox4, QStringLiteral("Зачет"));
        shots::pick(d->DBLookupComboBox2, QStringLiteral("зачет"));
        shots::pick(d->DBLookupComboBox5, QStringLiteral("Перезачет"));
        d->Edit1->setText(QStringLiteral("2"));
        d->RzNumericEdit1->setText(QStringLiteral("85"));
        ctx.save(d, QStringLiteral("add_discipline_dialog"));
        d->Button1->click();
    });
    book.Button2->click();
}

void copyCurriculum(shots::ShotContext& ctx, TForm14& book)
{
    shots::whenModalShown("qel::TForm15", [&ctx](QWidget* w) {
        auto* d = static_cast<TForm15*>(w);
        for (int i = 0; i < d->CheckListBox1->count(); ++i)
            if (d->CheckListBox1->itemText(i).contains(QStringLiteral("Математический анализ")))
                d->CheckListBox1->setChecked(i, true);
        ctx.save(d, QStringLiteral("curriculum_copy_dialog"));
        d->Button1->click();
    });
    book.Button1->click();
}

const shots::Shot recordBookShot("record_book", [](shots::ShotContext& ctx) {
    shots::DemoMainWindow demo(ctx);
    data::TDM_CDE_3& dm = demo.dm();
    TForm2& window = demo.window();
    shots::pick(window.DBLookupComboBox9, QStringLiteral("ИВТ-24"));

    shots::whenModalShown("qel::TForm14", [&ctx, &dm](QWidget* w) {
        auto* book = static_cast<TForm14*>(w);
        shots::pick(book->DBLookupComboBox1, QStringLiteral("Алексеев Иван Петрович"));
        addDiscipline(ctx, *book);

        shots::pick(book->DBLookupComboBox1, QStringLiteral("Лаптев Егор Алексеевич"));
        copyCurriculum(ctx, *book);

        shots::pick(book->DBLookupComboBox1, QStringLiteral("Алексеев Иван Петрович"));
        // Credits that differ from the curriculum's: the record is to be clarified.
        db::DataSet& records = dm.ADOQ_markmagByStudent;
        for (records.first(); !records.eof(); records.next())
            if (records.fieldByName(QStringLiteral("id_semester")).asInteger() == 2
                && records.fieldByName(QStringLiteral("id_discipline")).asInteger() == 4) {
                records.edit();
                records.fieldByName(QStringLiteral("kredits")).setAsInteger(3);
                records.post();
                break;
            }
        records.refresh();
        records.first();
        ctx.save(book, QStringLiteral("record_book_window"));
        book->close();
    });
    window.Button1->click();
});

} // namespace
