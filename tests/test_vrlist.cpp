// The result table: cell conversions, row and column handling, display texts.
#include "suite/core/vrlist.h"

#include <gtest/gtest.h>

namespace {

TVRColumn& addColumn(TVRList& list, const char* name, int type, bool money = false)
{
    TVRColumn& c = list.ColumnAdd();
    c.Name = QString::fromUtf8(name);
    c.DataType = type;
    c.Formatted = money;
    c.Format = money ? QStringLiteral("%n") : QString();
    return c;
}

}  // namespace

TEST(VRItem, EmptyReadsAsZeroAndNothing)
{
    const TVRItem item;
    EXPECT_TRUE(item.IsEmpty());
    EXPECT_EQ(item.AsInteger(), 0);
    EXPECT_DOUBLE_EQ(item.AsFloat(), 0.0);
    EXPECT_DOUBLE_EQ(item.AsDate(), 0.0);
    EXPECT_EQ(item.AsString(), QString());
    EXPECT_EQ(item.AsString(CVR_Date), QString());
    // Blank text counts as no value.
    EXPECT_EQ(TVRItem("  ").AsInteger(), 0);
    EXPECT_DOUBLE_EQ(TVRItem("").AsDate(), 0.0);
}

TEST(VRItem, NumbersConvertBothWays)
{
    EXPECT_DOUBLE_EQ(TVRItem(42).AsFloat(), 42.0);
    EXPECT_EQ(TVRItem(42).AsString(), QStringLiteral("42"));
    EXPECT_EQ(TVRItem(qint64(5000000000LL)).AsInteger(), 5000000000LL);
    EXPECT_EQ(TVRItem(2.4).AsInteger(), 2);
    EXPECT_EQ(TVRItem(2.5).AsInteger(), 3);
    EXPECT_EQ(TVRItem(-2.5).AsInteger(), -3);
    EXPECT_THROW(TVRItem(1e30).AsInteger(), EConvertError);

    // Number text uses the German comma and reads back unchanged.
    const TVRItem f(1234.5);
    EXPECT_EQ(f.AsString(CVR_Number), QStringLiteral("1234,5"));
    EXPECT_DOUBLE_EQ(TVRItem(f.AsString(CVR_Number)).AsFloat(), 1234.5);
    EXPECT_DOUBLE_EQ(TVRItem(0.1).AsFloat(), 0.1);
    EXPECT_DOUBLE_EQ(TVRItem(TVRItem(0.1).AsString()).AsFloat(), 0.1);
}

TEST(VRItem, TextIsParsedOrRejected)
{
    EXPECT_DOUBLE_EQ(TVRItem("1.234,56").AsFloat(), 1234.56);
    EXPECT_EQ(TVRItem(" 17 ").AsInteger(), 17);
    EXPECT_EQ(TVRItem("2,5").AsInteger(), 3);
    EXPECT_DOUBLE_EQ(TVRItem("01.01.2005").AsDate(), 38353.0);
    EXPECT_EQ(TVRItem("Müller").AsString(CVR_Date), QStringLiteral("Müller"));

    const TVRItem bad("abc");
    EXPECT_THROW(bad.AsInteger(), EConvertError);
    EXPECT_THROW(bad.AsFloat(), EConvertError);
    EXPECT_THROW(bad.AsDate(), EConvertError);
    EXPECT_THROW(TVRItem("31.02.2024").AsDate(), EConvertError);
}

TEST(VRItem, DatesAndWriters)
{
    EXPECT_EQ(TVRItem(38353.0).AsString(CVR_Date), QStringLiteral("01.01.2005"));
    EXPECT_EQ(TVRItem(38353.75).AsString(CVR_Date), QStringLiteral("01.01.2005"));
    EXPECT_EQ(TVRItem(38353).AsString(CVR_Date), QStringLiteral("01.01.2005"));
    EXPECT_DOUBLE_EQ(TVRItem(38353).AsDate(), 38353.0);

    TVRItem item("alt");
    Date2VRItem(item, 38353.75);
    EXPECT_TRUE(item.IsFloat());
    EXPECT_DOUBLE_EQ(item.AsDate(), 38353.0);
    DateTime2VRItem(item, 38353.75);
    EXPECT_DOUBLE_EQ(item.AsDate(), 38353.75);
    Float2VRItem(item, -12.5);
    EXPECT_DOUBLE_EQ(item.AsFloat(), -12.5);
}

