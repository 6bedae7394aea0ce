// Importing partners, open items and payments from the accounting's files, on both engines.
#include "support/buchung.h"
#include "support/temp_suite.h"

#include "suite/core/servers/csvleser.h"
#include "suite/core/servers/database.h"
#include "suite/core/servers/database_intern.h"
#include "suite/core/servers/importserver.h"
#include "suite/core/servers/interfaces.h"
#include "suite/core/servers/stammdaten.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

const char* const kPartner =
    "Partnernummer;Name;Straße;PLZ;Ort;Anrede;Vorname;Ansprechpartner;Mahn-E-Mail;Verbraucher;Zentralreguliert\n"
    "10001;Bäckerei Schmitz;Ringstraße 1;53111;Bonn;Frau;Eva;Schmitz;buchhaltung@schmitz.de;N;N\n"
    "10002;Max Mustermann;Weg 2;10115;Berlin;Herr;Max;Mustermann;;J;N\n"
    "10003;Großhandel Nord GmbH;Kai 3;20457;Hamburg;;;;;N;J\n";

const char* const kPosten =
    "Satzart;Belegnummer;Bezug;Partnernummer;Belegdatum;Fällig;Betrag;Kommentar\n"
    "Rechnung;RE-1;;10001;01.10.2026;15.10.2026;1.190,00;Brötchen\n"
    "Rechnung;RE-2;;10002;05.10.2026;;500,00;\n"
    "Zahlung;;RE-1;;20.10.2026;;190,00;\n"
    "Gutschrift;GS-1;;10002;06.10.2026;;50,00;\n"
    "Rechnung;RE-3;;10003;07.10.2026;;80,00;\n";

struct TOp {
    qint64 soll = -1, haben = -1;
    int mahnstufe = -1;
    TDateTime ziel = 0, letzteZahlung = 0;
    QString belegart;
};

TOp posten(const QString& beleg)
{
    TOp o;
    QSqlQuery q(qel_Verbindung());
    q.prepare(QStringLiteral("SELECT soll_cent, haben_cent, mahnstufe, zahlungsziel, letzte_zahlung, belegart "
                             "FROM offener_posten WHERE belegnummer = ?"));
    q.addBindValue(beleg);
    if (q.exec() && q.next()) {
        o.soll = q.value(0).toLongLong();
        o.haben = q.value(1).toLongLong();
        o.mahnstufe = q.value(2).toInt();
        o.ziel = q.value(3).toDouble();
        o.letzteZahlung = q.value(4).toDouble();
        o.belegart = q.value(5).toString();
    }
    return o;
}

// The open-items list as the clerk sees it, without keys of this database: one text per row.
QStringList offenePosten(const TIntPair& mandant)
{
    IQEL_ZahlungEditServerRef z;
    Glob_ServerFactoryClass().ZahlungEditServer_Holen(z);
    EXPECT_TRUE(z->OffenePosten_Abfragen(mandant, CLeeresIntPair, 0, 2958465, 0, 2958465, qel_Now(), {TSRVTyp::srvDebitoren}, 1, 1));
    TVRList* l = z->OffenePosten_Liste();
    QStringList zeilen;
    // Everything but keys, the payment term in force, days overdue and the last dunning (those come
    // from the dunning history, which an import does not carry).
    const int spalten[] = {0, 1, 2, 3, 4, 5, 7, 8, 12, 13, 14, 15, 16, 17, 18, 20, 21, 22, 24, 25, 27};
    for (int r = 0; r < l->GetRowCount(); ++r) {
        QStringList t;
        for (int c : spalten)
            t << l->GetCellValueAsString(r, c);
        zeilen << t.join(QLatin1Char('|'));
    }
    Glob_ServerFactoryClass().ZahlungEditServer_Freigeben(z);
    zeilen.sort();
    return zeilen;
}

}  // namespace

TEST(CsvFelderTest, QuotesSeparatorsAndBlanksSplitAsWritten)
{
    QStringList f;
    EXPECT_TRUE(qel_CsvFelder(QStringLiteral(" a ;b\"c; ;"), f));
    EXPECT_EQ(f, (QStringList{QStringLiteral("a"), QStringLiteral("b\"c"), QString(), QString()}));
    // Quoted: separators and doubled quotes inside, blanks kept, what follows the closing quote too.
    EXPECT_TRUE(qel_CsvFelder(QStringLiteral("  \" x;\"\"y\" \";\"a\"b\"c\";\"\""), f));
    EXPECT_EQ(f, (QStringList{QStringLiteral(" x;\"y \""), QStringLiteral("ab\"c\""), QString()}));
    EXPECT_FALSE(qel_CsvFelder(QStringLiteral("1;\"offen;2"), f));
    EXPECT_TRUE(qel_CsvFelder(QString(), f));
    EXPECT_EQ(f, QStringList{QString()});
}

class ImportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qel_SetNow(qel_EncodeDate(2026, 12, 8) + 0.5);
        suite = std::make_unique<TTempSuite>();
        // Dunnings are booked by the suite's test clerk.
        TSuiteDatenbank::SetBenutzer(suite->Konfiguration().Benutzer);
        TMandantStamm m;
        m.Nr = 1;
        m.Org.Name1 = QStringLiteral("Müller Haustechnik GmbH");
        m.ZahlungszielTage = 14;
        Stammdaten_MandantAnlegen(m);
        ASSERT_TRUE(Stammdaten_MandantLesen(1, mandant));
    }
    void TearDown() override
    {
        suite.reset();
        qel_ResetNow();
    }

    QString datei(const QString& name, const QByteArray& inhalt)
    {
        const QString pfad = dir.filePath(name);
        QFile f(pfad);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(inhalt);
        return pfad;
    }
    TImportErgebnis einlesen(const QStringList& dateien, bool abgleich = false, bool pruefen = false, bool ueberspringen = false)
    {
        TImportOptionen o;
        o.MandantNr = 1;
        o.Abgleich = abgleich;
        o.Pruefen = pruefen;
        o.Ueberspringen = ueberspringen;
        o.ZeilenImSpeicher = zeilenImSpeicher;
        return Import_Ausfuehren(dateien, o);
    }
    // Dunns the imported RE-2 (partner 10002) through the dunning server.
    TQEL_Mahnung_Beleg_Array re2Mahnen(double gebuehr, double zins)
    {
        auto wert = [](const char* spalte) {
            return TTempSuite::Wert(QStringLiteral("SELECT %1 FROM offener_posten WHERE belegnummer = 'RE-2'").arg(QLatin1String(spalte)))
                .toInt();
        };
        const TIntTrio trio{wert("rechner_nr"), wert("trans_nr"), wert("lfd_nr")};
        TPartnerStamm p;
        EXPECT_TRUE(Stammdaten_PartnerLesen(1, 10002, p));
        TTestBuchung b(mandant.Id);
        b.Mahnung(p.Id, qel_EncodeDate(2026, 11, 20), QStringLiteral("Bitte zahlen Sie."));
        TTestPosten tp;
        tp.Beleg = QStringLiteral("RE-2");
        tp.Datum = qel_EncodeDate(2026, 10, 5);
        tp.Soll = 500;
        tp.Ziel = qel_EncodeDate(2026, 10, 19);
        b.Posten(trio, tp, gebuehr, zins);
        return b.Buchen();
    }
    QStringList grundUndStammdaten()
    {
        return {datei(QStringLiteral("partner.csv"), kPartner), datei(QStringLiteral("posten.csv"), kPosten)};
    }

    std::unique_ptr<TTempSuite> suite;
    TMandantStamm mandant;
    QTemporaryDir dir;
    qint64 zeilenImSpeicher = TImportOptionen().ZeilenImSpeicher;
};

TEST_F(ImportTest, ItemsPaymentsAndCreditNotesBecomeOpenItemsAndASecondRunChangesNothing)
{
    const TImportErgebnis e = einlesen(grundUndStammdaten());
    ASSERT_TRUE(e.Gespeichert) << (e.Fehler.isEmpty() ? std::string() : e.Fehler[0].Text().toStdString());
    EXPECT_EQ(e.PartnerNeu, 3);
    EXPECT_EQ(e.PostenNeu, 4);
    const TOp re1 = posten(QStringLiteral("RE-1"));
    EXPECT_EQ(re1.soll, 119000);
    EXPECT_EQ(re1.haben, 19000);
    EXPECT_EQ(re1.ziel, qel_EncodeDate(2026, 10, 15));
    EXPECT_EQ(re1.letzteZahlung, qel_EncodeDate(2026, 10, 20));
    // Without a due date the client's term counts.
    EXPECT_EQ(posten(QStringLiteral("RE-2")).ziel, qel_EncodeDate(2026, 10, 19));
    const TOp gs = posten(QStringLiteral("GS-1"));
    EXPECT_EQ(gs.belegart, QStringLiteral("GS"));
    EXPECT_EQ(gs.haben, 5000);
    // The partner's central regulation and contact person carry over to its items.
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT zentralreguliert FROM offener_posten WHERE belegnummer = 'RE-3'")).toInt(), 1);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("offener_posten"), QStringLiteral("belegnummer = 'RE-1' AND kontakt_lnr > 0")), 1);
    TPartnerStamm p;
    ASSERT_TRUE(Stammdaten_PartnerLesen(1, 10002, p));
    EXPECT_TRUE(p.Verbraucher);
    EXPECT_EQ(p.Org.KontaktAnrede, QStringLiteral("Herr"));

    const QStringList vorher = offenePosten(mandant.Id);
    const TImportErgebnis zweit = einlesen(grundUndStammdaten());
    ASSERT_TRUE(zweit.Gespeichert);
    EXPECT_EQ(zweit.PartnerUnveraendert, 3);
    EXPECT_EQ(zweit.PartnerNeu + zweit.PartnerGeaendert, 0);
    EXPECT_EQ(zweit.PostenUnveraendert, 4);
    EXPECT_EQ(zweit.PostenNeu + zweit.PostenGeaendert, 0);
    EXPECT_EQ(offenePosten(mandant.Id), vorher);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("import_zeile")), 0);
}

// A file with more item lines than memory holds is matched through the staging table, alike.
TEST_F(ImportTest, LinesBeyondTheMemoryBoundAreMatchedThroughTheTableAlike)
{
    zeilenImSpeicher = 2;
    const TImportErgebnis e = einlesen(grundUndStammdaten());
    ASSERT_TRUE(e.Gespeichert);
    EXPECT_EQ(e.PostenNeu, 4);
    EXPECT_EQ(posten(QStringLiteral("RE-1")).haben, 19000);
    const QStringList nachTabelle = offenePosten(mandant.Id);

    zeilenImSpeicher = TImportOptionen().ZeilenImSpeicher;
    EXPECT_EQ(einlesen(grundUndStammdaten()).PostenUnveraendert, 4);
    zeilenImSpeicher = 2;
    const TImportErgebnis doppelt =
        einlesen({datei(QStringLiteral("doppelt.csv"), QByteArray(kPosten) + "Rechnung;RE-3;;10003;07.10.2026;;80,00;\n")});
    EXPECT_FALSE(doppelt.Gespeichert);
    ASSERT_EQ(doppelt.FehlerGesamt, 1);
    EXPECT_EQ(doppelt.Fehler[0].Zeile, 7);
    EXPECT_EQ(offenePosten(mandant.Id), nachTabelle);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("import_zeile")), 0);
}

