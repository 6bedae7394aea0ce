// Several workstations on one database: processes of this executable book at the same time, each
// with its own settings file and computer number. Runs on SQLite (two workstations) and on
// PostgreSQL (four).
#include "suite/ui/programm.h"
#include "suite/core/servers/database_intern.h"
#include "suite/core/servers/interfaces.h"
#include "support/temp_suite.h"
#include "support/testdaten.h"
#include "support/umgebung.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>

namespace {

const TDateTime kHeute = 46364.0;
constexpr int kBuchungenJeArbeitsplatz = 50;
constexpr int kPostenJePartner = 2;

int anzahlArbeitsplaetze() { return TTempSuite::Postgres() ? 4 : 2; }

// How the workstations share the items.
enum class TModus {
    Ueberschneidend,  // all book the same partners from the same (soon stale) list
    Getrennt,         // each its own partners, always from fresh levels
};

TQEL_Mahnung_Belegpositionen position(int rechner, int trans, int lfd, int neueStufe)
{
    TQEL_Mahnung_Belegpositionen p;
    Init_TQEL_Mahnung_Belegpositionen(p);
    p.RNr = rechner;
    p.TransNr = trans;
    p.LfdNr = int16_t(lfd);
    p.Mahnstufe = neueStufe;
    p.ZahlbarBis = kHeute + 14;
    p.Saldo = 100;
    p.Verzugszins = 0.5;
    p.Belegnummer = QStringLiteral("R-%1").arg(trans);
    p.Belegdatum = kHeute - 40;
    return p;
}

// One line per booking in the workstation's result file: "OK <documents> <positions> <numbers...>",
// "ABGELEHNT <message>" or "FEHLER <text>".
struct TErgebnis {
    int Gebucht = 0;
    int Abgelehnt = 0;
    int Belege = 0;
    int Positionen = 0;
    std::vector<std::tuple<int, int, int>> Nummern;  // fiscal year, computer, running number
    QStringList Fehler;
    QStringList Ablehnungen;
};

TErgebnis ergebnisLesen(const QString& datei)
{
    TErgebnis e;
    QFile f(datei);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        e.Fehler << QStringLiteral("no result file %1").arg(datei);
        return e;
    }
    QTextStream in(&f);
    while (!in.atEnd()) {
        const QString zeile = in.readLine();
        const QStringList w = zeile.split(QLatin1Char(' '));
        if (w.value(0) == QLatin1String("OK")) {
            ++e.Gebucht;
            e.Belege += w.value(1).toInt();
            e.Positionen += w.value(2).toInt();
            for (int i = 3; i + 2 < w.size(); i += 3)
                e.Nummern.emplace_back(w[i].toInt(), w[i + 1].toInt(), w[i + 2].toInt());
        } else if (w.value(0) == QLatin1String("ABGELEHNT")) {
            ++e.Abgelehnt;
            e.Ablehnungen << zeile.mid(10);
        } else {
            e.Fehler << zeile;
        }
    }
    return e;
}

class Mehrplatz : public ::testing::Test {
protected:
    Mehrplatz() : umg(kHeute + 0.5)
    {
        QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
        TTransaktion t;
        for (int i = 0; i < 50; ++i) {
            const TIntPair gep = mandant.Partner(QStringLiteral("Partner %1").arg(i, 2, 10, QLatin1Char('0')));
            partner.push_back(gep);
            for (int k = 0; k < kPostenJePartner; ++k)
                mandant.Posten(gep, {QStringLiteral("P%1-%2").arg(i).arg(k), kHeute - 40, 100, 0, kHeute - 20, 0, false,
                                     QString()});
        }
        t.Commit();
    }

