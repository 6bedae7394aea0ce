// Backup and restore of the suite database: a backup taken while another process books holds every
// committed booking and passes the integrity check; a restore refuses damaged, foreign and newer
// backups and a database in use, leaving the database as it was.
#include "suite/ui/programm.h"
#include "suite/core/servers/database_intern.h"
#include "suite/core/servers/sicherung.h"
#include "support/buchung.h"
#include "support/temp_suite.h"
#include "support/testdaten.h"
#include "support/umgebung.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>
#include <QThread>
#include <gtest/gtest.h>

#include <set>

namespace {

const TDateTime kHeute = 46364.0;

QString kindOrdner() { return qEnvironmentVariable("QEL_SICHERUNG_KIND"); }

// Books one dunning after another, each with an item of its own, and after every commit appends the
// dunning's number to "gebucht"; ends when the file "stop" appears.
TEST(SicherungKind, BooksUntilStopped)
{
    if (kindOrdner().isEmpty())
        GTEST_SKIP() << "started by the backup test only";
    TTestUmgebung umg(kHeute + 0.5);
    QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
    TTestMandant mandant{8, QStringLiteral("Buchende GmbH")};
    QFile log(kindOrdner() + QStringLiteral("/gebucht"));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text));
    for (int i = 0; i < 5000 && !QFile::exists(kindOrdner() + QStringLiteral("/stop")); ++i) {
        const TIntPair gep = mandant.Partner(QStringLiteral("Partner %1").arg(i));
        const TIntTrio posten =
            mandant.Posten(gep, {QStringLiteral("R-%1").arg(i), kHeute - 40, 100.0 + i, 0, kHeute - 20, 0, false, QString()});
        TTestBuchung buchung(mandant.Id);
        buchung.Mahnung(gep, kHeute + 0.5, QStringLiteral("Mahnung %1").arg(i));
        buchung.Posten(posten, {QStringLiteral("R-%1").arg(i), kHeute - 40, 100.0 + i, 0, kHeute - 20, 0, false, QString()});
        const TQEL_Mahnung_Beleg_Array gebucht = buchung.Buchen();
        log.write(QByteArray::number(gebucht.at(0).LfdNr) + '\n');
        log.flush();
    }
}

QStringList zeilen(const QString& datei)
{
    QFile f(datei);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QByteArray pruefsumme(const QString& datei)
{
    QFile f(datei);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Runs a query on a database file of its own connection; the first column of every row.
QStringList abfrage(const QString& datei, const QString& sql)
{
    QStringList werte;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("test_sicherung"));
        db.setDatabaseName(datei);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(sql))
                while (q.next())
                    werte << q.value(0).toString();
            else
                werte << QStringLiteral("FEHLER");
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("test_sicherung"));
    return werte;
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