// A newer export: the rest of an invoice is paid, another gets a new amount and due date.
TEST_F(ImportTest, PaymentInFullClosesTheItemAndADunnedItemKeepsItsLevel)
{
    ASSERT_TRUE(einlesen(grundUndStammdaten()).Gespeichert);
    // RE-2 is dunned once through the dunning server.
    re2Mahnen(2.5, 0);
    ASSERT_EQ(posten(QStringLiteral("RE-2")).mahnstufe, 1);

    const QByteArray neuer = QByteArray(kPosten).replace("Rechnung;RE-2;;10002;05.10.2026;;500,00;", "Rechnung;RE-2;;10002;05.10.2026;30.10.2026;450,00;Skonto")
                             + "Zahlung;;RE-1;;02.11.2026;;1.000,00;\n";
    const TImportErgebnis e = einlesen({datei(QStringLiteral("neuer.csv"), neuer)});
    ASSERT_TRUE(e.Gespeichert);
    EXPECT_EQ(e.PostenAusgeglichen, 1);
    EXPECT_EQ(e.PostenGeaendert, 2);
    EXPECT_TRUE(e.Aenderungen.contains(QStringLiteral("ausgeglichen: RE-1, Saldo 1.000,00 -> 0,00"))) << e.Aenderungen.join('\n').toStdString();
    const TOp re1 = posten(QStringLiteral("RE-1"));
    EXPECT_EQ(re1.haben, re1.soll);
    EXPECT_EQ(re1.letzteZahlung, qel_EncodeDate(2026, 11, 2));
    const QStringList liste = offenePosten(mandant.Id);
    EXPECT_FALSE(liste.join('\n').contains(QStringLiteral("|RE-1|")));
    const TOp re2 = posten(QStringLiteral("RE-2"));
    EXPECT_EQ(re2.soll, 45000);
    EXPECT_EQ(re2.ziel, qel_EncodeDate(2026, 10, 30));
    EXPECT_EQ(re2.mahnstufe, 1);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung_position")), 1);
}

TEST_F(ImportTest, FullExportReconcilesOnlyWhenAskedAndOnlyWhenClean)
{
    ASSERT_TRUE(einlesen(grundUndStammdaten()).Gespeichert);
    const QByteArray ohneRe3 = QByteArray(kPosten).replace("Rechnung;RE-3;;10003;07.10.2026;;80,00;\n", "");
    const QString datei1 = datei(QStringLiteral("voll.csv"), ohneRe3);
    ASSERT_TRUE(einlesen({datei1}).Gespeichert);
    EXPECT_NE(posten(QStringLiteral("RE-3")).soll, posten(QStringLiteral("RE-3")).haben);

    // A bad line: reconciling would close an item the file meant to carry.
    const QString kaputt = datei(QStringLiteral("kaputt.csv"), ohneRe3 + "Rechnung;RE-9;;10001;31.02.2026;1,00;\n");
    TImportErgebnis e = einlesen({kaputt}, true, false, true);
    EXPECT_EQ(e.PostenAbgeglichen, 0);
    EXPECT_TRUE(e.Hinweise.join(' ').contains(QStringLiteral("Kein Abgleich"))) << e.Hinweise.join(' ').toStdString();

    // A dry run shows the closing and keeps nothing.
    e = einlesen({datei1}, true, true);
    EXPECT_FALSE(e.Gespeichert);
    EXPECT_EQ(e.PostenAbgeglichen, 1);
    EXPECT_TRUE(e.Aenderungen.contains(QStringLiteral("abgeglichen (fehlt in der Datei): RE-3, Partner 10003, Saldo 80,00")))
        << e.Aenderungen.join('\n').toStdString();
    EXPECT_NE(posten(QStringLiteral("RE-3")).soll, posten(QStringLiteral("RE-3")).haben);

    e = einlesen({datei1}, true);
    ASSERT_TRUE(e.Gespeichert);
    EXPECT_EQ(e.PostenAbgeglichen, 1);
    EXPECT_EQ(posten(QStringLiteral("RE-3")).soll, posten(QStringLiteral("RE-3")).haben);
}

