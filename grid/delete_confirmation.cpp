#include "grid/delete_confirmation.h"

#include "platform/ui/colors_fonts.h"
#include "platform/ui/panel.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

namespace qel::grid {

namespace {

template <class W>
W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

} // namespace

TForm1::TForm1(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Предупреждение..."));
    // A tool window with a sizeable border and no title-bar buttons: only Да, Нет and Esc
    // close it.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setSizeGripEnabled(true);
    setMinimumSize(kMinWidth, kMinHeight);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    Panel1 = named(new ui::Panel(this), "Panel1");
    Panel1->setBevel(ui::Panel::Bevel::Raised);
    auto* top = new QHBoxLayout(Panel1);
    top->setContentsMargins(12, 8, 12, 8);
    top->setSpacing(12);
    Warning_Image = named(new QLabel(Panel1), "Warning_Image");
    Warning_Image->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    Warning_Image->setFixedSize(36, 36);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    Count_Lbl = named(new QLabel(QStringLiteral("Количество удаляемых записей:"), Panel1), "Count_Lbl");
    Count_Lbl->setFont(ui::pixelFont(13));
    Qst_Lbl = named(new QLabel(QStringLiteral("Вы действительно хотите удалить эти записи?"), Panel1), "Qst_Lbl");
    Qst_Lbl->setFont(ui::pixelFont(13, true));
    texts->addWidget(Count_Lbl);
    texts->addWidget(Qst_Lbl);
    top->addWidget(Warning_Image, 0, Qt::AlignTop);
    top->addLayout(texts, 1);
    root->addWidget(Panel1);

    StringGrid = named(new QTableWidget(this), "StringGrid");
    StringGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid->setShowGrid(true);
    StringGrid->setWordWrap(false);
    StringGrid->setCornerButtonEnabled(false);
    QHeaderView* titles = StringGrid->horizontalHeader();
    titles->setSectionResizeMode(QHeaderView::Interactive);
    titles->setDefaultSectionSize(kDefaultColumnWidth);
    titles->setHighlightSections(false);
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QHeaderView* first = StringGrid->verticalHeader();
    first->setSectionResizeMode(QHeaderView::Fixed);
    first->setMinimumSectionSize(kRowHeight);
    first->setDefaultSectionSize(kRowHeight);
    first->setFixedWidth(kDefaultColumnWidth);
    first->setHighlightSections(false);
    // The fixed cells are silver, as the title row and first column of a text grid are.
    StringGrid->setStyleSheet(QStringLiteral("QHeaderView::section { background-color: rgb(192, 192, 192); "
                                             "border: 1px solid rgb(128, 128, 128); padding-left: 2px; }"));
    root->addWidget(StringGrid, 1);

    Panel2 = named(new ui::Panel(this), "Panel2");
    Panel2->setBevel(ui::Panel::Bevel::Raised);
    Panel2->setFixedHeight(44);
    Btns_Pnl = named(new QWidget(Panel2), "Btns_Pnl");
    auto* buttons = new QHBoxLayout(Btns_Pnl);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(16);
    BitBtn1 = named(new QPushButton(style()->standardIcon(QStyle::SP_DialogYesButton), QStringLiteral("Да"), Btns_Pnl),
                    "BitBtn1");
    BitBtn2 = named(new QPushButton(style()->standardIcon(QStyle::SP_DialogNoButton), QStringLiteral("Нет"), Btns_Pnl),
                    "BitBtn2");
    for (QPushButton* b : {BitBtn1, BitBtn2})
        b->setFixedSize(90, 28);
    BitBtn1->setDefault(true);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    Btns_Pnl->setFixedSize(Btns_Pnl->sizeHint());
    Btns_Pnl->move(0, (Panel2->height() - Btns_Pnl->height()) / 2);
    Panel2->installEventFilter(this);
    root->addWidget(Panel2);

    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    FormCreate();
}

void TForm1::FormCreate() { QApplication::beep(); }

void TForm1::FormCanResize()
{
    // Integer halves, truncated toward zero.
    Btns_Pnl->move(Panel2->width() / 2 - Btns_Pnl->width() / 2, (Panel2->height() - Btns_Pnl->height()) / 2);
}

bool TForm1::eventFilter(QObject* object, QEvent* event)
{
    if (object == Panel2 && event->type() == QEvent::Resize)
        FormCanResize();
    return QDialog::eventFilter(object, event);
}

} // namespace qel::grid
