// The grid's set-up: binding to the data source, the column list and its layout (widths,
// fitting, hidden columns), options, colours, fonts and the footer.
#include "platform/ui/qx_db_grid_eh.h"

#include "platform/db/value_convert.h"
#include "platform/ui/error_report.h"
#include "platform/ui/grid_cell_delegate.h"
#include "platform/ui/grid_footer.h"
#include "platform/ui/grid_headers.h"
#include "platform/ui/grid_model.h"

#include "platform/os/errors.h"

#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace qel::ui {

TQXDBGridEh::TQXDBGridEh(QWidget* parent) : QTableView(parent), selection_(*this, [this] { rowSelectionChanged(); })
{
    dataFont_.font = font();
    titleFont_.font = font();
    footerFont_.font = font();

    footer_ = new GridFooter(*this);
    footer_->hide();
    model_ = new GridModel(*this);
    titleHeader_ = new GridTitleHeader(*this);
    indicatorHeader_ = new GridIndicatorHeader(*this);
    setHorizontalHeader(titleHeader_);
    setVerticalHeader(indicatorHeader_);
    setModel(model_);
    delegate_ = new GridCellDelegate(*this, *model_);
    setItemDelegate(delegate_);

    setSelectionMode(QAbstractItemView::NoSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setTabKeyNavigation(true);
    setRowHeight(QFontMetrics(dataFont_.font).height() + 5);
    setColor(color_);

    connect(titleHeader_, &QHeaderView::sectionResized, this, [this](int logical, int, int size) {
        if (applyingLayout_ || logical < 0 || logical >= columnCount())
            return;
        // A width the user dragged becomes the column's width.
        GridColumn& c = *columns_[size_t(logical)];
        c.width_ = std::clamp(size, c.minWidth_ > 0 ? c.minWidth_ : 0, c.maxWidth_ > 0 ? c.maxWidth_ : 1 << 20);
        if (c.width_ != size) {
            ++applyingLayout_;
            titleHeader_->resizeSection(logical, c.width_);
            --applyingLayout_;
        }
        footer_->update();
    });
    updateEditTriggers();
    applyColumnLayout();
}

TQXDBGridEh::~TQXDBGridEh()
{
    for (auto& c : sourceConnections_)
        disconnect(c);
}

// ---- data source ---------------------------------------------------------------------------

db::DataSet* TQXDBGridEh::dataSet() const
{
    return source_ && source_->enabled() ? source_->dataSet() : nullptr;
}

int TQXDBGridEh::dataRowCount() const
{
    db::DataSet* ds = dataSet();
    return ds && ds->active() ? ds->recordCount() : 0;
}

void TQXDBGridEh::setDataSource(db::DataSource* source)
{
    if (source == source_)
        return;
    hideEditor(false);
    for (auto& c : sourceConnections_)
        disconnect(c);
    sourceConnections_.clear();
    source_ = source;
    connectSource();
    selection_.dataSetChanged();
    onLayoutReset();
}

void TQXDBGridEh::connectSource()
{
    if (!source_)
        return;
    using db::DataSource;
    auto& c = sourceConnections_;
    c.push_back(connect(source_, &DataSource::layoutReset, this, [this] { onLayoutReset(); }));
    c.push_back(connect(source_, &DataSource::activeChanged, this, [this] { onStateChanged(); }));
    c.push_back(connect(source_, &DataSource::stateChanged, this, [this] { onStateChanged(); }));
    c.push_back(connect(source_, &DataSource::rowsInserted, this, &TQXDBGridEh::onRowsInserted));
    c.push_back(connect(source_, &DataSource::rowsRemoved, this, &TQXDBGridEh::onRowsRemoved));
    c.push_back(connect(source_, &DataSource::rowsChanged, this, &TQXDBGridEh::onRowsChanged));
    c.push_back(connect(source_, &DataSource::currentChanged, this, &TQXDBGridEh::onCurrentChanged));
    c.push_back(connect(source_, &DataSource::displaySuspended, this, [this] { onDisplaySuspended(); }));
    c.push_back(connect(source_, &DataSource::displayResumed, this, [this] { onDisplayResumed(); }));
    // A post is coming (from code, a navigator, another control): the open editor's text
    // must reach the record first.
    c.push_back(connect(source_, &DataSource::updateRecord, this, [this] {
        if (editor_ && !model_->writing())
            hideEditor(true);
    }));
    c.push_back(connect(source_, &DataSource::dataSetChanged, this, [this] {
        selection_.dataSetChanged();
        onLayoutReset();
    }));
    c.push_back(connect(source_, &QObject::destroyed, this, [this] {
        sourceConnections_.clear();
        selection_.dataSetChanged();
        onLayoutReset();
    }));
}

void TQXDBGridEh::onLayoutReset()
{
    selection_.layoutReset();
    dataChanged();
    model_->reset();
    applyColumnLayout();
    syncCurrentFromDataSet();
}

void TQXDBGridEh::onRowsInserted(int first, int count)
{
    selection_.rowsInserted(first, count);
    dataChanged();
    model_->insertRows(first, count);
}

void TQXDBGridEh::onRowsRemoved(int first, int count)
{
    selection_.rowsRemoved(first, count);
    dataChanged();
    model_->removeRows(first, count);
}

void TQXDBGridEh::onRowsChanged(int first, int last)
{
    dataChanged();
    model_->changeRows(first, last);
}

void TQXDBGridEh::onCurrentChanged(int, int)
{
    syncCurrentFromDataSet();
}

void TQXDBGridEh::onStateChanged()
{
    indicatorHeader_->viewport()->update();
    db::DataSet* ds = dataSet();
    // The row was posted or cancelled from elsewhere: an open editor no longer holds the
    // row's value.
    if (!(ds && ds->editing()) && editorMode() && !model_->writing()) {
        hideEditor(false);
        reopenEditorLater();
    }
    if (!ds || !ds->active())
        onLayoutReset();
    viewport()->update();
}

void TQXDBGridEh::onDisplaySuspended()
{
    suspended_ = true;
    viewport()->setUpdatesEnabled(false);
}

void TQXDBGridEh::onDisplayResumed()
{
    suspended_ = false;
    viewport()->setUpdatesEnabled(true);
    viewport()->update();
}

void TQXDBGridEh::syncCurrentFromDataSet()
{
    db::DataSet* ds = dataSet();
    const int row = ds && ds->active() ? ds->currentRow() : -1;
    ++syncing_;
    if (row < 0 || row >= model_->rowCount() || columnCount() == 0) {
        if (currentIndex().isValid())
            selectionModel()->clearCurrentIndex();
    } else {
        int col = selectedIndex();
        if (col < 0 || isColumnHidden(col)) {
            for (col = 0; col < columnCount() && isColumnHidden(col); ++col) {
            }
            if (col >= columnCount())
                col = 0;
        }
        const QModelIndex idx = model_->index(row, col);
        if (currentIndex() != idx)
            selectionModel()->setCurrentIndex(idx, QItemSelectionModel::NoUpdate);
        scrollTo(idx);
    }
    --syncing_;
    indicatorHeader_->viewport()->update();
    viewport()->update();
}

void TQXDBGridEh::dataChanged()
{
    std::fill(sums_.begin(), sums_.end(), std::nullopt);
    footer_->update();
}

void TQXDBGridEh::rowSelectionChanged()
{
    viewport()->update();
    indicatorHeader_->viewport()->update();
}

// ---- columns -------------------------------------------------------------------------------

GridColumn& TQXDBGridEh::column(int index) const
{
    if (index < 0 || index >= columnCount())
        throw std::out_of_range("grid column index out of range");
    return *columns_[size_t(index)];
}

GridColumn* TQXDBGridEh::findColumn(const QString& fieldName) const
{
    for (const auto& c : columns_)
        if (c->fieldName().compare(fieldName, Qt::CaseInsensitive) == 0)
            return c.get();
    return nullptr;
}

int TQXDBGridEh::columnIndex(const GridColumn* column) const
{
    for (size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].get() == column)
            return int(i);
    return -1;
}