// Every kind of bad input: a German reason naming file, line and column, and nothing half imported.
TEST_F(ImportTest, BadInputIsListedLineByLineAndNothingIsHalfImported)
{
    ASSERT_TRUE(einlesen(grundUndStammdaten()).Gespeichert);
    const qint64 vorher = TTempSuite::Anzahl(QStringLiteral("offener_posten"));
    const QByteArray kopf = "Satzart;Belegnummer;Bezug;Partnernummer;Belegdatum;Betrag;Kommentar\n";
    const QByteArray gut = "Rechnung;RE-50;;10001;01.11.2026;10,00;gut\n";
    struct TFall {
        const char* name;
        QByteArray inhalt;
        qint64 zeile;
        QString spalte;
        QString grund;
    } faelle[] = {
        {"trenner", "Satzart,Belegnummer,Betrag\nRechnung,RE-1,1\n", 1, QString(), QStringLiteral("Falsches Trennzeichen")},
        {"utf16", QByteArray("\xFF\xFE", 2) + QByteArray("S\0a\0", 4), 0, QString(), QStringLiteral("UTF-16")},
        {"unbekannt", "Satzart;Belegnummer;Betrag;Farbe\n", 1, QStringLiteral("Farbe"), QStringLiteral("unbekannte Spalte")},
        {"fehlend", "Satzart;Belegnummer\n", 1, QStringLiteral("Betrag"), QStringLiteral("Pflichtspalte fehlt")},
        {"doppelt", kopf + gut + "Rechnung;RE-50;;10002;02.11.2026;20,00;\n", 3, QStringLiteral("Belegnummer"),
         QStringLiteral("steht schon in Zeile 2")},
        {"zahlung", kopf + gut + "Zahlung;;RE-404;;02.11.2026;5,00;\n", 3, QStringLiteral("Bezug"),
         QStringLiteral("den Beleg RE-404 gibt es weder")},
        {"partner", kopf + gut + "Rechnung;RE-51;;77777;02.11.2026;5,00;\n", 3, QStringLiteral("Partnernummer"),
         QStringLiteral("den Geschäftspartner 77777 gibt es")},
        {"datum", kopf + gut + "Rechnung;RE-51;;10001;31.02.2026;5,00;\n", 3, QStringLiteral("Belegdatum"),
         QStringLiteral("\"31.02.2026\" ist kein Tag des Kalenders")},
        {"betrag", kopf + gut + "Rechnung;RE-51;;10001;01.02.2026;1.234,5x;\n", 3, QStringLiteral("Betrag"),
         QStringLiteral("\"1.234,5x\" ist kein Betrag")},
        {"zugross", kopf + gut + "Rechnung;RE-51;;10001;01.02.2026;1.000.000.000,00;\n", 3, QStringLiteral("Betrag"),
         QStringLiteral("größer als 999.999.999,99")},
        {"abgeschnitten", kopf + gut + "Rechnung;RE-51;;10001;01.0", 3, QString(), QStringLiteral("nur 5 von 7 Spalten")},
        {"anfuehrung", kopf + gut + "Rechnung;RE-51;;10001;01.02.2026;5,00;\"offen", 3, QString(),
         QStringLiteral("Anführungszeichen")},
        {"steuerzeichen", kopf + gut + "Rechnung;RE-51;;10001;01.02.2026;5,00;a\x01" "b\n", 3, QStringLiteral("Kommentar"),
         QStringLiteral("Steuerzeichen")},
        {"utf8kaputt", kopf + "Rechnung;RE-51;;10001;01.02.2026;5,00;Grüße\n" + "Rechnung;RE-52;;10001;01.02.2026;5,00;Gr\xFC\xDF" "e\n", 3,
         QString(), QStringLiteral("kein UTF-8")},
        {"negativ", kopf + gut + "Zahlung;;RE-1;;01.02.2026;-5,00;\n", 3, QStringLiteral("Betrag"), QStringLiteral("negativ")},
    };
    for (const TFall& f : faelle) {
        const QString pfad = datei(QString::fromLatin1(f.name) + QStringLiteral(".csv"), f.inhalt);
        const TImportErgebnis e = einlesen({pfad});
        EXPECT_FALSE(e.Gespeichert) << f.name;
        ASSERT_FALSE(e.Fehler.isEmpty()) << f.name;
        const TImportFehler& fehler = e.Fehler.first();
        EXPECT_EQ(fehler.Datei, QString::fromLatin1(f.name) + QStringLiteral(".csv"));
        EXPECT_EQ(fehler.Zeile, f.zeile) << f.name << ": " << fehler.Text().toStdString();
        EXPECT_EQ(fehler.Spalte, f.spalte) << f.name << ": " << fehler.Text().toStdString();
        EXPECT_TRUE(fehler.Grund.contains(f.grund)) << f.name << ": " << fehler.Text().toStdString();
        EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("offener_posten")), vorher) << f.name;
    }
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("import_zeile")), 0);

    // With --ueberspringen the good lines go in and the bad ones are listed.
    const TImportErgebnis e = einlesen({datei(QStringLiteral("gemischt.csv"), kopf + gut + "Rechnung;RE-51;;10001;31.02.2026;5,00;\n")},
                                       false, false, true);
    EXPECT_TRUE(e.Gespeichert);
    EXPECT_EQ(e.FehlerGesamt, 1);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("offener_posten")), vorher + 1);
}

// What the file holds arrives as it is: encodings, line ends, quotes and text meant as SQL.
TEST_F(ImportTest, EncodingsLineEndsAndInjectionStringsArriveVerbatim)
{
    ASSERT_TRUE(einlesen(grundUndStammdaten()).Gespeichert);
    const QString boese = QStringLiteral("x'); DROP TABLE offener_posten; --");
    const QByteArray kopf = "Satzart;Belegnummer;Bezug;Partnernummer;Belegdatum;Betrag;Kommentar";
    // Windows-1252 with CRLF, LF and CR mixed, a BOM-less file.
    QByteArray w = kopf + "\r\n" + qel_Cp1252Kodieren(QStringLiteral("Rechnung;RE-60;;10001;01.11.2026;10,00;Grüße an Fr. Weiß €\n"))
                   + qel_Cp1252Kodieren(QStringLiteral("Rechnung;RE-61;;10001;01.11.2026;11,00;\"Semikolon; und \"\"Anführung\"\"\"\r"))
                   + "Rechnung;\"" + boese.toUtf8() + "\";;10001;01.11.2026;12,00;\"" + boese.toUtf8() + "\"\r\n";
    TImportErgebnis e = einlesen({datei(QStringLiteral("cp1252.csv"), w)});
    ASSERT_TRUE(e.Gespeichert) << (e.Fehler.isEmpty() ? std::string() : e.Fehler[0].Text().toStdString());
    EXPECT_EQ(e.PostenNeu, 3);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT kommentar FROM offener_posten WHERE belegnummer = 'RE-60'")).toString(),
              QStringLiteral("Grüße an Fr. Weiß €"));
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT kommentar FROM offener_posten WHERE belegnummer = 'RE-61'")).toString(),
              QStringLiteral("Semikolon; und \"Anführung\""));
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT kommentar FROM offener_posten WHERE belegnummer = ?"), {boese}).toString(), boese);

    // UTF-8 with BOM.
    e = einlesen({datei(QStringLiteral("bom.csv"), "\xEF\xBB\xBF" + kopf + "\nRechnung;RE-62;;10001;01.11.2026;10,00;Äpfel\n")});
    ASSERT_TRUE(e.Gespeichert);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT kommentar FROM offener_posten WHERE belegnummer = 'RE-62'")).toString(),
              QStringLiteral("Äpfel"));
    // Partner fields take injection text as text too.
    e = einlesen({datei(QStringLiteral("p.csv"), "Partnernummer;Name;Ort\n10009;\"" + boese.toUtf8() + "\";\"" + boese.toUtf8() + "\"\n")});
    ASSERT_TRUE(e.Gespeichert);
    TPartnerStamm p;
    ASSERT_TRUE(Stammdaten_PartnerLesen(1, 10009, p));
    EXPECT_EQ(p.Org.Name1, boese);
    EXPECT_EQ(p.Org.Ort, boese);
}

