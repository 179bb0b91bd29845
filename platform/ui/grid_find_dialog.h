// The grid's find dialog (Ctrl+F): a text, the column to search (or all columns), how the
// text must match, and "find next" that moves the grid to the next matching row.
#pragma once

#include "platform/ui/grid_types.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace qel::ui {

struct GridFindRequest;

class GridFindDialog : public QDialog {
    Q_OBJECT
public:
    GridFindDialog(TQXDBGridEh& grid, const GridFindRequest& last);

    GridFindRequest request() const;

    QLineEdit* textEdit() const { return text_; }
    QComboBox* columnBox() const { return column_; }
    QComboBox* matchBox() const { return match_; }
    QCheckBox* caseBox() const { return case_; }
    QCheckBox* backwardsBox() const { return backwards_; }
    QPushButton* findButton() const { return find_; }

private:
    void findNext();

    TQXDBGridEh& grid_;
    QLineEdit* text_;
    QComboBox* column_;
    QComboBox* match_;
    QCheckBox* case_;
    QCheckBox* backwards_;
    QPushButton* find_;
    QList<int> columns_;     // column list index of each entry after "all columns"
};

} // namespace qel::ui
