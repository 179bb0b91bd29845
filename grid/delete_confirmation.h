// TForm1: the delete confirmation window. It lists the rows about to be deleted with the
// sheet's columns, says how many there are and asks Yes or No. It is made for one question
// and freed afterwards.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

namespace qel::ui {
class Panel;
}

namespace qel::grid {

class TForm1 : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMinWidth = 550;
    static constexpr int kMinHeight = 250;
    static constexpr int kRowHeight = 18;
    static constexpr int kDefaultColumnWidth = 64;

    // No owner: the window is centred on the desktop. Creating it plays the system's
    // exclamation sound.
    explicit TForm1(QWidget* parent = nullptr);

    ui::Panel* Panel1;
    QLabel* Count_Lbl;
    QLabel* Qst_Lbl;
    QLabel* Warning_Image;
    // The listed rows. Its title row and its empty first column are the table's headers,
    // so the user can resize the columns by their titles.
    QTableWidget* StringGrid;
    ui::Panel* Panel2;
    QWidget* Btns_Pnl;
    QPushButton* BitBtn1;   // "Да": closes with Accepted (the Yes result)
    QPushButton* BitBtn2;   // "Нет", also Esc: closes with Rejected

    void FormCreate();
    // Keeps the buttons horizontally centred in the bottom panel.
    void FormCanResize();

protected:
    bool eventFilter(QObject* object, QEvent* event) override;
};

} // namespace qel::grid