TEST(Sicherung, CopyTakenWhileAnotherProcessBooksHoldsEveryCommittedBooking)
{
    QEL_NUR_SQLITE();
    TTempSuite suite(false);
    TSuiteDatenbank::Schliessen();
    QProcess kind;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QEL_SICHERUNG_KIND"), suite.Ordner());
    env.insert(QStringLiteral("QEL_SUITE_CONFIG"), suite.EinstellungsDatei());
    kind.setProcessEnvironment(env);
    kind.setProcessChannelMode(QProcess::ForwardedChannels);
    kind.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=SicherungKind.*")});
    ASSERT_TRUE(kind.waitForStarted(30000));
    const QString log = suite.Ordner() + QStringLiteral("/gebucht");
    QElapsedTimer uhr;
    uhr.start();
    while (zeilen(log).size() < 20 && uhr.elapsed() < 60000 && kind.state() == QProcess::Running)
        QThread::msleep(20);

    // Three backups while the bookings go on; each holds at least what was committed before it began.
    std::vector<std::pair<QStringList, QString>> sicherungen;
    for (int i = 0; i < 3; ++i) {
        const QStringList vorher = zeilen(log);
        const QString datei = suite.Ordner() + QStringLiteral("/sicherung%1.db").arg(i);
        const TSicherungInfo info = Sicherung_Erstellen(suite.Konfiguration(), datei);
        EXPECT_EQ(info.SchemaVersion, TSuiteDatenbank::SchemaVersionProgramm());
        EXPECT_GT(info.Bytes, 0);
        sicherungen.emplace_back(vorher, datei);
        QThread::msleep(50);
    }
    QFile stop(suite.Ordner() + QStringLiteral("/stop"));
    ASSERT_TRUE(stop.open(QIODevice::WriteOnly));
    stop.close();
    ASSERT_TRUE(kind.waitForFinished(120000));
    ASSERT_EQ(kind.exitCode(), 0);
    const int gesamt = zeilen(log).size();

    for (const auto& [vorher, datei] : sicherungen) {
        SCOPED_TRACE(datei.toStdString());
        ASSERT_GE(vorher.size(), 20);
        EXPECT_EQ(abfrage(datei, QStringLiteral("PRAGMA integrity_check")), QStringList{QStringLiteral("ok")});
        const QStringList nummern = abfrage(datei, QStringLiteral("SELECT beleg_lfdnr FROM mahnung"));
        const std::set<QString> inKopie(nummern.begin(), nummern.end());
        for (const QString& n : vorher)
            EXPECT_TRUE(inKopie.count(n)) << "booking " << n.toStdString() << " missing from the backup";
        EXPECT_LE(int(nummern.size()), gesamt);
        // Bookings are whole in the copy: each dunning with its item, each item raised once.
        EXPECT_EQ(abfrage(datei, QStringLiteral("SELECT COUNT(*) FROM mahnung m WHERE NOT EXISTS (SELECT 1 FROM "
                                                "mahnung_position p WHERE p.mahnung_rnr = m.rnr AND p.mahnung_lnr = m.lnr)")),
                  QStringList{QStringLiteral("0")});
        EXPECT_EQ(abfrage(datei, QStringLiteral("SELECT COUNT(*) FROM mahnung_position")),
                  QStringList{QString::number(nummern.size())});
    }
    EXPECT_GT(gesamt, sicherungen.front().first.size()) << "the bookings went on during the backups";
}

class Wiederherstellen : public ::testing::Test {
protected:
    Wiederherstellen()
    {
        QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
        const TIntPair gep = mandant.Partner(QStringLiteral("Alpha GmbH"));
        mandant.Posten(gep, {QStringLiteral("A1"), kHeute - 40, 100, 0, kHeute - 20, 0, false, QString()});
        sicherung = suite.Ordner() + QStringLiteral("/sicherung.db");
        Sicherung_Erstellen(suite.Konfiguration(), sicherung);
        // After the backup: a second partner, which a restore removes again.
        mandant.Partner(QStringLiteral("Beta KG"));
        TSuiteDatenbank::Schliessen();
        vorher = pruefsumme(suite.DatenbankDatei());
    }

    // A restore that must be refused with a message containing `grund`, the database unchanged.
    void abgelehnt(const QString& datei, const QString& grund)
    {
        const QString text = fehlerText([&] { Sicherung_Wiederherstellen(suite.Konfiguration(), datei); });
        EXPECT_TRUE(text.contains(grund)) << text.toStdString();
        EXPECT_EQ(pruefsumme(suite.DatenbankDatei()), vorher);
        TSuiteDatenbank::Oeffnen(suite.Konfiguration());
        EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("geschaeftspartner")), 2);
        TSuiteDatenbank::Schliessen();
        vorher = pruefsumme(suite.DatenbankDatei());
    }

    QString kopieMit(const QString& name, const std::function<void(QFile&)>& aendern)
    {
        const QString datei = suite.Ordner() + QLatin1Char('/') + name;
        QFile::copy(sicherung, datei);
        QFile f(datei);
        EXPECT_TRUE(f.open(QIODevice::ReadWrite));
        aendern(f);
        return datei;
    }

    TTempSuite suite{false};
    TTestUmgebung umg{kHeute + 0.5};
    TTestMandant mandant{7, QStringLiteral("Testmandant GmbH")};
    QString sicherung;
    QByteArray vorher;
};

