// The list view over a result table: binding, walks, brackets, checking, painting, sorting, columns.
#include "suite/ui/vtvrlist.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <gtest/gtest.h>

namespace {

enum { ColName, ColSaldo, ColDatum, ColStufe, ColKey };

struct RowValues {
    const char* name;
    double saldo;
    TDateTime datum;
    int stufe;
};

// Load order is deliberately not sorted by any column.
const RowValues kRows[] = {
    {"Zeller", 100.0, 45300.0, 2},
    {"Äpfel KG", 9.5, 45100.0, 0},
    {"bauer", -20.0, 45200.0, 1},
    {"Adam", 1000.0, 45000.0, 3},
    {"Müller", 9.0, 0.0, 0},
    {"Ober", 55.25, 45400.0, 1},
};
constexpr int kRowCount = int(sizeof(kRows) / sizeof(kRows[0]));

class VTVRListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto add = [this](const char* name, int type, int width, bool shown) {
            TVRColumn& c = list.ColumnAdd();
            c.Name = QString::fromUtf8(name);
            c.DataType = type;
            c.Integer = width;
            c.Flag1 = shown;
            if (type == CVR_Number) {
                c.Formatted = true;
                c.Format = QStringLiteral("%n");
            }
        };
        add("Geschäftspartner", CVR_Text, 150, true);
        add("Saldo", CVR_Number, 0, true);
        add("Datum", CVR_Date, 0, true);
        add("Stufe", CVR_Integer, 0, true);
        add("Schlüssel", CVR_Text, 0, false);
        for (int r = 0; r < kRowCount; ++r)
            list.RowAdd({TVRItem(kRows[r].name), TVRItem(kRows[r].saldo), TVRItem(kRows[r].datum),
                         TVRItem(kRows[r].stufe), TVRItem(QStringLiteral("1;%1").arg(r))},
                        4, r);
        view.resize(700, 300);
    }

    // How the windows bind a table.
    void bind(bool checkBoxes = true)
    {
        view.SetCheckBoxes(checkBoxes);
        QObject::connect(&view, &TVTVRList::InitNode, &view, [this](TVTVRList* sender, TVirtualNode* node) {
            ++initCount;
            sender->SetCheckType(node, ctCheckBox);
            sender->SetCheckState(node, csUncheckedNormal);
        });
        view.BeginUpdate();
        view.Clear();
        view.SetVRList(&list);
        view.LoadFromVRList(true);
        view.EndUpdate();
    }

    void showView()
    {
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    std::vector<int> walkRows()
    {
        std::vector<int> rows;
        for (TVirtualNode* n = view.GetFirst(); n; n = view.GetNext(n))
            rows.push_back(view.GetNodeData(n)->RowNr);
        return rows;
    }

    std::vector<QString> walkNames()
    {
        std::vector<QString> names;
        for (TVirtualNode* n = view.GetFirst(); n; n = view.GetNext(n))
            names.push_back(view.GetCellValueAsString(n, ColName));
        return names;
    }

    TVirtualNode* nodeOfRow(int rowNr)
    {
        for (TVirtualNode* n = view.GetFirst(); n; n = view.GetNext(n))
            if (view.GetNodeData(n)->RowNr == rowNr)
                return n;
        return nullptr;
    }

    QModelIndex indexOf(TVirtualNode* node, int col) { return view.model()->index(view.DisplayRow(node), col); }

    void clickHeader(int col)
    {
        QHeaderView* h = view.header();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(h->sectionViewportPosition(col) + 5, h->height() / 2));
    }

    void clickCheckBox(TVirtualNode* node)
    {
        const QModelIndex idx = indexOf(node, ColName);
        QStyleOptionViewItem opt;
        opt.initFrom(view.viewport());
        opt.rect = view.visualRect(idx);
        opt.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        opt.text = idx.data().toString();
        const QRect box = view.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, &view);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, box.center());
    }

    TVRList list;
    TVTVRList view;
    int initCount = 0;
};

}  // namespace

