// One column of the data grid: which field it shows and how, how it is edited (pick list,
// lookup list, edit buttons, mask), its footer and its handlers. Columns belong to their
// grid; every change is shown at once.
#pragma once

#include "platform/ui/grid_types.h"

#include <QList>
#include <QStringList>
#include <optional>

namespace qel::db {
class Field;
}

namespace qel::ui {

class GridColumn {
public:
    GridColumn(const GridColumn&) = delete;
    GridColumn& operator=(const GridColumn&) = delete;

    TQXDBGridEh& grid() const { return *grid_; }
    int index() const;                      // position in the grid's column list

    // ---- field ---------------------------------------------------------------------------
    const QString& fieldName() const { return fieldName_; }
    void setFieldName(const QString& name);
    // The field of that name in the grid's dataset; nullptr without one.
    db::Field* field() const;

    // ---- title ---------------------------------------------------------------------------
    // "Top|Bottom" gives a two-level heading; neighbours with the same top share it.
    const QString& title() const { return title_; }
    void setTitle(const QString& title);
    QStringList titleLevels() const;

    // ---- size and visibility ---------------------------------------------------------------
    int width() const { return width_; }
    void setWidth(int width);               // clamped to min/max when they are set
    int minWidth() const { return minWidth_; }
    void setMinWidth(int width);
    int maxWidth() const { return maxWidth_; }
    void setMaxWidth(int width);            // 0: no maximum
    bool visible() const { return visible_; }
    void setVisible(bool on);
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool on);

    // ---- look --------------------------------------------------------------------------
    // Background: the column's own, or the grid's colour when it has none (then the grid's
    // alternating row colours apply). An invalid colour removes the column's own.
    QColor color() const;
    bool hasOwnColor() const { return color_.isValid(); }
    void setColor(const QColor& color);
    // Font; unset: the grid's data font.
    GridFont font() const;
    bool hasFont() const { return font_.has_value(); }
    void setFont(const QFont& font, const QColor& color = Qt::black);
    void resetFont();
    // Alignment; unset: numbers to the right, everything else to the left.
    Qt::Alignment alignment() const;
    void setAlignment(Qt::Alignment alignment);

    // ---- display and editing ---------------------------------------------------------------
    // Qt date/number format for the cell's text ("dd.MM.yyyy", "%.2f"); empty: the field's.
    const QString& displayFormat() const { return displayFormat_; }
    void setDisplayFormat(const QString& format);
    // Input mask of the cell editor (QLineEdit syntax, e.g. "99.99.9999;_"); empty: the field's.
    const QString& editMask() const { return editMask_; }
    void setEditMask(const QString& mask);
    // The items offered in the cell's drop-down. With a key list of the same length the
    // field stores the key and the cell shows the matching pick-list item.
    const QStringList& pickList() const { return pickList_; }
    void setPickList(const QStringList& items);
    const QStringList& keyList() const { return keyList_; }
    void setKeyList(const QStringList& keys);
    // Width of the drop-down list (pick list or lookup list); 0: the cell's width.
    int dropDownWidth() const { return dropDownWidth_; }
    void setDropDownWidth(int width);
    // Whether the cell offers a drop-down list: a pick list or a lookup field.
    bool hasDropDownList() const;

    // ---- edit buttons ------------------------------------------------------------------------
    const QList<EditButton>& editButtons() const { return editButtons_; }
    int addEditButton(EditButtonStyle style, QMenu* menu = nullptr);   // returns its index
    void setEditButtonMenu(int button, QMenu* menu);                    // nullptr: no menu
    void setEditButtonVisible(int button, bool on);
    void clearEditButtons();
    bool hasVisibleEditButton() const;

    // ---- footer --------------------------------------------------------------------------
    FooterValueType footerValueType() const { return footerType_; }
    void setFooterValueType(FooterValueType type);
    const QString& footerText() const { return footerText_; }
    void setFooterText(const QString& text);       // also makes the footer static text
    std::optional<Qt::Alignment> footerAlignment() const { return footerAlignment_; }
    void setFooterAlignment(Qt::Alignment alignment) { footerAlignment_ = alignment; changed(); }

    QVariant tag;

    // ---- handlers ------------------------------------------------------------------------
    UpdateDataHandler onUpdateData;
    EditButtonDownHandler onEditButtonDown;

private:
    friend class TQXDBGridEh;
    explicit GridColumn(TQXDBGridEh* grid) : grid_(grid) {}
    void changed(bool layout = false);

    TQXDBGridEh* grid_;
    QString fieldName_;
    QString title_;
    int width_ = 64;
    int minWidth_ = 0;
    int maxWidth_ = 0;
    bool visible_ = true;
    bool readOnly_ = false;
    QColor color_;
    std::optional<GridFont> font_;
    std::optional<Qt::Alignment> alignment_;
    QString displayFormat_;
    QString editMask_;
    QStringList pickList_;
    QStringList keyList_;
    int dropDownWidth_ = 0;
    QList<EditButton> editButtons_;
    FooterValueType footerType_ = FooterValueType::None;
    QString footerText_;
    std::optional<Qt::Alignment> footerAlignment_;
};

} // namespace qel::ui