TEST_F(Wiederherstellen, RefusesDamagedForeignAndNewerBackups)
{
    QEL_NUR_SQLITE();
    abgelehnt(kopieMit(QStringLiteral("halb.db"), [](QFile& f) { f.resize(f.size() / 2); }), QStringLiteral("beschädigt"));
    abgelehnt(kopieMit(QStringLiteral("fremd.db"),
                       [](QFile& f) {
                           f.resize(0);
                           f.write("Rechnungsnummer;Betrag\n4711;12,50\n");
                       }),
              QStringLiteral("keine Sicherung"));
    // A SQLite database, but not one of the suite.
    const QString andere = suite.Ordner() + QStringLiteral("/andere.db");
    abfrage(andere, QStringLiteral("CREATE TABLE kunde (nr INTEGER)"));
    abgelehnt(andere, QStringLiteral("keine Sicherung"));
    const QString neuer = kopieMit(QStringLiteral("neuer.db"), [](QFile&) {});
    abfrage(neuer, QStringLiteral("UPDATE schema_version SET version = 999"));
    abgelehnt(neuer, QStringLiteral("neueren Programmversion"));
    abgelehnt(suite.Ordner() + QStringLiteral("/fehlt.db"), QStringLiteral("nicht gefunden"));
}

TEST_F(Wiederherstellen, RefusesWhileTheDatabaseIsOpenAndRestoresOnceItIsClosed)
{
    QEL_NUR_SQLITE();
    // Another process has the database open and has read from it, as every workstation does.
    QProcess platz;
    platz.start(QStringLiteral("sqlite3"), {suite.DatenbankDatei()});
    ASSERT_TRUE(platz.waitForStarted(10000));
    platz.write("SELECT COUNT(*) FROM mahnung;\n");
    ASSERT_TRUE(platz.waitForReadyRead(10000));
    platz.readAll();
    abgelehnt(sicherung, QStringLiteral("gerade benutzt"));
    platz.closeWriteChannel();
    ASSERT_TRUE(platz.waitForFinished(10000));

    const TSicherungInfo info = Sicherung_Wiederherstellen(suite.Konfiguration(), sicherung);
    EXPECT_EQ(info.SchemaVersion, TSuiteDatenbank::SchemaVersionProgramm());
    TSuiteDatenbank::Oeffnen(suite.Konfiguration());
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("geschaeftspartner")), 1);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("offener_posten")), 1);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
}

TEST(SicherungZiel, RefusesMissingFolderAndTheDatabaseItselfAndKeepsAnOlderBackupOnFailure)
{
    QEL_NUR_SQLITE();
    TTempSuite suite(false);
    TSuiteDatenbank::Schliessen();
    EXPECT_TRUE(fehlerText([&] { Sicherung_Erstellen(suite.Konfiguration(), suite.Ordner() + QStringLiteral("/fehlt/x.db")); })
                    .contains(QStringLiteral("existiert nicht")));
    EXPECT_TRUE(fehlerText([&] { Sicherung_Erstellen(suite.Konfiguration(), suite.DatenbankDatei()); })
                    .contains(QStringLiteral("Datenbank selbst")));
    // A backup that fails (the database file is damaged) leaves the older backup of the same name.
    const QString ziel = suite.Ordner() + QStringLiteral("/sicherung.db");
    Sicherung_Erstellen(suite.Konfiguration(), ziel);
    const QByteArray alt = pruefsumme(ziel);
    {
        QFile db(suite.DatenbankDatei());
        ASSERT_TRUE(db.open(QIODevice::ReadWrite));
        db.seek(100);
        db.write(QByteArray(4096, '\xAB'));
    }
    EXPECT_FALSE(fehlerText([&] { Sicherung_Erstellen(suite.Konfiguration(), ziel); }).isEmpty());
    EXPECT_EQ(pruefsumme(ziel), alt);
    EXPECT_EQ(QDir(suite.Ordner()).entryList({QStringLiteral(".sicherung.db.*")}, QDir::Hidden | QDir::Files), QStringList());
}

