#include "grid/qx_dbgrid_attributes.h"

#include "platform/ui/colors_fonts.h"
#include "platform/ui/qx_db_grid_eh.h"

namespace qel::grid {

namespace {

ui::GridFont defaultFont(const QColor& color = Qt::black, bool bold = false)
{
    ui::GridFont f{QFont(), color};
    f.font.setBold(bold);
    return f;
}

} // namespace

void TQXDBGridAttrBase::setGrid(ui::TQXDBGridEh* grid) { grid_ = grid; }

void TQXDBGridAttrBase::changed() const
{
    if (grid_)
        grid_->viewport()->update();
}

// ---- the set -----------------------------------------------------------------------------------

TQXDBAttributes::TQXDBAttributes()
    : SelAttr(ui::colors::black(), defaultFont(ui::colors::white())),
      AfterPasteAttr(ui::colors::infoBackground(), defaultFont()),
      DuplicateAttr(ui::colors::green(), defaultFont()),
      ErrorAttr(ui::colors::red(), defaultFont()),
      FocusedAttr(QColor(79, 79, 79), defaultFont(ui::colors::white(), true)),
      FixedAttr(ui::colors::moneyGreen(), defaultFont(Qt::black, true))
{
}

void TQXDBAttributes::setGrid(ui::TQXDBGridEh* grid)
{
    for (TQXDBGridAttrBase* a : std::initializer_list<TQXDBGridAttrBase*>{
             &SelAttr, &AfterPasteAttr, &DuplicateAttr, &ErrorAttr, &FocusedAttr, &FixedAttr})
        a->setGrid(grid);
}

} // namespace qel::grid
