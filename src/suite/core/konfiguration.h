// Where the suite database is, and who and where this workstation is.
#pragma once

#include <QString>

// The suite's configuration of this workstation. Read from the suite's settings file, whose path
// QEL_SUITE_CONFIG overrides (default: ~/.config/qel-suite/suite.ini).
struct TSuiteKonfiguration {
    QString Treiber = QStringLiteral("QSQLITE");  // QSQLITE or QPSQL
    QString Datenbank;                            // SQLite file, or PostgreSQL database name
    QString Host;
    int Port = 0;
    QString DbBenutzer;
    QString DbPasswort;  // PostgreSQL: empty uses the user's ~/.pgpass or PGPASSWORD
    // How long a statement waits for another workstation's lock before it gives up with a message;
    // 0: 3 s on SQLite, 10 s on PostgreSQL.
    int WartezeitMs = 0;
    int Rechner = 1;       // this workstation's computer number
    QString Benutzer;      // the signed-in OS user; on PostgreSQL the database role (see Init)
    QString Waehrung = QStringLiteral("EUR");
    QString BerichtsOrdner;  // folder of report layouts; default: <settings folder>/berichte
    QString LogDatei;        // error log; default: <settings folder>/fehler.log

    static QString StandardPfad();
    static TSuiteKonfiguration Laden(const QString& pfad = QString());  // raises EQELError
    void Speichern(const QString& pfad) const;
};

// The OS user this process runs as (QEL_SUITE_TEST_BENUTZER stands in for it in tests).
QString qel_AngemeldeterBenutzer();
bool qel_BenutzerVonTests();
