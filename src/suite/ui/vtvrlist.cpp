#include "vtvrlist.h"

#include "forms.h"
#include "suite/core/servers/interfaces.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QBrush>
#include <QCollator>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

bool isNumericType(int dataType)
{
    return dataType == CVR_Integer || dataType == CVR_Number || dataType == CVR_Date;
}

// Sort key of a number or date cell; empty and unreadable cells sort first.
double numericKey(const TVRItem& item, int dataType)
{
    if (item.IsEmpty())
        return -std::numeric_limits<double>::infinity();
    if (!item.IsString())
        return item.AsFloat();
    try {
        return dataType == CVR_Date ? item.AsDate() : item.AsFloat();
    } catch (const EQELError&) {
        return -std::numeric_limits<double>::infinity();
    }
}

// Room for the text of a cell of this width, as the style draws it.
int textPlatz(const QStyleOptionViewItem& option)
{
    const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    int platz = option.rect.width() - 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1);
    if (option.features & QStyleOptionViewItem::HasDecoration)
        platz -= option.decorationSize.width() + 4;
    return platz;
}

}  // namespace

QString qel_TextGekuerzt(const QString& text, const QFontMetrics& fm, int platz)
{
    if (platz <= 0 || fm.horizontalAdvance(text) <= platz)
        return text;
    static const QRegularExpression betrag(QStringLiteral("\\s(-?\\d{1,3}(?:\\.\\d{3})*,\\d{2}(?:\\s\\S{1,4})?)$"));
    const QRegularExpressionMatch m = betrag.match(text);
    if (!m.hasMatch())
        return text;
    const QString schluss = QLatin1Char(' ') + m.captured(1);
    const int rest = platz - fm.horizontalAdvance(schluss);
    if (rest < fm.horizontalAdvance(QStringLiteral("W…")))
        return m.captured(1);
    return fm.elidedText(text.left(m.capturedStart(1)).trimmed(), Qt::ElideRight, rest) + schluss;
}

namespace {

// Draws a thin line under every cell: the list's horizontal grid.
class TVRListDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->rect.width() > 0)
            option->text = qel_TextGekuerzt(option->text, option->fontMetrics, textPlatz(*option));
    }

    // A cut text shows in full as a tool tip, a symbol its meaning.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override
    {
        if (event->type() != QEvent::ToolTip)
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        QString tipp = index.data(Qt::ToolTipRole).toString();
        if (tipp.isEmpty()) {
            QStyleOptionViewItem opt(option);
            QStyledItemDelegate::initStyleOption(&opt, index);
            if (opt.fontMetrics.horizontalAdvance(opt.text) > textPlatz(opt))
                tipp = opt.text;
        }
        if (tipp.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(event->globalPos(), tipp, view);
        return true;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt(option);
        // A row painted in its own colour (a checked item's blue) keeps it when selected, on a light
        // selection background instead of the dark one that only white text can stand on.
        const QVariant farbe = index.data(Qt::ForegroundRole);
        if (farbe.isValid() && (opt.state & QStyle::State_Selected)) {
            const QColor markierung = opt.palette.color(QPalette::Highlight);
            const QColor hell = QColor::fromRgbF(0.25 * markierung.redF() + 0.75, 0.25 * markierung.greenF() + 0.75,
                                                 0.25 * markierung.blueF() + 0.75);
            opt.palette.setColor(QPalette::Highlight, hell);
            opt.palette.setColor(QPalette::HighlightedText, farbe.value<QBrush>().color());
        }
        QStyledItemDelegate::paint(painter, opt, index);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Base).darker(112));
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->restore();
    }
};

}  // namespace