// A huge file is read as a stream: an endless line is refused without holding it in memory.
TEST_F(ImportTest, AnOverlongLineIsRefusedWithBoundedMemory)
{
    const QString pfad = dir.filePath(QStringLiteral("riesig.csv"));
    {
        QFile f(pfad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Satzart;Belegnummer;Partnernummer;Belegdatum;Betrag\n");
        const QByteArray block(1 << 20, 'x');
        for (int i = 0; i < 200; ++i)
            f.write(block);
        f.write("\nRechnung;RE-1;10001;01.10.2026;1,00\n");
    }
    rusage vorher{};
    getrusage(RUSAGE_SELF, &vorher);
    const TImportErgebnis e = einlesen({pfad});
    rusage nachher{};
    getrusage(RUSAGE_SELF, &nachher);
    EXPECT_FALSE(e.Gespeichert);
    ASSERT_FALSE(e.Fehler.isEmpty());
    EXPECT_EQ(e.Fehler.first().Zeile, 2);
    EXPECT_TRUE(e.Fehler.first().Grund.contains(QStringLiteral("länger als"))) << e.Fehler.first().Text().toStdString();
    // 200 MB went through; the peak grew by far less.
    EXPECT_LT(nachher.ru_maxrss - vorher.ru_maxrss, 50 * 1024);
}

TEST_F(ImportTest, ANamedPipeOrFolderIsRefusedInsteadOfWaitedFor)
{
    const QString pipe = dir.filePath(QStringLiteral("posten.csv"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    for (const QString& pfad : {pipe, dir.path()}) {
        const TImportErgebnis e = einlesen({pfad});
        EXPECT_FALSE(e.Gespeichert);
        ASSERT_EQ(e.Fehler.size(), 1);
        EXPECT_TRUE(e.Fehler.first().Grund.contains(QStringLiteral("keine gewöhnliche Datei")))
            << e.Fehler.first().Text().toStdString();
    }
}

TEST_F(ImportTest, DemoDataExportedAndImportedIntoAnEmptyDatabaseGivesTheSameOpenItems)
{
    suite.reset();
    QStringList demo;
    int nr = 0;
    {
        TTempSuite quelle(true);
        // The demo's smallest client.
        nr = TTempSuite::Wert(QStringLiteral("SELECT m.nr FROM mandant m ORDER BY (SELECT COUNT(*) FROM offener_posten op "
                                             "WHERE op.mandant_rnr = m.rnr AND op.mandant_lnr = m.lnr), m.nr"))
                 .toInt();
        TMandantStamm m;
        ASSERT_TRUE(Stammdaten_MandantLesen(nr, m));
        demo = offenePosten(m.Id);
        Export_CsvPartner(nr, dir.filePath(QStringLiteral("partner.csv")));
        Export_CsvPosten(nr, dir.filePath(QStringLiteral("posten.csv")));
    }
    ASSERT_GT(demo.size(), 10);
    suite = std::make_unique<TTempSuite>();
    TMandantStamm leer;
    leer.Nr = nr;
    leer.Org.Name1 = QStringLiteral("Zielmandant");
    Stammdaten_MandantAnlegen(leer);
    ASSERT_TRUE(Stammdaten_MandantLesen(nr, leer));
    TImportOptionen o;
    o.MandantNr = nr;
    const TImportErgebnis e = Import_Ausfuehren({dir.filePath(QStringLiteral("posten.csv")), dir.filePath(QStringLiteral("partner.csv"))}, o);
    ASSERT_TRUE(e.Gespeichert) << (e.Fehler.isEmpty() ? std::string() : e.Fehler[0].Text().toStdString());
    const QStringList importiert = offenePosten(leer.Id);
    EXPECT_EQ(importiert.size(), demo.size());
    EXPECT_EQ(importiert, demo);
}

// --- DATEV ------------------------------------------------------------------------------------------

namespace {

QByteArray datevKopf(int kategorie, const char* format, int version, const char* von, const char* bis)
{
    return QStringLiteral("\"EXTF\";700;%1;\"%2\";%3;20261201120000000;;\"RE\";\"\";\"\";29098;55003;20260101;4;%4;%5;"
                          "\"Test\";\"\";1;0;0;\"EUR\";;\"\";;;\"03\";;;\"\";\"\"\r\n")
        .arg(kategorie)
        .arg(QString::fromUtf8(format))
        .arg(version)
        .arg(QString::fromLatin1(von), QString::fromLatin1(bis))
        .toLatin1();
}

const char* const kBuchungsSpalten =
    "Umsatz (ohne Soll/Haben-Kz);Soll/Haben-Kennzeichen;WKZ Umsatz;Kurs;Basis-Umsatz;WKZ Basis-Umsatz;Konto;"
    "Gegenkonto (ohne BU-Schlüssel);BU-Schlüssel;Belegdatum;Belegfeld 1;Belegfeld 2;Skonto;Buchungstext;Fälligkeit\r\n";

QByteArray buchung(const char* umsatz, const char* sh, int konto, int gegen, const char* datum, const char* beleg,
                   const char* text, const char* faellig = "")
{
    return QStringLiteral("%1;\"%2\";\"EUR\";;;;%3;%4;;%5;\"%6\";;;\"%7\";%8\r\n")
        .arg(QString::fromLatin1(umsatz), QString::fromLatin1(sh))
        .arg(konto)
        .arg(gegen)
        .arg(QString::fromLatin1(datum), QString::fromLatin1(beleg), QString::fromUtf8(text), QString::fromLatin1(faellig))
        .toLatin1();
}

}  // namespace

class DatevTest : public ImportTest {
protected:
    void SetUp() override
    {
        ImportTest::SetUp();
        mandant.DatevBerater = 29098;
        mandant.DatevMandant = 55003;
        mandant.KontoGebuehren = 4830;
        mandant.KontoZinsen = 2650;
        Stammdaten_MandantAendern(mandant);
    }
    QString debitoren()
    {
        QByteArray d = datevKopf(16, "Debitoren/Kreditoren", 5, "", "");
        d += qel_Cp1252Kodieren(QStringLiteral(
            "Konto;Name (Adressatentyp Unternehmen);Unternehmensgegenstand;Name (Adressatentyp natürl. Person);"
            "Vorname (Adressatentyp natürl. Person);Name (Adressatentyp keine Angabe);Adressatentyp;Kurzbezeichnung;"
            "EU-Land;EU-UStID;Anrede;Titel/Akad. Grad;Adelstitel;Namensvorsatz;Adressart;Straße;Postfach;Postleitzahl;Ort;Land\r\n"));
        d += qel_Cp1252Kodieren(QStringLiteral(
            "10001;\"Bäckerei Schmitz GmbH\";;;;;\"2\";;\"DE\";\"123456789\";;;;;;\"Ringstraße 1\";;\"53111\";\"Bonn\";\"DE\"\r\n"
            "10002;;;\"Mustermann\";\"Max\";;\"1\";;;;\"Herr\";;;;;\"Weg 2\";;\"10115\";\"Berlin\";\"DE\"\r\n"
            "10003;\"Comptoir Lyon SARL\";;;;;\"2\";;;;;;;;;\"Rue 3\";;\"69001\";\"Lyon\";\"FR\"\r\n"
            "70001;\"Lieferant AG\";;;;;\"2\";;;;;;;;;;;;;\r\n"));
        return datei(QStringLiteral("EXTF_Debitoren.csv"), d);
    }
};

TEST_F(DatevTest, DebtorsBecomePartnersAndCreditorsArePassedOver)
{
    const TImportErgebnis e = einlesen({debitoren()});
    ASSERT_TRUE(e.Gespeichert) << (e.Fehler.isEmpty() ? std::string() : e.Fehler[0].Text().toStdString());
    EXPECT_EQ(e.PartnerNeu, 3);
    EXPECT_TRUE(e.Hinweise.join(' ').contains(QStringLiteral("1 Kreditoren übergangen")));
    TPartnerStamm p;
    ASSERT_TRUE(Stammdaten_PartnerLesen(1, 10001, p));
    EXPECT_EQ(p.Org.Name1, QStringLiteral("Bäckerei Schmitz GmbH"));
    EXPECT_EQ(p.Org.UstId, QStringLiteral("DE123456789"));
    EXPECT_FALSE(p.Verbraucher);
    ASSERT_TRUE(Stammdaten_PartnerLesen(1, 10002, p));
    EXPECT_EQ(p.Org.Name1, QStringLiteral("Max Mustermann"));
    EXPECT_TRUE(p.Verbraucher);
    EXPECT_EQ(p.Org.KontaktAnrede, QStringLiteral("Herr"));
    ASSERT_TRUE(Stammdaten_PartnerLesen(1, 10003, p));
    EXPECT_EQ(p.Org.Land, QStringLiteral("Frankreich"));
    EXPECT_FALSE(Stammdaten_PartnerLesen(1, 70001, p));
}

// A hand-made batch: invoices, part payments from either side, a credit note, several debtors.
TEST_F(DatevTest, PostingBatchGivesExactlyTheExpectedOpenItems)
{
    QByteArray b = datevKopf(21, "Buchungsstapel", 13, "20261001", "20261031") + kBuchungsSpalten;
    b += buchung("1190,00", "S", 10001, 8400, "0110", "RE100", "Rechnung 100");
    b += buchung("500,00", "H", 10001, 1200, "1510", "RE100", "Teilzahlung");
    b += buchung("200,00", "S", 1200, 10001, "2010", "RE100", "Teilzahlung Bank");
    b += buchung("238,00", "S", 10001, 8400, "0210", "RE101", "Rechnung 101");
    b += buchung("238,00", "H", 10001, 8400, "0510", "RE101", "Gutschrift zu 101");
    b += buchung("100,00", "S", 10002, 8400, "0310", "RE200", "Rechnung 200", "15112026");
    b += buchung("50,00", "S", 10002, 8400, "0410", "RE201", "Rechnung 201 19 %");
    b += buchung("30,00", "S", 10002, 8300, "0410", "RE201", "Rechnung 201 7 %");
    b += buchung("20,00", "H", 10002, 1200, "0610", "ZA9", "Zahlung ohne Rechnung");
    b += buchung("999,00", "S", 1200, 8400, "0710", "BAR1", "Barverkauf");
    b += buchung("77,00", "H", 70001, 3400, "0710", "ER5", "Eingangsrechnung");
    const QString stapel = datei(QStringLiteral("EXTF_Buchungsstapel_10.csv"), b);
    TImportErgebnis e = einlesen({debitoren(), stapel});
    ASSERT_TRUE(e.Gespeichert) << (e.Fehler.isEmpty() ? std::string() : e.Fehler[0].Text().toStdString());
    EXPECT_TRUE(e.Hinweise.join(' ').contains(QStringLiteral("2 Buchungen ohne Debitorenkonto"))) << e.Hinweise.join(' ').toStdString();

    TOp o = posten(QStringLiteral("RE100"));
    EXPECT_EQ(o.soll - o.haben, 49000);
    EXPECT_EQ(o.letzteZahlung, qel_EncodeDate(2026, 10, 20));
    EXPECT_EQ(o.ziel, qel_EncodeDate(2026, 10, 15));
    o = posten(QStringLiteral("RE101"));
    EXPECT_EQ(o.soll, o.haben);
    o = posten(QStringLiteral("RE200"));
    EXPECT_EQ(o.soll - o.haben, 10000);
    EXPECT_EQ(o.ziel, qel_EncodeDate(2026, 11, 15));
    EXPECT_EQ(posten(QStringLiteral("RE201")).soll, 8000);
    o = posten(QStringLiteral("ZA9"));
    EXPECT_EQ(o.belegart, QStringLiteral("GS"));
    EXPECT_EQ(o.soll - o.haben, -2000);
    QStringList offen;
    for (const QString& z : offenePosten(mandant.Id))
        offen << z.section(QLatin1Char('|'), 1, 1) + QLatin1Char('=') + z.section(QLatin1Char('|'), 5, 5);
    offen.sort();
    EXPECT_EQ(offen, (QStringList{QStringLiteral("RE100=490"), QStringLiteral("RE200=100"), QStringLiteral("RE201=80"),
                                  QStringLiteral("ZA9=-20")}))
        << offen.join(' ').toStdString();

    // The same batch again changes nothing; the next period's payment closes RE200, and reading the
    // first period once more does not count its postings twice.
    e = einlesen({stapel});
    EXPECT_EQ(e.PostenGeaendert + e.PostenNeu, 0);
    QByteArray november = datevKopf(21, "Buchungsstapel", 13, "20261101", "20261130") + kBuchungsSpalten;
    november += buchung("100,00", "H", 10002, 1200, "1011", "RE200", "Zahlung");
    ASSERT_TRUE(einlesen({datei(QStringLiteral("EXTF_Buchungsstapel_11.csv"), november)}).Gespeichert);
    ASSERT_TRUE(einlesen({stapel}).Gespeichert);
    o = posten(QStringLiteral("RE200"));
    EXPECT_EQ(o.soll, 10000);
    EXPECT_EQ(o.haben, 10000);
}

TEST_F(DatevTest, ABadBatchNamesTheLineAndKeepsNothing)
{
    ASSERT_TRUE(einlesen({debitoren()}).Gespeichert);
    const qint64 vorher = TTempSuite::Anzahl(QStringLiteral("offener_posten"));
    QByteArray b = datevKopf(21, "Buchungsstapel", 13, "20261001", "20261031") + kBuchungsSpalten;
    b += buchung("10,00", "S", 10001, 8400, "0110", "RE1", "gut");
    b += buchung("10,00", "S", 10001, 8400, "3102", "RE2", "kein Tag");
    b += buchung("10,00", "X", 10001, 8400, "0110", "RE3", "Kennzeichen");
    b += buchung("10,00", "S", 19999, 8400, "0110", "RE4", "unbekannter Debitor");
    b += buchung("10,00", "S", 10001, 8400, "0110", "", "ohne Beleg");
    b += buchung("10,00", "S", 10002, 8400, "0110", "RE1", "zweiter Debitor");
    const TImportErgebnis e = einlesen({datei(QStringLiteral("EXTF_kaputt.csv"), b)});
    EXPECT_FALSE(e.Gespeichert);
    QStringList texte;
    for (const TImportFehler& f : e.Fehler)
        texte << QStringLiteral("%1/%2").arg(f.Zeile).arg(f.Spalte);
    EXPECT_EQ(texte, (QStringList{QStringLiteral("4/Belegdatum"),
                                  QStringLiteral("5/Soll/Haben-Kennzeichen"), QStringLiteral("6/Konto"),
                                  QStringLiteral("7/Belegfeld 1"), QStringLiteral("8/Belegfeld 1")}))
        << texte.join(' ').toStdString();
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("offener_posten")), vorher);
    // Another client's batch is refused as a whole.
    QByteArray fremd = datevKopf(21, "Buchungsstapel", 13, "20261001", "20261031").replace("29098;55003", "11111;22222");
    const TImportErgebnis f = einlesen({datei(QStringLiteral("EXTF_fremd.csv"), fremd + kBuchungsSpalten)});
    ASSERT_FALSE(f.Fehler.isEmpty());
    EXPECT_TRUE(f.Fehler.first().Grund.contains(QStringLiteral("gehört zu Berater 11111"))) << f.Fehler.first().Text().toStdString();
}

// Fees and interest of booked dunnings go to the accounting once; the batch reads back as the
// receivables it books.
TEST_F(DatevTest, FeeBatchIsWrittenOnceAndReadsBack)
{
    ASSERT_TRUE(einlesen(grundUndStammdaten()).Gespeichert);
    const TQEL_Mahnung_Beleg_Array gebucht = re2Mahnen(2.5, 3.21);
    ASSERT_EQ(gebucht.size(), 1);

    TDatevExportOptionen o;
    o.MandantNr = 1;
    const QString pfad = dir.filePath(QStringLiteral("EXTF_Mahngebuehren.csv"));
    TDatevExportErgebnis e = Export_DatevGebuehren(o, pfad);
    EXPECT_EQ(e.Mahnungen, 1);
    EXPECT_EQ(e.Buchungen, 2);
    EXPECT_EQ(e.SummeCent, 571);
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray inhalt = f.readAll();
    EXPECT_TRUE(inhalt.startsWith("\"EXTF\";700;21;\"Buchungsstapel\";13;"));
    EXPECT_EQ(inhalt.count("\r\n"), 4);
    EXPECT_EQ(inhalt.count('\n'), 4);
    EXPECT_TRUE(inhalt.contains(qel_Cp1252Kodieren(QStringLiteral("Mahngebühren"))));
    EXPECT_EQ(inhalt.split('\n').at(1).count(';'), 124);

    // Once only, unless asked again.
    EXPECT_EQ(Export_DatevGebuehren(o, dir.filePath(QStringLiteral("zweit.csv"))).Mahnungen, 0);
    o.Erneut = true;
    EXPECT_EQ(Export_DatevGebuehren(o, dir.filePath(QStringLiteral("erneut.csv"))).Mahnungen, 1);

    // A cancelled dunning earns no fee: the accounting takes back what it booked, once.
    {
        IQEL_MahnungEditServerRef server;
        Glob_ServerFactoryClass().MahnungEditServer_Holen(server);
        EXPECT_TRUE(server->Mahnung_Stornieren(qel_TestMahnungsID(gebucht[0]), QStringLiteral("Irrtum")));
        Glob_ServerFactoryClass().MahnungEditServer_Freigeben(server);
    }
    o.Erneut = false;
    const QString storno = dir.filePath(QStringLiteral("EXTF_Storno.csv"));
    e = Export_DatevGebuehren(o, storno);
    EXPECT_EQ(e.Mahnungen, 0);
    EXPECT_EQ(e.Stornos, 1);
    EXPECT_EQ(e.Buchungen, 2);
    EXPECT_EQ(e.SummeCent, -571);
    {
        QFile sf(storno);
        ASSERT_TRUE(sf.open(QIODevice::ReadOnly));
        const QList<QByteArray> zeilen = sf.readAll().split('\n');
        ASSERT_GE(zeilen.size(), 4);
        EXPECT_TRUE(zeilen.at(2).startsWith("2,50;\"H\";\"EUR\";;;;10002;4830;")) << zeilen.at(2).toStdString();
        EXPECT_TRUE(zeilen.at(2).contains(qel_Cp1252Kodieren(QStringLiteral("Storno Mahngebühren")))) << zeilen.at(2).toStdString();
    }
    const TDatevExportErgebnis nochmal = Export_DatevGebuehren(o, dir.filePath(QStringLiteral("storno2.csv")));
    EXPECT_EQ(nochmal.Mahnungen + nochmal.Stornos, 0);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("storno2.csv"))));

    // The import reads the batch as the fee receivables of the debtor.
    const TImportErgebnis r = einlesen({pfad});
    ASSERT_TRUE(r.Gespeichert) << (r.Fehler.isEmpty() ? std::string() : r.Fehler[0].Text().toStdString());
    EXPECT_EQ(r.PostenNeu, 1);
    const QString nummer = QStringLiteral("MA%1-%2-%3").arg(gebucht[0].WirtschaftsJahr).arg(gebucht[0].RNr).arg(gebucht[0].LfdNr);
    const TOp fee = posten(nummer);
    EXPECT_EQ(fee.soll, 571);
    EXPECT_EQ(fee.haben, 0);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT gp.nr FROM offener_posten op JOIN geschaeftspartner gp ON gp.rnr = op.gep_rnr "
                                              "AND gp.lnr = op.gep_lnr WHERE op.belegnummer = ?"),
                               {nummer})
                  .toInt(),
              10002);
    // The reversal batch closes that receivable again.
    const TImportErgebnis zurueck = einlesen({storno});
    ASSERT_TRUE(zurueck.Gespeichert) << (zurueck.Fehler.isEmpty() ? std::string() : zurueck.Fehler[0].Text().toStdString());
    EXPECT_EQ(posten(nummer).haben, 571);
}

