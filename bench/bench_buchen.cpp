// Booking dunnings: 10,000 items of 2,000 partners in one Mahnungen_Buchen, on SQLite and on
// PostgreSQL, and four workstations booking at once on PostgreSQL; 100,000 items on a SQLite database
// whose planner statistics were gathered (ANALYZE), as an administrator may do.
//
// PostgreSQL: the cluster named by QEL_TEST_PG_HOST/_PORT/_USER, or else a private one started
// through scripts/pg-cluster.sh; without either the PostgreSQL figures are skipped with a note.
#include "benchhilfe.h"
#include "suite/ui/programm.h"
#include "suite/core/servers/database.h"
#include "suite/demodaten/demodaten.h"
#include "suite/core/servers/interfaces.h"
#include "suite/core/servers/servermeldung.h"
#include "suite/core/servers/statistik.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr int kPartner = 2000;
constexpr int kPosten = 10000;
constexpr int kPostenAnalysiert = 100000;
constexpr int kLaeufe = 5;
constexpr int kArbeitsplaetze = 4;
constexpr int kBelegeJeBuchungMehrplatz = 100;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

using bench::pruefe;

int g_meldungen = 0;

void meldungenZaehlen()
{
    qel_SetServerMeldung([](const QString& text) {
        ++g_meldungen;
        std::fprintf(stderr, "Meldung: %s\n", qPrintable(text));
    });
}

TIntPair benchmarkMandant()
{
    IQEL_MandListeServerRef mandanten;
    Glob_WWSServerFactoryClass().MandListeServer_Holen(mandanten);
    TIntPair id;
    for (const TMandantInfo& m : mandanten->Mandanten_Lesen())
        if (m.Nr == 99)
            id = m.Id;
    Glob_WWSServerFactoryClass().MandListeServer_Freigeben(mandanten, QStringLiteral("bench"));
    return id;
}

// The open items of the benchmark client, as the open-items window lists them, grouped by partner.
std::map<QString, std::vector<TQEL_Mahnung_Belegpositionen>> offenePosten(const TIntPair& mandant)
{
    IQEL_ZahlungEditServerRef z;
    Glob_ServerFactoryClass().ZahlungEditServer_Holen(z);
    z->OffenePosten_Abfragen(mandant, CLeeresIntPair, CDatum_01_01_2005, qel_Now(), 0, qel_Now(), qel_Now(),
                             {TSRVTyp::srvAlle}, 1, 1);
    const TVRList* l = z->OffenePosten_Liste();
    std::map<QString, std::vector<TQEL_Mahnung_Belegpositionen>> jePartner;
    for (int r = 0; r < l->GetRowCount(); ++r) {
        TQEL_Mahnung_Belegpositionen p;
        Init_TQEL_Mahnung_Belegpositionen(p);
        p.RNr = int(l->GetCellValueAsInteger(r, z->Spalte_RechnerNummer()));
        p.TransNr = int(l->GetCellValueAsInteger(r, z->Spalte_TransNummer()));
        p.LfdNr = int16_t(l->GetCellValueAsInteger(r, z->Spalte_LfdNummer()));
        p.Mahnstufe = int(l->GetCellValueAsInteger(r, z->Spalte_Mahnstufe())) + 1;
        p.Saldo = l->GetCellValueAsFloat(r, z->Spalte_Saldo());
        p.Belegnummer = l->GetCellValueAsString(r, z->Spalte_Belegnummer());
        p.Belegdatum = l->GetCellValueAsDate(r, z->Spalte_Datum());
        p.ZahlbarBis = qel_DateOf(qel_Now()) + 14;
        p.Mahngebuehren = 2.5;
        p.Verzugszins = 1.5;
        jePartner[l->GetCellValueAsString(r, z->Spalte_GepNr())].push_back(p);
    }
    Glob_ServerFactoryClass().ZahlungEditServer_Freigeben(z);
    return jePartner;
}

// kPosten items spread over kPartner partners, one document per partner, from a fresh list.
// Partners [von, bis) of the sorted partner list only, for a workstation's own share.
TQEL_Mahnung_Beleg_Array mahnungen(const TIntPair& mandant, int von = 0, int bis = kPartner, int posten = kPosten)
{
    const auto jePartner = offenePosten(mandant);
    std::vector<std::pair<QString, const std::vector<TQEL_Mahnung_Belegpositionen>*>> partner;
    for (const auto& [gep, liste] : jePartner)
        partner.emplace_back(gep, &liste);
    partner.resize(std::min(partner.size(), size_t(kPartner)));
    TQEL_Mahnung_Beleg_Array m;
    for (int i = von; i < std::min(bis, int(partner.size())); ++i) {
        TQEL_Mahnung_Beleg b;
        b.Mandant = mandant;
        b.GepNr = qel_String2TIntPair(partner[size_t(i)].first);
        b.Mahnungsdatum = qel_Now();
        b.Beruecksichtigt = qel_DateOf(qel_Now());
        b.MahnungsText = QStringLiteral("Sehr geehrte Damen und Herren,\nbitte begleichen Sie die offenen Posten.");
        m.push_back(b);
    }
    // Round robin over the partners until the items are shared out.
    int vergeben = 0;
    for (size_t runde = 0; vergeben < posten; ++runde) {
        bool weitere = false;
        for (size_t i = 0; i < m.size() && vergeben < posten; ++i) {
            const auto& liste = *partner[size_t(von) + i].second;
            if (runde < liste.size()) {
                m[i].Positionen.push_back(liste[runde]);
                ++vergeben;
                weitere = true;
            }
        }
        if (!weitere)
            break;
    }
    return m;
}