// The table model behind the view. Rows are display positions; the view's permutation maps them to nodes.
class TVRListModel : public QAbstractTableModel {
public:
    explicit TVRListModel(TVTVRList* view) : m_view(view) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(m_view->m_nodes.size());
    }

    int columnCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() || !m_view->m_list ? 0 : m_view->m_list->GetColumnCount();
    }

    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

    template <typename F>
    void reset(F&& change)
    {
        beginResetModel();
        try {
            change();
        } catch (...) {
            endResetModel();
            m_hiddenApplied.assign(m_view->m_nodes.size(), 0);
            throw;
        }
        endResetModel();
        // A reset shows every row again.
        m_hiddenApplied.assign(m_view->m_nodes.size(), 0);
    }

    void rowChanged(int displayRow)
    {
        const int cols = columnCount();
        if (displayRow >= 0 && cols > 0)
            emit dataChanged(index(displayRow, 0), index(displayRow, cols - 1));
    }

    void allChanged()
    {
        const int rows = rowCount(), cols = columnCount();
        if (rows > 0 && cols > 0)
            emit dataChanged(index(0, 0), index(rows - 1, cols - 1));
    }

    // Tells the view a node's visibility unless it already shows it that way.
    void showVisibility(TVirtualNode* node)
    {
        const unsigned char hide = node->Visible ? 0 : 1;
        if (m_hiddenApplied[size_t(node->Index)] == hide)
            return;
        m_hiddenApplied[size_t(node->Index)] = hide;
        m_view->setRowHidden(m_view->m_position[size_t(node->Index)], QModelIndex(), hide != 0);
    }

    void queueVisibility(TVirtualNode* node)
    {
        unsigned char& mark = m_pendingMark[size_t(node->Index)];
        if (!mark) {
            mark = 1;
            m_view->m_pendingVisibility.push_back(node->Index);
        }
    }

    void flushVisibility()
    {
        for (int i : m_view->m_pendingVisibility) {
            m_pendingMark[size_t(i)] = 0;
            showVisibility(m_view->m_nodes[size_t(i)].get());
        }
        m_view->m_pendingVisibility.clear();
    }

    void resetPending()
    {
        m_view->m_pendingVisibility.clear();
        m_pendingMark.assign(m_view->m_nodes.size(), 0);
    }

    // Column defaults of the descriptors, applied when another table (or column set) is bound,
    // so that widths the clerk changed survive a reload of the same table.
    void applyColumnDefaults()
    {
        TVRList* list = m_view->m_list;
        const int cols = columnCount();
        if (list == m_layoutList && cols == m_layoutColumns)
            return;
        m_layoutList = list;
        m_layoutColumns = cols;
        QHeaderView* header = m_view->header();
        m_view->m_vorgabeBreite.clear();
        m_view->m_benutzerBreite.clear();
        m_view->m_vorgabeSortSpalte = -1;
        ++m_view->m_programm;
        for (int c = 0; c < cols; ++c) {
            const TVRColumn& column = list->Column(c);
            header->setSectionHidden(c, !column.Flag1);
            if (column.Integer > 0)
                m_view->m_vorgabeBreite[c] = column.Integer;
        }
        m_view->spaltenBreitenErneuern();
        --m_view->m_programm;
        if (list)
            m_view->layoutLaden();
    }

    // The check box sits in the first column the clerk sees, so hiding or moving columns never loses it.
    int checkColumn() const
    {
        const QHeaderView* header = m_view->header();
        for (int v = 0; v < header->count(); ++v) {
            const int logical = header->logicalIndex(v);
            if (!header->isSectionHidden(logical))
                return logical;
        }
        return 0;
    }

    bool showsCheckBox(const TVirtualNode* node, int column) const
    {
        return m_view->m_checkBoxes && node->CheckType == ctCheckBox && column == checkColumn();
    }

    TVirtualNode* m_lastCurrent = nullptr;

private:
    TVTVRList* m_view;
    std::vector<unsigned char> m_hiddenApplied;  // per node: hidden as far as the view knows
    std::vector<unsigned char> m_pendingMark;    // per node: queued in m_pendingVisibility
    TVRList* m_layoutList = nullptr;
    int m_layoutColumns = -1;
};

QVariant TVRListModel::data(const QModelIndex& index, int role) const
{
    TVirtualNode* node = m_view->NodeAtDisplayRow(index.row());
    TVRList* list = m_view->m_list;
    if (!node || !list)
        return QVariant();
    const int row = node->Data.RowNr - 1;
    const int col = index.column();
    // The table may have been emptied behind the view's back; paint nothing rather than fail.
    if (row < 0 || row >= list->GetRowCount() || col < 0 || col >= list->GetColumnCount())
        return QVariant();
    const auto symbol = m_view->m_symbole.find(col);
    const auto text = [&]() -> QString {
        try {
            return list->DisplayText(row, col);
        } catch (const EQELError&) {
            return QString();
        }
    };
    switch (role) {
    case Qt::DisplayRole:
        if (symbol != m_view->m_symbole.end())
            return QVariant();
        return text();
    case Qt::DecorationRole:
        if (symbol != m_view->m_symbole.end())
            return symbol->second.Zelle(text());
        return QVariant();
    case Qt::ToolTipRole:
        if (symbol != m_view->m_symbole.end())
            return text();
        return QVariant();
    case Qt::TextAlignmentRole: {
        const int type = list->Column(col).DataType;
        if (type == CVR_Integer || type == CVR_Number)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        return QVariant();
    }
    case Qt::ForegroundRole: {
        QColor color;
        emit m_view->PaintText(m_view, node, col, &color);
        return color.isValid() ? QVariant(QBrush(color)) : QVariant();
    }
    case Qt::CheckStateRole:
        if (!showsCheckBox(node, col))
            return QVariant();
        switch (node->CheckState) {
        case csCheckedNormal:
        case csCheckedPressed:
            return Qt::Checked;
        case csMixedNormal:
            return Qt::PartiallyChecked;
        default:
            return Qt::Unchecked;
        }
    default:
        return QVariant();
    }
}