TEST_F(VTVRListTest, BindingCreatesOneNodePerRow)
{
    view.SetVRList(&list);
    EXPECT_EQ(view.NodeCount(), 0) << "binding alone loads nothing";
    EXPECT_EQ(view.model()->columnCount(), 5);

    bind();
    EXPECT_EQ(initCount, kRowCount);
    ASSERT_EQ(view.NodeCount(), kRowCount);
    EXPECT_EQ(view.model()->rowCount(), kRowCount);
    EXPECT_EQ(walkRows(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(view.GetNodeData(view.GetLast())->RowNr, kRowCount);
    EXPECT_EQ(view.GetNext(view.GetLast()), nullptr);

    // Cells through the node are the table's cells of its row.
    TVirtualNode* third = view.GetNext(view.GetNext(view.GetFirst()));
    EXPECT_EQ(view.GetCellValueAsString(third, ColName), QStringLiteral("bauer"));
    EXPECT_DOUBLE_EQ(view.GetCellValueAsFloat(third, ColSaldo), -20.0);
    EXPECT_DOUBLE_EQ(view.GetCellValueAsDate(third, ColDatum), 45200.0);
    EXPECT_EQ(view.GetCellValueAsInteger(third, ColStufe), 1);
    EXPECT_EQ(view.GetCheckState(third), csUncheckedNormal);

    // Header and column defaults come from the descriptors.
    EXPECT_EQ(view.model()->headerData(ColName, Qt::Horizontal).toString(), QStringLiteral("Geschäftspartner"));
    EXPECT_EQ(view.Columns().GetItem(ColName).GetWidth(), view.VorgabeBreite(ColName, 150));
    EXPECT_FALSE(view.GetColumnVisible(ColKey));
    EXPECT_TRUE(view.GetColumnVisible(ColSaldo));
    EXPECT_EQ(view.Columns().GetCount(), 5);

    // What the model shows.
    const QModelIndex saldo = indexOf(view.GetFirst(), ColSaldo);
    EXPECT_EQ(saldo.data().toString(), QStringLiteral("100,00"));
    EXPECT_TRUE(saldo.data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
    EXPECT_EQ(indexOf(nodeOfRow(5), ColDatum).data().toString(), QString());
}

TEST_F(VTVRListTest, NodesHiddenWhileLoadingStartHidden)
{
    QObject::connect(&view, &TVTVRList::InitNode, [](TVTVRList* sender, TVirtualNode* node) {
        if (sender->GetNodeData(node)->RowNr % 2 == 0)
            sender->SetVisible(node, false);
    });
    view.SetVRList(&list);
    view.LoadFromVRList(true);
    for (TVirtualNode* n = view.GetFirst(); n; n = view.GetNext(n)) {
        const bool even = view.GetNodeData(n)->RowNr % 2 == 0;
        EXPECT_EQ(view.isRowHidden(view.DisplayRow(n), QModelIndex()), even);
        EXPECT_EQ(view.GetVisible(n), !even);
    }
    // A reload starts from fresh nodes; without InitNode every row shows.
    view.LoadFromVRList(false);
    EXPECT_FALSE(view.isRowHidden(1, QModelIndex()));
}

TEST_F(VTVRListTest, ClearAndRebindDropNodes)
{
    bind();
    TVirtualNode* stale = view.GetFirst();
    view.Clear();
    EXPECT_EQ(view.NodeCount(), 0);
    EXPECT_EQ(view.GetFirst(), nullptr);
    EXPECT_EQ(view.GetFirstChecked(), nullptr);
    EXPECT_EQ(view.model()->rowCount(), 0);
    EXPECT_EQ(view.GetNodeData(stale), nullptr);
    EXPECT_THROW(view.GetCellValueAsString(nullptr, ColName), EQELError);

    // Rows added after the first load appear on the next load.
    list.RowAdd({TVRItem("Neu")}, 0, list.GetRowCount());
    view.LoadFromVRList(false);
    EXPECT_EQ(view.NodeCount(), kRowCount + 1);
    EXPECT_EQ(view.GetCellValueAsString(view.GetLast(), ColName), QStringLiteral("Neu"));

    view.BeginUpdate();
    view.Clear();
    view.SetVRList(nullptr);
    view.EndUpdate();
    EXPECT_EQ(view.model()->columnCount(), 0);
    EXPECT_THROW(view.GetCellValue(view.GetFirst(), 0), EQELError);
}

TEST_F(VTVRListTest, VisibilityInsideBracketsIsAppliedAtTheOuterEnd)
{
    bind();
    QSignalSpy changed(view.model(), &QAbstractItemModel::dataChanged);
    TVirtualNode* second = nodeOfRow(2);
    TVirtualNode* fourth = nodeOfRow(4);

    view.BeginUpdate();
    view.BeginUpdate();
    view.SetVisible(second, false);
    view.SetVisible(fourth, false);
    view.SetVisible(fourth, true);  // back to visible inside the same bracket
    view.EndUpdate();
    EXPECT_FALSE(view.GetVisible(second)) << "the node knows at once";
    EXPECT_FALSE(view.isRowHidden(view.DisplayRow(second), QModelIndex())) << "the view only at the outer end";
    view.EndUpdate();
    EXPECT_TRUE(view.isRowHidden(view.DisplayRow(second), QModelIndex()));
    EXPECT_FALSE(view.isRowHidden(view.DisplayRow(fourth), QModelIndex()));
    EXPECT_EQ(changed.count(), 0) << "visibility alone needs no repaint of the data";

    // Outside a bracket the view follows immediately.
    view.SetVisible(second, true);
    EXPECT_FALSE(view.isRowHidden(view.DisplayRow(second), QModelIndex()));
    view.SetVisible(nodeOfRow(6), false);
    EXPECT_TRUE(view.isRowHidden(view.DisplayRow(nodeOfRow(6)), QModelIndex()));

    // A surplus EndUpdate does no harm and does not open a bracket the wrong way round.
    view.EndUpdate();
    EXPECT_FALSE(view.InUpdate());
}

TEST_F(VTVRListTest, WalksSkipHiddenButCheckedWalksIncludeThem)
{
    bind();
    view.BeginUpdate();
    for (int r : {1, 3, 6})
        view.SetVisible(nodeOfRow(r), false);
    for (int r : {2, 3, 5})
        view.SetCheckState(nodeOfRow(r), csCheckedNormal);
    view.EndUpdate();

    std::vector<int> visible;
    for (TVirtualNode* n = view.GetFirstVisible(); n; n = view.GetNextVisible(n))
        visible.push_back(view.GetNodeData(n)->RowNr);
    EXPECT_EQ(visible, (std::vector<int>{2, 4, 5}));

    std::vector<int> checked;
    for (TVirtualNode* n = view.GetFirstChecked(csCheckedNormal); n; n = view.GetNextChecked(n, csCheckedNormal))
        checked.push_back(view.GetNodeData(n)->RowNr);
    EXPECT_EQ(checked, (std::vector<int>{2, 3, 5}));

    std::vector<int> unchecked;
    for (TVirtualNode* n = view.GetFirstChecked(csUncheckedNormal); n; n = view.GetNextChecked(n, csUncheckedNormal))
        unchecked.push_back(view.GetNodeData(n)->RowNr);
    EXPECT_EQ(unchecked, (std::vector<int>{1, 4, 6}));
}

TEST_F(VTVRListTest, ChangesInABracketReachTheViewAsOneSignal)
{
    bind();
    QSignalSpy changed(view.model(), &QAbstractItemModel::dataChanged);
    view.BeginUpdate();
    for (TVirtualNode* n = view.GetFirst(); n; n = view.GetNext(n)) {
        view.SetCheckState(n, csCheckedNormal);
        DateTime2VRItem(view.GetCellValue(n, ColDatum), 45500.5);
    }
    EXPECT_EQ(changed.count(), 0);
    view.EndUpdate();
    ASSERT_EQ(changed.count(), 1);
    const auto from = changed[0][0].value<QModelIndex>();
    const auto to = changed[0][1].value<QModelIndex>();
    EXPECT_EQ(from.row(), 0);
    EXPECT_EQ(to.row(), kRowCount - 1);
    EXPECT_EQ(to.column(), 4);
    EXPECT_EQ(indexOf(view.GetFirst(), ColDatum).data().toString(), DateToStr(45500.0));
    EXPECT_EQ(list.GetCellValueAsDate(0, ColDatum), 45500.5);

    // Outside a bracket: one signal for the one row.
    changed.clear();
    view.SetCheckState(nodeOfRow(3), csUncheckedNormal);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].value<QModelIndex>().row(), view.DisplayRow(nodeOfRow(3)));
    EXPECT_EQ(changed[0][1].value<QModelIndex>().row(), view.DisplayRow(nodeOfRow(3)));
    changed.clear();
    view.SetCheckState(nodeOfRow(3), csUncheckedNormal);  // no change, no signal
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(VTVRListTest, CheckBoxesToggleByClickAndSpace)
{
    bind();
    showView();
    QSignalSpy checkedSpy(&view, &TVTVRList::Checked);
    TVirtualNode* node = nodeOfRow(2);
    const QModelIndex idx = indexOf(node, ColName);
    EXPECT_EQ(idx.data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_TRUE(idx.flags() & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(indexOf(node, ColSaldo).data(Qt::CheckStateRole).isValid());

    clickCheckBox(node);
    EXPECT_EQ(view.GetCheckState(node), csCheckedNormal);
    EXPECT_EQ(idx.data(Qt::CheckStateRole).toInt(), Qt::Checked);
    ASSERT_EQ(checkedSpy.count(), 1);
    EXPECT_EQ(checkedSpy[0][1].value<TVirtualNode*>(), node);
    clickCheckBox(node);
    EXPECT_EQ(view.GetCheckState(node), csUncheckedNormal);

    // Space toggles the current row.
    view.SetSelected(nodeOfRow(4), true);
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_EQ(view.GetCheckState(nodeOfRow(4)), csCheckedNormal);
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_EQ(view.GetCheckState(nodeOfRow(4)), csUncheckedNormal);
    EXPECT_EQ(checkedSpy.count(), 4);

    // A node without a check box has none to toggle.
    view.SetCheckType(nodeOfRow(4), ctNone);
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_EQ(view.GetCheckState(nodeOfRow(4)), csUncheckedNormal);
    EXPECT_FALSE(indexOf(nodeOfRow(4), ColName).data(Qt::CheckStateRole).isValid());

    // The model's own setData path, as a delegate uses it.
    EXPECT_TRUE(view.model()->setData(indexOf(nodeOfRow(1), ColName), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(view.GetCheckState(nodeOfRow(1)), csCheckedNormal);
    EXPECT_FALSE(view.model()->setData(indexOf(nodeOfRow(4), ColName), Qt::Checked, Qt::CheckStateRole));
}

TEST_F(VTVRListTest, CheckBoxFollowsTheFirstShownColumn)
{
    bind();
    TVirtualNode* node = view.GetFirst();
    view.SetColumnVisible(ColName, false);
    EXPECT_FALSE(indexOf(node, ColName).data(Qt::CheckStateRole).isValid());
    EXPECT_EQ(indexOf(node, ColSaldo).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    view.SetColumnVisible(ColName, true);
    view.header()->moveSection(view.header()->visualIndex(ColStufe), 0);
    EXPECT_EQ(indexOf(node, ColStufe).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_FALSE(indexOf(node, ColName).data(Qt::CheckStateRole).isValid());

    view.SetCheckBoxes(false);
    EXPECT_FALSE(indexOf(node, ColStufe).data(Qt::CheckStateRole).isValid());
}

TEST_F(VTVRListTest, PaintTextColourReachesTheModel)
{
    bind();
    QObject::connect(&view, &TVTVRList::PaintText,
                     [](TVTVRList* sender, TVirtualNode* node, int, QColor* color) {
                         if (sender->GetCheckState(node) == csCheckedNormal)
                             *color = QColor(0, 0, 255);
                     });
    view.SetCheckState(nodeOfRow(3), csCheckedNormal);
    for (int col = 0; col < 5; ++col) {
        const QVariant checkedBrush = indexOf(nodeOfRow(3), col).data(Qt::ForegroundRole);
        ASSERT_TRUE(checkedBrush.canConvert<QBrush>());
        EXPECT_EQ(checkedBrush.value<QBrush>().color(), QColor(0, 0, 255));
    }
    EXPECT_FALSE(indexOf(nodeOfRow(2), ColName).data(Qt::ForegroundRole).isValid());
}

TEST_F(VTVRListTest, HeaderClickSortsAndWalksFollow)
{
    bind();
    showView();
    TVirtualNode* hidden = nodeOfRow(1);  // Zeller
    view.SetVisible(hidden, false);
    view.SetSelected(nodeOfRow(6), true);

    clickHeader(ColName);
    const std::vector<QString> ascending{QStringLiteral("Adam"), QStringLiteral("Äpfel KG"), QStringLiteral("bauer"),
                                         QStringLiteral("Müller"), QStringLiteral("Ober"), QStringLiteral("Zeller")};
    EXPECT_EQ(walkNames(), ascending);
    // The hidden row stays hidden at its new place and the selection stays on its node.
    EXPECT_EQ(view.DisplayRow(hidden), 5);
    EXPECT_TRUE(view.isRowHidden(5, QModelIndex()));
    EXPECT_FALSE(view.isRowHidden(0, QModelIndex()));
    EXPECT_EQ(view.GetFirstSelected(), nodeOfRow(6));
    EXPECT_EQ(view.model()->index(0, ColName).data().toString(), QStringLiteral("Adam"));

    clickHeader(ColName);
    EXPECT_EQ(walkNames(), std::vector<QString>(ascending.rbegin(), ascending.rend()));

    // Numbers compare as numbers (9 < 9.5 < 55.25 < 100 < 1000), not as text.
    clickHeader(ColSaldo);
    EXPECT_EQ(walkRows(), (std::vector<int>{3, 5, 2, 6, 1, 4}));
    // Dates too; the missing date first.
    clickHeader(ColDatum);
    EXPECT_EQ(walkRows(), (std::vector<int>{5, 4, 2, 3, 1, 6}));
    std::vector<int> visible;
    for (TVirtualNode* n = view.GetFirstVisible(); n; n = view.GetNextVisible(n))
        visible.push_back(view.GetNodeData(n)->RowNr);
    EXPECT_EQ(visible, (std::vector<int>{5, 4, 2, 3, 6}));

    // A fresh load comes in table order again.
    view.LoadFromVRList(true);
    EXPECT_EQ(walkRows(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST_F(VTVRListTest, ColumnsCanBeHiddenAndSized)
{
    bind();
    view.SetColumnVisible(ColSaldo, false);
    EXPECT_FALSE(view.GetColumnVisible(ColSaldo));
    EXPECT_TRUE(view.isColumnHidden(ColSaldo));
    view.SetColumnVisible(ColKey, true);
    EXPECT_TRUE(view.GetColumnVisible(ColKey));

    view.Columns().GetItem(ColDatum).SetWidth(123);
    view.UpdateColumnLayout(0, 0);
    EXPECT_EQ(view.header()->sectionSize(ColDatum), view.VorgabeBreite(ColDatum, 123));
    EXPECT_EQ(view.Columns().GetItem(ColDatum).GetWidth(), view.VorgabeBreite(ColDatum, 123));
    EXPECT_THROW(view.SetColumnVisible(5, false), EQELError);
    EXPECT_FALSE(view.GetColumnVisible(-1));

    // Reloading the same table keeps what the window set.
    view.LoadFromVRList(true);
    EXPECT_FALSE(view.GetColumnVisible(ColSaldo));
    EXPECT_EQ(view.Columns().GetItem(ColDatum).GetWidth(), view.VorgabeBreite(ColDatum, 123));
}

// A list too narrow for its columns: one column gives way (never below its title), a symbol column
// shows its text as a tool tip, and a cut text keeps the amount at its end.
TEST_F(VTVRListTest, NarrowListGivesWayWithOneColumnAndKeepsAmountsWhole)
{
    bind();
    view.resize(300, 200);
    view.show();
    for (int c : {ColName, ColSaldo, ColDatum, ColStufe})
        view.Columns().GetItem(c).SetWidth(100);
    view.SetColumnVisible(ColKey, false);
    view.SetAusgleichSpalte(ColName);
    view.SetSymbolSpalte(ColStufe, QIcon(), [](const QString& t) { return t == QLatin1String("3") ? QIcon() : QIcon(); });
    view.UpdateColumnLayout(0, 0);
    QHeaderView* h = view.header();
    const int andere = h->sectionSize(ColSaldo) + h->sectionSize(ColDatum) + h->sectionSize(ColStufe);
    EXPECT_EQ(h->sectionSize(ColName), std::max(view.viewport()->width() - andere, h->sectionSizeHint(ColName)));
    // Wide enough again: back to its own width, not more.
    view.resize(1200, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(h->sectionSize(ColName), view.VorgabeBreite(ColName, 100));
    // A width the clerk dragged stays.
    h->resizeSection(ColName, 333);
    view.resize(300, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(h->sectionSize(ColName), 333);

    const QModelIndex stufe = indexOf(view.GetFirst(), ColStufe);
    EXPECT_TRUE(stufe.data(Qt::DisplayRole).toString().isEmpty());
    EXPECT_EQ(stufe.data(Qt::ToolTipRole).toString(), QStringLiteral("2"));
    EXPECT_TRUE(view.model()->headerData(ColStufe, Qt::Horizontal, Qt::DisplayRole).toString().isEmpty());

    const QFontMetrics fm(view.font());
    const QString lang = QStringLiteral("Zahlungserinnerung / Mahnung 1.052,04 EUR");
    const int platz = fm.horizontalAdvance(QStringLiteral("Zahlungser… 1.052,04 EUR"));
    const QString kurz = qel_TextGekuerzt(lang, fm, platz);
    EXPECT_TRUE(kurz.startsWith(QStringLiteral("Zahlung"))) << kurz.toStdString();
    EXPECT_TRUE(kurz.endsWith(QStringLiteral("… 1.052,04 EUR"))) << kurz.toStdString();
    EXPECT_LE(fm.horizontalAdvance(kurz), platz);
    // Too little room for any of the words: the amount alone.
    EXPECT_EQ(qel_TextGekuerzt(lang, fm, fm.horizontalAdvance(QStringLiteral("1.052,04 EUR"))), QStringLiteral("1.052,04 EUR"));
    // Texts that fit, and texts without an amount, are left to the style.
    EXPECT_EQ(qel_TextGekuerzt(lang, fm, 2000), lang);
    EXPECT_EQ(qel_TextGekuerzt(QStringLiteral("Winkler Kfz-Technik UG"), fm, 20), QStringLiteral("Winkler Kfz-Technik UG"));
}

TEST_F(VTVRListTest, SelectionDoubleClickAndChange)
{
    bind();
    showView();
    QSignalSpy change(&view, &TVTVRList::Change);
    QSignalSpy dbl(&view, &TVTVRList::DblClick);
    EXPECT_EQ(view.GetFirstSelected(), nullptr);

    TVirtualNode* node = nodeOfRow(3);
    view.SetSelected(node, true);
    EXPECT_EQ(view.GetFirstSelected(), node);
    ASSERT_EQ(change.count(), 1);
    EXPECT_EQ(change[0][1].value<TVirtualNode*>(), node);

    const QRect rect = view.visualRect(indexOf(nodeOfRow(5), ColSaldo));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(view.GetFirstSelected(), nodeOfRow(5));
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(dbl.count(), 1);
    EXPECT_EQ(view.GetCheckState(nodeOfRow(5)), csUncheckedNormal) << "a double click on text checks nothing by itself";

    view.SetSelected(nodeOfRow(5), false);
    EXPECT_EQ(view.GetFirstSelected(), nullptr);

    view.SetSelected(node, true);
    change.clear();
    view.Clear();
    ASSERT_EQ(change.count(), 1);
    EXPECT_EQ(change[0][1].value<TVirtualNode*>(), nullptr);
    EXPECT_EQ(view.GetFirstSelected(), nullptr);
}

TEST_F(VTVRListTest, CellWritesOutsideABracketRepaintTheRow)
{
    bind();
    QSignalSpy changed(view.model(), &QAbstractItemModel::dataChanged);
    TVirtualNode* node = nodeOfRow(4);
    view.GetCellValue(node, ColName).SetString(QStringLiteral("Adam & Söhne"));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].value<QModelIndex>().row(), view.DisplayRow(node));
    EXPECT_EQ(indexOf(node, ColName).data().toString(), QStringLiteral("Adam & Söhne"));
    EXPECT_EQ(list.GetCellValueAsString(3, ColName), QStringLiteral("Adam & Söhne"));
    EXPECT_THROW(view.GetCellValue(node, 9), EQELError);
}