// The documented example files read as the documentation says.
TEST_F(ImportTest, TheDocumentedExampleFilesImport)
{
    const QString ordner = QStringLiteral(MAHNWESEN_SOURCE_DIR "/docs/beispiel/");
    const TImportErgebnis e = einlesen({ordner + QStringLiteral("posten.csv"), ordner + QStringLiteral("partner.csv")});
    ASSERT_TRUE(e.Gespeichert) << (e.Fehler.isEmpty() ? std::string() : e.Fehler[0].Text().toStdString());
    EXPECT_EQ(e.PartnerNeu, 3);
    EXPECT_EQ(e.PostenNeu, 5);
    EXPECT_EQ(posten(QStringLiteral("RE-2026-0102")).haben, 5000);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("offener_posten"), QStringLiteral("belegnummer = 'RE-2026-0103'")), 2);
}

// Another workstation holds the database: the import waits for the lock and then ends with the usual
// message, and nothing of it stays.
TEST_F(ImportTest, AnImportWhileAnotherWorkstationWritesEndsWithTheLockMessage)
{
    QEL_NUR_SQLITE();
    ASSERT_TRUE(einlesen(grundUndStammdaten()).Gespeichert);
    const qint64 vorher = TTempSuite::Anzahl(QStringLiteral("offener_posten"));
    {
        QSqlDatabase andere = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("arbeitsplatz2"));
        andere.setDatabaseName(suite->DatenbankDatei());
        ASSERT_TRUE(andere.open());
        QSqlQuery sperre(andere);
        ASSERT_TRUE(sperre.exec(QStringLiteral("BEGIN IMMEDIATE")));
        const QString neu = datei(QStringLiteral("neu.csv"), "Satzart;Belegnummer;Partnernummer;Belegdatum;Betrag\n"
                                                             "Rechnung;RE-70;10001;01.11.2026;10,00\n");
        QString text;
        try {
            einlesen({neu});
        } catch (const EDatenbankKonflikt& e) {
            text = e.Text();
        }
        EXPECT_TRUE(text.contains(QStringLiteral("gesperrt"))) << text.toStdString();
        sperre.exec(QStringLiteral("ROLLBACK"));
        andere.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("arbeitsplatz2"));
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("offener_posten")), vorher);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("import_zeile")), 0);
}