bool TVRListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    TVirtualNode* node = m_view->NodeAtDisplayRow(index.row());
    if (role != Qt::CheckStateRole || !node || !showsCheckBox(node, index.column()))
        return false;
    m_view->SetCheckState(node, value.toInt() == Qt::Checked ? csCheckedNormal : csUncheckedNormal);
    emit m_view->Checked(m_view, node);
    return true;
}

Qt::ItemFlags TVRListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    const TVirtualNode* node = m_view->NodeAtDisplayRow(index.row());
    if (node && showsCheckBox(node, index.column()))
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant TVRListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    TVRList* list = m_view->m_list;
    if (orientation != Qt::Horizontal || !list || section < 0 || section >= list->GetColumnCount())
        return QVariant();
    const auto symbol = m_view->m_symbole.find(section);
    switch (role) {
    case Qt::DisplayRole:
        return symbol != m_view->m_symbole.end() ? QString() : list->Column(section).Name;
    case Qt::DecorationRole:
        return symbol != m_view->m_symbole.end() ? QVariant(symbol->second.Kopf) : QVariant();
    case Qt::ToolTipRole:
        return list->Column(section).Name;
    case Qt::TextAlignmentRole: {
        const int type = list->Column(section).DataType;
        if (type == CVR_Integer || type == CVR_Number)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        return QVariant();
    }
    case Qt::InitialSortOrderRole:
        return Qt::AscendingOrder;
    default:
        return QVariant();
    }
}

void TVRListModel::sort(int column, Qt::SortOrder order)
{
    TVTVRList& v = *m_view;
    const int n = int(v.m_nodes.size());
    std::vector<int> sorted(static_cast<size_t>(n));
    std::iota(sorted.begin(), sorted.end(), 0);  // column -1: back to load order
    TVRList* list = v.m_list;
    if (list && column >= 0 && column < list->GetColumnCount() && n > 1) {
        auto rowOf = [&](int node) { return v.m_nodes[size_t(node)]->Data.RowNr - 1; };
        auto cellOf = [&](int node) -> const TVRItem* {
            const int row = rowOf(node);
            return row >= 0 && row < list->GetRowCount() ? &list->GetCell(row, column) : nullptr;
        };
        const int type = list->Column(column).DataType;
        const bool descending = order == Qt::DescendingOrder;
        if (isNumericType(type)) {
            std::vector<double> keys(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i) {
                const TVRItem* item = cellOf(i);
                keys[size_t(i)] = item ? numericKey(*item, type) : -std::numeric_limits<double>::infinity();
            }
            std::stable_sort(sorted.begin(), sorted.end(), [&](int a, int b) {
                return descending ? keys[size_t(b)] < keys[size_t(a)] : keys[size_t(a)] < keys[size_t(b)];
            });
        } else {
            QCollator collator;
            collator.setCaseSensitivity(Qt::CaseInsensitive);
            std::vector<QCollatorSortKey> keys;
            keys.reserve(size_t(n));
            for (int i = 0; i < n; ++i) {
                const TVRItem* item = cellOf(i);
                keys.push_back(collator.sortKey(item ? item->AsString(type) : QString()));
            }
            std::stable_sort(sorted.begin(), sorted.end(), [&](int a, int b) {
                return descending ? keys[size_t(b)].compare(keys[size_t(a)]) < 0
                                  : keys[size_t(a)].compare(keys[size_t(b)]) < 0;
            });
        }
    }

    // A reset is far cheaper than moving persistent indexes of thousands of hidden rows.
    TVirtualNode* current = m_lastCurrent;
    reset([&] {
        v.m_order = std::move(sorted);
        for (int pos = 0; pos < n; ++pos)
            v.m_position[size_t(v.m_order[size_t(pos)])] = pos;
    });
    for (const auto& node : v.m_nodes)
        showVisibility(node.get());
    if (current)
        v.selectionModel()->setCurrentIndex(index(v.m_position[size_t(current->Index)], 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// --- columns -------------------------------------------------------------------

void TVirtualTreeColumn::SetWidth(int width) { m_view->SpaltenBreiteSetzen(m_index, width); }

int TVirtualTreeColumn::GetWidth() const { return m_view->header()->sectionSize(m_index); }

int TVirtualTreeColumns::GetCount() const { return m_view->model()->columnCount(); }

// --- TVTVRList -----------------------------------------------------------------

TVTVRList::TVTVRList(QWidget* parent) : QTreeView(parent), m_model(std::make_unique<TVRListModel>(this))
{
    setItemDelegate(new TVRListDelegate(this));
    setModel(m_model.get());
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setAlternatingRowColors(false);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setSectionsMovable(true);
    header()->setStretchLastSection(false);
    setSortingEnabled(true);
    {
        const QSignalBlocker block(header());
        header()->setSortIndicator(-1, Qt::AscendingOrder);
    }
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { onCurrentChanged(); });

    // What the clerk arranges is remembered shortly after the last change, not on every pixel of a drag.
    m_merkenTimer = new QTimer(this);
    m_merkenTimer->setSingleShot(true);
    m_merkenTimer->setInterval(400);
    connect(m_merkenTimer, &QTimer::timeout, this, &TVTVRList::LayoutMerken);
    connect(header(), &QHeaderView::sectionResized, this, [this](int logical, int alt, int neu) {
        // Hiding or showing a column resizes it from or to 0: that is not the clerk's width.
        if (m_programm || !m_list || alt <= 0 || neu <= 0)
            return;
        m_benutzerBreite.insert(logical);
        layoutGeaendert();
    });
    connect(header(), &QHeaderView::sectionMoved, this, [this] {
        if (!m_programm && m_list)
            layoutGeaendert();
    });
    connect(header(), &QHeaderView::sortIndicatorChanged, this, [this](int spalte, Qt::SortOrder ordnung) {
        if (m_programm || !m_list)
            return;
        m_vorgabeSortSpalte = spalte;
        m_sortOrdnung = ordnung;
        layoutGeaendert();
    });
    header()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header(), &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QMenu menu(this);
        QAction* standard = menu.addAction(QStringLiteral("Standardansicht wiederherstellen"));
        if (menu.exec(header()->mapToGlobal(pos)) != standard)
            return;
        // The whole window goes back: its size and all its lists.
        if (auto* form = qobject_cast<TQELForm*>(window()))
            form->StandardAnsicht();
        else
            StandardLayout();
    });
    kopfHoeheSetzen();
}

