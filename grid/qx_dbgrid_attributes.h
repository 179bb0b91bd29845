// The colours and fonts the grid events component paints records with: selected,
// focused, pasted, duplicate and erroneous records, and selected cells of the columns
// named in the fixed list. Each attribute knows the served grid and repaints it when
// changed.
#pragma once

#include "platform/ui/grid_types.h"

#include <QPointer>
#include <QStringList>

namespace qel::ui {
class TQXDBGridEh;
}

namespace qel::grid {

// What every attribute shares: the grid it repaints.
class TQXDBGridAttrBase {
public:
    virtual ~TQXDBGridAttrBase() = default;
    void setGrid(ui::TQXDBGridEh* grid);

protected:
    // Stores a new value and repaints the grid.
    template <class T>
    void assign(T& member, const T& value)
    {
        member = value;
        changed();
    }
    void changed() const;

private:
    QPointer<ui::TQXDBGridEh> grid_;
};

class TQXDBGridAttr : public TQXDBGridAttrBase {
public:
    TQXDBGridAttr(const QColor& color, const ui::GridFont& font) : color_(color), font_(font) {}

    const ui::GridFont& Font() const { return font_; }
    void setFont(const ui::GridFont& font) { assign(font_, font); }   // copied
    void setFont(const QFont& font, const QColor& color) { setFont(ui::GridFont{font, color}); }
    const QColor& Color() const { return color_; }
    void setColor(const QColor& color) { assign(color_, color); }

private:
    QColor color_;
    ui::GridFont font_;
};

class TQXDBGridFixedAttr : public TQXDBGridAttrBase {
public:
    TQXDBGridFixedAttr(const QColor& selColor, const ui::GridFont& selFont) : selColor_(selColor), selFont_(selFont) {}

    // Column titles in upper case whose selected cells take SelColor and SelFont.
    const QStringList& List() const { return list_; }
    void setList(const QStringList& titles) { assign(list_, titles); }   // copied
    const ui::GridFont& SelFont() const { return selFont_; }
    void setSelFont(const ui::GridFont& font) { assign(selFont_, font); }
    void setSelFont(const QFont& font, const QColor& color) { setSelFont(ui::GridFont{font, color}); }
    const QColor& SelColor() const { return selColor_; }
    void setSelColor(const QColor& color) { assign(selColor_, color); }

private:
    QStringList list_;
    QColor selColor_;
    ui::GridFont selFont_;
};

// The attribute objects of one component, with their defaults.
class TQXDBAttributes {
public:
    TQXDBAttributes();

    TQXDBGridAttr SelAttr;
    TQXDBGridAttr AfterPasteAttr;
    TQXDBGridAttr DuplicateAttr;
    TQXDBGridAttr ErrorAttr;
    TQXDBGridAttr FocusedAttr;
    TQXDBGridFixedAttr FixedAttr;

    // Tells every attribute the grid it serves now (nullptr: none).
    void setGrid(ui::TQXDBGridEh* grid);
};

} // namespace qel::grid