GridColumn& TQXDBGridEh::addColumn(const QString& fieldName, const QString& title)
{
    return insertColumn(columnCount(), fieldName, title);
}

GridColumn& TQXDBGridEh::insertColumn(int index, const QString& fieldName, const QString& title)
{
    index = std::clamp(index, 0, columnCount());
    hideEditor(true);
    const int current = selectedIndex();
    auto column = std::unique_ptr<GridColumn>(new GridColumn(this));
    column->fieldName_ = fieldName;
    column->title_ = title.isEmpty() ? fieldName : title;
    if (db::Field* f = dataSet() ? dataSet()->findField(fieldName) : nullptr) {
        if (title.isEmpty())
            column->title_ = f->displayLabel();
        if (f->displayWidth() > 0)
            column->width_ = f->displayWidth() * QFontMetrics(dataFont_.font).averageCharWidth() + 4;
    }
    GridColumn* raw = column.get();
    ++syncing_;
    model_->beginInsertColumn(index);
    columns_.insert(columns_.begin() + index, std::move(column));
    sums_.assign(columns_.size(), std::nullopt);
    model_->endInsertColumn();
    --syncing_;
    if (current >= index)
        lastCol_ = current + 1;
    applyColumnLayout();
    syncCurrentFromDataSet();
    return *raw;
}