    // Starts the workstations together and waits for them; returns their results.
    std::vector<TErgebnis> arbeitsplaetzeStarten(TModus modus, const std::vector<int>& rechner)
    {
        const QString ordner = suite.Ordner();
        TSuiteDatenbank::Schliessen();
        std::vector<std::unique_ptr<QProcess>> kinder;
        for (size_t i = 0; i < rechner.size(); ++i) {
            // Each workstation has its own settings file with its own computer number.
            TSuiteKonfiguration k = suite.Konfiguration();
            k.Rechner = rechner[i];
            const QString einstellungen = QStringLiteral("%1/platz%2.ini").arg(ordner).arg(i);
            k.Speichern(einstellungen);
            auto kind = std::make_unique<QProcess>();
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QEL_SUITE_CONFIG"), einstellungen);
            env.insert(QStringLiteral("QEL_MEHRPLATZ_KIND"), QStringLiteral("%1;%2;%3;%4")
                                                                 .arg(ordner)
                                                                 .arg(i)
                                                                 .arg(int(modus))
                                                                 .arg(rechner.size()));
            kind->setProcessEnvironment(env);
            kind->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            kind->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=MehrplatzKind.*")});
            EXPECT_TRUE(kind->waitForStarted(30000));
            kinder.push_back(std::move(kind));
        }
        // Everyone connected and prepared: go.
        QElapsedTimer uhr;
        uhr.start();
        auto alleBereit = [&] {
            for (size_t i = 0; i < rechner.size(); ++i)
                if (!QFile::exists(QStringLiteral("%1/bereit%2").arg(ordner).arg(i)))
                    return false;
            return true;
        };
        while (!alleBereit() && uhr.elapsed() < 60000)
            QThread::msleep(10);
        QFile start(ordner + QStringLiteral("/start"));
        EXPECT_TRUE(start.open(QIODevice::WriteOnly));
        start.close();
        std::vector<TErgebnis> ergebnisse;
        for (size_t i = 0; i < kinder.size(); ++i) {
            EXPECT_TRUE(kinder[i]->waitForFinished(180000));
            EXPECT_EQ(kinder[i]->exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(kinder[i]->exitCode(), 0) << "workstation " << i;
            ergebnisse.push_back(ergebnisLesen(QStringLiteral("%1/ergebnis%2").arg(ordner).arg(i)));
        }
        QFile::remove(ordner + QStringLiteral("/start"));
        for (size_t i = 0; i < rechner.size(); ++i)
            QFile::remove(QStringLiteral("%1/bereit%2").arg(ordner).arg(i));
        TSuiteDatenbank::Oeffnen(suite.Konfiguration());
        return ergebnisse;
    }

    // What must hold whatever the timing: the stored documents are exactly the successful ones,
    // numbers are unique, and each item's level equals the number of times it was dunned, once per level.
    void bestandPruefen(const std::vector<TErgebnis>& ergebnisse)
    {
        int belege = 0, positionen = 0;
        std::set<std::tuple<int, int, int>> nummern;
        for (const TErgebnis& e : ergebnisse) {
            EXPECT_TRUE(e.Fehler.isEmpty()) << e.Fehler.join(QLatin1Char('\n')).toStdString();
            for (const QString& a : e.Ablehnungen)
                EXPECT_TRUE(a.contains(QStringLiteral("gemahnt"))) << "unexpected refusal: " << a.toStdString();
            belege += e.Belege;
            positionen += e.Positionen;
            for (const auto& n : e.Nummern)
                EXPECT_TRUE(nummern.insert(n).second) << "number given twice: " << std::get<1>(n) << "/"
                                                      << std::get<2>(n);
        }
        EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), belege);
        EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung_position")), positionen);
        EXPECT_EQ(int(nummern.size()), belege);
        // Numbers of a computer are gapless: a refused booking gives its numbers back.
        std::map<int, std::set<int>> jeRechner;
        for (const auto& n : nummern)
            jeRechner[std::get<1>(n)].insert(std::get<2>(n));
        for (const auto& [rechner, lfd] : jeRechner) {
            EXPECT_EQ(*lfd.begin(), 1) << "computer " << rechner;
            EXPECT_EQ(*lfd.rbegin(), int(lfd.size())) << "computer " << rechner;
        }
        EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung m"),
                                     QStringLiteral("NOT EXISTS (SELECT 1 FROM mahnung_position mp WHERE "
                                                    "mp.mahnung_rnr = m.rnr AND mp.mahnung_lnr = m.lnr)")),
                  0);
        EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("offener_posten op"),
                                     QStringLiteral("op.mahnstufe <> (SELECT COUNT(*) FROM mahnung_position mp WHERE "
                                                    "mp.op_rechner_nr = op.rechner_nr AND mp.op_trans_nr = op.trans_nr "
                                                    "AND mp.op_lfd_nr = op.lfd_nr)")),
                  0);
        EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("offener_posten op"),
                                     QStringLiteral("op.mahnstufe <> (SELECT COUNT(DISTINCT mp.mahnstufe) FROM "
                                                    "mahnung_position mp WHERE mp.op_rechner_nr = op.rechner_nr AND "
                                                    "mp.op_trans_nr = op.trans_nr AND mp.op_lfd_nr = op.lfd_nr)")),
                  0);
    }

    TTempSuite suite{false};
    TTestUmgebung umg;
    TTestMandant mandant{7, QStringLiteral("Mehrplatz GmbH")};
    std::vector<TIntPair> partner;
};