TVTVRList::~TVTVRList()
{
    if (m_merkenTimer->isActive())
        LayoutMerken();
    // The owner is usually being destroyed as well: no more signals to it. Detach before the model
    // dies so that no view code reaches a half-destroyed model.
    blockSignals(true);
    setModel(nullptr);
}

void TVTVRList::BeginUpdate() { ++m_updateCount; }

void TVTVRList::auswahlGeaendert()
{
    if (InUpdate())
        m_auswahlGeaendert = true;
    else
        emit AuswahlGeaendert(this);
}

void TVTVRList::EndUpdate()
{
    if (m_updateCount == 0 || --m_updateCount > 0)
        return;
    m_model->flushVisibility();
    if (m_auswahlGeaendert) {
        m_auswahlGeaendert = false;
        emit AuswahlGeaendert(this);
    }
    if (m_dirty) {
        m_dirty = false;
        // With a relayout pending the view skips its per-row work for the bulk signal (which walks every
        // row and costs ~0.3 s for 100,000 rows with hidden ones) and repaints once after the layout.
        scheduleDelayedItemsLayout();
        m_model->allChanged();
    }
}

void TVTVRList::markDirty() { m_dirty = true; }

void TVTVRList::Clear()
{
    auswahlGeaendert();
    TVirtualNode* hadCurrent = m_model->m_lastCurrent;
    m_model->m_lastCurrent = nullptr;
    m_model->reset([this] {
        m_nodes.clear();
        m_order.clear();
        m_position.clear();
    });
    m_model->resetPending();
    if (hadCurrent)
        emit Change(this, nullptr);
}

void TVTVRList::SetVRList(TVRList* list)
{
    // What the clerk just arranged belongs to the table shown until now.
    if (m_merkenTimer->isActive())
        LayoutMerken();
    Clear();
    m_model->reset([this, list] { m_list = list; });
    m_model->applyColumnDefaults();
}

void TVTVRList::ListeLoesen()
{
    TVTUpdate u(this);
    Clear();
    SetVRList(nullptr);
}

void TVTVRList::ListeBinden(TVRList* list)
{
    TVTUpdate u(this);
    Clear();
    SetVRList(list);
    LoadFromVRList(true);
}

