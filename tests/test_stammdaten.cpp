// Master data: clients, branches and partners as the admin tool keeps them, on both engines.
#include "support/admin.h"
#include "support/temp_suite.h"

#include "suite/core/servers/database.h"
#include "suite/core/servers/database_intern.h"
#include "suite/core/servers/interfaces.h"
#include "suite/core/servers/importserver.h"
#include "suite/core/servers/stammdaten.h"
#include "suite/core/servers/verwaltung.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

TMandantStamm musterMandant()
{
    TMandantStamm m;
    m.Nr = 7;
    m.Org.Name1 = QStringLiteral("Müller Haustechnik GmbH");
    m.Org.Strasse = QStringLiteral("Hauptstraße 5");
    m.Org.Plz = QStringLiteral("50667");
    m.Org.Ort = QStringLiteral("Köln");
    m.Org.Telefon = QStringLiteral("0221 123456");
    m.Org.Email = QStringLiteral("buchhaltung@mueller-haustechnik.de");
    m.Org.Bank = QStringLiteral("Sparkasse KölnBonn");
    m.Org.Iban = QStringLiteral("de89 3704 0044 0532 0130 00");
    m.Org.Bic = QStringLiteral("COLSDE33");
    m.Org.UstId = QStringLiteral("DE 123456789");
    m.Org.Steuernummer = QStringLiteral("214/5678/1234");
    m.Org.Geschaeftsfuehrer = QStringLiteral("Anna Müller, Bernd Müller");
    m.Org.Registergericht = QStringLiteral("Amtsgericht Köln");
    m.Org.Registernummer = QStringLiteral("HRB 12345");
    m.Org.KontaktAnrede = QStringLiteral("Frau");
    m.Org.KontaktNachname = QStringLiteral("Schulz");
    m.ZahlungszielTage = 21;
    return m;
}

TPartnerStamm musterPartner(int nr)
{
    TPartnerStamm p;
    p.MandantNr = 7;
    p.Nr = nr;
    p.Org.Name1 = QStringLiteral("Bäckerei Schmitz");
    p.Org.Ort = QStringLiteral("Bonn");
    p.Org.KontaktAnrede = QStringLiteral("Herr");
    p.Org.KontaktVorname = QStringLiteral("Jan");
    p.Org.KontaktNachname = QStringLiteral("Schmitz");
    p.MahnEmail = QStringLiteral("mahnung@schmitz.de");
    p.Verbraucher = true;
    return p;
}

QString fehlerText(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EQELError& e) {
        return e.Text();
    }
    return QString();
}

}  // namespace

class StammdatenTest : public ::testing::Test {
protected:
    void SetUp() override { suite = std::make_unique<TTempSuite>(); }
    std::unique_ptr<TTempSuite> suite;
};