TEST_F(Mehrplatz, OverlappingBookingsDunEachItemOnceAndRefuseTheRest)
{
    std::vector<int> rechner;
    for (int i = 1; i <= anzahlArbeitsplaetze(); ++i)
        rechner.push_back(i);
    const std::vector<TErgebnis> e = arbeitsplaetzeStarten(TModus::Ueberschneidend, rechner);
    bestandPruefen(e);
    int gebucht = 0, abgelehnt = 0;
    for (const TErgebnis& x : e) {
        gebucht += x.Gebucht;
        abgelehnt += x.Abgelehnt;
        EXPECT_EQ(x.Gebucht + x.Abgelehnt, kBuchungenJeArbeitsplatz);
    }
    // Every booking holds two partners and all start from level 0: at most one booking per pair.
    EXPECT_LE(gebucht, 25);
    EXPECT_GE(gebucht, 1);
    EXPECT_EQ(abgelehnt, int(rechner.size()) * kBuchungenJeArbeitsplatz - gebucht);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("offener_posten"), QStringLiteral("mahnstufe > 1")), 0);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("offener_posten"), QStringLiteral("mahnstufe = 1")),
              gebucht * 2 * kPostenJePartner);
}

TEST_F(Mehrplatz, DisjointBookingsAllGoThroughWithGaplessNumbersPerComputer)
{
    std::vector<int> rechner;
    for (int i = 1; i <= anzahlArbeitsplaetze(); ++i)
        rechner.push_back(i);
    const std::vector<TErgebnis> e = arbeitsplaetzeStarten(TModus::Getrennt, rechner);
    bestandPruefen(e);
    for (const TErgebnis& x : e) {
        EXPECT_EQ(x.Gebucht, kBuchungenJeArbeitsplatz);
        EXPECT_EQ(x.Abgelehnt, 0);
    }
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), int(rechner.size()) * kBuchungenJeArbeitsplatz);
}

// Two workstations misconfigured with the same computer number share one counter: their first
// bookings race to create it, and still no number is given twice.
TEST_F(Mehrplatz, SameComputerNumberTwiceStillGivesUniqueNumbers)
{
    const std::vector<TErgebnis> e = arbeitsplaetzeStarten(TModus::Getrennt, {3, 3});
    bestandPruefen(e);
    for (const TErgebnis& x : e)
        EXPECT_EQ(x.Gebucht, kBuchungenJeArbeitsplatz);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT MAX(beleg_lfdnr) FROM mahnung WHERE beleg_rnr = 3")).toInt(),
              2 * kBuchungenJeArbeitsplatz);
}