int positionen(const TQEL_Mahnung_Beleg_Array& m)
{
    int n = 0;
    for (const TQEL_Mahnung_Beleg& b : m)
        n += int(b.Positionen.size());
    return n;
}

// A suite database with the demo data and a benchmark client; the program opened on it.
bool suiteAnlegen(const TSuiteKonfiguration& konf, const QString& ini, int posten = 8 * kPosten)
{
    konf.Speichern(ini);
    qputenv("QEL_SUITE_CONFIG", ini.toLocal8Bit());
    TSuiteDatenbank::AnlegenOderAktualisieren(konf);
    TDemoOptionen opt;
    opt.GrossMandantOP = posten;
    opt.Benutzer = QStringLiteral("bench");
    DemoDaten_Erzeugen(opt);
    QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
    meldungenZaehlen();
    return IntPairDefined(benchmarkMandant());
}

// One Mahnungen_Buchen of 10,000 items, kLaeufe times (each run one level higher); the median.
bool einzelBuchung(const char* name, double zielMs)
{
    const TIntPair mandant = benchmarkMandant();
    IQEL_MahnungEditServerRef s;
    Glob_ServerFactoryClass().MahnungEditServer_Holen(s);
    std::vector<double> ms, cpu;
    bool ok = true;
    for (int lauf = 0; lauf < kLaeufe && ok; ++lauf) {
        TQEL_Mahnung_Beleg_Array m = mahnungen(mandant);
        if (positionen(m) != kPosten || int(m.size()) != kPartner) {
            std::fprintf(stderr, "%s: %d Posten von %zu Partnern statt %d von %d\n", name, positionen(m), m.size(),
                         kPosten, kPartner);
            ok = false;
            break;
        }
        QElapsedTimer t;
        t.start();
        const double c0 = bench::cpuMs();
        ok = s->Mahnungen_Buchen(m);
        ms.push_back(t.nsecsElapsed() / 1e6);
        cpu.push_back(bench::cpuMs() - c0);
        if (!ok)
            std::fprintf(stderr, "%s: Buchung abgelehnt\n", name);
    }
    Glob_ServerFactoryClass().MahnungEditServer_Freigeben(s);
    return ok && pruefe(name, median(ms), median(cpu), zielMs);
}

// One Mahnungen_Buchen of 100,000 items after ANALYZE: the plans must not turn quadratic.
bool analysierteBuchung(const char* name, double zielMs)
{
    qel_StatistikAktualisieren();
    const TIntPair mandant = benchmarkMandant();
    TQEL_Mahnung_Beleg_Array m = mahnungen(mandant, 0, kPartner, kPostenAnalysiert);
    if (positionen(m) != kPostenAnalysiert) {
        std::fprintf(stderr, "%s: %d Posten statt %d\n", name, positionen(m), kPostenAnalysiert);
        return false;
    }
    IQEL_MahnungEditServerRef s;
    Glob_ServerFactoryClass().MahnungEditServer_Holen(s);
    QElapsedTimer t;
    t.start();
    const double c0 = bench::cpuMs();
    const bool ok = s->Mahnungen_Buchen(m);
    const double ms = t.nsecsElapsed() / 1e6, cpu = bench::cpuMs() - c0;
    Glob_ServerFactoryClass().MahnungEditServer_Freigeben(s);
    if (!ok)
        std::fprintf(stderr, "%s: Buchung abgelehnt\n", name);
    return ok && pruefe(name, ms, cpu, zielMs);
}

// ---------------------------------------------------------------------------------------------------
// Four workstations: child processes of this program, each with its own computer number and partners.

int arbeitsplatz(const QString& ordner, int platz)
{
    QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
    meldungenZaehlen();
    const TIntPair mandant = benchmarkMandant();
    const int anteil = kPartner / kArbeitsplaetze;
    TQEL_Mahnung_Beleg_Array alle = mahnungen(mandant, platz * anteil, (platz + 1) * anteil, kPosten / kArbeitsplaetze);
    IQEL_MahnungEditServerRef s;
    Glob_ServerFactoryClass().MahnungEditServer_Holen(s);
    QFile(QStringLiteral("%1/bereit%2").arg(ordner).arg(platz)).open(QIODevice::WriteOnly);
    while (!QFile::exists(ordner + QStringLiteral("/start")))
        QThread::msleep(1);
    bool ok = true;
    for (size_t i = 0; i < alle.size() && ok; i += kBelegeJeBuchungMehrplatz) {
        TQEL_Mahnung_Beleg_Array teil(alle.begin() + long(i),
                                      alle.begin() + long(std::min(alle.size(), i + kBelegeJeBuchungMehrplatz)));
        ok = s->Mahnungen_Buchen(teil);
    }
    Glob_ServerFactoryClass().MahnungEditServer_Freigeben(s);
    if (positionen(alle) != kPosten / kArbeitsplaetze) {
        std::fprintf(stderr, "Arbeitsplatz %d: %d Posten statt %d\n", platz, positionen(alle), kPosten / kArbeitsplaetze);
        return 3;
    }
    return ok ? 0 : 1;
}