// What the letters need of a client is stored in normal form and read back by the system server
// the report engine uses.
TEST_F(StammdatenTest, ClientKeepsItsLetterheadAndTheLetterSeesIt)
{
    Stammdaten_MandantAnlegen(musterMandant());
    TMandantStamm m;
    ASSERT_TRUE(Stammdaten_MandantLesen(7, m));
    EXPECT_EQ(m.Name, QStringLiteral("Müller Haustechnik GmbH"));
    EXPECT_EQ(m.Org.Iban, QStringLiteral("DE89370400440532013000"));
    EXPECT_EQ(m.Org.UstId, QStringLiteral("DE123456789"));
    EXPECT_EQ(m.Org.Geschaeftsfuehrer, QStringLiteral("Anna Müller, Bernd Müller"));
    EXPECT_EQ(m.Org.Registernummer, QStringLiteral("HRB 12345"));
    EXPECT_EQ(m.ZahlungszielTage, 21);

    IQEL_SystemServerRef system;
    Glob_WWSServerFactoryClass().SystemServer_Holen(system);
    const TIntPair orge{TTempSuite::Wert(QStringLiteral("SELECT orge_rnr FROM mandant WHERE nr = 7")).toInt(),
                        TTempSuite::Wert(QStringLiteral("SELECT orge_lnr FROM mandant WHERE nr = 7")).toInt()};
    TQEL_OrgeMerkmale merkmale;
    ASSERT_TRUE(system->OrgeMerkmale_Lesen(m.Id, orge, merkmale));
    TAnschrift a;
    ASSERT_TRUE(system->Anschrift_Lesen(merkmale.OrgeNr, a));
    EXPECT_EQ(a.Name1, QStringLiteral("Müller Haustechnik GmbH"));
    EXPECT_EQ(a.Iban, QStringLiteral("DE89370400440532013000"));
    EXPECT_EQ(a.Bic, QStringLiteral("COLSDE33"));
    EXPECT_EQ(a.Geschaeftsfuehrer, QStringLiteral("Anna Müller, Bernd Müller"));
    EXPECT_EQ(a.Registergericht, QStringLiteral("Amtsgericht Köln"));
    EXPECT_EQ(a.Registernummer, QStringLiteral("HRB 12345"));
    EXPECT_EQ(a.Steuernummer, QStringLiteral("214/5678/1234"));
    TKontaktperson k;
    ASSERT_TRUE(system->Kontaktperson_Lesen(merkmale.Kontaktperson, k));
    EXPECT_EQ(k.Anrede, QStringLiteral("Frau"));
    EXPECT_EQ(k.Nachname, QStringLiteral("Schulz"));
    Glob_WWSServerFactoryClass().SystemServer_Freigeben(system);

    // The client dialog lists it.
    IQEL_MandListeServerRef liste;
    Glob_WWSServerFactoryClass().MandListeServer_Holen(liste);
    const QVector<TMandantInfo> mandanten = liste->Mandanten_Lesen();
    Glob_WWSServerFactoryClass().MandListeServer_Freigeben(liste, QStringLiteral("test"));
    ASSERT_EQ(mandanten.size(), 1);
    EXPECT_EQ(mandanten[0].Nr, 7);

    // Changing keeps the rest; clearing the contact person removes it.
    m.Org.Ort = QStringLiteral("Köln-Deutz");
    m.Org.KontaktAnrede.clear();
    m.Org.KontaktNachname.clear();
    Stammdaten_MandantAendern(m);
    TMandantStamm n;
    ASSERT_TRUE(Stammdaten_MandantLesen(7, n));
    EXPECT_EQ(n.Org.Ort, QStringLiteral("Köln-Deutz"));
    EXPECT_EQ(n.Org.Bank, QStringLiteral("Sparkasse KölnBonn"));
    EXPECT_TRUE(n.Org.KontaktNachname.isEmpty());
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mitarbeiter")), 0);
}

TEST_F(StammdatenTest, BadValuesAreRefusedNamingTheField)
{
    struct TFall {
        std::function<void(TMandantStamm&)> aendern;
        QString erwartet;
    } faelle[] = {
        {[](TMandantStamm& m) { m.Org.Iban = QStringLiteral("DE89370400440532013001"); }, QStringLiteral("IBAN:")},
        {[](TMandantStamm& m) { m.Org.Iban = QStringLiteral("Kontonummer 4711"); }, QStringLiteral("IBAN:")},
        {[](TMandantStamm& m) { m.Org.Bic = QStringLiteral("COLS"); }, QStringLiteral("BIC:")},
        {[](TMandantStamm& m) { m.Org.Email = QStringLiteral("buchhaltung at firma"); }, QStringLiteral("E-Mail:")},
        {[](TMandantStamm& m) { m.Org.KontaktAnrede = QStringLiteral("Dr."); }, QStringLiteral("Anrede:")},
        {[](TMandantStamm& m) { m.Org.Name1 = QStringLiteral("Zeile\nZwei"); }, QStringLiteral("Name: enthält Steuerzeichen")},
        {[](TMandantStamm& m) { m.Org.Name1 = QString(121, QLatin1Char('x')); }, QStringLiteral("länger als 120")},
        {[](TMandantStamm& m) { m.Org.Name1.clear(); }, QStringLiteral("Name: fehlt")},
        {[](TMandantStamm& m) { m.Org.UstId = QStringLiteral("123456789"); }, QStringLiteral("USt-IdNr:")},
        {[](TMandantStamm& m) { m.Org.LogoName = QStringLiteral("GIBTSNICHT"); }, QStringLiteral("Logo \"GIBTSNICHT\"")},
        {[](TMandantStamm& m) { m.KontoGebuehren = 123456; }, QStringLiteral("Konto Mahngebühren")},
        {[](TMandantStamm& m) { m.Nr = 0; }, QStringLiteral("Mandantennummer")},
    };
    for (const TFall& f : faelle) {
        TMandantStamm m = musterMandant();
        f.aendern(m);
        const QString text = fehlerText([&] { Stammdaten_MandantAnlegen(m); });
        EXPECT_TRUE(text.contains(f.erwartet)) << text.toStdString();
    }
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mandant")), 0);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("organisation")), 0);

    // A number is used once; a 4-digit ledger allows 4-digit revenue accounts.
    TMandantStamm m = musterMandant();
    m.KontoGebuehren = 8400;
    Stammdaten_MandantAnlegen(m);
    EXPECT_TRUE(fehlerText([&] { Stammdaten_MandantAnlegen(m); }).contains(QStringLiteral("gibt es bereits")));
    TPartnerStamm p = musterPartner(10001);
    p.MahnEmail = QStringLiteral("keine adresse");
    EXPECT_TRUE(fehlerText([&] { Stammdaten_PartnerAnlegen(p); }).contains(QStringLiteral("Mahn-E-Mail")));
}

