// TQXDBGridEh: the data grid of the client. A QTableView over the rows of a data source,
// with a column list built at run time, multi-level titles, a footer row with sums, a row
// indicator, multi-row selection kept as dataset bookmarks, cell editing that goes through
// the columns' update handlers into the dataset's fields, owner drawing of cells, and a
// find dialog. The grid's current row is the dataset's current record. Its model
// (grid_model.h) answers each cell's text and editability and writes into the fields; its
// delegate (grid_cell_delegate.h) paints the cells and makes and commits the editors; the
// view here follows the data source, the current cell, the keys and the mouse.
//
// Columns are counted from 0 in the column list (dataCol, selectedIndex); col() counts
// the row indicator as position 0 when it is shown.
//
// Every handler the grid calls runs guarded: a silent abort is swallowed, any other error
// goes to the default error report, and the grid stays consistent with its dataset.
#pragma once

#include "platform/db/data_source.h"
#include "platform/ui/grid_canvas.h"
#include "platform/ui/grid_column.h"
#include "platform/ui/grid_row_selection.h"
#include "platform/ui/grid_types.h"

#include <QPointer>
#include <QTableView>
#include <memory>
#include <vector>

namespace qel::ui {

class GridModel;
class GridCellDelegate;
class GridTitleHeader;
class GridIndicatorHeader;
class GridFooter;

// What the find dialog looks for.
struct GridFindRequest {
    QString text;
    int column = -1;            // column list index; -1: every visible column
    bool wholeCell = false;     // the cell's text equals the text (else: contains it)
    bool fromStart = false;     // the cell's text starts with the text
    bool caseSensitive = false;
    bool backwards = false;
};

class TQXDBGridEh : public QTableView {
    Q_OBJECT
public:
    explicit TQXDBGridEh(QWidget* parent = nullptr);
    ~TQXDBGridEh() override;

    // ---- data ------------------------------------------------------------------------------
    db::DataSource* dataSource() const { return source_; }
    // Attaches to a data source (nullptr detaches: the grid goes blank).
    void setDataSource(db::DataSource* source);
    db::DataSet* dataSet() const;
    int dataRowCount() const;

    // ---- columns -----------------------------------------------------------------------------
    int columnCount() const { return int(columns_.size()); }
    GridColumn& column(int index) const;               // throws std::out_of_range
    GridColumn* findColumn(const QString& fieldName) const;
    int columnIndex(const GridColumn* column) const;   // -1 when not ours
    GridColumn& addColumn(const QString& fieldName = {}, const QString& title = {});
    GridColumn& insertColumn(int index, const QString& fieldName = {}, const QString& title = {});
    void removeColumn(int index);
    void clearColumns();

    // ---- current cell ----------------------------------------------------------------------
    int selectedIndex() const;          // current column in the column list, -1 without columns
    void setSelectedIndex(int index);
    GridColumn* selectedColumn() const;
    int col() const;                    // with the row indicator as position 0
    void setCol(int col);
    int indicatorOffset() const { return (options_ & dgIndicator) ? 1 : 0; }

    // ---- options ---------------------------------------------------------------------------
    GridOptions options() const { return options_; }
    void setOptions(GridOptions options);
    void setOption(GridOption option, bool on);
    bool hasOption(GridOption option) const { return options_.testFlag(option); }
    GridOperations allowedOperations() const { return allowed_; }
    void setAllowedOperations(GridOperations operations) { allowed_ = operations; }
    GridEditActions editActions() const { return editActions_; }
    void setEditActions(GridEditActions actions) { editActions_ = actions; }
    // Off: cells are drawn only by onDrawColumnCell (on the prepared brush and font).
    bool defaultDrawing() const { return defaultDrawing_; }
    void setDefaultDrawing(bool on);
    // Fits the visible columns' widths to the grid's width (within their min/max widths).
    bool autoFitColWidths() const { return autoFit_; }
    void setAutoFitColWidths(bool on);
    // Widths as shown (after fitting), per column.
    int shownWidth(int column) const;