void TVTVRList::LoadFromVRList(bool initNodes)
{
    BeginUpdate();
    auswahlGeaendert();
    TVirtualNode* hadCurrent = m_model->m_lastCurrent;
    m_model->m_lastCurrent = nullptr;
    {
        // Fresh rows come in table order.
        const QSignalBlocker block(header());
        header()->setSortIndicator(-1, Qt::AscendingOrder);
    }
    try {
        m_model->reset([this, initNodes] {
            const int n = m_list ? m_list->GetRowCount() : 0;
            m_nodes.clear();
            m_nodes.reserve(size_t(n));
            m_order.resize(size_t(n));
            m_position.resize(size_t(n));
            for (int i = 0; i < n; ++i) {
                auto node = std::make_unique<TVirtualNode>();
                node->Data.RowNr = i + 1;
                node->Index = i;
                m_nodes.push_back(std::move(node));
                m_order[size_t(i)] = i;
                m_position[size_t(i)] = i;
            }
            m_model->resetPending();
            if (initNodes)
                for (const auto& node : m_nodes)
                    emit InitNode(this, node.get());
        });
        // The reset showed every row; queue those the initialisation hid.
        m_model->resetPending();
        for (const auto& node : m_nodes)
            if (!node->Visible)
                m_model->queueVisibility(node.get());
        m_model->applyColumnDefaults();
        sortierungAnwenden();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    if (hadCurrent)
        emit Change(this, nullptr);
}

void TVTVRList::SetCheckBoxes(bool on)
{
    if (m_checkBoxes == on)
        return;
    m_checkBoxes = on;
    if (InUpdate())
        markDirty();
    else
        m_model->allChanged();
}

// --- walking -------------------------------------------------------------------

int TVTVRList::DisplayRow(TVirtualNode* node) const
{
    if (!node || node->Index < 0 || node->Index >= NodeCount() || m_nodes[size_t(node->Index)].get() != node)
        return -1;
    return m_position[size_t(node->Index)];
}

TVirtualNode* TVTVRList::NodeAtDisplayRow(int row) const
{
    if (row < 0 || row >= NodeCount())
        return nullptr;
    return m_nodes[size_t(m_order[size_t(row)])].get();
}

TVirtualNode* TVTVRList::GetFirst() const { return NodeAtDisplayRow(0); }

TVirtualNode* TVTVRList::GetNext(TVirtualNode* node) const
{
    const int row = DisplayRow(node);
    return row < 0 ? nullptr : NodeAtDisplayRow(row + 1);
}

TVirtualNode* TVTVRList::GetLast() const { return NodeAtDisplayRow(NodeCount() - 1); }

TVirtualNode* TVTVRList::GetFirstVisible() const
{
    TVirtualNode* node = GetFirst();
    while (node && !node->Visible)
        node = GetNext(node);
    return node;
}

TVirtualNode* TVTVRList::GetNextVisible(TVirtualNode* node) const
{
    do
        node = GetNext(node);
    while (node && !node->Visible);
    return node;
}

TVirtualNode* TVTVRList::GetFirstSelected() const
{
    const QModelIndex current = currentIndex();
    if (current.isValid() && selectionModel()->isRowSelected(current.row(), QModelIndex()))
        return NodeAtDisplayRow(current.row());
    const QItemSelection selection = selectionModel()->selection();
    return selection.isEmpty() ? nullptr : NodeAtDisplayRow(selection.first().top());
}

TVirtualNode* TVTVRList::GetFirstChecked(TCheckState state) const
{
    TVirtualNode* node = GetFirst();
    while (node && node->CheckState != state)
        node = GetNext(node);
    return node;
}

TVirtualNode* TVTVRList::GetNextChecked(TVirtualNode* node, TCheckState state) const
{
    do
        node = GetNext(node);
    while (node && node->CheckState != state);
    return node;
}

const TVTNodeData* TVTVRList::GetNodeData(TVirtualNode* node) const
{
    return DisplayRow(node) < 0 ? nullptr : &node->Data;
}

// --- nodes ---------------------------------------------------------------------

bool TVTVRList::GetVisible(TVirtualNode* node) const { return node && node->Visible; }

void TVTVRList::SetVisible(TVirtualNode* node, bool visible)
{
    if (DisplayRow(node) < 0)
        return;
    if (node->Visible != visible)
        auswahlGeaendert();
    node->Visible = visible;
    applyVisibility(node);
}

void TVTVRList::applyVisibility(TVirtualNode* node)
{
    if (InUpdate())
        m_model->queueVisibility(node);
    else
        m_model->showVisibility(node);
}

bool TVTVRList::GetSelected(TVirtualNode* node) const
{
    const int row = DisplayRow(node);
    return row >= 0 && selectionModel()->isRowSelected(row, QModelIndex());
}

void TVTVRList::SetSelected(TVirtualNode* node, bool selected)
{
    const int row = DisplayRow(node);
    if (row < 0)
        return;
    const QModelIndex index = m_model->index(row, 0);
    if (selected)
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        selectionModel()->select(index, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
}

TCheckState TVTVRList::GetCheckState(TVirtualNode* node) const { return node ? node->CheckState : csUncheckedNormal; }

void TVTVRList::SetCheckState(TVirtualNode* node, TCheckState state)
{
    const int row = DisplayRow(node);
    if (row < 0 || node->CheckState == state)
        return;
    node->CheckState = state;
    auswahlGeaendert();
    // The whole row repaints: PaintText colours usually follow the check state.
    if (InUpdate())
        markDirty();
    else
        m_model->rowChanged(row);
}

void TVTVRList::SetCheckType(TVirtualNode* node, TCheckType type)
{
    const int row = DisplayRow(node);
    if (row < 0 || node->CheckType == type)
        return;
    node->CheckType = type;
    if (InUpdate())
        markDirty();
    else
        m_model->rowChanged(row);
}

// --- cells ---------------------------------------------------------------------

namespace {
int tableRow(const TVTVRList& view, TVirtualNode* node)
{
    if (!view.GetVRList())
        throw EQELError(QStringLiteral("An die Liste ist keine Tabelle gebunden."));
    if (view.DisplayRow(node) < 0)
        throw EQELError(QStringLiteral("Die Zeile gehört nicht (mehr) zu dieser Liste."));
    return node->Data.RowNr - 1;
}
}  // namespace

TVRItem& TVTVRList::GetCellValue(TVirtualNode* node, int col)
{
    const int row = tableRow(*this, node);  // raises without a table
    TVRItem& item = m_list->GetCell(row, col);
    if (InUpdate())
        markDirty();
    else
        m_model->rowChanged(DisplayRow(node));  // the caller writes before the view repaints
    return item;
}

QString TVTVRList::GetCellValueAsString(TVirtualNode* node, int col) const
{
    const int row = tableRow(*this, node);
    return m_list->GetCellValueAsString(row, col);
}

qint64 TVTVRList::GetCellValueAsInteger(TVirtualNode* node, int col) const
{
    const int row = tableRow(*this, node);
    return m_list->GetCellValueAsInteger(row, col);
}

double TVTVRList::GetCellValueAsFloat(TVirtualNode* node, int col) const
{
    const int row = tableRow(*this, node);
    return m_list->GetCellValueAsFloat(row, col);
}

TDateTime TVTVRList::GetCellValueAsDate(TVirtualNode* node, int col) const
{
    const int row = tableRow(*this, node);
    return m_list->GetCellValueAsDate(row, col);
}

// --- columns -------------------------------------------------------------------

void TVTVRList::SetColumnVisible(int col, bool visible)
{
    if (col < 0 || col >= m_model->columnCount())
        throw EQELError(QStringLiteral("Die Spalte %1 gibt es nicht.").arg(col));
    ++m_programm;
    setColumnHidden(col, !visible);
    --m_programm;
}

bool TVTVRList::GetColumnVisible(int col) const { return col >= 0 && col < m_model->columnCount() && !isColumnHidden(col); }

void TVTVRList::UpdateColumnLayout(int a, int b)
{
    Q_UNUSED(a);
    Q_UNUSED(b);
    ausgleichen();
    updateGeometries();
    header()->viewport()->update();
    viewport()->update();
}

// --- interaction ---------------------------------------------------------------

void TVTVRList::onCurrentChanged()
{
    TVirtualNode* node = NodeAtDisplayRow(currentIndex().row());
    if (node == m_model->m_lastCurrent)
        return;
    m_model->m_lastCurrent = node;
    emit Change(this, node);
}

void TVTVRList::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    if (indexAt(event->position().toPoint()).isValid())
        emit DblClick(this);
}

void TVTVRList::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Space || event->key() == Qt::Key_Select) && m_checkBoxes) {
        TVirtualNode* node = NodeAtDisplayRow(currentIndex().row());
        if (node && node->CheckType == ctCheckBox) {
            SetCheckState(node, node->CheckState == csCheckedNormal ? csUncheckedNormal : csCheckedNormal);
            emit Checked(this, node);
            event->accept();
            return;
        }
    }
    QTreeView::keyPressEvent(event);
}

