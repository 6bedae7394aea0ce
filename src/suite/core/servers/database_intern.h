// The servers' side of the suite database: the connection, prepared queries, transactions and key
// counters. Only the servers (and the demo data and tests that write or check rows) include this;
// it needs Qt SQL, which the suite core links privately.
#pragma once

#include "database.h"
#include "datenbankfehler.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <initializer_list>

// The open suite connection; raises EQELError when none is open.
QSqlDatabase qel_Verbindung();

// A prepared query that raises EQELError instead of returning false.
class TSqlAbfrage {
public:
    explicit TSqlAbfrage(const QString& sql);
    TSqlAbfrage& Bind(const QVariant& v);
    TSqlAbfrage& Bind(std::initializer_list<QVariant> values);
    TSqlAbfrage& Exec();
    bool Next() { return m_q.next(); }
    QVariant Wert(int i) const { return m_q.value(i); }
    int Int(int i) const { return m_q.value(i).toInt(); }
    qint64 Int64(int i) const { return m_q.value(i).toLongLong(); }
    double Double(int i) const { return m_q.value(i).toDouble(); }
    QString Text(int i) const { return m_q.value(i).toString(); }
    QSqlQuery& Query() { return m_q; }
    int ZeilenBetroffen() const { return m_q.numRowsAffected(); }

private:
    QSqlQuery m_q;
    QString m_sql;
};

// One transaction: rolled back unless committed.
class TTransaktion {
public:
    TTransaktion();
    ~TTransaktion();
    void Commit();

private:
    bool m_offen = false;
    int m_verbindung = 0;  // which connection it was begun on
};

// Next key (computer number, running number) of a key range ("MAHNUNG", "TEXTBAUSTEIN", ...),
// inside the caller's transaction.
TIntPair qel_NeuerSchluessel(const QString& bereich, int rechnerNr);
// A block of anzahl consecutive keys; returns the first. For bulk imports.
TIntPair qel_NeueSchluessel(const QString& bereich, int rechnerNr, int anzahl);

// Normal form of texts kept unique regardless of case and blanks (the "..._norm" columns).
QString qel_TextNorm(const QString& text);

// Shared by the database's own files (connection, errors, schema, PostgreSQL); not for servers.
namespace qel_datenbank {

extern const QString kVerbindung;  // name of the suite connection

// Errors (database_fehler.cpp).
enum class TFehlerArt { Sonstiges, Gesperrt, Konflikt, Verbindung, Berechtigung, Beschaedigt, Schreibgeschuetzt };
TFehlerArt FehlerArt(const QSqlError& e, bool postgres);
bool IstGesperrt(const QSqlError& e);
bool IstKeineDatenbank(const QSqlError& e);
QString FehlerText(const QSqlError& e);
QString GesperrtText(const QString& datenbank);
QString GesperrtTextPostgres(const QString& datenbank);
QString VerbindungText(const QString& datenbank);
QString BeschaedigtText(const QString& datenbank);
QString SchreibgeschuetztText(const QString& datenbank);
// Driver text and statement, for the error log.
QString Einzelheiten(const QSqlError& e, const QString& sql = QString());
// Raises the clerk's text for a failed statement and spoils the open transaction.
[[noreturn]] void SqlFehler(const QSqlError& e, const QString& sql);
// Runs a statement that cannot be prepared (DDL, settings); raises EQELError.
void SqlAusfuehren(QSqlDatabase& db, const QString& sql);

// Connection and transactions (database_verbindung.cpp).
const QString& DatenbankName();  // of the last opened database, for messages
void Verbinden(const TSuiteKonfiguration& konf, bool anlegen);
// A statement failed inside a transaction: it must not be committed. True when one is open.
bool TransaktionVerderben();
bool TabelleVorhanden(QSqlDatabase& db, const QString& name);
// SQLite: takes the write lock once and gives it back, so that a database another program holds
// exclusively, or one that cannot be written, is told before the clerk starts working.
void SqliteSchreibzugriffPruefen(QSqlDatabase& db, const QString& name);
// SQLite: write-ahead log, so that workstations read while one books.
void SqliteWalEinschalten(QSqlDatabase& db);

// Schema (database_schema.cpp).
void Migrieren(int vonVersion);

// PostgreSQL (database_postgres.cpp).
void PostgresParameter(QSqlDatabase& db, const TSuiteKonfiguration& konf, const QString& datenbank);
void PostgresDatenbankAnlegen(const TSuiteKonfiguration& konf);
bool PostgresDatenbankVorhanden(const TSuiteKonfiguration& konf);

}  // namespace qel_datenbank
