// Who works and what they may do. SQLite: the signed-in OS user, the file's permissions are the
// boundary. PostgreSQL: one login role per clerk; the database itself refuses bookings of a role
// without the module's rights, and the servers check them again.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// The dunning module's rights: both are needed to work with it and to book.
inline const QVector<int> CQEL_Mahnwesen_Rechte{202, 203};

// The clerk's refusal text when the user is unknown or lacks some of the rights; empty when all are held.
QString Rechte_Verweigerung(const QString& benutzer, const QVector<int>& rechte);

// The role of the PostgreSQL session (what the database enforces rights for); empty on SQLite.
QString Rechte_DatenbankRolle();

// The clerks' group role of a PostgreSQL database; role names are per server, so it carries the
// database's name.
QString Rechte_GruppenRolle(const QString& datenbank);

// PostgreSQL, run by the database owner: the clerks' group role, its grants and the database's own
// check of the booking rights. Idempotent; the first clerk added runs it.
void Rechte_Einrichten();

// Renews the grants once the clerks' group exists (after an upgrade brought new tables); a database
// whose clerks are not managed yet stays as it is.
void Rechte_Erneuern();

struct TRechteBenutzer {
    QString Name;
    QString Vollname;
    QVector<int> Rechte;
    bool Anmeldung = false;  // PostgreSQL: a login role of this name is in the clerks' group
};

// Creates or completes a user with these rights; on PostgreSQL also the login role (with the
// password, if one is given) in the clerks' group. True when the user was new.
bool Rechte_BenutzerAnlegen(const QString& name, const QString& vollname, const QVector<int>& rechte,
                            const QString& passwort = QString());
// init: the signed-in user gets the module's rights and, on PostgreSQL, a login role of their own in
// the clerks' group, so that the program starts for them. The role running it must be allowed to
// create roles, unless it is that user itself; otherwise EQELError says so and nothing is changed.
// True when the user was new; *rolleNeu tells whether a database role was created.
bool Rechte_AngemeldetenEinrichten(const QString& name, bool* rolleNeu);
// Takes rights away; without rights given, all of them.
void Rechte_Entziehen(const QString& name, const QVector<int>& rechte);
// Removes the user from the suite; on PostgreSQL the role leaves the clerks' group (the role itself
// may serve other databases of the server and stays).
void Rechte_BenutzerEntfernen(const QString& name);
QVector<TRechteBenutzer> Rechte_BenutzerListe();