// Another workstation holds an item: the booking waits the configured time, then refuses with a
// clear message and leaves nothing.
TEST_F(Mehrplatz, ItemLockedElsewhereRefusesTheBookingAfterTheWait)
{
    const int trans = TTempSuite::Wert(QStringLiteral("SELECT MIN(trans_nr) FROM offener_posten")).toInt();
    TSuiteKonfiguration k = suite.Konfiguration();
    k.WartezeitMs = 300;
    TSuiteDatenbank::Oeffnen(k);
    {
        // The other workstation: a plain connection holding a write lock.
        QSqlDatabase andere = QSqlDatabase::addDatabase(k.Treiber, QStringLiteral("andere"));
        if (TTempSuite::Postgres()) {
            andere.setDatabaseName(k.Datenbank);
            andere.setHostName(k.Host);
            andere.setPort(k.Port);
            andere.setUserName(k.DbBenutzer);
        } else {
            andere.setDatabaseName(suite.DatenbankDatei());
        }
        ASSERT_TRUE(andere.open()) << andere.lastError().text().toStdString();
        QSqlQuery q(andere);
        ASSERT_TRUE(q.exec(TTempSuite::Postgres() ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")));
        ASSERT_TRUE(q.exec(QStringLiteral("UPDATE offener_posten SET kommentar = 'in Arbeit' WHERE trans_nr = %1")
                               .arg(trans)));

        IQEL_MahnungEditServerRef server;
        Glob_ServerFactoryClass().MahnungEditServer_Holen(server);
        TQEL_Mahnung_Beleg b;
        b.Mandant = mandant.Id;
        b.GepNr = partner[0];
        b.Mahnungsdatum = kHeute;
        b.Beruecksichtigt = kHeute;
        b.Positionen = {position(1, trans, 1, 1)};
        TQEL_Mahnung_Beleg_Array m{b};
        QElapsedTimer uhr;
        uhr.start();
        EXPECT_FALSE(server->Mahnungen_Buchen(m));
        EXPECT_GE(uhr.elapsed(), 250);
        ASSERT_FALSE(umg.Recorder->Meldungen.empty());
        const QString text = umg.Recorder->Meldungen.back().Text;
        EXPECT_TRUE(text.contains(QStringLiteral("nicht gebucht"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("gesperrt"))) << text.toStdString();
        EXPECT_EQ(m[0].LfdNr, 0);

        q.exec(QStringLiteral("ROLLBACK"));
        // Free again: the same booking goes through on the same connection.
        EXPECT_TRUE(server->Mahnungen_Buchen(m));
        Glob_ServerFactoryClass().MahnungEditServer_Freigeben(server);
        q = QSqlQuery();
        andere.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("andere"));
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), 1);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("offener_posten"), QStringLiteral("mahnstufe = 1")), 1);
}

