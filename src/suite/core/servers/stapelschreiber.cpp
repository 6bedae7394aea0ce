// Bulk writes of the import and the demo data through each engine's own fast path.
#include "stapelabfrage.h"

#include "direktabfrage.h"

#include <memory>
#include <libpq-fe.h>
#include <sqlite3.h>

using namespace qel_datenbank;

namespace {

// Text as every statement stores it (see bindWert): no NUL characters.
QString ohneNul(const QString& s) { return s.contains(QChar(0)) ? QString(s).remove(QChar(0)) : s; }

// COPY's text format: backslash, tab and line breaks escaped; \N is NULL.
void copyFeld(QByteArray& ziel, const QVariant& v)
{
    if (!v.isValid()) {
        ziel += "\\N";
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Bool:
        ziel += v.toBool() ? '1' : '0';
        return;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        ziel += QByteArray::number(v.toLongLong());
        return;
    case QMetaType::Double:
        ziel += QByteArray::number(v.toDouble(), 'g', 17);
        return;
    default:
        break;
    }
    const QByteArray text = ohneNul(v.toString()).toUtf8();
    for (const char c : text) {
        switch (c) {
        case '\\': ziel += "\\\\"; break;
        case '\t': ziel += "\\t"; break;
        case '\n': ziel += "\\n"; break;
        case '\r': ziel += "\\r"; break;
        default: ziel += c;
        }
    }
}

}  // namespace

TStapelSchreiber::TStapelSchreiber(const QString& tabelleUndSpalten, int spalten)
    : m_tabelle(tabelleUndSpalten), m_spalten(spalten)
{
}

TStapelSchreiber::~TStapelSchreiber()
{
    if (m_st)
        sqlite3_finalize(m_st);
}

void TStapelSchreiber::Schreiben()
{
    if (m_zeilen == 0)
        return;
    if (TSuiteDatenbank::IstPostgres())
        postgresSchreiben();
    else
        sqliteSchreiben();
    m_werte.clear();
    m_zeilen = 0;
}

void TStapelSchreiber::sqliteSchreiben()
{
    sqlite3* db = qel_SqliteHandle();
    if (!db)
        throw EQELError(QStringLiteral("Die Datenbank der Suite ist nicht geöffnet."));
    const QString sql = QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(m_tabelle, platzhalterListe(m_spalten));
    auto fehler = [&](int rc) { qel_SqliteFehler(db, rc, sql); };
    if (m_st && m_db != db) {
        sqlite3_finalize(m_st);
        m_st = nullptr;
    }
    if (!m_st) {
        const QByteArray text = sql.toUtf8();
        if (const int rc = sqlite3_prepare_v2(db, text.constData(), int(text.size()), &m_st, nullptr); rc != SQLITE_OK)
            fehler(rc);
        m_db = db;
    }
    sqlite3_stmt* st = m_st;
    sqlite3_reset(st);  // after a failed row
    for (int z = 0; z < m_zeilen; ++z) {
        for (int s = 0; s < m_spalten; ++s) {
            const QVariant& v = m_werte.at(z * m_spalten + s);
            int rc = SQLITE_OK;
            switch (v.typeId()) {
            case QMetaType::UnknownType:
                rc = sqlite3_bind_null(st, s + 1);
                break;
            case QMetaType::Bool:
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::UInt:
                rc = sqlite3_bind_int64(st, s + 1, v.toLongLong());
                break;
            case QMetaType::Double:
                rc = sqlite3_bind_double(st, s + 1, v.toDouble());
                break;
            default: {
                // UTF-8, the database's own encoding: UTF-16 would be converted once more inside.
                const QByteArray t = ohneNul(v.toString()).toUtf8();
                rc = sqlite3_bind_text(st, s + 1, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            }
            }
            if (rc != SQLITE_OK)
                fehler(rc);
        }
        if (const int rc = sqlite3_step(st); rc != SQLITE_DONE)
            fehler(rc);
        sqlite3_reset(st);
    }
}

void TStapelSchreiber::postgresSchreiben()
{
    PGconn* pg = qel_PostgresHandle();
    if (!pg)
        throw EQELError(QStringLiteral("Die Datenbank der Suite ist nicht geöffnet."));
    const QString sql = QStringLiteral("COPY %1 FROM STDIN").arg(m_tabelle);
    // Results the driver left unread would block the connection (as it does before its own statements).
    qel_PostgresErgebnisseVerwerfen(pg);
    QByteArray daten;
    daten.reserve(m_zeilen * m_spalten * 12);
    for (int z = 0; z < m_zeilen; ++z) {
        for (int s = 0; s < m_spalten; ++s) {
            if (s > 0)
                daten += '\t';
            copyFeld(daten, m_werte.at(z * m_spalten + s));
        }
        daten += '\n';
    }
    auto fehler = [&](PGresult* r) { qel_PostgresFehler(pg, r, sql); };
    PGresult* r = PQexec(pg, sql.toUtf8().constData());
    if (PQresultStatus(r) != PGRES_COPY_IN)
        fehler(r);
    PQclear(r);
    if (PQputCopyData(pg, daten.constData(), int(daten.size())) != 1 || PQputCopyEnd(pg, nullptr) != 1)
        fehler(nullptr);
    r = PQgetResult(pg);
    if (PQresultStatus(r) != PGRES_COMMAND_OK)
        fehler(r);
    PQclear(r);
    qel_PostgresErgebnisseVerwerfen(pg);
}