    // ---- look ------------------------------------------------------------------------------
    int titleHeight() const { return titleHeight_; }
    void setTitleHeight(int height);
    int titleLevelCount() const;
    GridFont titleFont() const { return titleFont_; }
    void setTitleFont(const QFont& font, const QColor& color = Qt::black);
    GridFont dataFont() const { return dataFont_; }
    void setDataFont(const QFont& font, const QColor& color = Qt::black);
    int rowHeight() const;
    void setRowHeight(int height);
    QColor color() const { return color_; }             // background of the data cells
    void setColor(const QColor& color);
    // Alternating row colours (both invalid: none).
    QColor evenRowColor() const { return evenRowColor_; }
    QColor oddRowColor() const { return oddRowColor_; }
    void setRowColors(const QColor& even, const QColor& odd);
    QColor fixedColor() const { return fixedColor_; }   // titles, indicator
    void setFixedColor(const QColor& color);
    QColor highlightColor() const;
    QColor highlightTextColor() const { return highlightText_; }
    void setHighlightColor(const QColor& background, const QColor& text = Qt::white);

    // ---- footer ----------------------------------------------------------------------------
    int footerRowCount() const { return footerRows_; }
    void setFooterRowCount(int rows);                   // 0 or 1
    QColor footerColor() const { return footerColor_; }
    void setFooterColor(const QColor& color);
    GridFont footerFont() const { return footerFont_; }
    void setFooterFont(const QFont& font, const QColor& color = Qt::black);
    // Off: sum footers stay empty.
    bool sumsEnabled() const { return sumsEnabled_; }
    void setSumsEnabled(bool on);
    QString footerText(int column) const;
    // The sum of a column's field over every row (null fields count as 0).
    double columnSum(int column) const;
    int footerOffset() const;

    // ---- multi-row selection -----------------------------------------------------------------
    GridRowSelection& selectedRows() { return selection_; }
    const GridRowSelection& selectedRows() const { return selection_; }

    // ---- drawing (inside onGetCellParams / onDrawColumnCell) ----------------------------------
    GridCanvas& canvas() { return canvas_; }
    // The row being drawn and its values (the dataset's current record does not move).
    int drawingRow() const { return canvas_.row(); }
    QVariant drawingValue(const QString& fieldName) const;
    QString drawingText(const QString& fieldName) const;
    // Fills the cell with the canvas brush and writes the column's text for the row being
    // drawn with the canvas font, aligned as the column says.
    void defaultDrawColumnCell(const QRect& rect, int dataCol, GridColumn& column, GridDrawState state);
    // While the dataset's display updates are suspended nothing is drawn.
    bool displaySuspended() const { return suspended_; }
    // Paints one cell onto any painter as the grid paints it (its delegate does the work).
    void paintCell(QPainter* painter, const QRect& rect, int row, int column);

    // ---- cell texts (the model's) --------------------------------------------------------------
    QString cellText(int row, int column) const;        // as shown
    QString cellEditText(int row, int column) const;    // as the editor starts
    bool canEditCell(int row, int column) const;

    // ---- editing -----------------------------------------------------------------------------
    bool editorMode() const;                // an editor is open
    QWidget* cellEditor() const;
    // Opens the editor on the current cell (false when the cell cannot be edited).
    bool showEditor();
    // Closes the editor, writing its text first when commit is true.
    void hideEditor(bool commit);
    // Writes a text into the current row's cell exactly as an editor commit does (the
    // dataset goes into edit state, the column's update handler runs, the text is converted).
    // Returns false when nothing was written.
    bool setCellText(int column, const QString& text);

    // ---- find --------------------------------------------------------------------------------
    // Moves to the next row (after the current one, wrapping) whose cell matches; false
    // when none does.
    bool findNext(const GridFindRequest& request);
    void showFindDialog();
    const GridFindRequest& lastFind() const { return lastFind_; }

    // ---- mouse ---------------------------------------------------------------------------------
    // A click on a row (in the row indicator, or with Ctrl/Shift on a cell): moves there
    // and, with multi-row selection, toggles it (Ctrl) or selects up to it (Shift).
    void rowClicked(int row, Qt::KeyboardModifiers modifiers);
    // Presses an edit button of a column on the current row (as a click on it does).
    void pressEditButton(int column, int button);
    // Where the current cell's edit buttons are drawn (viewport coordinates).
    QRect editButtonRect(int column, int button) const;

