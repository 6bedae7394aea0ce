#include "temp_suite.h"

#include "suite/servers/database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <stdexcept>

TTempSuite::TTempSuite(bool mitDemoDaten, const TDemoOptionen& optionen)
{
    if (!m_dir.isValid())
        throw std::runtime_error("temporary folder for the test suite cannot be created");
    if (qEnvironmentVariableIsSet("QEL_SUITE_CONFIG"))
        m_alteUmgebung = qgetenv("QEL_SUITE_CONFIG");
    m_konf.Datenbank = DatenbankDatei();
    m_konf.Rechner = 1;
    m_konf.Benutzer = QStringLiteral("tester");
    m_konf.Speichern(EinstellungsDatei());
    m_konf = TSuiteKonfiguration::Laden(EinstellungsDatei());
    qputenv("QEL_SUITE_CONFIG", EinstellungsDatei().toLocal8Bit());
    TSuiteDatenbank::AnlegenOderAktualisieren(m_konf);
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
    if (m_alteUmgebung)
        qputenv("QEL_SUITE_CONFIG", *m_alteUmgebung);
    else
        qunsetenv("QEL_SUITE_CONFIG");
}

QString TTempSuite::EinstellungsDatei() const { return m_dir.filePath(QStringLiteral("suite.ini")); }
QString TTempSuite::DatenbankDatei() const { return m_dir.filePath(QStringLiteral("suite.sqlite")); }

QVariant TTempSuite::Wert(const QString& sql, const QVariantList& parameter)
{
    QSqlQuery q(TSuiteDatenbank::Verbindung());
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
