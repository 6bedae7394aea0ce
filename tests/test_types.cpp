// Keys, date values, the clock and the German number helpers.
#include "suite/core/types.h"

#include <gtest/gtest.h>

TEST(IntPair, TextRoundTripAndEmptyPair)
{
    const TIntPair p{12, 345};
    EXPECT_EQ(qel_TIntPair2String(p), QStringLiteral("12;345"));
    const TIntPair back = qel_String2TIntPair(qel_TIntPair2String(p));
    EXPECT_TRUE(IntPairEqual(back, p));
    EXPECT_TRUE(IntPairEqual(qel_String2TIntPair(QStringLiteral(" -3 ; 7 ")), TIntPair{-3, 7}));

    // The empty pair writes as "" and "" reads as the empty pair.
    EXPECT_EQ(qel_TIntPair2String(CLeeresIntPair), QString());
    EXPECT_FALSE(IntPairDefined(qel_String2TIntPair(QString())));
    EXPECT_FALSE(IntPairDefined(TIntPair{}));
    EXPECT_TRUE(IntPairDefined(TIntPair{0, 1}));
    EXPECT_TRUE(IntPairDefined(TIntPair{1, 0}));
    EXPECT_FALSE(IntPairEqual(TIntPair{1, 2}, TIntPair{2, 1}));
}

TEST(IntPair, BadTextRaises)
{
    for (const char* text : {"1;x", "1", "1;2;3", ";", "abc"})
        EXPECT_THROW(qel_String2TIntPair(QString::fromUtf8(text)), EConvertError) << text;
}

TEST(IntPair, TrioGivesDocumentKey)
{
    const TIntPair p = PairAusTrio(TIntTrio{4, 99, 7});
    EXPECT_TRUE(IntPairEqual(p, TIntPair{4, 99}));
}

TEST(DateValues, ConversionsAgree)
{
    EXPECT_EQ(DateToStr(CDatum_01_01_2005), QStringLiteral("01.01.2005"));
    EXPECT_EQ(DateToStr(38353.99), QStringLiteral("01.01.2005"));
    EXPECT_DOUBLE_EQ(StrToDate(QStringLiteral("01.01.2005")), 38353.0);
    EXPECT_DOUBLE_EQ(qel_EncodeDate(2005, 1, 1), 38353.0);
    EXPECT_DOUBLE_EQ(qel_DateFromQDate(QDate(1899, 12, 30)), 0.0);
    EXPECT_EQ(qel_ToQDate(38353.0), QDate(2005, 1, 1));
    EXPECT_DOUBLE_EQ(qel_DateOf(38353.75), 38353.0);

    const QDateTime noon = qel_ToQDateTime(38353.5);
    EXPECT_EQ(noon, QDateTime(QDate(2005, 1, 1), QTime(12, 0)));
    EXPECT_DOUBLE_EQ(qel_DateTimeFromQDateTime(noon), 38353.5);
    // Almost midnight rounds up to the next day instead of producing an invalid time.
    EXPECT_EQ(qel_ToQDateTime(38353.0 + 0.9999999999), QDateTime(QDate(2005, 1, 2), QTime(0, 0)));
    // Days before the epoch are negative and the time still counts forward.
    EXPECT_EQ(qel_ToQDateTime(-1.25), QDateTime(QDate(1899, 12, 28), QTime(18, 0)));
}

TEST(DateValues, DaylightSavingDaysKeepTheirDate)
{
    // 31.03.2024 has 23 hours in Germany; the day count must not move.
    const QDateTime late(QDate(2024, 3, 31), QTime(23, 30));
    const TDateTime v = qel_DateTimeFromQDateTime(late);
    EXPECT_DOUBLE_EQ(qel_DateOf(v), qel_DateFromQDate(QDate(2024, 3, 31)));
    EXPECT_EQ(qel_ToQDateTime(v), late);
}

