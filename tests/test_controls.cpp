// The masked edit's typed reads and writes: a value that does not fit shows its hint once and is
// reported to the caller, which decides how to go on.
#include "suite/ui/controls.h"
#include "support/umgebung.h"

#include <gtest/gtest.h>
#include <limits>

TEST(MaskedEdit, ReadsTypedValuesAndReportsWhatIsNone)
{
    TTestUmgebung umg;
    TQELStdEdit datum(TEditTyp::Datum);
    datum.setText(QStringLiteral("24.12.2026"));
    double d = 1;
    EXPECT_TRUE(datum.Lesen(d, QStringLiteral("Fehler beim Lesen des Datums.")));
    EXPECT_EQ(d, StrToDate(QStringLiteral("24.12.2026")));

    datum.setText(QStringLiteral("31.02.2026"));
    d = 7;
    EXPECT_FALSE(datum.Lesen(d, QStringLiteral("Fehler beim Lesen des Datums.")));
    EXPECT_EQ(d, 7);  // left as it was
    EXPECT_EQ(umg.Recorder->Texte(), QStringList{QStringLiteral("Fehler beim Lesen des Datums.")});
    EXPECT_EQ(umg.Recorder->Meldungen.back().Nr, 994);

    TQELStdEdit betrag(TEditTyp::Float);
    betrag.setText(QStringLiteral("1,5"));
    double b = 0;
    EXPECT_TRUE(betrag.Lesen(b, QStringLiteral("x")));
    EXPECT_EQ(b, 1.5);

    TQELStdEdit zahl(TEditTyp::Integer);
    zahl.SetRange(1, 9999);
    zahl.setText(QStringLiteral("12"));
    int i = 0;
    EXPECT_TRUE(zahl.Lesen(i, QStringLiteral("x")));
    EXPECT_EQ(i, 12);
    zahl.setText(QStringLiteral("0"));
    EXPECT_FALSE(zahl.Lesen(i, QStringLiteral("Fehler beim Lesen des Alters!")));
    EXPECT_EQ(i, 12);
    EXPECT_EQ(umg.Recorder->Texte().last(), QStringLiteral("Fehler beim Lesen des Alters!"));
}

TEST(MaskedEdit, WritesTypedValuesAndRefusesWhatDoesNotFit)
{
    TTestUmgebung umg;
    TQELStdEdit datum(TEditTyp::Datum);
    EXPECT_TRUE(datum.Schreiben(StrToDate(QStringLiteral("01.01.2005")), QStringLiteral("x")));
    EXPECT_EQ(datum.text(), QStringLiteral("01.01.2005"));

    TQELStdEdit zahl(TEditTyp::Integer);
    zahl.setMaxLength(4);
    EXPECT_TRUE(zahl.Schreiben(2026, QStringLiteral("x")));
    EXPECT_EQ(zahl.text(), QStringLiteral("2026"));
    EXPECT_FALSE(zahl.Schreiben(12345, QStringLiteral("Fehler beim Schreiben der Belegnummer.")));
    EXPECT_EQ(zahl.text(), QStringLiteral("2026"));

    TQELStdEdit betrag(TEditTyp::Float);
    EXPECT_FALSE(betrag.Schreiben(std::numeric_limits<double>::infinity(), QStringLiteral("Fehler beim Schreiben.")));
    EXPECT_EQ(umg.Recorder->Texte(), (QStringList{QStringLiteral("Fehler beim Schreiben der Belegnummer."),
                                                  QStringLiteral("Fehler beim Schreiben.")}));
    EXPECT_TRUE(umg.Recorder->Exceptions.empty());
}
