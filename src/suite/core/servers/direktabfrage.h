// Reading many rows through the engine's own client library. Qt converts every value through a
// QVariant, which for wide result sets costs more than the database's own work; this reads the
// values straight from SQLite's statement or PostgreSQL's result. Same statements ('?' placeholders),
// same values and the same errors as a TSqlAbfrage.
#pragma once

#include "database_intern.h"

#include <QByteArray>
#include <initializer_list>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;
struct pg_conn;
struct pg_result;

// The driver's own connection of the suite; null when the suite runs on the other engine.
sqlite3* qel_SqliteHandle();
pg_conn* qel_PostgresHandle();
// Raise the clerk's text for a failed call (the driver text goes to the error log only).
[[noreturn]] void qel_SqliteFehler(sqlite3* db, int rc, const QString& sql);
// Takes the result (may be null) and reads what is left on the connection.
[[noreturn]] void qel_PostgresFehler(pg_conn* pg, pg_result* r, const QString& sql);
// Results left unread would block the connection for the next statement.
void qel_PostgresErgebnisseVerwerfen(pg_conn* pg);

class TDirektAbfrage {
public:
    explicit TDirektAbfrage(const QString& sql);
    ~TDirektAbfrage();
    TDirektAbfrage(const TDirektAbfrage&) = delete;
    TDirektAbfrage& operator=(const TDirektAbfrage&) = delete;

    TDirektAbfrage& Bind(const QVariant& v);
    TDirektAbfrage& Bind(std::initializer_list<QVariant> werte);
    TDirektAbfrage& Exec();
    bool Next();

    bool IstNull(int i) const;
    int Int(int i) const { return int(Int64(i)); }
    qint64 Int64(int i) const;
    double Double(int i) const;
    QString Text(int i) const;

private:
    void abschliessen();

    QString m_sql;
    std::vector<QVariant> m_werte;
    // SQLite
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_st = nullptr;
    bool m_zeileVorrat = false;  // Exec stepped to the first row already
    bool m_laeuft = false;
    // PostgreSQL: rows one at a time, so memory does not grow with the result
    pg_conn* m_pg = nullptr;
    QByteArray m_pgSql;
    pg_result* m_zeile = nullptr;
};