// --- sizes for the actual font, and the clerk's arrangement --------------------------------------------

namespace {
// The 8-point system font the given pixel sizes were made for: ten digits 60 pixels wide, lines 13 high.
constexpr double kZiffernBreite8pt = 60.0;
constexpr double kZeilenHoehe8pt = 13.0;

QString layoutText(const std::set<int>& breiten, const QHeaderView* kopf, int sortSpalte, Qt::SortOrder ordnung)
{
    QStringList b, o;
    for (int c : breiten)
        b << QStringLiteral("%1:%2").arg(c).arg(kopf->sectionSize(c));
    for (int v = 0; v < kopf->count(); ++v)
        o << QString::number(kopf->logicalIndex(v));
    return QStringLiteral("b=%1;o=%2;s=%3:%4")
        .arg(b.join(QLatin1Char(',')), o.join(QLatin1Char(',')))
        .arg(sortSpalte)
        .arg(int(ordnung));
}
}  // namespace

int TVTVRList::Skaliert(int pixel) const
{
    const double faktor = QFontMetricsF(font()).horizontalAdvance(QStringLiteral("0123456789")) / kZiffernBreite8pt;
    return int(std::lround(pixel * std::max(1.0, faktor)));
}

int TVTVRList::SkaliertHoehe(int pixel) const
{
    const double faktor = QFontMetricsF(header()->font()).height() / kZeilenHoehe8pt;
    return int(std::lround(pixel * std::max(1.0, faktor)));
}