void TQXDBGridEh::removeColumn(int index)
{
    if (index < 0 || index >= columnCount())
        return;
    hideEditor(true);
    const int current = selectedIndex();
    ++syncing_;
    model_->beginRemoveColumn(index);
    columns_.erase(columns_.begin() + index);
    sums_.assign(columns_.size(), std::nullopt);
    model_->endRemoveColumn();
    --syncing_;
    if (current > index)
        lastCol_ = current - 1;
    else if (current == index)
        lastCol_ = std::min(index, columnCount() - 1);
    applyColumnLayout();
    syncCurrentFromDataSet();
}

void TQXDBGridEh::clearColumns()
{
    while (columnCount() > 0)
        removeColumn(columnCount() - 1);
}

void TQXDBGridEh::columnChanged(GridColumn* column, bool layout)
{
    const int i = columnIndex(column);
    if (i < 0)
        return;
    if (i < int(sums_.size()))
        sums_[size_t(i)].reset();
    if (layout)
        applyColumnLayout();
    model_->columnChanged(i);
    titleHeader_->viewport()->update();
    footer_->update();
    viewport()->update();
}

void TQXDBGridEh::applyColumnLayout()
{
    ++applyingLayout_;
    for (int i = 0; i < columnCount(); ++i)
        setColumnHidden(i, !columns_[size_t(i)]->visible());
    if (autoFit_)
        fitColumns();
    else
        for (int i = 0; i < columnCount(); ++i)
            if (columns_[size_t(i)]->visible())
                titleHeader_->resizeSection(i, columns_[size_t(i)]->width());
    titleHeader_->setVisible(options_ & dgTitles);
    indicatorHeader_->setVisible(options_ & dgIndicator);
    titleHeader_->setSectionResizeMode((options_ & dgColumnResize) && !autoFit_ ? QHeaderView::Interactive
                                                                                : QHeaderView::Fixed);
    footer_->setVisible(footerRows_ > 0);
    --applyingLayout_;
    updateGeometries();
    titleHeader_->viewport()->update();
    footer_->update();
    viewport()->update();
}

