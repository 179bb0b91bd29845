// TForm15: the curriculum lines of the student's group, below the student's current
// semester, that the student's record book does not contain yet; every line the user ticks
// becomes a record of the book. Whenever the dialog closes the book is reloaded.
#pragma once

#include <QDialog>

class QPushButton;

namespace qel {

class TForm14;
namespace ui {
class CheckListBox;
class Panel;
} // namespace ui

class TForm15 : public QDialog {
    Q_OBJECT
public:
    // Builds the dialog for the book's shown student and lists the candidates (FormCreate);
    // an error while listing is reported and leaves the list empty or partial.
    explicit TForm15(TForm14& book);

    ui::Panel* Panel1;                 // top
    QPushButton* Button3;              // "Выбрать все" / "Убрать выделение"
    ui::CheckListBox* CheckListBox1;   // one item per row of ADOQ_DisciplineFromEducSH
    ui::Panel* Panel3;                 // bottom; a click on its empty area closes as "Отмена"
    QPushButton* Button1;              // "ОК"
    QPushButton* Button2;              // "Отмена"

    // The student's current semester in the group (0 when the student has none).
    qint32 CurrentSemester = 0;

    void FormCreate();
    // Ticks every item, or unticks every item, by the button's caption.
    void Button3Click();
    // Creates a record for every ticked item, then closes. An item is unticked as soon as
    // its record exists, so pressing again after a failure does not create it twice.
    void Button1Click();
    // Reloads the record book.
    void FormClose();

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TForm14& book_;
};

} // namespace qel