void TVTVRList::kopfHoeheSetzen()
{
    // 17 pixels at the 8-point font; never less than the header's text needs.
    header()->setFixedHeight(std::max(SkaliertHoehe(17), QFontMetrics(header()->font()).height() + 4));
}

void TVTVRList::changeEvent(QEvent* event)
{
    QTreeView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        kopfHoeheSetzen();
        spaltenBreitenErneuern();
    }
}

int TVTVRList::VorgabeBreite(int col, int pixel) const
{
    // The header's title is never cut, whatever width was given.
    return std::max(Skaliert(pixel), header()->sectionSizeHint(col));
}

void TVTVRList::spaltenBreitenErneuern()
{
    QHeaderView* kopf = header();
    ++m_programm;
    for (int c = 0; c < kopf->count(); ++c) {
        if (m_benutzerBreite.count(c))
            continue;
        const auto v = m_vorgabeBreite.find(c);
        kopf->resizeSection(c, v != m_vorgabeBreite.end() ? VorgabeBreite(c, v->second)
                                                         : std::max(kopf->defaultSectionSize(), kopf->sectionSizeHint(c)));
    }
    --m_programm;
    ausgleichen();
}

void TVTVRList::SetSymbolSpalte(int col, const QIcon& kopf, std::function<QIcon(const QString&)> zelle)
{
    m_symbole[col] = TSymbolSpalte{kopf, std::move(zelle)};
    if (col >= 0 && col < header()->count())
        m_model->headerDataChanged(Qt::Horizontal, col, col);
}

void TVTVRList::SetAusgleichSpalte(int col)
{
    m_ausgleich = col;
    ausgleichen();
}

void TVTVRList::ausgleichen()
{
    QHeaderView* kopf = header();
    const int c = m_ausgleich;
    if (c < 0 || c >= kopf->count() || kopf->isSectionHidden(c) || m_benutzerBreite.count(c))
        return;
    const auto v = m_vorgabeBreite.find(c);
    if (v == m_vorgabeBreite.end())
        return;
    int andere = 0;
    for (int i = 0; i < kopf->count(); ++i)
        if (i != c && !kopf->isSectionHidden(i))
            andere += kopf->sectionSize(i);
    const int breite = std::max(std::min(VorgabeBreite(c, v->second), viewport()->width() - andere), kopf->sectionSizeHint(c));
    if (breite == kopf->sectionSize(c))
        return;
    ++m_programm;
    kopf->resizeSection(c, breite);
    --m_programm;
}

bool TVTVRList::viewportEvent(QEvent* event)
{
    // A scroll bar coming or going changes the room the giving column has.
    if (event->type() == QEvent::Resize)
        ausgleichen();
    return QTreeView::viewportEvent(event);
}

void TVTVRList::SpaltenBreiteSetzen(int col, int pixel)
{
    m_vorgabeBreite[col] = pixel;
    if (m_benutzerBreite.count(col) || col < 0 || col >= header()->count())
        return;
    ++m_programm;
    header()->resizeSection(col, VorgabeBreite(col, pixel));
    --m_programm;
}