TEST(DateValues, ReadsGermanForms)
{
    EXPECT_EQ(qel_ToQDate(StrToDate(QStringLiteral("1.2.2024"))), QDate(2024, 2, 1));
    EXPECT_EQ(qel_ToQDate(StrToDate(QStringLiteral("01.02.24"))), QDate(2024, 2, 1));
    EXPECT_EQ(qel_ToQDate(StrToDate(QStringLiteral("01.02.99"))), QDate(1999, 2, 1));
    EXPECT_EQ(qel_ToQDate(StrToDate(QStringLiteral("29022024"))), QDate(2024, 2, 29));
    EXPECT_EQ(qel_ToQDate(StrToDate(QStringLiteral(" 05.06.2023 "))), QDate(2023, 6, 5));
}

TEST(DateValues, InvalidTextRaises)
{
    for (const char* text : {"31.02.2024", "29.02.2023", "abc", "", "  ", "01.13.2024", "1.1.", "2024-01-01"})
        EXPECT_THROW(StrToDate(QString::fromUtf8(text)), EConvertError) << text;
    EXPECT_THROW(qel_EncodeDate(2024, 2, 30), EConvertError);
}

TEST(Clock, CanBeFixedAndReleased)
{
    qel_SetNow(38353.25);
    EXPECT_DOUBLE_EQ(qel_Now(), 38353.25);
    qel_ResetNow();
    const TDateTime system = qel_DateTimeFromQDateTime(QDateTime::currentDateTime());
    EXPECT_NEAR(qel_Now(), system, 1.0 / 24 / 60);  // within a minute
}

TEST(GermanNumbers, FormatMoney)
{
    EXPECT_EQ(qel_FormatMoney(1234.5), QStringLiteral("1.234,50"));
    EXPECT_EQ(qel_FormatMoney(-0.004), QStringLiteral("0,00"));  // no "-0,00"
    EXPECT_EQ(qel_FormatMoney(1e9), QStringLiteral("1.000.000.000,00"));
    EXPECT_EQ(qel_FormatMoney(-1234.567), QStringLiteral("-1.234,57"));
    EXPECT_EQ(qel_FormatMoney(0.0), QStringLiteral("0,00"));
    EXPECT_EQ(qel_FormatMoney(999.999), QStringLiteral("1.000,00"));
}

TEST(GermanNumbers, StrToFloat)
{
    EXPECT_DOUBLE_EQ(qel_StrToFloat(QStringLiteral("1.234,56")), 1234.56);
    EXPECT_DOUBLE_EQ(qel_StrToFloat(QStringLiteral("2,5")), 2.5);
    EXPECT_DOUBLE_EQ(qel_StrToFloat(QStringLiteral("2.51")), 2.51);
    EXPECT_DOUBLE_EQ(qel_StrToFloat(QStringLiteral("-7")), -7.0);
    EXPECT_DOUBLE_EQ(qel_StrToFloat(QStringLiteral(" 1 234,5 ")), 1234.5);
    // What qel_FormatMoney writes reads back.
    EXPECT_DOUBLE_EQ(qel_StrToFloat(qel_FormatMoney(-98765.43)), -98765.43);
    for (const char* text : {"abc", "", "1,2,3", "12a"})
        EXPECT_THROW(qel_StrToFloat(QString::fromUtf8(text)), EConvertError) << text;
    EXPECT_DOUBLE_EQ(qel_StrToFloatDef(QStringLiteral("abc"), 7.0), 7.0);
    EXPECT_DOUBLE_EQ(qel_StrToFloatDef(QStringLiteral("3,25"), 7.0), 3.25);
}

TEST(Helpers, TwipsAndStringMatch)
{
    EXPECT_EQ(qel_mmToTwips(25.4), 1440);
    EXPECT_EQ(qel_mmToTwips(10.0), 567);
    EXPECT_EQ(qel_mmToTwips(0.0), 0);
    EXPECT_EQ(qel_mmToTwips(210.0), 11906);

    EXPECT_TRUE(qel_strmatch(QStringLiteral("  Müller   GmbH "), QStringLiteral("MÜLLER GMBH")));
    EXPECT_FALSE(qel_strmatch(QStringLiteral("Müller"), QStringLiteral("Mueller")));
}
