// A throw-away suite for tests: settings file and SQLite database in a temporary folder.
#pragma once

#include "suite/konfiguration.h"
#include "suite/servers/demodaten.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QVariantList>
#include <optional>

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
    QString DatenbankDatei() const;
    const TSuiteKonfiguration& Konfiguration() const { return m_konf; }

    // Checking helpers: a single value of a query on the open connection (parameters bound in order).
    static QVariant Wert(const QString& sql, const QVariantList& parameter = {});
    static qint64 Anzahl(const QString& tabelle, const QString& bedingung = QString(), const QVariantList& parameter = {});

private:
    QTemporaryDir m_dir;
    TSuiteKonfiguration m_konf;
    std::optional<QByteArray> m_alteUmgebung;
};