void TQXDBGridEh::fitColumns()
{
    const int available = viewport()->width();
    if (available <= 0)
        return;
    std::vector<int> visible;
    for (int i = 0; i < columnCount(); ++i)
        if (columns_[size_t(i)]->visible())
            visible.push_back(i);
    if (visible.empty())
        return;
    // Proportional to the columns' own widths; a column held by its min or max width keeps
    // it and the others share the rest.
    std::vector<int> width(size_t(columnCount()), 0);
    std::vector<bool> held(size_t(columnCount()), false);
    for (int i : visible) {
        const GridColumn& c = *columns_[size_t(i)];
        if (c.minWidth_ > 0 && c.minWidth_ == c.maxWidth_) {
            held[size_t(i)] = true;
            width[size_t(i)] = c.minWidth_;
        }
    }
    for (int pass = 0; pass <= int(visible.size()); ++pass) {
        int heldTotal = 0, flexDesign = 0;
        for (int i : visible) {
            if (held[size_t(i)])
                heldTotal += width[size_t(i)];
            else
                flexDesign += std::max(columns_[size_t(i)]->width(), 1);
        }
        const int rest = std::max(available - heldTotal, 0);
        bool clamped = false;
        for (int i : visible) {
            if (held[size_t(i)])
                continue;
            const GridColumn& c = *columns_[size_t(i)];
            int w = flexDesign > 0 ? int(qint64(std::max(c.width(), 1)) * rest / flexDesign) : 0;
            if (c.minWidth_ > 0 && w < c.minWidth_) {
                w = c.minWidth_;
                held[size_t(i)] = clamped = true;
            } else if (c.maxWidth_ > 0 && w > c.maxWidth_) {
                w = c.maxWidth_;
                held[size_t(i)] = clamped = true;
            }
            width[size_t(i)] = w;
        }
        if (!clamped)
            break;
    }
    // Rounding leftovers go to the last column that may grow.
    int total = 0;
    for (int i : visible)
        total += width[size_t(i)];
    for (auto it = visible.rbegin(); it != visible.rend() && total != available; ++it) {
        const GridColumn& c = *columns_[size_t(*it)];
        const int w = width[size_t(*it)] + (available - total);
        if ((c.minWidth_ > 0 && w < c.minWidth_) || (c.maxWidth_ > 0 && w > c.maxWidth_) || w < 4)
            continue;
        total += w - width[size_t(*it)];
        width[size_t(*it)] = w;
    }
    for (int i : visible)
        titleHeader_->resizeSection(i, width[size_t(i)]);
}

int TQXDBGridEh::shownWidth(int column) const
{
    return column >= 0 && column < columnCount() && !isColumnHidden(column) ? titleHeader_->sectionSize(column) : 0;
}

void TQXDBGridEh::setAutoFitColWidths(bool on)
{
    if (autoFit_ == on)
        return;
    autoFit_ = on;
    applyColumnLayout();
}

// ---- current cell --------------------------------------------------------------------------

int TQXDBGridEh::selectedIndex() const
{
    if (overrideCol_ >= 0)
        return overrideCol_;
    const QModelIndex idx = currentIndex();
    if (idx.isValid())
        return idx.column();
    if (columnCount() == 0)
        return -1;
    return std::clamp(lastCol_, 0, columnCount() - 1);
}

void TQXDBGridEh::setSelectedIndex(int index)
{
    if (index < 0 || index >= columnCount())
        return;
    const QModelIndex idx = currentIndex();
    if (idx.isValid()) {
        if (idx.column() != index)
            setCurrentIndex(model_->index(idx.row(), index));
    } else {
        lastCol_ = index;
    }
}

GridColumn* TQXDBGridEh::selectedColumn() const
{
    const int i = selectedIndex();
    return i >= 0 ? columns_[size_t(i)].get() : nullptr;
}

int TQXDBGridEh::col() const
{
    const int i = selectedIndex();
    return i < 0 ? -1 : i + indicatorOffset();
}

void TQXDBGridEh::setCol(int col) { setSelectedIndex(col - indicatorOffset()); }

// ---- options and look ------------------------------------------------------------------------

