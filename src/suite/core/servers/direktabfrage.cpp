#include "direktabfrage.h"

#include <QSqlDriver>
#include <algorithm>
#include <charconv>
#include <libpq-fe.h>
#include <sqlite3.h>

using namespace qel_datenbank;

namespace {

// The driver's handle when it is of one of the given types ("sqlite3*", or "PGconn*"/"pg_conn*").
template <class T>
T* treiberHandle(std::initializer_list<const char*> typen)
{
    const QVariant h = qel_Verbindung().driver()->handle();
    if (!h.isValid() || std::none_of(typen.begin(), typen.end(), [&](const char* t) { return qstrcmp(h.typeName(), t) == 0; }))
        return nullptr;
    return *static_cast<T* const*>(h.constData());
}

// '?' outside quotes becomes $1, $2, ... for PostgreSQL.
QByteArray postgresPlatzhalter(const QString& sql)
{
    QByteArray r;
    const QByteArray text = sql.toUtf8();
    r.reserve(text.size() + 64);
    bool inText = false;
    int n = 0;
    for (const char c : text) {
        if (c == '\'')
            inText = !inText;
        if (c == '?' && !inText)
            r += '$' + QByteArray::number(++n);
        else
            r += c;
    }
    return r;
}

// Text as every statement stores it: a null string is '', NUL characters are dropped.
QByteArray textWert(const QVariant& v)
{
    QString s = v.toString();
    if (s.contains(QChar(0)))
        s.remove(QChar(0));
    return s.toUtf8();
}

template <class T>
T zahl(const char* text, int laenge)
{
    T wert{};
    std::from_chars(text, text + laenge, wert);
    return wert;
}

}  // namespace

sqlite3* qel_SqliteHandle() { return treiberHandle<sqlite3>({"sqlite3*"}); }

pg_conn* qel_PostgresHandle() { return treiberHandle<PGconn>({"PGconn*", "pg_conn*"}); }

void qel_SqliteFehler(sqlite3* db, int rc, const QString& sql)
{
    const QString text = QString::fromUtf8(sqlite3_errmsg(db));
    SqlFehler(QSqlError(text, text, QSqlError::StatementError, QString::number(rc)), sql);
}

void qel_PostgresErgebnisseVerwerfen(pg_conn* pg)
{
    while (PGresult* rest = PQgetResult(pg))
        PQclear(rest);
}

void qel_PostgresFehler(pg_conn* pg, pg_result* r, const QString& sql)
{
    const QString text = QString::fromUtf8(r ? PQresultErrorMessage(r) : PQerrorMessage(pg)).trimmed();
    const QString code = r ? QString::fromLatin1(PQresultErrorField(r, PG_DIAG_SQLSTATE)) : QString();
    const bool verbindung = PQstatus(pg) != CONNECTION_OK;
    if (r)
        PQclear(r);
    qel_PostgresErgebnisseVerwerfen(pg);
    SqlFehler(QSqlError(text, text, verbindung ? QSqlError::ConnectionError : QSqlError::StatementError, code), sql);
}

TDirektAbfrage::TDirektAbfrage(const QString& sql) : m_sql(sql)
{
    if (TSuiteDatenbank::IstPostgres()) {
        m_pg = qel_PostgresHandle();
        if (!m_pg)
            throw EQELError(QStringLiteral("Die Datenbank der Suite ist nicht geöffnet."));
        m_pgSql = postgresPlatzhalter(sql);
        return;
    }
    m_db = qel_SqliteHandle();
    if (!m_db)
        throw EQELError(QStringLiteral("Die Datenbank der Suite ist nicht geöffnet."));
    const QByteArray text = sql.toUtf8();
    if (const int rc = sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &m_st, nullptr); rc != SQLITE_OK)
        qel_SqliteFehler(m_db, rc, sql);
}

// A statement left open would keep SQLite's connection from closing and PostgreSQL's from the next query.
TDirektAbfrage::~TDirektAbfrage()
{
    abschliessen();
    if (m_st)
        sqlite3_finalize(m_st);
}

void TDirektAbfrage::abschliessen()
{
    m_zeileVorrat = false;
    if (m_st && m_laeuft)
        sqlite3_reset(m_st);
    if (m_zeile) {
        PQclear(m_zeile);
        m_zeile = nullptr;
    }
    if (m_pg && m_laeuft)
        qel_PostgresErgebnisseVerwerfen(m_pg);
    m_laeuft = false;
}

TDirektAbfrage& TDirektAbfrage::Bind(const QVariant& v)
{
    m_werte.push_back(v);
    return *this;
}

TDirektAbfrage& TDirektAbfrage::Bind(std::initializer_list<QVariant> werte)
{
    m_werte.insert(m_werte.end(), werte.begin(), werte.end());
    return *this;
}