// Nothing is removed that something still refers to; the refusal says what does.
TEST_F(StammdatenTest, RemovalIsRefusedWhileReferenced)
{
    Stammdaten_MandantAnlegen(musterMandant());
    Stammdaten_PartnerAnlegen(musterPartner(10001));
    TFilialeStamm f;
    f.MandantNr = 7;
    f.Nr = 2;
    f.Org.Name1 = QStringLiteral("Müller Haustechnik GmbH");
    f.Org.Name2 = QStringLiteral("Filiale Bonn");
    Stammdaten_FilialeAnlegen(f);
    Verwaltung_RechnerEintragen(5, QStringLiteral("Kasse Bonn"), 2);

    QTemporaryDir dir;
    const QString datei = dir.filePath(QStringLiteral("op.csv"));
    {
        QFile out(datei);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("Satzart;Belegnummer;Partnernummer;Belegdatum;Betrag\nRechnung;RE-1;10001;01.10.2026;100,00\n");
    }
    TImportOptionen o;
    o.MandantNr = 7;
    ASSERT_TRUE(Import_Ausfuehren({datei}, o).Gespeichert);

    QString t = fehlerText([] { Stammdaten_MandantEntfernen(7); });
    EXPECT_TRUE(t.contains(QStringLiteral("1 Geschäftspartner"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QStringLiteral("1 offene Posten"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QStringLiteral("1 Filialen"))) << t.toStdString();
    t = fehlerText([] { Stammdaten_PartnerEntfernen(7, 10001); });
    EXPECT_TRUE(t.contains(QStringLiteral("1 offene Posten"))) << t.toStdString();
    t = fehlerText([] { Stammdaten_FilialeEntfernen(7, 2); });
    EXPECT_TRUE(t.contains(QStringLiteral("1 Rechner"))) << t.toStdString();
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("geschaeftspartner")), 1);

    // Once nothing refers to them any more, they go with their addresses.
    Verwaltung_RechnerEintragen(5, QStringLiteral("Kasse Bonn"), 0);
    Stammdaten_FilialeEntfernen(7, 2);
    TPartnerStamm zweiter = musterPartner(10002);
    Stammdaten_PartnerAnlegen(zweiter);
    Stammdaten_PartnerEntfernen(7, 10002);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("geschaeftspartner")), 1);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("filiale")), 0);
    // Client, branch gone, partner 10001 remains: three organisations became two.
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("organisation")), 2);
}