QString TVTVRList::LayoutSchluessel() const
{
    const QWidget* fenster = window();
    if (!m_list || objectName().isEmpty() || !fenster || fenster == this || fenster->objectName().isEmpty())
        return QString();
    // The same list can show different tables (writing and viewing a dunning): each keeps its own.
    QStringList namen;
    for (int c = 0; c < m_list->GetColumnCount(); ++c)
        namen << m_list->Column(c).Name;
    const QByteArray tabelle = namen.join(QLatin1Char('|')).toUtf8();
    return QStringLiteral("%1/%2/%3")
        .arg(fenster->objectName(), objectName(), QString::number(qHash(tabelle), 16));
}

void TVTVRList::layoutGeaendert() { m_merkenTimer->start(); }

void TVTVRList::LayoutMerken()
{
    m_merkenTimer->stop();
    const QString schluessel = LayoutSchluessel();
    if (schluessel.isEmpty())
        return;
    try {
        IQEL_SystemServerRef server;
        Glob_WWSServerFactoryClass().SystemServer_Holen(server);
        server->Einstellung_Schreiben(schluessel,
                                      layoutText(m_benutzerBreite, header(), m_vorgabeSortSpalte, m_sortOrdnung));
    } catch (const std::exception& e) {
        // Runs from a timer: nothing may escape into the event loop. The arrangement is a convenience.
        qWarning("Die Spaltenanordnung wurde nicht gespeichert: %s", e.what());
    }
}

void TVTVRList::layoutLaden()
{
    const QString schluessel = LayoutSchluessel();
    if (schluessel.isEmpty())
        return;
    QString text;
    try {
        IQEL_SystemServerRef server;
        Glob_WWSServerFactoryClass().SystemServer_Holen(server);
        text = server->Einstellung_Lesen(schluessel);
    } catch (const std::exception&) {
        return;  // no suite database (yet): the window's own layout
    }
    QHeaderView* kopf = header();
    const int n = kopf->count();
    ++m_programm;
    for (const QString& teil : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString wert = teil.mid(2);
        const QStringList eintraege = wert.split(QLatin1Char(','), Qt::SkipEmptyParts);
        if (teil.startsWith(QLatin1String("b="))) {
            for (const QString& e : eintraege) {
                const int spalte = e.section(QLatin1Char(':'), 0, 0).toInt();
                const int breite = e.section(QLatin1Char(':'), 1, 1).toInt();
                if (spalte >= 0 && spalte < n && breite > 0 && breite < 5000) {
                    kopf->resizeSection(spalte, breite);
                    m_benutzerBreite.insert(spalte);
                }
            }
        } else if (teil.startsWith(QLatin1String("o=")) && eintraege.size() == n) {
            for (int v = 0; v < n; ++v) {
                const int spalte = eintraege[v].toInt();
                if (spalte >= 0 && spalte < n)
                    kopf->moveSection(kopf->visualIndex(spalte), v);
            }
        } else if (teil.startsWith(QLatin1String("s="))) {
            const int spalte = wert.section(QLatin1Char(':'), 0, 0).toInt();
            m_vorgabeSortSpalte = spalte >= 0 && spalte < n ? spalte : -1;
            m_sortBeimLaden = m_vorgabeSortSpalte >= 0;
            m_sortOrdnung = wert.section(QLatin1Char(':'), 1, 1).toInt() == 1 ? Qt::DescendingOrder : Qt::AscendingOrder;
        }
    }
    --m_programm;
}

void TVTVRList::sortierungAnwenden()
{
    // Only the first load shows the remembered sort; a reload comes in table order like before.
    if (!m_sortBeimLaden || m_vorgabeSortSpalte < 0 || m_vorgabeSortSpalte >= header()->count())
        return;
    m_sortBeimLaden = false;
    ++m_programm;
    sortByColumn(m_vorgabeSortSpalte, m_sortOrdnung);
    --m_programm;
}

void TVTVRList::StandardLayout()
{
    m_merkenTimer->stop();
    const QString schluessel = LayoutSchluessel();
    if (!schluessel.isEmpty()) {
        IQEL_SystemServerRef server;
        Glob_WWSServerFactoryClass().SystemServer_Holen(server);
        server->Einstellungen_Loeschen(schluessel);
    }
    m_benutzerBreite.clear();
    m_vorgabeSortSpalte = -1;
    QHeaderView* kopf = header();
    ++m_programm;
    for (int c = 0; c < kopf->count(); ++c)
        kopf->moveSection(kopf->visualIndex(c), c);
    spaltenBreitenErneuern();
    sortByColumn(-1, Qt::AscendingOrder);
    --m_programm;
}