// The administration tool sets up a shared database: creates it when missing, fills and upgrades it,
// and writes each workstation's settings.
TEST(MehrplatzAdmin, InitDemoUpgradeAndVersionOnPostgres)
{
    QEL_NUR_POSTGRES();
    QTemporaryDir dir;
    const TSuiteKonfiguration ziel =
        TTempSuite::PostgresKonfiguration(QStringLiteral("qel_admin_%1").arg(QCoreApplication::applicationPid()));
    TSuiteDatenbank::PostgresDatenbankLoeschen(ziel);
    auto admin = [](const QStringList& args, QString* fehler = nullptr) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QEL_SUITE_CONFIG"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(MAHNWESEN_ADMIN_EXE), args);
        if (!p.waitForFinished(180000) || p.exitStatus() != QProcess::NormalExit)
            return -1;
        if (fehler)
            *fehler = QString::fromUtf8(p.readAllStandardError() + p.readAllStandardOutput());
        return p.exitCode();
    };
    QString text;
    const QStringList verbindung = {QStringLiteral("--treiber"), QStringLiteral("qpsql"), QStringLiteral("--db"),
                                    ziel.Datenbank, QStringLiteral("--host"), ziel.Host, QStringLiteral("--port"),
                                    QString::number(ziel.Port), QStringLiteral("--dbbenutzer"), ziel.DbBenutzer};
    const QString platz1 = dir.filePath(QStringLiteral("platz1.ini"));
    ASSERT_EQ(admin(QStringList{QStringLiteral("--config"), platz1, QStringLiteral("init")} + verbindung, &text), 0)
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("angelegt"))) << text.toStdString();
    EXPECT_TRUE(TSuiteDatenbank::Vorhanden(ziel));
    ASSERT_EQ(admin({QStringLiteral("--config"), platz1, QStringLiteral("demo")}, &text), 0) << text.toStdString();

    // A second workstation joins the existing database with its own number; nothing is created anew.
    const QString platz2 = dir.filePath(QStringLiteral("platz2.ini"));
    ASSERT_EQ(admin(QStringList{QStringLiteral("--config"), platz2, QStringLiteral("init")} + verbindung +
                        QStringList{QStringLiteral("--rechner"), QStringLiteral("2")},
                    &text),
              0)
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("bereits den aktuellen Stand"))) << text.toStdString();
    const TSuiteKonfiguration k2 = TSuiteKonfiguration::Laden(platz2);
    EXPECT_EQ(k2.Treiber, QStringLiteral("QPSQL"));
    EXPECT_EQ(k2.Rechner, 2);
    EXPECT_EQ(k2.Host, ziel.Host);
    EXPECT_EQ(admin({QStringLiteral("--config"), platz2, QStringLiteral("upgrade")}), 0);
    EXPECT_EQ(admin({QStringLiteral("--config"), platz2, QStringLiteral("demo")}, &text), 1);
    EXPECT_TRUE(text.contains(QStringLiteral("bereits Mandanten"))) << text.toStdString();
    EXPECT_EQ(admin({QStringLiteral("--config"), platz2, QStringLiteral("version")}, &text), 0);
    EXPECT_TRUE(text.contains(QStringLiteral("Schemaversion der Datenbank: %1").arg(TSuiteDatenbank::SchemaVersionProgramm())))
        << text.toStdString();

    TSuiteDatenbank::Oeffnen(k2);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mandant")), 3);
    TSuiteDatenbank::PostgresDatenbankLoeschen(ziel);

    // Connection options belong to PostgreSQL only.
    EXPECT_EQ(admin({QStringLiteral("--config"), dir.filePath(QStringLiteral("x.ini")), QStringLiteral("init"),
                     QStringLiteral("--db"), QStringLiteral("x.sqlite"), QStringLiteral("--host"), QStringLiteral("h")}),
              2);
}