    // ---- handlers (run guarded) --------------------------------------------------------------
    GetCellParamsHandler onGetCellParams;
    DrawColumnCellHandler onDrawColumnCell;
    KeyPressHandler onKeyPress;
    KeyDownHandler onKeyDown;
    GridNotifyHandler onColEnter;
    GridNotifyHandler onColExit;
    GridNotifyHandler onDblClick;

    using QTableView::edit;

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void commitData(QWidget* editor) override;
    bool eventFilter(QObject* object, QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyboardSearch(const QString& search) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;

private:
    friend class GridColumn;   // reports its changes through columnChanged

    // data source reports
    void connectSource();
    void onLayoutReset();
    void onRowsInserted(int first, int count);
    void onRowsRemoved(int first, int count);
    void onRowsChanged(int first, int last);
    void onCurrentChanged(int row, int previous);
    void onStateChanged();
    void onDisplaySuspended();
    void onDisplayResumed();
    void syncCurrentFromDataSet();
    void dataChanged();
    // columns
    void columnChanged(GridColumn* column, bool layout);
    void rowSelectionChanged();
    void applyColumnLayout();
    void fitColumns();
    // editing
    // The keys typed into an open editor: the key handlers first, then Esc, Enter, Tab and
    // the row keys act as in the grid. True when the key was consumed.
    bool editorKeyPress(QWidget* editor, QKeyEvent* event);
    void cancelRowEdit();
    void moveDataSetTo(int row);
    void selectRange(int from, int to);
    void reopenEditorLater();
    void moveToNextCell(bool backwards);
    void updateEditTriggers();
    // keys
    // The grid's own keys, then typed characters, then the table view's navigation.
    void processGridKey(QKeyEvent* event);
    bool handleGridKey(QKeyEvent* event);
    void deleteRows();
    void copyRows(bool cut);
    void pasteText();
    // helpers
    bool guarded(const std::function<void()>& action);
    void fireColEnter();
    void fireColExit();
    int editButtonAt(const QPoint& pos) const;

    QPointer<db::DataSource> source_;
    std::vector<QMetaObject::Connection> sourceConnections_;
    std::vector<std::unique_ptr<GridColumn>> columns_;
    GridModel* model_ = nullptr;
    GridCellDelegate* delegate_ = nullptr;
    GridTitleHeader* titleHeader_ = nullptr;
    GridIndicatorHeader* indicatorHeader_ = nullptr;
    GridFooter* footer_ = nullptr;
    GridRowSelection selection_;
    GridCanvas canvas_;

    GridOptions options_ = GridOptions(dgEditing) | dgTitles | dgIndicator | dgColumnResize | dgColLines
        | dgRowLines | dgTabs | dgConfirmDelete | dgCancelOnExit;
    GridOperations allowed_ = GridOperation::Insert | GridOperation::Update | GridOperation::Delete
        | GridOperation::Append;
    GridEditActions editActions_;
    bool defaultDrawing_ = true;
    bool autoFit_ = false;
    int titleHeight_ = 20;
    GridFont titleFont_;
    GridFont dataFont_;
    GridFont footerFont_;
    QColor color_ = Qt::white;
    QColor evenRowColor_;
    QColor oddRowColor_;
    QColor fixedColor_ = QColor(212, 208, 200);
    QColor footerColor_ = QColor(212, 208, 200);
    QColor highlight_ = QColor(10, 36, 106);
    QColor highlightText_ = Qt::white;
    int footerRows_ = 0;
    bool sumsEnabled_ = true;
    mutable std::vector<std::optional<double>> sums_;

    QPointer<QWidget> editor_;
    int editorRow_ = -1;
    int editorCol_ = -1;
    int overrideCol_ = -1;     // the column being left, while its editor commits
    int geometryDepth_ = 0;
    int syncing_ = 0;
    int applyingLayout_ = 0;
    bool forwardingKey_ = false;
    bool suspended_ = false;
    int anchorRow_ = -1;
    int lastCol_ = -1;
    GridFindRequest lastFind_;
};

} // namespace qel::ui
