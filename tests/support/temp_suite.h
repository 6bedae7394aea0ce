// A throw-away suite for tests: settings file in a temporary folder, and a SQLite database there or,
// with QEL_TEST_DB=pg, a fresh PostgreSQL database in the cluster named by QEL_TEST_PG_HOST,
// QEL_TEST_PG_PORT and QEL_TEST_PG_USER, dropped again at the end.
#pragma once

#include "suite/core/konfiguration.h"
#include "suite/demodaten/demodaten.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QVariantList>
#include <optional>

// Cases that test SQLite's own file handling skip themselves on PostgreSQL.
#define QEL_NUR_SQLITE()                                                                     \
    do {                                                                                     \
        if (TTempSuite::Postgres())                                                          \
            GTEST_SKIP() << "only meaningful on SQLite (files, file locks)";                 \
    } while (0)
#define QEL_NUR_POSTGRES()                                                                   \
    do {                                                                                     \
        if (!TTempSuite::Postgres())                                                         \
            GTEST_SKIP() << "only meaningful on PostgreSQL";                                  \
    } while (0)

class TTempSuite {
public:
    // Creates the database through the same migrations as the program, optionally with demo data.
    // Points QEL_SUITE_CONFIG at its settings file and leaves the connection open.
    explicit TTempSuite(bool mitDemoDaten = false, const TDemoOptionen& optionen = TDemoOptionen());
    ~TTempSuite();
    TTempSuite(const TTempSuite&) = delete;
    TTempSuite& operator=(const TTempSuite&) = delete;

    QString Ordner() const { return m_dir.path(); }
    QString EinstellungsDatei() const;
    QString DatenbankDatei() const;  // the SQLite file (SQLite runs only)
    const TSuiteKonfiguration& Konfiguration() const { return m_konf; }

    // Checking helpers: a single value of a query on the open connection (parameters bound in order).
    static QVariant Wert(const QString& sql, const QVariantList& parameter = {});
    static qint64 Anzahl(const QString& tabelle, const QString& bedingung = QString(), const QVariantList& parameter = {});

    // Whether this run is on PostgreSQL, and why it cannot be (empty when it can).
    static bool Postgres();
    static QString PostgresFehlt();
    // Connection settings of the test cluster for a database name (PostgreSQL runs only).
    static TSuiteKonfiguration PostgresKonfiguration(const QString& datenbank);

private:
    QTemporaryDir m_dir;
    TSuiteKonfiguration m_konf;
    std::optional<QByteArray> m_alteUmgebung;
};
