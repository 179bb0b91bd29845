#include "platform/ui/grid_find_dialog.h"

#include "platform/ui/dialogs.h"
#include "platform/ui/error_report.h"
#include "platform/ui/qx_db_grid_eh.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qel::ui {

GridFindDialog::GridFindDialog(TQXDBGridEh& grid, const GridFindRequest& last)
    : QDialog(grid.window()), grid_(grid)
{
    setWindowTitle(QStringLiteral("Поиск"));
    setObjectName(QStringLiteral("GridFindDialog"));
    text_ = new QLineEdit(last.text, this);
    column_ = new QComboBox(this);
    column_->addItem(QStringLiteral("Все столбцы"));
    int currentEntry = 0;
    const int selected = last.column >= 0 ? last.column : grid.selectedIndex();
    for (int i = 0; i < grid.columnCount(); ++i) {
        const GridColumn& c = grid.column(i);
        if (!c.visible())
            continue;
        columns_.append(i);
        column_->addItem(c.titleLevels().join(QLatin1Char(' ')));
        if (i == selected)
            currentEntry = int(columns_.size());
    }
    column_->setCurrentIndex(last.column < 0 && !last.text.isEmpty() ? 0 : currentEntry);
    match_ = new QComboBox(this);
    match_->addItems({QStringLiteral("С любой частью поля"), QStringLiteral("Поле целиком"),
                      QStringLiteral("С начала поля")});
    match_->setCurrentIndex(last.wholeCell ? 1 : last.fromStart ? 2 : 0);
    case_ = new QCheckBox(QStringLiteral("С учётом регистра"), this);
    case_->setChecked(last.caseSensitive);
    backwards_ = new QCheckBox(QStringLiteral("Искать вверх"), this);
    backwards_->setChecked(last.backwards);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Текст:"), text_);
    form->addRow(QStringLiteral("Где искать:"), column_);
    form->addRow(QStringLiteral("Совпадение:"), match_);
    form->addRow(QString(), case_);
    form->addRow(QString(), backwards_);

    auto* buttons = new QDialogButtonBox(this);
    find_ = buttons->addButton(QStringLiteral("Найти далее"), QDialogButtonBox::ActionRole);
    find_->setDefault(true);
    QPushButton* close = buttons->addButton(QStringLiteral("Закрыть"), QDialogButtonBox::RejectRole);
    connect(find_, &QPushButton::clicked, this, guarded([this] { findNext(); }));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    text_->selectAll();
    text_->setFocus();
}

GridFindRequest GridFindDialog::request() const
{
    GridFindRequest r;
    r.text = text_->text();
    const int entry = column_->currentIndex();
    r.column = entry > 0 && entry - 1 < columns_.size() ? columns_[entry - 1] : -1;
    r.wholeCell = match_->currentIndex() == 1;
    r.fromStart = match_->currentIndex() == 2;
    r.caseSensitive = case_->isChecked();
    r.backwards = backwards_->isChecked();
    return r;
}

void GridFindDialog::findNext()
{
    const GridFindRequest r = request();
    if (r.text.isEmpty())
        return;
    if (!grid_.findNext(r))
        showMessage(QStringLiteral("Текст \"%1\" не найден").arg(r.text), this);
}

} // namespace qel::ui
