// The suite database as the rest of the suite sees it: opening, creating, upgrading, closing.
// Queries and transactions are the servers' business (database_intern.h).
#pragma once

#include "suite/core/types.h"

#include <QString>

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
};

// Money is stored in cents.
inline qint64 qel_Cent(double betrag) { return qint64(betrag >= 0 ? betrag * 100.0 + 0.5 : betrag * 100.0 - 0.5); }
inline double qel_Betrag(qint64 cent) { return double(cent) / 100.0; }