// The administrator's way: options per field, German refusals, the logo from a file.
TEST_F(StammdatenTest, AdminCommandsKeepClientsBranchesAndPartners)
{
    const QString ini = suite->EinstellungsDatei();
    const QString logo = suite->Ordner() + QStringLiteral("/logo.png");
    {
        QFile f(logo);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(DemoDaten_EinfachesLogo(60, 20, 0x336699));
    }
    auto admin = [&](QStringList args) {
        args.prepend(ini);
        args.prepend(QStringLiteral("--config"));
        return Admin_Aufrufen(args);
    };
    TAdminLauf l = admin({QStringLiteral("mandant"), QStringLiteral("add"), QStringLiteral("3"), QStringLiteral("--name"),
                          QStringLiteral("Kaiser Elektro KG"), QStringLiteral("--iban"), QStringLiteral("DE02120300000000202051"),
                          QStringLiteral("--registergericht"), QStringLiteral("Amtsgericht Essen"), QStringLiteral("--logo"), logo});
    ASSERT_EQ(l.rc, 0) << l.Alles().toStdString();
    // The first client of a new database can dun at once: a letter layout and the standard texts come along.
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("textbaustein"), QStringLiteral("kurztext IN ('Zahlungserinnerung', "
                                                                                  "'1. Mahnung', '2. Mahnung')")),
              3);
    // Its letters carry the client's logo (a client without branches takes it from the layout).
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("drucklayout"),
                                 QStringLiteral("art = 'KMAHN' AND einstellungen LIKE '%txtLogoKennung=MANDANT3%'")),
              1);
    l = admin({QStringLiteral("mandant"), QStringLiteral("add"), QStringLiteral("4"), QStringLiteral("--name"), QStringLiteral("X"),
               QStringLiteral("--iban"), QStringLiteral("DE02120300000000202052")});
    EXPECT_EQ(l.rc, 1);
    EXPECT_TRUE(l.fehler.contains(QStringLiteral("keine gültige IBAN"))) << l.fehler.toStdString();
    l = admin({QStringLiteral("mandant"), QStringLiteral("edit"), QStringLiteral("3"), QStringLiteral("--ort"), QStringLiteral("Essen")});
    ASSERT_EQ(l.rc, 0) << l.Alles().toStdString();
    l = admin({QStringLiteral("mandant"), QStringLiteral("show"), QStringLiteral("3")});
    ASSERT_EQ(l.rc, 0);
    for (const char* teil : {"Kaiser Elektro KG", "Essen", "DE02120300000000202051", "Amtsgericht Essen", "MANDANT3"})
        EXPECT_TRUE(l.ausgabe.contains(QString::fromUtf8(teil))) << teil << l.ausgabe.toStdString();

    // With one client --mandant may be left out.
    l = admin({QStringLiteral("filiale"), QStringLiteral("add"), QStringLiteral("1"), QStringLiteral("--name"),
               QStringLiteral("Kaiser Elektro KG"), QStringLiteral("--name2"), QStringLiteral("Lager Bochum"), QStringLiteral("--logo"), logo});
    ASSERT_EQ(l.rc, 0) << l.Alles().toStdString();
    l = admin({QStringLiteral("partner"), QStringLiteral("add"), QStringLiteral("10001"), QStringLiteral("--name"),
               QStringLiteral("Gaststätte Zur Post"), QStringLiteral("--anrede"), QStringLiteral("Frau"),
               QStringLiteral("--ansprechpartner"), QStringLiteral("Weber"), QStringLiteral("--verbraucher"), QStringLiteral("N"),
               QStringLiteral("--zentralreguliert"), QStringLiteral("J")});
    ASSERT_EQ(l.rc, 0) << l.Alles().toStdString();
    l = admin({QStringLiteral("partner"), QStringLiteral("add"), QStringLiteral("10002"), QStringLiteral("--name"),
               QStringLiteral("Y"), QStringLiteral("--verbraucher"), QStringLiteral("vielleicht")});
    EXPECT_EQ(l.rc, 2);
    EXPECT_TRUE(l.fehler.startsWith(QStringLiteral("--verbraucher erwartet J oder N"))) << l.fehler.toStdString();
    l = admin({QStringLiteral("partner"), QStringLiteral("list")});
    EXPECT_TRUE(l.ausgabe.contains(QStringLiteral("Gaststätte Zur Post"))) << l.ausgabe.toStdString();
    l = admin({QStringLiteral("partner"), QStringLiteral("show"), QStringLiteral("10001")});
    EXPECT_TRUE(l.ausgabe.contains(QStringLiteral("Frau Weber"))) << l.ausgabe.toStdString();
    EXPECT_TRUE(l.ausgabe.contains(QStringLiteral("Zentralreguliert:    ja"))) << l.ausgabe.toStdString();

    l = admin({QStringLiteral("mandant"), QStringLiteral("remove"), QStringLiteral("3")});
    EXPECT_EQ(l.rc, 1);
    EXPECT_TRUE(l.fehler.contains(QStringLiteral("kann nicht entfernt werden: 1 Geschäftspartner, 1 Filialen")))
        << l.fehler.toStdString();
    EXPECT_EQ(admin({QStringLiteral("partner"), QStringLiteral("remove"), QStringLiteral("10001")}).rc, 0);
    EXPECT_EQ(admin({QStringLiteral("filiale"), QStringLiteral("remove"), QStringLiteral("1")}).rc, 0);
    EXPECT_EQ(admin({QStringLiteral("mandant"), QStringLiteral("remove"), QStringLiteral("3")}).rc, 0);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mandant")), 0);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("logo"), QStringLiteral("name LIKE 'MANDANT3%'")), 2);
    // Texts the clerk changed or removed are never put back by a later client.
    TSqlAbfrage(QStringLiteral("DELETE FROM textbaustein WHERE kurztext = '2. Mahnung'")).Exec();
    ASSERT_EQ(admin({QStringLiteral("mandant"), QStringLiteral("add"), QStringLiteral("5"), QStringLiteral("--name"),
                     QStringLiteral("Zweite GmbH")})
                  .rc,
              0);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("textbaustein"), QStringLiteral("art = 'BRIEF'")), 2);
}