void TQXDBGridEh::setOptions(GridOptions options)
{
    const GridOptions old = options_;
    options_ = options;
    if (!(options_ & dgMultiSelect) && (old & dgMultiSelect))
        selection_.clear();
    const bool couldEdit = (old & dgEditing);
    if (!(options_ & dgEditing) && couldEdit)
        hideEditor(true);
    updateEditTriggers();
    applyColumnLayout();
    // The editor follows the always-show option at once.
    if ((options_ & dgEditing) && (options_ & dgAlwaysShowEditor) && !editorMode() && hasFocus())
        showEditor();
    else if (!(options_ & dgAlwaysShowEditor) && (old & dgAlwaysShowEditor) && editorMode())
        hideEditor(true);
    viewport()->update();
}

void TQXDBGridEh::setOption(GridOption option, bool on)
{
    GridOptions o = options_;
    o.setFlag(option, on);
    setOptions(o);
}

void TQXDBGridEh::setDefaultDrawing(bool on)
{
    defaultDrawing_ = on;
    viewport()->update();
}

void TQXDBGridEh::setTitleHeight(int height)
{
    titleHeight_ = std::max(height, 4);
    applyColumnLayout();
}

int TQXDBGridEh::titleLevelCount() const
{
    int levels = 1;
    for (const auto& c : columns_)
        if (c->visible())
            levels = std::max(levels, int(c->titleLevels().size()));
    return levels;
}

void TQXDBGridEh::setTitleFont(const QFont& font, const QColor& color)
{
    titleFont_ = {font, color};
    titleHeader_->viewport()->update();
}

void TQXDBGridEh::setDataFont(const QFont& font, const QColor& color)
{
    dataFont_ = {font, color};
    viewport()->update();
}

int TQXDBGridEh::rowHeight() const { return indicatorHeader_->defaultSectionSize(); }

void TQXDBGridEh::setRowHeight(int height)
{
    height = std::max(height, 8);
    indicatorHeader_->setMinimumSectionSize(std::min(height, 8));
    indicatorHeader_->setDefaultSectionSize(height);
    updateGeometries();
}

void TQXDBGridEh::setColor(const QColor& color)
{
    color_ = color;
    // Below the last row and right of the last column the grid shows its own colour.
    QPalette p = viewport()->palette();
    p.setColor(QPalette::Base, color_);
    viewport()->setPalette(p);
    viewport()->update();
}

void TQXDBGridEh::setRowColors(const QColor& even, const QColor& odd)
{
    evenRowColor_ = even;
    oddRowColor_ = odd;
    viewport()->update();
}

void TQXDBGridEh::setFixedColor(const QColor& color)
{
    fixedColor_ = color;
    titleHeader_->viewport()->update();
    indicatorHeader_->viewport()->update();
}

QColor TQXDBGridEh::highlightColor() const { return highlight_; }

void TQXDBGridEh::setHighlightColor(const QColor& background, const QColor& text)
{
    highlight_ = background;
    highlightText_ = text;
    viewport()->update();
}

// ---- footer --------------------------------------------------------------------------------

void TQXDBGridEh::setFooterRowCount(int rows)
{
    footerRows_ = std::clamp(rows, 0, 1);
    applyColumnLayout();
}

void TQXDBGridEh::setFooterColor(const QColor& color)
{
    footerColor_ = color;
    footer_->update();
}

void TQXDBGridEh::setFooterFont(const QFont& font, const QColor& color)
{
    footerFont_ = {font, color};
    updateGeometries();
    footer_->update();
}

void TQXDBGridEh::setSumsEnabled(bool on)
{
    sumsEnabled_ = on;
    footer_->update();
}