TEST(VRList, RowAddFillsColumnsInOrder)
{
    TVRList list;
    for (int i = 0; i < 4; ++i)
        addColumn(list, "c", CVR_Text);
    EXPECT_EQ(list.RowAdd({TVRItem("a"), TVRItem(1), TVRItem(2.5), TVRItem("d")}, 3, 0), 0);
    // Fewer values than columns: the rest stays empty.
    EXPECT_EQ(list.RowAdd({TVRItem("x"), TVRItem(7)}, 1, 1), 1);
    // Values beyond the highest index are ignored.
    EXPECT_EQ(list.RowAdd({TVRItem("y"), TVRItem(8), TVRItem(9)}, 0, 2), 2);
    EXPECT_EQ(list.RowAdd(std::vector<TVRItem>{TVRItem("z")}), 3);

    ASSERT_EQ(list.GetRowCount(), 4);
    EXPECT_EQ(list.GetCellValueAsString(0, 3), QStringLiteral("d"));
    EXPECT_EQ(list.GetCellValueAsInteger(1, 1), 7);
    EXPECT_TRUE(list.GetCell(1, 2).IsEmpty());
    EXPECT_TRUE(list.GetCell(2, 1).IsEmpty());
    EXPECT_EQ(list.GetCellValueAsString(3, 0), QStringLiteral("z"));
}

TEST(VRList, RowAddRejectsTooManyValues)
{
    TVRList list;
    addColumn(list, "a", CVR_Text);
    addColumn(list, "b", CVR_Text);
    EXPECT_THROW(list.RowAdd({TVRItem(1), TVRItem(2), TVRItem(3)}, 2, 0), EQELError);
    EXPECT_THROW(list.RowAdd({TVRItem(1)}, 1, 0), EQELError);  // high beyond the values given
    EXPECT_THROW(list.RowAdd({TVRItem(1)}, -2, 0), EQELError);
    EXPECT_THROW(list.RowAdd(std::vector<TVRItem>{TVRItem(1), TVRItem(2), TVRItem(3)}), EQELError);
    EXPECT_EQ(list.GetRowCount(), 0);
    // A failed add leaves the table usable.
    list.RowAdd({TVRItem(1), TVRItem(2)}, 1, 0);
    EXPECT_EQ(list.GetCellValueAsInteger(0, 1), 2);
}

TEST(VRList, ColumnAddAfterRowsKeepsCells)
{
    TVRList list;
    addColumn(list, "a", CVR_Integer);
    addColumn(list, "b", CVR_Text);
    for (int r = 0; r < 3; ++r)
        list.RowAdd({TVRItem(r), TVRItem(QString::number(r * 10))}, 1, r);

    addColumn(list, "c", CVR_Number);
    ASSERT_EQ(list.GetColumnCount(), 3);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(list.GetCellValueAsInteger(r, 0), r);
        EXPECT_EQ(list.GetCellValueAsString(r, 1), QString::number(r * 10));
        EXPECT_TRUE(list.GetCell(r, 2).IsEmpty());
    }
    list.RowAdd({TVRItem(3), TVRItem("30"), TVRItem(1.5)}, 2, 3);
    EXPECT_DOUBLE_EQ(list.GetCellValueAsFloat(3, 2), 1.5);
    EXPECT_EQ(list.GetCellValueAsString(2, 1), QStringLiteral("20"));
}

TEST(VRList, DescriptorsStayValidWhileColumnsAreAdded)
{
    TVRList list;
    TVRColumn& first = list.ColumnAdd();
    for (int i = 0; i < 50; ++i)
        list.ColumnAdd();
    first.Name = QStringLiteral("Gep");  // must land in column 0, not in freed memory
    EXPECT_EQ(list.Column(0).Name, QStringLiteral("Gep"));
    EXPECT_THROW(list.Column(51), EQELError);
    EXPECT_THROW(list.Column(-1), EQELError);
}

