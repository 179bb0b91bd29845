// Types shared by the data grid and its columns: options, allowed operations, the drawing
// state of a cell, fonts with a colour, edit buttons, footers and the handler signatures.
#pragma once

#include <QColor>
#include <QFlags>
#include <QFont>
#include <QIcon>
#include <QString>
#include <QVariant>
#include <functional>

class QMenu;

namespace qel::ui {

class TQXDBGridEh;
class GridColumn;

// Grid options. The names the windows use are kept (dgConfirmDelete, dgAlwaysShowEditor).
enum GridOption : quint32 {
    dgEditing = 1u << 0,             // cells may be typed into
    dgAlwaysShowEditor = 1u << 1,    // the editor stays open on the current cell
    dgTitles = 1u << 2,
    dgIndicator = 1u << 3,           // the row indicator column (position 0)
    dgColumnResize = 1u << 4,
    dgColLines = 1u << 5,
    dgRowLines = 1u << 6,
    dgTabs = 1u << 7,                // Tab moves between cells
    dgRowSelect = 1u << 8,           // the whole current row is drawn selected
    dgAlwaysShowSelection = 1u << 9, // the current cell stays selected without focus
    dgConfirmDelete = 1u << 10,
    dgCancelOnExit = 1u << 11,       // an unmodified new row is dropped when focus leaves
    dgMultiSelect = 1u << 12,        // Ctrl/Shift clicks select rows (kept as bookmarks)
    dgEnterAsTab = 1u << 13,         // Enter moves to the next cell
    dgRowHighlight = 1u << 14,       // the current row is tinted
    dgFindDialog = 1u << 15,         // Ctrl+F opens the find dialog
};
Q_DECLARE_FLAGS(GridOptions, GridOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(GridOptions)

// What the grid itself may do to its dataset.
enum class GridOperation : quint32 {
    Insert = 1u << 0,   // Insert key
    Update = 1u << 1,   // typing into cells
    Delete = 1u << 2,   // Ctrl+Delete
    Append = 1u << 3,   // Down on the last row
};
Q_DECLARE_FLAGS(GridOperations, GridOperation)
Q_DECLARE_OPERATORS_FOR_FLAGS(GridOperations)

// The grid's own clipboard and selection keys (Ctrl+C, X, V, Delete, A).
enum class GridEditAction : quint32 {
    Copy = 1u << 0,
    Cut = 1u << 1,
    Paste = 1u << 2,
    Delete = 1u << 3,
    SelectAll = 1u << 4,
};
Q_DECLARE_FLAGS(GridEditActions, GridEditAction)
Q_DECLARE_OPERATORS_FOR_FLAGS(GridEditActions)
// The names the grid events component's owners use for the same keys.
inline constexpr GridEditAction geaCutEh = GridEditAction::Cut;
inline constexpr GridEditAction geaCopyEh = GridEditAction::Copy;
inline constexpr GridEditAction geaPasteEh = GridEditAction::Paste;
inline constexpr GridEditAction geaDeleteEh = GridEditAction::Delete;
inline constexpr GridEditAction geaSelectAllEh = GridEditAction::SelectAll;

// How a cell is being drawn: selected (current cell or a selected row), focused (the
// current cell of the focused grid), fixed (title, indicator, footer).
struct GridDrawState {
    bool selected = false;
    bool focused = false;
    bool fixed = false;
    bool isEmpty() const { return !selected && !focused && !fixed; }
    bool selectedOnly() const { return selected && !focused && !fixed; }
    bool operator==(const GridDrawState&) const = default;
};

// A font with its colour (a QFont has none).
struct GridFont {
    QFont font;
    QColor color = Qt::black;
};

enum class EditButtonStyle { DropDown, Ellipsis, Glyph, UpDown };

struct EditButton {
    EditButtonStyle style = EditButtonStyle::DropDown;
    bool visible = true;
    QMenu* dropDownMenu = nullptr;   // shown under the cell when the button is pressed
    QIcon glyph;                     // Glyph style
    QString hint;
};

enum class FooterValueType { None, StaticText, Sum, Count };

// Runs when the grid is about to write an editor's text into the column's field. The
// handler may change the text or the value, choose which one is written (useText), or
// set handled: then nothing is written and the field keeps its value.
using UpdateDataHandler =
    std::function<void(GridColumn& column, QString& text, QVariant& value, bool& useText, bool& handled)>;
// An edit button of the column was pressed; handled suppresses the button's own action.
using EditButtonDownHandler = std::function<void(GridColumn& column, int button, bool& handled)>;

using GridNotifyHandler = std::function<void(TQXDBGridEh& sender)>;
using GetCellParamsHandler =
    std::function<void(TQXDBGridEh& sender, GridColumn& column, GridFont& font, QColor& background, GridDrawState state)>;
using DrawColumnCellHandler =
    std::function<void(TQXDBGridEh& sender, const QRect& rect, int dataCol, GridColumn& column, GridDrawState state)>;
// The typed character; setting it to QChar() swallows the key, another character replaces it.
using KeyPressHandler = std::function<void(TQXDBGridEh& sender, QChar& key)>;
// Called first for every key; setting key to 0 swallows it.
using KeyDownHandler = std::function<void(TQXDBGridEh& sender, int& key, Qt::KeyboardModifiers shift)>;

} // namespace qel::ui
