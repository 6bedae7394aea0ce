// What the program and the administration tool meet at start: a path that is no regular file, a
// file or folder that cannot be written, a truncated or foreign file, an emptied version table, a
// lock held in rollback-journal mode. Each gets its own German message before the clerk works; the
// driver's text and the statement go to the error log only.
#include "suite/core/konfiguration.h"
#include "suite/core/servers/database_intern.h"
#include "suite/ui/info.h"
#include "suite/ui/programm.h"
#include "support/temp_suite.h"
#include "support/umgebung.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// The German text of the refusal to open, or empty when it opened.
QString oeffnenMeldung(const TSuiteKonfiguration& k)
{
    try {
        TSuiteDatenbank::Oeffnen(k);
        TSuiteDatenbank::Schliessen();
        return QString();
    } catch (const EQELError& e) {
        return e.Text();
    }
}

// Driver wording and statements; the database's path is for the clerk and is not searched.
void keinTechnikText(QString text, const QString& pfad)
{
    text.remove(pfad);
    for (const char* wort : {"SQL", "SELECT", "UPDATE", "sqlite", "attempt to", "database", "unable to", "Datenbankfehler:"})
        EXPECT_FALSE(text.contains(QString::fromUtf8(wort))) << wort << " in: " << text.toStdString();
}

// Immutable files and folders are read-only even for root, who runs the tests here.
bool unveraenderlich(const QString& pfad, bool an)
{
    return QProcess::execute(QStringLiteral("chattr"), {an ? QStringLiteral("+i") : QStringLiteral("-i"), pfad}) == 0;
}

class Pruefung : public ::testing::Test {
protected:
    Pruefung()
    {
        konf = suite.Konfiguration();
        TSuiteDatenbank::Schliessen();
    }
    TTempSuite suite{false};
    TTestUmgebung umg;
    TSuiteKonfiguration konf;
};

TEST_F(Pruefung, ANamedPipeIsRefusedWithoutWaitingByProgramAndAdministrationTool)
{
    QEL_NUR_SQLITE();
    const QString fifo = suite.Ordner() + QStringLiteral("/pipe.db");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    konf.Datenbank = fifo;
    const QString text = oeffnenMeldung(konf);
    EXPECT_TRUE(text.contains(QStringLiteral("keine gewöhnliche Datei"))) << text.toStdString();
    EXPECT_THROW(TSuiteDatenbank::AnlegenOderAktualisieren(konf), EQELError);

    konf.Speichern(suite.EinstellungsDatei());
    QProcess admin;
    admin.start(QStringLiteral(MAHNWESEN_ADMIN_EXE), {QStringLiteral("--config"), suite.EinstellungsDatei(),
                                                      QStringLiteral("upgrade")});
    ASSERT_TRUE(admin.waitForFinished(30000)) << "the administration tool hangs on a named pipe";
    EXPECT_NE(admin.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(admin.readAllStandardError()).contains(QStringLiteral("keine gewöhnliche Datei")));
}

TEST_F(Pruefung, AReadOnlyFileOrFolderIsToldAtStart)
{
    QEL_NUR_SQLITE();
    const QString datei = suite.DatenbankDatei();
    if (!unveraenderlich(datei, true))
        GTEST_SKIP() << "chattr +i is not available on this file system";
    const QString dateiText = oeffnenMeldung(konf);
    unveraenderlich(datei, false);
    EXPECT_TRUE(dateiText.contains(QStringLiteral("schreibgeschützt"))) << dateiText.toStdString();
    keinTechnikText(dateiText, datei);

    // The folder: SQLite cannot create its journal next to the file.
    {
        TSuiteDatenbank::Oeffnen(konf);
        TSqlAbfrage(QStringLiteral("PRAGMA journal_mode = DELETE")).Exec();
        TSuiteDatenbank::Schliessen();
    }
    ASSERT_TRUE(unveraenderlich(suite.Ordner(), true));
    const QString ordnerText = oeffnenMeldung(konf);
    unveraenderlich(suite.Ordner(), false);
    EXPECT_TRUE(ordnerText.contains(QStringLiteral("schreibgeschützt"))) << ordnerText.toStdString();
    keinTechnikText(ordnerText, datei);
    EXPECT_EQ(oeffnenMeldung(konf), QString());
}

TEST_F(Pruefung, TruncatedAndForeignFilesAreNamedAsSuch)
{
    QEL_NUR_SQLITE();
    const QString datei = suite.DatenbankDatei();
    {
        QFile f(datei);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_GT(f.size(), 8192);
        ASSERT_TRUE(f.resize(f.size() / 2));
    }
    QString text = oeffnenMeldung(konf);
    EXPECT_TRUE(text.contains(QStringLiteral("unvollständig"))) << text.toStdString();

    {
        QFile f(datei);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("%PDF-1.4 kein SQLite\n");
    }
    text = oeffnenMeldung(konf);
    EXPECT_TRUE(text.contains(QStringLiteral("keine SQLite-Datenbank"))) << text.toStdString();
    // Neither is touched by the administration tool either.
    EXPECT_THROW(TSuiteDatenbank::AnlegenOderAktualisieren(konf), EQELError);
    QFile f(datei);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("%PDF-1.4 kein SQLite\n"));
}