TDirektAbfrage& TDirektAbfrage::Exec()
{
    abschliessen();
    std::vector<QVariant> werte;
    werte.swap(m_werte);
    if (m_pg) {
        std::vector<QByteArray> texte(werte.size());
        std::vector<const char*> zeiger(werte.size());
        for (size_t i = 0; i < werte.size(); ++i) {
            const QVariant& v = werte[i];
            switch (v.typeId()) {
            case QMetaType::UnknownType:
                continue;  // NULL
            case QMetaType::Bool:
                texte[i] = v.toBool() ? "1" : "0";
                break;
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::UInt:
                texte[i] = QByteArray::number(v.toLongLong());
                break;
            case QMetaType::Double:
                texte[i] = QByteArray::number(v.toDouble(), 'g', 17);
                break;
            default:
                texte[i] = textWert(v);
            }
            zeiger[i] = texte[i].constData();
        }
        qel_PostgresErgebnisseVerwerfen(m_pg);
        if (!PQsendQueryParams(m_pg, m_pgSql.constData(), int(werte.size()), nullptr, zeiger.data(), nullptr, nullptr, 0)
            || !PQsetSingleRowMode(m_pg))
            qel_PostgresFehler(m_pg, nullptr, m_sql);
        m_laeuft = true;
        m_zeile = PQgetResult(m_pg);
        const ExecStatusType s = PQresultStatus(m_zeile);
        if (s == PGRES_SINGLE_TUPLE) {
            m_zeileVorrat = true;
        } else if (s == PGRES_TUPLES_OK || s == PGRES_COMMAND_OK) {
            abschliessen();
        } else {
            PGresult* r = m_zeile;
            m_zeile = nullptr;
            m_laeuft = false;
            qel_PostgresFehler(m_pg, r, m_sql);
        }
        return *this;
    }
    sqlite3_clear_bindings(m_st);
    for (size_t i = 0; i < werte.size(); ++i) {
        const QVariant& v = werte[i];
        const int n = int(i) + 1;
        int rc = SQLITE_OK;
        switch (v.typeId()) {
        case QMetaType::UnknownType:
            rc = sqlite3_bind_null(m_st, n);
            break;
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
            rc = sqlite3_bind_int64(m_st, n, v.toLongLong());
            break;
        case QMetaType::Double:
            rc = sqlite3_bind_double(m_st, n, v.toDouble());
            break;
        default: {
            const QByteArray t = textWert(v);
            rc = sqlite3_bind_text(m_st, n, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        }
        }
        if (rc != SQLITE_OK)
            qel_SqliteFehler(m_db, rc, m_sql);
    }
    m_laeuft = true;
    const int rc = sqlite3_step(m_st);
    if (rc == SQLITE_ROW) {
        m_zeileVorrat = true;
    } else {
        abschliessen();
        if (rc != SQLITE_DONE)
            qel_SqliteFehler(m_db, rc, m_sql);
    }
    return *this;
}

bool TDirektAbfrage::Next()
{
    if (m_zeileVorrat) {
        m_zeileVorrat = false;
        return true;
    }
    if (!m_laeuft)
        return false;
    if (m_pg) {
        PQclear(m_zeile);
        m_zeile = PQgetResult(m_pg);
        const ExecStatusType s = PQresultStatus(m_zeile);
        if (s == PGRES_SINGLE_TUPLE)
            return true;
        if (s == PGRES_TUPLES_OK) {
            abschliessen();
            return false;
        }
        PGresult* r = m_zeile;
        m_zeile = nullptr;
        m_laeuft = false;
        qel_PostgresFehler(m_pg, r, m_sql);
    }
    const int rc = sqlite3_step(m_st);
    if (rc == SQLITE_ROW)
        return true;
    abschliessen();
    if (rc != SQLITE_DONE)
        qel_SqliteFehler(m_db, rc, m_sql);
    return false;
}

bool TDirektAbfrage::IstNull(int i) const
{
    return m_pg ? PQgetisnull(m_zeile, 0, i) != 0 : sqlite3_column_type(m_st, i) == SQLITE_NULL;
}

qint64 TDirektAbfrage::Int64(int i) const
{
    if (m_pg)
        return zahl<qint64>(PQgetvalue(m_zeile, 0, i), PQgetlength(m_zeile, 0, i));
    return sqlite3_column_int64(m_st, i);
}

double TDirektAbfrage::Double(int i) const
{
    if (m_pg)
        return zahl<double>(PQgetvalue(m_zeile, 0, i), PQgetlength(m_zeile, 0, i));
    return sqlite3_column_double(m_st, i);
}

QString TDirektAbfrage::Text(int i) const
{
    if (m_pg) {
        if (PQgetisnull(m_zeile, 0, i))
            return QString();
        return QString::fromUtf8(PQgetvalue(m_zeile, 0, i), PQgetlength(m_zeile, 0, i));
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_st, i));
    if (!text)
        return QString();
    return QString::fromUtf8(text, sqlite3_column_bytes(m_st, i));
}