TEST(VRList, ClearAndOutOfRange)
{
    TVRList list;
    addColumn(list, "a", CVR_Integer);
    list.RowAdd({TVRItem(1)}, 0, 0);
    EXPECT_THROW(list.GetCellValueAsInteger(1, 0), EQELError);
    EXPECT_THROW(list.GetCellValueAsString(-1, 0), EQELError);
    EXPECT_THROW(list.GetCellValueAsFloat(0, 1), EQELError);
    EXPECT_THROW(list.GetCellValueAsDate(0, -1), EQELError);
    EXPECT_THROW(list.DisplayText(0, 1), EQELError);

    list.RowsClear();
    EXPECT_EQ(list.GetRowCount(), 0);
    EXPECT_EQ(list.GetColumnCount(), 1);
    EXPECT_THROW(list.GetCell(0, 0), EQELError);
    list.RowAdd({TVRItem(5)}, 0, 0);
    EXPECT_EQ(list.GetCellValueAsInteger(0, 0), 5);
}

TEST(VRList, DisplayTextFollowsColumnType)
{
    TVRList list;
    addColumn(list, "Datum", CVR_Date);
    addColumn(list, "Saldo", CVR_Number, true);
    addColumn(list, "Zins", CVR_Number);
    addColumn(list, "Stufe", CVR_Integer);
    addColumn(list, "Name", CVR_Text);
    list.RowAdd({TVRItem(38353.5), TVRItem(1234.56), TVRItem(2.5), TVRItem(12345), TVRItem("Bauer")}, 4, 0);
    list.RowAdd({TVRItem(0), TVRItem(-5), TVRItem(0), TVRItem(0), TVRItem()}, 4, 1);
    list.RowAdd({TVRItem(), TVRItem("n. a."), TVRItem(), TVRItem(), TVRItem(7)}, 4, 2);

    EXPECT_EQ(list.DisplayText(0, 0), QStringLiteral("01.01.2005"));
    EXPECT_EQ(list.DisplayText(0, 1), QStringLiteral("1.234,56"));
    EXPECT_EQ(list.DisplayText(0, 2), QStringLiteral("2,5"));
    EXPECT_EQ(list.DisplayText(0, 3), QStringLiteral("12345"));
    EXPECT_EQ(list.DisplayText(0, 4), QStringLiteral("Bauer"));

    // A date column shows no date for 0 or nothing; a money column formats integers too.
    EXPECT_EQ(list.DisplayText(1, 0), QString());
    EXPECT_EQ(list.DisplayText(2, 0), QString());
    EXPECT_EQ(list.DisplayText(1, 1), QStringLiteral("-5,00"));
    EXPECT_EQ(list.DisplayText(1, 3), QStringLiteral("0"));
    // Text in a number column is shown as it is, never raised.
    EXPECT_EQ(list.DisplayText(2, 1), QStringLiteral("n. a."));
    EXPECT_EQ(list.DisplayText(2, 4), QStringLiteral("7"));

    EXPECT_EQ(list.GetCellValueAsString(0, 0), QStringLiteral("01.01.2005"));
    EXPECT_DOUBLE_EQ(list.GetCellValueAsDate(0, 0), 38353.5);
}

TEST(VRList, RowsReorderMovesWholeRowsAndRefusesNonPermutations)
{
    TVRList l;
    l.ColumnAdd().DataType = CVR_Text;
    l.ColumnAdd().DataType = CVR_Integer;
    for (int i = 0; i < 6; ++i)
        l.RowAdd({TVRItem(QStringLiteral("z%1").arg(i)), TVRItem(qint64(i))}, 1, l.GetRowCount());
    // Two cycles (0 2 4) and (1 5), row 3 stays.
    l.RowsReorder({2, 5, 4, 3, 0, 1});
    QStringList texte;
    for (int r = 0; r < l.GetRowCount(); ++r) {
        texte << l.GetCellValueAsString(r, 0);
        EXPECT_EQ(l.GetCellValueAsString(r, 0), QStringLiteral("z%1").arg(l.GetCellValueAsInteger(r, 1)));
    }
    EXPECT_EQ(texte, (QStringList{"z2", "z5", "z4", "z3", "z0", "z1"}));
    EXPECT_THROW(l.RowsReorder({0, 0, 1, 2, 3, 4}), EQELError);
    EXPECT_THROW(l.RowsReorder({0, 1}), EQELError);
    EXPECT_EQ(l.GetCellValueAsString(0, 0), QStringLiteral("z2"));  // untouched by the refused orders
}