TEST_F(Pruefung, AnEmptiedVersionTableStopsInsteadOfRunningTheMigrationsAgain)
{
    TSuiteDatenbank::Oeffnen(konf);
    TSqlAbfrage(QStringLiteral("DELETE FROM schema_version")).Exec();
    TSuiteDatenbank::Schliessen();
    for (int i = 0; i < 2; ++i) {
        QString text;
        try {
            if (i == 0)
                TSuiteDatenbank::Oeffnen(konf);
            else
                TSuiteDatenbank::AnlegenOderAktualisieren(konf);
        } catch (const EQELError& e) {
            text = e.Text();
        }
        EXPECT_TRUE(text.contains(QStringLiteral("Versionstabelle der Datenbank ist leer oder beschädigt (0 Einträge)")))
            << text.toStdString();
        keinTechnikText(text, konf.Datenbank);
    }
    // Two rows are as wrong as none.
    qel_datenbank::Verbinden(konf, false);
    TSqlAbfrage(QStringLiteral("INSERT INTO schema_version (version) VALUES (1), (2)")).Exec();
    TSuiteDatenbank::Schliessen();
    EXPECT_TRUE(oeffnenMeldung(konf).contains(QStringLiteral("(2 Einträge)")));
}

// In rollback-journal mode the lock stops even the first read; with a write-ahead log reading goes
// on and the write check at start meets it.
TEST_F(Pruefung, ALockHeldInEitherJournalModeIsReportedAsALock)
{
    QEL_NUR_SQLITE();
    for (const QString modus : {QStringLiteral("DELETE"), QStringLiteral("WAL")}) {
        SCOPED_TRACE(modus.toStdString());
        {
            TSuiteDatenbank::Oeffnen(konf);
            TSqlAbfrage(QStringLiteral("PRAGMA journal_mode = %1").arg(modus)).Exec();
            TSuiteDatenbank::Schliessen();
        }
        // Another program writes and holds the file exclusively.
        {
            QSqlDatabase anderes = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("anderes"));
            anderes.setDatabaseName(konf.Datenbank);
            ASSERT_TRUE(anderes.open());
            QSqlQuery q(anderes);
            ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA journal_mode")) && q.next());
            ASSERT_EQ(q.value(0).toString().toUpper(), modus);
            q.finish();
            ASSERT_TRUE(q.exec(QStringLiteral("BEGIN EXCLUSIVE")));
            ASSERT_TRUE(q.exec(QStringLiteral("UPDATE schema_version SET version = version + 1")));
            konf.WartezeitMs = 200;
            const QString text = oeffnenMeldung(konf);
            EXPECT_TRUE(text.contains(QStringLiteral("gesperrt"))) << text.toStdString();
            keinTechnikText(text, konf.Datenbank);
            q.exec(QStringLiteral("ROLLBACK"));
            q.finish();
            anderes.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("anderes"));
        EXPECT_EQ(oeffnenMeldung(konf), QString());
    }
}

// On a server the lock is a table lock: another session holding the version table.
TEST_F(Pruefung, ALockOnTheServerIsReportedAsALock)
{
    QEL_NUR_POSTGRES();
    {
        QSqlDatabase anderes = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("anderes"));
        qel_datenbank::PostgresParameter(anderes, konf, konf.Datenbank);
        ASSERT_TRUE(anderes.open());
        ASSERT_TRUE(anderes.transaction());
        QSqlQuery q(anderes);
        ASSERT_TRUE(q.exec(QStringLiteral("LOCK TABLE schema_version IN ACCESS EXCLUSIVE MODE")));
        konf.WartezeitMs = 200;
        const QString text = oeffnenMeldung(konf);
        EXPECT_TRUE(text.contains(QStringLiteral("gesperrt"))) << text.toStdString();
        keinTechnikText(text, konf.Datenbank);
        anderes.rollback();
        q.finish();
        anderes.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("anderes"));
    EXPECT_EQ(oeffnenMeldung(konf), QString());
}

TEST_F(Pruefung, DriverTextAndStatementGoToTheLogOnly)
{
    QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
    QELInfo().RegisterException(QStringLiteral("Test.Fehler"), [] {
        try {
            TSqlAbfrage(QStringLiteral("SELECT gibt_es_nicht FROM offener_posten")).Exec();
        } catch (...) {
            return std::current_exception();
        }
        return std::exception_ptr();
    }(), true);
    ASSERT_EQ(umg.Recorder->Exceptions.size(), 1u);
    keinTechnikText(umg.Recorder->Exceptions[0].Text, konf.Datenbank);
    EXPECT_TRUE(umg.Recorder->Exceptions[0].Text.contains(QStringLiteral("Fehlerprotokoll")));
    QFile log(QELProgramm().Konfiguration().LogDatei);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(log.readAll()).contains(QStringLiteral("SQL: SELECT gibt_es_nicht FROM offener_posten")));
}

}  // namespace