double TQXDBGridEh::columnSum(int column) const
{
    if (column < 0 || column >= columnCount())
        return 0;
    if (size_t(column) < sums_.size() && sums_[size_t(column)])
        return *sums_[size_t(column)];
    double sum = 0;
    db::DataSet* ds = dataSet();
    db::Field* f = columns_[size_t(column)]->field();
    if (ds && ds->active() && f) {
        const int rows = ds->recordCount();
        for (int r = 0; r < rows; ++r) {
            const QVariant v = ds->rowValue(r, *f);
            if (!v.isNull())
                sum += db::convert::toFloat(v);
        }
    }
    if (sums_.size() != columns_.size())
        sums_.assign(columns_.size(), std::nullopt);
    sums_[size_t(column)] = sum;
    return sum;
}

QString TQXDBGridEh::footerText(int column) const
{
    if (column < 0 || column >= columnCount())
        return {};
    const GridColumn& c = *columns_[size_t(column)];
    switch (c.footerValueType()) {
    case FooterValueType::None:
        return {};
    case FooterValueType::StaticText:
        return c.footerText();
    case FooterValueType::Count:
        return sumsEnabled_ ? QString::number(dataRowCount()) : QString();
    case FooterValueType::Sum: {
        if (!sumsEnabled_ || !c.field())
            return {};
        const double sum = columnSum(column);
        if (db::convert::isIntegerType(c.field()->dataType()) || sum == std::floor(sum))
            return QString::number(qint64(std::llround(sum)));
        return db::convert::formatFloat(sum);
    }
    }
    return {};
}

int TQXDBGridEh::footerOffset() const { return viewport()->geometry().left() - footer_->geometry().left(); }

// ---- geometry --------------------------------------------------------------------------------

void TQXDBGridEh::updateGeometries()
{
    QTableView::updateGeometries();
    if (!footer_ || !indicatorHeader_ || !model_ || geometryDepth_ > 0)
        return;
    ++geometryDepth_;
    struct Leave {
        int& d;
        ~Leave() { --d; }
    } leave{geometryDepth_};
    if (footerRows_ <= 0) {
        footer_->hide();
        return;
    }
    // The footer takes a strip between the rows and the horizontal scroll bar: the table
    // view sets the viewport margins for its headers, the bottom margin is added here and
    // the vertical scroll range recomputed for the smaller viewport.
    const int footerHeight = std::max(rowHeight(), QFontMetrics(footerFont_.font).height() + 6);
    const QMargins m = viewportMargins();
    if (m.bottom() != footerHeight)
        setViewportMargins(m.left(), m.top(), m.right(), footerHeight);
    const QRect vg = viewport()->geometry();
    if (!indicatorHeader_->isHidden())
        indicatorHeader_->setGeometry(vg.left() - m.left(), vg.top(), m.left(), vg.height());
    const int rows = model_->rowCount();
    int visibleRows = 0;
    for (int h = 0, r = rows - 1; r >= 0; --r) {
        if (isRowHidden(r))
            continue;
        h += rowHeight();
        if (h > vg.height())
            break;
        ++visibleRows;
    }
    verticalScrollBar()->setRange(0, std::max(rows - visibleRows, 0));
    verticalScrollBar()->setPageStep(std::max(visibleRows, 1));
    const int left = contentsRect().left();
    footer_->setGeometry(left, vg.bottom() + 1, vg.right() - left + 1, footerHeight);
    footer_->show();
    footer_->raise();
    footer_->update();
}

void TQXDBGridEh::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    if (autoFit_) {
        ++applyingLayout_;
        fitColumns();
        --applyingLayout_;
    }
    footer_->update();
}

void TQXDBGridEh::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    if (dx != 0)
        footer_->update();
}

// ---- guarded calls -----------------------------------------------------------------------------

bool TQXDBGridEh::guarded(const std::function<void()>& action) { return runGuarded(action); }

void TQXDBGridEh::fireColEnter()
{
    if (onColEnter)
        guarded([&] { onColEnter(*this); });
}

void TQXDBGridEh::fireColExit()
{
    if (onColExit)
        guarded([&] { onColExit(*this); });
}

} // namespace qel::ui