// A workstation: books when the parent says go and writes what happened.
TEST(MehrplatzKind, BooksAsOneWorkstation)
{
    const QStringList auftrag = qEnvironmentVariable("QEL_MEHRPLATZ_KIND").split(QLatin1Char(';'));
    if (auftrag.size() != 4)
        GTEST_SKIP() << "only as a child process of the Mehrplatz tests";
    const QString ordner = auftrag[0];
    const int platz = auftrag[1].toInt();
    const TModus modus = TModus(auftrag[2].toInt());
    const int plaetze = auftrag[3].toInt();
    TTestUmgebung umg(kHeute + 0.5);
    QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
    ASSERT_TRUE(TSuiteDatenbank::Offen());
    IQEL_MahnungEditServerRef server;
    Glob_ServerFactoryClass().MahnungEditServer_Holen(server);

    // The list every workstation starts from: partners and their items.
    struct TPartnerPosten {
        TIntPair Gep;
        std::vector<std::pair<int, int>> Posten;  // trans_nr, level when listed
    };
    std::vector<TPartnerPosten> liste;
    const TIntPair mandant{TTempSuite::Wert(QStringLiteral("SELECT rnr FROM mandant")).toInt(),
                           TTempSuite::Wert(QStringLiteral("SELECT lnr FROM mandant")).toInt()};
    auto listeLesen = [&] {
        liste.clear();
        TSqlAbfrage q(QStringLiteral("SELECT gep_rnr, gep_lnr, trans_nr, mahnstufe FROM offener_posten "
                                     "ORDER BY gep_lnr, trans_nr"));
        q.Exec();
        while (q.Next()) {
            const TIntPair gep{q.Int(0), q.Int(1)};
            if (liste.empty() || !IntPairEqual(liste.back().Gep, gep))
                liste.push_back({gep, {}});
            liste.back().Posten.emplace_back(q.Int(2), q.Int(3));
        }
    };
    listeLesen();
    ASSERT_EQ(liste.size(), 50u);
    auto belegFuer = [&](const TPartnerPosten& pp) {
        TQEL_Mahnung_Beleg b;
        b.Mandant = mandant;
        b.GepNr = pp.Gep;
        b.Mahnungsdatum = kHeute;
        b.Beruecksichtigt = kHeute;
        for (const auto& [trans, stufe] : pp.Posten)
            b.Positionen.push_back(position(1, trans, 1, stufe + 1));
        return b;
    };

    QFile ergebnis(QStringLiteral("%1/ergebnis%2").arg(ordner).arg(platz));
    ASSERT_TRUE(ergebnis.open(QIODevice::WriteOnly | QIODevice::Text));
    QTextStream out(&ergebnis);
    QFile bereit(QStringLiteral("%1/bereit%2").arg(ordner).arg(platz));
    ASSERT_TRUE(bereit.open(QIODevice::WriteOnly));
    bereit.close();
    QElapsedTimer uhr;
    uhr.start();
    while (!QFile::exists(ordner + QStringLiteral("/start")) && uhr.elapsed() < 60000)
        QThread::msleep(2);

    for (int j = 0; j < kBuchungenJeArbeitsplatz; ++j) {
        TQEL_Mahnung_Beleg_Array m;
        if (modus == TModus::Ueberschneidend) {
            // Two partners per booking, in an order that differs between workstations.
            const int k = (platz * 7 + j) % 50;
            m = {belegFuer(liste[size_t(k)]), belegFuer(liste[size_t((k + 25) % 50)])};
        } else {
            // Own partners only; a fresh list before each booking, as after "Aktualisieren".
            const int eigene = 50 / plaetze;
            listeLesen();
            m = {belegFuer(liste[size_t(platz * eigene + j % eigene)])};
        }
        const size_t meldungenVorher = umg.Recorder->Meldungen.size();
        try {
            if (server->Mahnungen_Buchen(m)) {
                int positionen = 0;
                out << "OK " << m.size();
                for (const TQEL_Mahnung_Beleg& b : m)
                    positionen += int(b.Positionen.size());
                out << ' ' << positionen;
                for (const TQEL_Mahnung_Beleg& b : m)
                    out << ' ' << b.WirtschaftsJahr << ' ' << b.RNr << ' ' << b.LfdNr;
                out << '\n';
            } else {
                const QString text = umg.Recorder->Meldungen.size() > meldungenVorher
                    ? umg.Recorder->Meldungen.back().Text
                    : QStringLiteral("(ohne Meldung)");
                out << "ABGELEHNT " << QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')) << '\n';
            }
        } catch (const std::exception& e) {
            out << "FEHLER " << QString::fromUtf8(e.what()).replace(QLatin1Char('\n'), QLatin1Char(' ')) << '\n';
        }
    }
    out.flush();
    Glob_ServerFactoryClass().MahnungEditServer_Freigeben(server);
}

}  // namespace
