// Backup and restore of the suite database (administration tool).
#pragma once

#include <QString>

struct TSuiteKonfiguration;

struct TSicherungInfo {
    QString Datei;          // the backup file
    int SchemaVersion = 0;  // schema version held by the copy (0: not known for a PostgreSQL dump)
    qint64 Bytes = 0;
};

// Writes a consistent copy of the configured database to `ziel` while workstations keep working:
// SQLite through VACUUM INTO, checked for integrity; PostgreSQL through pg_dump (custom format).
// The copy is made beside the target and renamed only when complete, so a full or read-only disk
// leaves an older backup of the same name as it was. Raises EQELError with a German text.
TSicherungInfo Sicherung_Erstellen(const TSuiteKonfiguration& k, const QString& ziel);

// Replaces the configured database by the backup `quelle`. Refused, with the database unchanged, when
// the file is not an intact backup of a suite database, when its schema is newer than this program
// knows, or when the database is in use by a program of the suite. Raises EQELError.
TSicherungInfo Sicherung_Wiederherstellen(const TSuiteKonfiguration& k, const QString& quelle);
