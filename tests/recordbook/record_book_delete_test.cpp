// Deleting a record of the record book: under setting 46 a curriculum record is refused
// and any other deleted after a question; without it the statement-form rights decide.
// A deletion leaves the audit row of a deleted mark record.
#include "data/dm_cde_3.h"
#include "tests/recordbook/record_book_fixture.h"

#include <QPushButton>

using namespace qel;
using test::kAlekseev;
using test::Zach;

namespace {

enum class Record { Curriculum, OutsideCurriculum, ForeignForm, NoForm };

struct DeleteCase {
    const char* name;
    int setting46;
    Record record;
    ui::MsgResult answer;     // to the question, when one is asked
    bool deleted;
    const char* message;      // the refusal, or the question
    ui::MsgButtons buttons;
};

void PrintTo(const DeleteCase& c, std::ostream* os) { *os << c.name; }

class BookDelete : public test::RecordBookTest, public ::testing::WithParamInterface<DeleteCase> {
protected:
    QVariant record(Record kind)
    {
        switch (kind) {
        case Record::Curriculum:   // Alekseev's "Математический анализ" examination of semester 1
            return fx->adminScalar(QStringLiteral("SELECT id_mark_mag FROM mark_mag WHERE id_student = 1 AND "
                                                  "id_semester = 1 AND id_discipline = 1 AND id_f_est = 1"));
        case Record::OutsideCurriculum: return addRecord(1, 2, 8, Zach, 1, 2);
        case Record::ForeignForm: return addRecord(1, 2, 8, Zach, 2, 2);
        case Record::NoForm: return addRecord(1, 2, 8, Zach, QVariant(), 2);
        }
        return {};
    }
};

} // namespace

TEST_P(BookDelete, FollowsSetting46AndTheRights)
{
    const DeleteCase& c = GetParam();
    fx->admin(QStringLiteral("UPDATE VuzDefaults SET id_field = ? WHERE id_vuz_defaults = 46"), {c.setting46});
    const QVariant id = record(c.record);
    ASSERT_FALSE(id.isNull());
    inBook([&](TForm14& book) {
        pickStudent(book, kAlekseev);
        const int before = bookRows(book);
        const int row = rowOfRecord(id);
        ASSERT_GE(row, 0);
        clickBookCell(book, row, bookColumn(book, QStringLiteral("Discipline")));
        dialogs->clear();
        dialogs->answer(c.answer);
        book.Button3->click();
        ASSERT_EQ(dialogs->count(), 1) << dialogs->texts().join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(dialogs->last().text, QString::fromUtf8(c.message));
        EXPECT_EQ(dialogs->last().buttons, c.buttons);
        EXPECT_EQ(dialogs->last().icon, ui::MsgIcon::None);
        EXPECT_EQ(dialogs->last().title, ui::applicationTitle());
        EXPECT_EQ(rowOfRecord(id) < 0, c.deleted);
        EXPECT_EQ(bookRows(book), c.deleted ? before - 1 : before);
    });
    EXPECT_EQ(fx->adminScalar(QStringLiteral("SELECT COUNT(*) FROM mark_mag WHERE id_mark_mag = ?"), {id}).toInt(),
              c.deleted ? 0 : 1);
    const QStringList audit = markAudit();
    if (!c.deleted) {
        EXPECT_TRUE(audit.isEmpty()) << audit.join(QLatin1Char('\n')).toStdString();
        return;
    }
    ASSERT_EQ(audit.size(), 1);
    EXPECT_TRUE(audit[0].startsWith(id.toString() + QStringLiteral("|Запись с уникальным номером - '") + id.toString()
                                    + QStringLiteral("' была удалена - (primech[д], id_discipline[")))
        << audit[0].toStdString();
    EXPECT_TRUE(audit[0].endsWith(QStringLiteral(").|demo"))) << audit[0].toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BookDelete,
    ::testing::Values(
        DeleteCase{"Setting46OutsideTheCurriculum", 1, Record::OutsideCurriculum, ui::MsgResult::Ok, true,
                   "Удалить запись???", ui::MsgButtons::OkCancel},
        DeleteCase{"Setting46OutsideTheCurriculumCancelled", 1, Record::OutsideCurriculum, ui::MsgResult::Cancel, false,
                   "Удалить запись???", ui::MsgButtons::OkCancel},
        DeleteCase{"Setting46CurriculumRecord", 1, Record::Curriculum, ui::MsgResult::Cancel, false,
                   "Вы не можете удалить дисциплину из учебного плана", ui::MsgButtons::Cancel},
        DeleteCase{"RightsOnTheForm", 0, Record::Curriculum, ui::MsgResult::Ok, true, "Удалить запись???",
                   ui::MsgButtons::OkCancel},
        DeleteCase{"NoRightsOnTheForm", 0, Record::ForeignForm, ui::MsgResult::Ok, false,
                   "Нет доступа на удаление по форме Экзам. лист !!!", ui::MsgButtons::Ok},
        DeleteCase{"NoForm", 0, Record::NoForm, ui::MsgResult::Ok, false, "Нет доступа на удаление по форме  !!!",
                   ui::MsgButtons::Ok}),
    [](const ::testing::TestParamInfo<DeleteCase>& info) { return std::string(info.param.name); });

namespace {
class BookButtons : public test::RecordBookTest {};
} // namespace

// The three buttons are enabled from the start; before a student is chosen they ask for one.
TEST_F(BookButtons, AskForAStudentFirst)
{
    inBook([&](TForm14& book) {
        for (QPushButton* button : {book.Button2, book.Button3, book.Button1}) {
            SCOPED_TRACE(button->text().toStdString());
            EXPECT_TRUE(button->isEnabled());
            dialogs->clear();
            button->click();
            ASSERT_EQ(dialogs->count(), 1);
            EXPECT_EQ(dialogs->last().text, QStringLiteral("Выберите студента."));
        }
    });
}
