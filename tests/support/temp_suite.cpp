#include "temp_suite.h"

#include "suite/core/servers/database_intern.h"
#include "suite/core/servers/verwaltung.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>
#include <cstdio>
#include <stdexcept>

namespace {

// A PostgreSQL run without a cluster skips every test, saying why, instead of failing.
class TPostgresUmgebung : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (TTempSuite::Postgres() && !TTempSuite::PostgresFehlt().isEmpty()) {
            // gtest reports tests skipped here as passed; ctest looks for this marker instead.
            std::printf("[  SKIPPED ] %s\n", qPrintable(TTempSuite::PostgresFehlt()));
            GTEST_SKIP() << TTempSuite::PostgresFehlt().toStdString();
        }
    }
};

[[maybe_unused]] ::testing::Environment* const g_postgresUmgebung =
    ::testing::AddGlobalTestEnvironment(new TPostgresUmgebung);

QString neuerDatenbankName()
{
    static int zaehler = 0;
    return QStringLiteral("qel_test_%1_%2_%3")
        .arg(QCoreApplication::applicationPid())
        .arg(++zaehler)
        .arg(QRandomGenerator::global()->generate() & 0xffffff, 6, 16, QLatin1Char('0'));
}

}  // namespace

bool TTempSuite::Postgres() { return qgetenv("QEL_TEST_DB").toLower() == "pg"; }

QString TTempSuite::PostgresFehlt()
{
    if (qEnvironmentVariableIsEmpty("QEL_TEST_PG_HOST"))
        return QStringLiteral("no PostgreSQL test cluster configured (QEL_TEST_PG_HOST is not set; "
                              "scripts/test.sh starts one)");
    return QString();
}

TSuiteKonfiguration TTempSuite::PostgresKonfiguration(const QString& datenbank)
{
    TSuiteKonfiguration k;
    k.Treiber = QStringLiteral("QPSQL");
    k.Datenbank = datenbank;
    k.Host = qEnvironmentVariable("QEL_TEST_PG_HOST");
    k.Port = qEnvironmentVariableIntValue("QEL_TEST_PG_PORT");
    k.DbBenutzer = qEnvironmentVariable("QEL_TEST_PG_USER");
    k.DbPasswort = qEnvironmentVariable("QEL_TEST_PG_PASSWORD");
    return k;
}

TTempSuite::TTempSuite(bool mitDemoDaten, const TDemoOptionen& optionen)
{
    if (!m_dir.isValid())
        throw std::runtime_error("temporary folder for the test suite cannot be created");
    if (Postgres() && !PostgresFehlt().isEmpty())
        throw std::runtime_error(PostgresFehlt().toStdString());
    if (qEnvironmentVariableIsSet("QEL_SUITE_CONFIG"))
        m_alteUmgebung = qgetenv("QEL_SUITE_CONFIG");
    if (Postgres())
        m_konf = PostgresKonfiguration(neuerDatenbankName());
    else
        m_konf.Datenbank = DatenbankDatei();
    m_konf.Rechner = 1;
    // One OS user runs the tests; the seam names the clerk they act as.
    m_konf.Benutzer = QStringLiteral("tester");
    qputenv("QEL_SUITE_TEST_BENUTZER", m_konf.Benutzer.toUtf8());
    m_konf.Speichern(EinstellungsDatei());
    m_konf = TSuiteKonfiguration::Laden(EinstellungsDatei());
    qputenv("QEL_SUITE_CONFIG", EinstellungsDatei().toLocal8Bit());
    TSuiteDatenbank::AnlegenOderAktualisieren(m_konf);
    // The test clerk holds the module's rights, as a clerk who works with it does.
    Verwaltung_BenutzerAnlegen(m_konf.Benutzer, QString(), {202, 203});
    if (mitDemoDaten) {
        TDemoOptionen o = optionen;
        if (o.Benutzer.isEmpty())
            o.Benutzer = m_konf.Benutzer;
        DemoDaten_Erzeugen(o);
    }
}

TTempSuite::~TTempSuite()
{
    TSuiteDatenbank::Schliessen();
    if (Postgres()) {
        try {
            TSuiteDatenbank::PostgresDatenbankLoeschen(m_konf);
        } catch (const std::exception& e) {
            ADD_FAILURE() << "test database not dropped: " << e.what();
        }
    }
    if (m_alteUmgebung)
        qputenv("QEL_SUITE_CONFIG", *m_alteUmgebung);
    else
        qunsetenv("QEL_SUITE_CONFIG");
}

QString TTempSuite::EinstellungsDatei() const { return m_dir.filePath(QStringLiteral("suite.ini")); }
QString TTempSuite::DatenbankDatei() const { return m_dir.filePath(QStringLiteral("suite.sqlite")); }

QVariant TTempSuite::Wert(const QString& sql, const QVariantList& parameter)
{
    QSqlQuery q(qel_Verbindung());
    if (!q.prepare(sql))
        throw std::runtime_error(("prepare failed: " + q.lastError().text() + " / " + sql).toStdString());
    for (const QVariant& p : parameter)
        q.addBindValue(p);
    if (!q.exec())
        throw std::runtime_error(("query failed: " + q.lastError().text() + " / " + sql).toStdString());
    return q.next() ? q.value(0) : QVariant();
}

qint64 TTempSuite::Anzahl(const QString& tabelle, const QString& bedingung, const QVariantList& parameter)
{
    QString sql = QStringLiteral("SELECT COUNT(*) FROM ") + tabelle;
    if (!bedingung.isEmpty())
        sql += QStringLiteral(" WHERE ") + bedingung;
    return Wert(sql, parameter).toLongLong();
}