bool mehrplatzBuchung(const TSuiteKonfiguration& konf, const QString& ordner)
{
    TSuiteDatenbank::Schliessen();
    std::vector<std::unique_ptr<QProcess>> kinder;
    for (int i = 0; i < kArbeitsplaetze; ++i) {
        TSuiteKonfiguration k = konf;
        k.Rechner = 11 + i;
        const QString ini = QStringLiteral("%1/platz%2.ini").arg(ordner).arg(i);
        k.Speichern(ini);
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QEL_SUITE_CONFIG"), ini);
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedChannels);
        p->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--arbeitsplatz"), ordner, QString::number(i)});
        kinder.push_back(std::move(p));
    }
    for (int i = 0; i < kArbeitsplaetze; ++i)
        while (!QFile::exists(QStringLiteral("%1/bereit%2").arg(ordner).arg(i)))
            QThread::msleep(5);
    QElapsedTimer t;
    t.start();
    QFile(ordner + QStringLiteral("/start")).open(QIODevice::WriteOnly);
    bool ok = true;
    for (auto& p : kinder) {
        ok &= p->waitForFinished(600000) && p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0;
    }
    const double s = t.nsecsElapsed() / 1e9;
    TSuiteDatenbank::Oeffnen(konf);
    if (!ok) {
        std::fprintf(stderr, "PostgreSQL, %d Arbeitsplätze: eine Buchung schlug fehl\n", kArbeitsplaetze);
        return false;
    }
    std::printf("%-60s %9.0f Posten/s  (%d Posten in %.2f s, Buchungen zu %d Belegen)\n",
                "PostgreSQL, 4 Arbeitsplätze gleichzeitig: Durchsatz", kPosten / s, kPosten, s,
                kBelegeJeBuchungMehrplatz);
    return true;
}

// ---------------------------------------------------------------------------------------------------

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qputenv("QEL_SUITE_TEST_BENUTZER", "bench");
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--arbeitsplatz"))
        return arbeitsplatz(args[2], args[3].toInt());

    bool ok = true;
    {
        QTemporaryDir dir;
        TSuiteKonfiguration k;
        k.Datenbank = dir.filePath(QStringLiteral("suite.db"));
        k.Benutzer = QStringLiteral("bench");
        k.LogDatei = dir.filePath(QStringLiteral("fehler.log"));
        ok &= suiteAnlegen(k, dir.filePath(QStringLiteral("suite.ini")));
        ok &= einzelBuchung("SQLite: 10.000 Posten / 2.000 Partner (Median aus 5)", 1000);
        TSuiteDatenbank::Schliessen();
    }
    {
        QTemporaryDir dir;
        TSuiteKonfiguration k;
        k.Datenbank = dir.filePath(QStringLiteral("suite.db"));
        k.Benutzer = QStringLiteral("bench");
        k.LogDatei = dir.filePath(QStringLiteral("fehler.log"));
        ok &= suiteAnlegen(k, dir.filePath(QStringLiteral("suite.ini")), kPostenAnalysiert + kPosten);
        ok &= analysierteBuchung("SQLite nach ANALYZE: 100.000 Posten / 2.000 Partner", 2000);
        TSuiteDatenbank::Schliessen();
    }

    bench::TPostgresCluster cluster;
    if (!cluster.Bereit()) {
        std::printf("PostgreSQL: übersprungen, kein Cluster (%s)\n", qPrintable(cluster.Hinweis()));
    } else {
        QTemporaryDir dir;
        TSuiteKonfiguration k;
        k.Treiber = QStringLiteral("QPSQL");
        k.Datenbank = QStringLiteral("qel_bench_%1").arg(QCoreApplication::applicationPid());
        k.Host = qEnvironmentVariable("QEL_TEST_PG_HOST");
        k.Port = qEnvironmentVariableIntValue("QEL_TEST_PG_PORT");
        k.DbBenutzer = qEnvironmentVariable("QEL_TEST_PG_USER");
        k.Benutzer = QStringLiteral("bench");
        k.LogDatei = dir.filePath(QStringLiteral("fehler.log"));
        TSuiteDatenbank::PostgresDatenbankLoeschen(k);
        ok &= suiteAnlegen(k, dir.filePath(QStringLiteral("suite.ini")));
        ok &= einzelBuchung("PostgreSQL: 10.000 Posten / 2.000 Partner (Median aus 5)", 2000);
        ok &= mehrplatzBuchung(k, dir.path());
        TSuiteDatenbank::PostgresDatenbankLoeschen(k);
    }
    if (g_meldungen > 0) {
        std::fprintf(stderr, "%d Meldungen der Server\n", g_meldungen);
        ok = false;
    }
    return ok ? 0 : 1;
}
