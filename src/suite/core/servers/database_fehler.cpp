// What a failed statement means: locks, conflicts, lost connections and duplicates, told apart per
// engine and turned into the clerk's German text.
#include "database_intern.h"

namespace qel_datenbank {

// SQLite result codes as the driver reports them in nativeErrorCode().
bool IstGesperrt(const QSqlError& e)
{
    const QString code = e.nativeErrorCode();
    return code == QLatin1String("5") || code == QLatin1String("6")
        || e.databaseText().contains(QLatin1String("locked"), Qt::CaseInsensitive);
}

bool IstKeineDatenbank(const QSqlError& e)
{
    const QString code = e.nativeErrorCode();
    return code == QLatin1String("26") || code == QLatin1String("11")
        || e.databaseText().contains(QLatin1String("not a database"), Qt::CaseInsensitive)
        || e.databaseText().contains(QLatin1String("malformed"), Qt::CaseInsensitive);
}

QString GesperrtText(const QString& datenbank)
{
    return QStringLiteral("Die Datenbank der Suite ist gesperrt, weil ein anderes Programm sie gerade exklusiv "
                          "benutzt:\n%1\nBitte versuchen Sie es in einigen Augenblicken erneut.")
        .arg(datenbank);
}

QString FehlerText(const QSqlError& e)
{
    QString t = e.databaseText().trimmed();
    if (t.isEmpty())
        t = e.text().trimmed();
    return t;
}

QString GesperrtTextPostgres(const QString& datenbank)
{
    return QStringLiteral("Die Datenbank der Suite ist gesperrt, weil ein anderer Arbeitsplatz dieselben Daten gerade "
                          "bearbeitet:\n%1\nBitte versuchen Sie es in einigen Augenblicken erneut.")
        .arg(datenbank);
}

namespace {

QString konfliktText(const QString& datenbank)
{
    return QStringLiteral("Die Änderung kollidierte mit der eines anderen Arbeitsplatzes und wurde nicht gespeichert:\n%1\n"
                          "Bitte versuchen Sie es erneut.")
        .arg(datenbank);
}

bool istEindeutigVerletzt(const QSqlError& e, bool postgres)
{
    if (postgres)
        return e.nativeErrorCode() == QLatin1String("23505");
    return e.databaseText().contains(QLatin1String("UNIQUE constraint failed"), Qt::CaseInsensitive)
        || e.databaseText().contains(QLatin1String("PRIMARY KEY must be unique"), Qt::CaseInsensitive);
}

}  // namespace

QString VerbindungText(const QString& datenbank)
{
    return QStringLiteral("Die Verbindung zur Datenbank der Suite ist unterbrochen:\n%1").arg(datenbank);
}

QString BeschaedigtText(const QString& datenbank)
{
    return QStringLiteral("Die Datenbank der Suite ist beschädigt und kann nicht benutzt werden. Bitte wenden Sie sich "
                          "an Ihren Administrator (Datensicherung):\n%1")
        .arg(datenbank);
}

QString SchreibgeschuetztText(const QString& datenbank)
{
    return QStringLiteral("Die Datenbank der Suite ist an diesem Arbeitsplatz schreibgeschützt: die Datei oder ihr Ordner "
                          "darf nicht beschrieben werden. So können keine Mahnungen gebucht werden. Bitte wenden Sie sich "
                          "an Ihren Administrator:\n%1")
        .arg(datenbank);
}

QString Einzelheiten(const QSqlError& e, const QString& sql)
{
    return sql.isEmpty() ? FehlerText(e) : QStringLiteral("%1\nSQL: %2").arg(FehlerText(e), sql);
}

// PostgreSQL reports SQLSTATE codes through nativeErrorCode().
TFehlerArt FehlerArt(const QSqlError& e, bool postgres)
{
    if (!postgres) {
        const QString code = e.nativeErrorCode();
        if (IstGesperrt(e))
            return TFehlerArt::Gesperrt;
        if (code == QLatin1String("11") || code == QLatin1String("26"))  // SQLITE_CORRUPT, SQLITE_NOTADB
            return TFehlerArt::Beschaedigt;
        if (code == QLatin1String("8"))  // SQLITE_READONLY
            return TFehlerArt::Schreibgeschuetzt;
        return TFehlerArt::Sonstiges;
    }
    const QString code = e.nativeErrorCode();
    if (code == QLatin1String("55P03") || code == QLatin1String("57014"))  // lock_timeout, statement_timeout
        return TFehlerArt::Gesperrt;
    if (code == QLatin1String("40P01") || code == QLatin1String("40001"))  // deadlock, serialization failure
        return TFehlerArt::Konflikt;
    if (code == QLatin1String("42501"))  // insufficient privilege: grants or the booking rights check
        return TFehlerArt::Berechtigung;
    if (code.startsWith(QLatin1String("08")) || code == QLatin1String("57P01") || e.type() == QSqlError::ConnectionError
        || e.databaseText().contains(QLatin1String("server closed the connection"), Qt::CaseInsensitive)
        || e.databaseText().contains(QLatin1String("no connection to the server"), Qt::CaseInsensitive))
        return TFehlerArt::Verbindung;
    return TFehlerArt::Sonstiges;
}

// The open transaction is spoilt on every engine: PostgreSQL has aborted it, and SQLite must not
// commit half of the work either.
[[noreturn]] void SqlFehler(const QSqlError& e, const QString& sql)
{
    const bool postgres = TSuiteDatenbank::IstPostgres();
    if (TransaktionVerderben() && postgres) {
        // Back to the start, still inside the transaction: later statements (the release of prepared
        // ones included) work again, and the end rolls everything back.
        QSqlQuery(QSqlDatabase::database(kVerbindung, false)).exec(QStringLiteral("ROLLBACK TO SAVEPOINT qel_anfang"));
    }
    const QString& name = DatenbankName();
    switch (FehlerArt(e, postgres)) {
    case TFehlerArt::Gesperrt:
        throw EDatenbankKonflikt(postgres ? GesperrtTextPostgres(name) : GesperrtText(name));
    case TFehlerArt::Konflikt:
        throw EDatenbankKonflikt(konfliktText(name));
    case TFehlerArt::Verbindung:
        throw EDatenbankFehler(VerbindungText(name), Einzelheiten(e, sql));
    case TFehlerArt::Beschaedigt:
        throw EDatenbankFehler(BeschaedigtText(name), Einzelheiten(e, sql));
    case TFehlerArt::Schreibgeschuetzt:
        throw EDatenbankFehler(SchreibgeschuetztText(name), Einzelheiten(e, sql));
    case TFehlerArt::Berechtigung:
        throw EQELError(QStringLiteral("Die Datenbank hat die Änderung abgelehnt: Ihrem Benutzer fehlt die Berechtigung "
                                       "dafür. Bitte wenden Sie sich an Ihren Administrator."));
    case TFehlerArt::Sonstiges:
        break;
    }
    if (istEindeutigVerletzt(e, postgres))
        throw EEintragVorhanden(QStringLiteral("Ein gleicher Eintrag ist bereits vorhanden."));
    throw EDatenbankFehler(QStringLiteral("Die Datenbank hat den Vorgang mit einem Fehler abgelehnt; es wurde nichts "
                                          "gespeichert. Die Einzelheiten stehen im Fehlerprotokoll."),
                           Einzelheiten(e, sql));
}

void SqlAusfuehren(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw EDatenbankFehler(QStringLiteral("Die Datenbank hat einen Befehl mit einem Fehler abgelehnt. Die "
                                              "Einzelheiten stehen im Fehlerprotokoll."),
                               Einzelheiten(q.lastError(), sql));
}

}  // namespace qel_datenbank