// The administrator's commands: exit code 0 with the file named, 1 with the reason on a refusal.
TEST(SicherungAdmin, SichernAndWiederherstellenFromTheCommandLine)
{
    QEL_NUR_SQLITE();
    TTempSuite suite(false);
    TSuiteDatenbank::Schliessen();
    auto admin = [&](const QStringList& args, QString* text) {
        QProcess p;
        p.start(QStringLiteral(MAHNWESEN_ADMIN_EXE), QStringList{QStringLiteral("--config"), suite.EinstellungsDatei()} + args);
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
            return -1;
        *text = QString::fromUtf8(p.readAllStandardError() + p.readAllStandardOutput());
        return p.exitCode();
    };
    QString text;
    const QString datei = suite.Ordner() + QStringLiteral("/tag1.db");
    ASSERT_EQ(admin({QStringLiteral("sichern"), datei}, &text), 0) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Sicherung geschrieben: ") + datei)) << text.toStdString();
    EXPECT_EQ(admin({QStringLiteral("sichern")}, &text), 2) << text.toStdString();

    QFile kaputt(suite.Ordner() + QStringLiteral("/kaputt.db"));
    ASSERT_TRUE(kaputt.open(QIODevice::WriteOnly));
    kaputt.write("kein Backup");
    kaputt.close();
    EXPECT_EQ(admin({QStringLiteral("wiederherstellen"), kaputt.fileName()}, &text), 1);
    EXPECT_TRUE(text.contains(QStringLiteral("keine Sicherung"))) << text.toStdString();
    EXPECT_EQ(admin({QStringLiteral("wiederherstellen"), datei}, &text), 0) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("wiederhergestellt"))) << text.toStdString();
}

TEST(SicherungPostgres, DumpRestoresAfterTheLastSessionEndsAndRefusesForeignFiles)
{
    QEL_NUR_POSTGRES();
    TTempSuite suite(false);
    TTestUmgebung umg(kHeute + 0.5);
    QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
    TTestMandant mandant{7, QStringLiteral("Testmandant GmbH")};
    mandant.Partner(QStringLiteral("Alpha GmbH"));
    const QString datei = suite.Ordner() + QStringLiteral("/sicherung.dump");
    const TSicherungInfo info = Sicherung_Erstellen(suite.Konfiguration(), datei);
    EXPECT_EQ(info.SchemaVersion, TSuiteDatenbank::SchemaVersionProgramm());
    mandant.Partner(QStringLiteral("Beta KG"));

    // This process is still connected: refused, nothing changed.
    QString text = fehlerText([&] { Sicherung_Wiederherstellen(suite.Konfiguration(), datei); });
    EXPECT_TRUE(text.contains(QStringLiteral("gerade benutzt"))) << text.toStdString();
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("geschaeftspartner")), 2);

    QFile fremd(suite.Ordner() + QStringLiteral("/fremd.dump"));
    ASSERT_TRUE(fremd.open(QIODevice::WriteOnly));
    fremd.write("PGDMP kaputt");
    fremd.close();
    TSuiteDatenbank::Schliessen();
    text = fehlerText([&] { Sicherung_Wiederherstellen(suite.Konfiguration(), fremd.fileName()); });
    EXPECT_TRUE(text.contains(QStringLiteral("keine lesbare Sicherung"))) << text.toStdString();

    Sicherung_Wiederherstellen(suite.Konfiguration(), datei);
    TSuiteDatenbank::Oeffnen(suite.Konfiguration());
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("geschaeftspartner")), 1);
}

}  // namespace
