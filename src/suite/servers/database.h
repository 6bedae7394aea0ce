// The suite database: connection, schema migrations and the helpers every server uses.
#pragma once

#include "../types.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <initializer_list>

struct TSuiteKonfiguration;

// Another workstation held the data too long, or the engine broke a deadlock or a serialization
// conflict: nothing was changed, and the same work can simply be tried again.
class EDatenbankKonflikt : public EQELError {
public:
    using EQELError::EQELError;
};

// A UNIQUE column or key refused a second equal entry.
class EEintragVorhanden : public EQELError {
public:
    using EQELError::EQELError;
};

class TSuiteDatenbank {
public:
    // The schema version this program knows.
    static int SchemaVersionProgramm();

    // Opens the configured database for the program: it must exist and be a suite database of a
    // version this program knows; an older one is upgraded. Raises EQELError with a German text.
    static void Oeffnen(const TSuiteKonfiguration& konf);
    // Creates (when missing) and upgrades a database; used by the administration tool and tests.
    static void AnlegenOderAktualisieren(const TSuiteKonfiguration& konf);
    static void Schliessen();
    static bool Offen();

    static QSqlDatabase Verbindung();
    // This workstation's computer number: numbers and keys made here carry it.
    static void SetRechnerNr(int rechnerNr);
    static int RechnerNr();
    // The signed-in user, recorded with what is booked.
    static void SetBenutzer(const QString& benutzer);
    static QString Benutzer();
    static bool IstPostgres();
    static int SchemaVersion();  // version stored in the database, 0 when it has none
    // Version stored in the configured database, read without changing it (opens and closes the
    // connection unless it is open already). Raises EQELError like Oeffnen.
    static int GespeicherteVersion(const TSuiteKonfiguration& konf);
    // Whether the configured database exists (a non-empty SQLite file, or a PostgreSQL database
    // the server knows). Does not touch an open connection.
    static bool Vorhanden(const TSuiteKonfiguration& konf);
    // Drops a PostgreSQL database with everything in it, ending other sessions on it. For test and
    // benchmark databases; the program itself never drops one.
    static void PostgresDatenbankLoeschen(const TSuiteKonfiguration& konf);

private:
    static void verbinden(const TSuiteKonfiguration& konf, bool anlegen);
    static void migrieren(int vonVersion);
};

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

// Money is stored in cents.
inline qint64 qel_Cent(double betrag) { return qint64(betrag >= 0 ? betrag * 100.0 + 0.5 : betrag * 100.0 - 0.5); }
inline double qel_Betrag(qint64 cent) { return double(cent) / 100.0; }

// Next key (computer number, running number) of a key range ("MAHNUNG", "TEXTBAUSTEIN", ...),
// inside the caller's transaction.
TIntPair qel_NeuerSchluessel(const QString& bereich, int rechnerNr);
// A block of anzahl consecutive keys; returns the first. For bulk imports.
TIntPair qel_NeueSchluessel(const QString& bereich, int rechnerNr, int anzahl);

// Normal form of texts kept unique regardless of case and blanks (the "..._norm" columns).
QString qel_TextNorm(const QString& text);
