// Importing from the accounting: 20,000 partners and 100,000 open items from CSV into an empty
// client, the unchanged file once more, and a DATEV posting batch of 200,000 postings; on SQLite and
// on PostgreSQL (the cluster of QEL_TEST_PG_*, or a private one). Peak memory of the whole process.
#include "benchhilfe.h"

#include "suite/core/servers/importserver.h"
#include "suite/core/servers/stammdaten.h"

#include <QDate>
#include <QTextStream>

namespace {

constexpr int kPartner = 20000;
constexpr int kPosten = 100000;
constexpr int kBuchungen = 200000;

QString partnerDatei(const QString& ordner)
{
    const QString pfad = ordner + QStringLiteral("/partner.csv");
    QFile f(pfad);
    f.open(QIODevice::WriteOnly);
    QTextStream s(&f);
    s << "Partnernummer;Name;Straße;PLZ;Ort;Anrede;Vorname;Ansprechpartner;Mahn-E-Mail;Verbraucher\n";
    for (int i = 0; i < kPartner; ++i)
        s << 10000 + i << ";Kunde " << i << " GmbH;Hauptstraße " << i % 200 + 1 << ";" << 10000 + i % 89999
          << ";Köln;Frau;Eva;Muster" << i << ";op" << i << "@kunde.de;N\n";
    return pfad;
}

// Invoices over two years, a third of them with a part payment.
QString postenDatei(const QString& ordner)
{
    const QString pfad = ordner + QStringLiteral("/posten.csv");
    QFile f(pfad);
    f.open(QIODevice::WriteOnly);
    QTextStream s(&f);
    s << "Satzart;Belegnummer;Bezug;Partnernummer;Belegdatum;Fällig;Betrag;Kommentar;Erlöskonto\n";
    const QDate start(2025, 1, 1);
    for (int i = 0; i < kPosten; ++i) {
        const QDate d = start.addDays(i % 700);
        const QString nr = QStringLiteral("RE-%1").arg(i + 1, 7, 10, QLatin1Char('0'));
        s << "Rechnung;" << nr << ";;" << 10000 + (i * 7) % kPartner << ';' << d.toString(QStringLiteral("dd.MM.yyyy")) << ';'
          << d.addDays(14).toString(QStringLiteral("dd.MM.yyyy")) << ';' << 100 + i % 5000 << ",00;Lieferung;8400\n";
        if (i % 3 == 0)
            s << "Zahlung;;" << nr << ";;" << d.addDays(20).toString(QStringLiteral("dd.MM.yyyy")) << ";;50,00;;\n";
    }
    return pfad;
}

// One accounting year of postings: invoices to debtors, payments from the bank.
QString buchungsstapel(const QString& ordner)
{
    const QString pfad = ordner + QStringLiteral("/EXTF_Buchungsstapel.csv");
    QFile f(pfad);
    f.open(QIODevice::WriteOnly);
    f.write("\"EXTF\";700;21;\"Buchungsstapel\";13;20261201120000000;;\"RE\";\"\";\"\";29098;55003;20260101;4;20260101;"
            "20261231;\"Bench\";\"\";1;0;0;\"EUR\";;\"\";;;\"03\";;;\"\";\"\"\r\n"
            "Umsatz (ohne Soll/Haben-Kz);Soll/Haben-Kennzeichen;WKZ Umsatz;Konto;Gegenkonto (ohne BU-Schl\xfc" "ssel);"
            "BU-Schl\xfc" "ssel;Belegdatum;Belegfeld 1;Buchungstext\r\n");
    QByteArray zeile;
    for (int i = 0; i < kBuchungen; ++i) {
        const int beleg = i / 2;
        const QDate d = QDate(2026, 1, 1).addDays(beleg % 360);
        const QByteArray datum = d.toString(QStringLiteral("ddMM")).toLatin1();
        const QByteArray konto = QByteArray::number(10000 + beleg % kPartner);
        const QByteArray nr = "RE" + QByteArray::number(beleg + 1);
        // Every invoice has one posting; three of four are paid in part.
        if (i % 2 == 0)
            zeile = QByteArray::number(200 + beleg % 900) + ",00;\"S\";\"EUR\";" + konto + ";8400;;" + datum + ";\"" + nr + "\";\"Rechnung\"\r\n";
        else if (beleg % 4 != 0)
            zeile = "100,00;\"H\";\"EUR\";" + konto + ";1200;;" + datum + ";\"" + nr + "\";\"Zahlung\"\r\n";
        else
            zeile = "100,00;\"S\";\"EUR\";1200;8400;;" + datum + ";\"BAR" + QByteArray::number(beleg) + "\";\"Barverkauf\"\r\n";
        f.write(zeile);
    }
    return pfad;
}

bool mandantAnlegen()
{
    TMandantStamm m;
    m.Nr = 1;
    m.Org.Name1 = QStringLiteral("Bench GmbH");
    m.DatevBerater = 29098;
    m.DatevMandant = 55003;
    Stammdaten_MandantAnlegen(m);
    return true;
}

TImportErgebnis einlesen(const QStringList& dateien)
{
    TImportOptionen o;
    o.MandantNr = 1;
    TImportErgebnis e = Import_Ausfuehren(dateien, o);
    if (!e.Gespeichert || e.FehlerGesamt > 0)
        std::fprintf(stderr, "Import fehlgeschlagen: %s\n",
                     e.Fehler.isEmpty() ? "?" : qPrintable(e.Fehler.first().Text()));
    return e;
}

bool csvMessen(const char* engine, const QStringList& dateien, double zielErst, double zielErneut)
{
    mandantAnlegen();
    QElapsedTimer t;
    t.start();
    double c0 = bench::cpuMs();
    const TImportErgebnis erst = einlesen(dateien);
    const double msErst = t.nsecsElapsed() / 1e6, cpuErst = bench::cpuMs() - c0;
    t.restart();
    c0 = bench::cpuMs();
    const TImportErgebnis erneut = einlesen(dateien);
    const double msErneut = t.nsecsElapsed() / 1e6, cpuErneut = bench::cpuMs() - c0;
    bool ok = erst.PostenNeu == kPosten && erst.PartnerNeu == kPartner && erneut.PostenUnveraendert == kPosten;
    if (!ok)
        std::fprintf(stderr, "%s: unerwartete Zählung (%lld neu, %lld unverändert)\n", engine, erst.PostenNeu,
                     erneut.PostenUnveraendert);
    ok &= bench::pruefe(qPrintable(QStringLiteral("%1: 20.000 Partner + 100.000 Posten (CSV)").arg(QLatin1String(engine))),
                        msErst, cpuErst, zielErst);
    ok &= bench::pruefe(qPrintable(QStringLiteral("%1: dieselbe Datei erneut").arg(QLatin1String(engine))), msErneut, cpuErneut,
                        zielErneut);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dateien;
    const QString partner = partnerDatei(dateien.path());
    const QString posten = postenDatei(dateien.path());
    const QString stapel = buchungsstapel(dateien.path());
    bool ok = true;
    {
        bench::TBenchSuite suite;
        ok &= csvMessen("SQLite", {partner, posten}, 3000, 2000);
        TSuiteDatenbank::Schliessen();
    }
    {
        bench::TBenchSuite suite;
        mandantAnlegen();
        einlesen({partner});
        QElapsedTimer t;
        t.start();
        const double c0 = bench::cpuMs();
        const TImportErgebnis e = einlesen({stapel});
        const double ms = t.nsecsElapsed() / 1e6;
        ok &= e.PostenNeu == kBuchungen / 2 - kBuchungen / 8;
        ok &= bench::pruefe("SQLite: DATEV-Buchungsstapel, 200.000 Buchungen", ms, bench::cpuMs() - c0, 5000);
        TSuiteDatenbank::Schliessen();
    }
    bench::TPostgresCluster cluster;
    if (!cluster.Bereit()) {
        std::printf("PostgreSQL: übersprungen, kein Cluster (%s)\n", qPrintable(cluster.Hinweis()));
    } else {
        bench::TBenchSuite suite(nullptr, true);
        ok &= csvMessen("PostgreSQL", {partner, posten}, 10000, 2000);
        TSuiteDatenbank::Schliessen();
        TSuiteDatenbank::PostgresDatenbankLoeschen(suite.Konfiguration);
    }
    ok &= bench::pruefe("Speicherspitze des Prozesses", bench::spitzeMb(), 300, "MB");
    return ok ? 0 : 1;
}
