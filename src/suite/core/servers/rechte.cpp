#include "rechte.h"

#include "database_intern.h"
#include "verwaltung.h"
#include "wertpruefung.h"

#include <QCryptographicHash>
#include <QSqlError>
#include <QSqlQuery>
#include <map>

namespace {

// Tables only the administrator changes: users and rights, the schema version, computers, layouts, logos.
const QStringList kVerwaltungsTabellen = {QStringLiteral("benutzer"),     QStringLiteral("benutzer_recht"),
                                          QStringLiteral("schema_version"), QStringLiteral("rechner"),
                                          QStringLiteral("drucklayout"),  QStringLiteral("logo")};
// Writing these is booking: the database checks the booking rights itself.
const QStringList kBuchungsTabellen = {QStringLiteral("mahnung"), QStringLiteral("mahnung_position"),
                                       QStringLiteral("belegnummer_kreis")};

constexpr int kNameLaenge = 80;  // column benutzer.name; PostgreSQL role names are shorter still
constexpr int kRollenLaenge = 63;
constexpr qint64 kEinrichtungsSperre = 0x51454C52;  // advisory lock key of setting up the rights

QString bezeichner(const QString& name) { return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"'); }

QString literal(const QString& text) { return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\''); }

// DDL and role statements cannot be prepared on PostgreSQL.
void ausfuehren(const QString& sql)
{
    QSqlQuery q(qel_Verbindung());
    if (!q.exec(sql))
        throw EDatenbankFehler(QStringLiteral("Die Rechte in der Datenbank können nicht eingerichtet werden."),
                               qel_datenbank::Einzelheiten(q.lastError(), sql));
}

QString gruppenRolle()
{
    TSqlAbfrage q(QStringLiteral("SELECT current_database()"));
    q.Exec();
    return Rechte_GruppenRolle(q.Next() ? q.Text(0) : QString());
}

QString namePruefen(const QString& name)
{
    const QString n = qel_TextPruefen(QStringLiteral("Benutzername"), name.trimmed(), kNameLaenge);
    if (n.isEmpty())
        throw EWertUngueltig(QStringLiteral("Der Benutzername darf nicht leer sein."));
    if (TSuiteDatenbank::IstPostgres() && n.toUtf8().size() > kRollenLaenge)
        throw EWertUngueltig(QStringLiteral("Der Benutzername „%1“ ist für eine PostgreSQL-Rolle zu lang (höchstens %2 Bytes).")
                                 .arg(n)
                                 .arg(kRollenLaenge));
    return n;
}

void rechtePruefen(const QVector<int>& rechte)
{
    for (int r : rechte)
        if (r < 1 || r > 65535)
            throw EWertUngueltig(QStringLiteral("Das Recht %1 liegt nicht zwischen 1 und 65535.").arg(r));
}

bool rolleVorhanden(const QString& name)
{
    TSqlAbfrage q(QStringLiteral("SELECT 1 FROM pg_roles WHERE rolname = ?"));
    q.Bind(name).Exec();
    return q.Next();
}

// Statement-level triggers: one check per statement, however many rows a booking writes. The owner of
// the database and superusers administer it and pass; every other role needs both rights.
const char* const kPruefFunktion = R"(
CREATE OR REPLACE FUNCTION public.qel_buchungsrecht_pruefen() RETURNS trigger
LANGUAGE plpgsql SET search_path = pg_catalog, public AS $$
BEGIN
    IF EXISTS (SELECT 1 FROM pg_catalog.pg_roles WHERE rolname = session_user AND rolsuper)
       OR pg_catalog.pg_has_role(session_user, (SELECT datdba FROM pg_catalog.pg_database
                                               WHERE datname = pg_catalog.current_database()), 'MEMBER')
       OR (SELECT COUNT(DISTINCT recht) FROM public.benutzer_recht
           WHERE benutzer = session_user AND recht IN (%1)) = %2 THEN
        RETURN NULL;
    END IF;
    RAISE EXCEPTION 'Der Benutzer "%" hat keine Berechtigung zum Buchen von Mahnungen.', session_user
        USING ERRCODE = '42501';
END
$$)";

}  // namespace

QString Rechte_Verweigerung(const QString& benutzer, const QVector<int>& rechte)
{
    TSqlAbfrage bekannt(QStringLiteral("SELECT 1 FROM benutzer WHERE name = ?"));
    bekannt.Bind(benutzer).Exec();
    if (!bekannt.Next())
        return QStringLiteral("Der Benutzer \"%1\" ist in der Suite nicht angelegt. "
                              "Bitte wenden Sie sich an Ihren Administrator.")
            .arg(benutzer);
    QStringList fehlend;
    TSqlAbfrage hat(QStringLiteral("SELECT 1 FROM benutzer_recht WHERE benutzer = ? AND recht = ?"));
    for (int recht : rechte) {
        hat.Bind({benutzer, recht}).Exec();
        if (!hat.Next())
            fehlend << QString::number(recht);
    }
    if (fehlend.isEmpty())
        return QString();
    return QStringLiteral("Der Benutzer \"%1\" hat keine Berechtigung für das Mahnwesen "
                          "(fehlende Rechte: %2). Bitte wenden Sie sich an Ihren Administrator.")
        .arg(benutzer, fehlend.join(QStringLiteral(", ")));
}

QString Rechte_GruppenRolle(const QString& datenbank)
{
    QString name = QStringLiteral("mahnwesen_") + datenbank;
    if (name.toUtf8().size() > kRollenLaenge)
        name = QStringLiteral("mahnwesen_")
            + QString::fromLatin1(QCryptographicHash::hash(datenbank.toUtf8(), QCryptographicHash::Sha1).toHex().left(40));
    return name;
}

QString Rechte_DatenbankRolle()
{
    if (!TSuiteDatenbank::IstPostgres())
        return QString();
    TSqlAbfrage q(QStringLiteral("SELECT session_user"));
    q.Exec();
    return q.Next() ? q.Text(0) : QString();
}

void Rechte_Einrichten()
{
    if (!TSuiteDatenbank::IstPostgres())
        return;
    const QString gruppe = bezeichner(gruppenRolle());
    TTransaktion t;
    // Workstations upgrading at once would collide granting on the same objects.
    TSqlAbfrage(QStringLiteral("SELECT pg_advisory_xact_lock(?)")).Bind(kEinrichtungsSperre).Exec();
    if (!rolleVorhanden(gruppenRolle()))
        ausfuehren(QStringLiteral("CREATE ROLE %1 NOLOGIN").arg(gruppe));
    TSqlAbfrage db(QStringLiteral("SELECT current_database()"));
    db.Exec();
    const QString datenbank = bezeichner(db.Next() ? db.Text(0) : QString());
    // Only the owner and the clerks' group reach this database at all.
    ausfuehren(QStringLiteral("REVOKE ALL ON DATABASE %1 FROM PUBLIC").arg(datenbank));
    ausfuehren(QStringLiteral("GRANT CONNECT, TEMPORARY ON DATABASE %1 TO %2").arg(datenbank, gruppe));
    ausfuehren(QStringLiteral("GRANT USAGE ON SCHEMA public TO %1").arg(gruppe));
    ausfuehren(QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO %1").arg(gruppe));
    for (const QString& tabelle : kVerwaltungsTabellen)
        ausfuehren(QStringLiteral("REVOKE INSERT, UPDATE, DELETE, TRUNCATE ON %1 FROM %2").arg(tabelle, gruppe));

    QStringList liste;
    for (int r : CQEL_Mahnwesen_Rechte)
        liste << QString::number(r);
    ausfuehren(QString::fromLatin1(kPruefFunktion).arg(liste.join(QStringLiteral(", "))).arg(CQEL_Mahnwesen_Rechte.size()));
    ausfuehren(QStringLiteral("REVOKE ALL ON FUNCTION public.qel_buchungsrecht_pruefen() FROM PUBLIC"));
    for (const QString& tabelle : kBuchungsTabellen) {
        ausfuehren(QStringLiteral("DROP TRIGGER IF EXISTS qel_buchungsrecht ON %1").arg(tabelle));
        ausfuehren(QStringLiteral("CREATE TRIGGER qel_buchungsrecht BEFORE INSERT OR UPDATE OR DELETE OR TRUNCATE ON %1 "
                                  "FOR EACH STATEMENT EXECUTE FUNCTION public.qel_buchungsrecht_pruefen()")
                       .arg(tabelle));
    }
    // Raising a dunning level is booking too; other changes of open items are not.
    ausfuehren(QStringLiteral("DROP TRIGGER IF EXISTS qel_buchungsrecht ON offener_posten"));
    ausfuehren(QStringLiteral("CREATE TRIGGER qel_buchungsrecht BEFORE UPDATE OF mahnstufe ON offener_posten "
                              "FOR EACH STATEMENT EXECUTE FUNCTION public.qel_buchungsrecht_pruefen()"));
    t.Commit();
}

void Rechte_Erneuern()
{
    if (TSuiteDatenbank::IstPostgres() && rolleVorhanden(gruppenRolle()))
        Rechte_Einrichten();
}

bool Rechte_BenutzerAnlegen(const QString& name, const QString& vollname, const QVector<int>& rechte,
                            const QString& passwort)
{
    const QString n = namePruefen(name);
    rechtePruefen(rechte);
    TTransaktion t;
    if (TSuiteDatenbank::IstPostgres()) {
        Rechte_Einrichten();
        const QString rolle = bezeichner(n);
        if (!rolleVorhanden(n))
            ausfuehren(QStringLiteral("CREATE ROLE %1 LOGIN").arg(rolle));
        if (!passwort.isEmpty())
            ausfuehren(QStringLiteral("ALTER ROLE %1 PASSWORD %2").arg(rolle, literal(qel_OhneNul(passwort))));
        ausfuehren(QStringLiteral("GRANT %1 TO %2").arg(bezeichner(gruppenRolle()), rolle));
    }
    const bool neu = Verwaltung_BenutzerAnlegen(n, vollname, rechte);
    t.Commit();
    return neu;
}

bool Rechte_AngemeldetenEinrichten(const QString& name, bool* rolleNeu)
{
    const QString n = namePruefen(name);
    const QString sitzung = Rechte_DatenbankRolle();
    *rolleNeu = false;
    // SQLite, or the database's owner working as itself: no role to make.
    if (sitzung.isEmpty() || sitzung == n)
        return Verwaltung_BenutzerAnlegen(n, QString(), CQEL_Mahnwesen_Rechte);
    // Role and membership made before by an administrator: only the rights are missing.
    TSqlAbfrage mitglied(QStringLiteral("SELECT 1 FROM pg_auth_members a JOIN pg_roles g ON g.oid = a.roleid "
                                        "JOIN pg_roles m ON m.oid = a.member WHERE g.rolname = ? AND m.rolname = ?"));
    if (mitglied.Bind({gruppenRolle(), n}).Exec().Next())
        return Verwaltung_BenutzerAnlegen(n, QString(), CQEL_Mahnwesen_Rechte);
    TSqlAbfrage darf(QStringLiteral("SELECT rolsuper OR rolcreaterole FROM pg_roles WHERE rolname = session_user"));
    darf.Exec();
    if (!darf.Next() || !darf.Wert(0).toBool())
        throw EQELError(QStringLiteral("Der Datenbankbenutzer „%1“ darf keine Datenbankrollen anlegen. Der angemeldete Benutzer "
                                       "„%2“ braucht aber eine eigene Rolle, um mit dem Mahnwesen zu arbeiten. Bitte rufen Sie "
                                       "init mit einem Datenbankbenutzer auf, der Rollen anlegen darf (--dbbenutzer), oder "
                                       "lassen Sie die Rolle „%2“ vom Datenbankadministrator anlegen.")
                            .arg(sitzung, n));
    *rolleNeu = !rolleVorhanden(n);
    return Rechte_BenutzerAnlegen(n, QString(), CQEL_Mahnwesen_Rechte);
}

void Rechte_Entziehen(const QString& name, const QVector<int>& rechte)
{
    const QString n = namePruefen(name);
    rechtePruefen(rechte);
    TTransaktion t;
    if (rechte.isEmpty()) {
        TSqlAbfrage(QStringLiteral("DELETE FROM benutzer_recht WHERE benutzer = ?")).Bind(n).Exec();
    } else {
        TSqlAbfrage q(QStringLiteral("DELETE FROM benutzer_recht WHERE benutzer = ? AND recht = ?"));
        for (int r : rechte)
            q.Bind({n, r}).Exec();
    }
    t.Commit();
}

void Rechte_BenutzerEntfernen(const QString& name)
{
    const QString n = namePruefen(name);
    TTransaktion t;
    TSqlAbfrage(QStringLiteral("DELETE FROM benutzer_recht WHERE benutzer = ?")).Bind(n).Exec();
    TSqlAbfrage q(QStringLiteral("DELETE FROM benutzer WHERE name = ?"));
    q.Bind(n).Exec();
    if (q.ZeilenBetroffen() == 0)
        throw EQELError(QStringLiteral("Der Benutzer „%1“ ist in der Suite nicht angelegt.").arg(n));
    if (TSuiteDatenbank::IstPostgres() && rolleVorhanden(n) && rolleVorhanden(gruppenRolle()))
        ausfuehren(QStringLiteral("REVOKE %1 FROM %2").arg(bezeichner(gruppenRolle()), bezeichner(n)));
    t.Commit();
}

QVector<TRechteBenutzer> Rechte_BenutzerListe()
{
    std::map<QString, TRechteBenutzer> benutzer;
    TSqlAbfrage q(QStringLiteral("SELECT name, vollname FROM benutzer ORDER BY name"));
    q.Exec();
    while (q.Next())
        benutzer[q.Text(0)] = TRechteBenutzer{q.Text(0), q.Text(1), {}, false};
    TSqlAbfrage r(QStringLiteral("SELECT benutzer, recht FROM benutzer_recht ORDER BY benutzer, recht"));
    r.Exec();
    while (r.Next())
        benutzer[r.Text(0)].Rechte << r.Int(1);
    if (TSuiteDatenbank::IstPostgres()) {
        TSqlAbfrage m(QStringLiteral("SELECT m.rolname FROM pg_roles m JOIN pg_auth_members a ON a.member = m.oid "
                                     "JOIN pg_roles g ON g.oid = a.roleid WHERE g.rolname = ? AND m.rolcanlogin"));
        m.Bind(gruppenRolle()).Exec();
        while (m.Next()) {
            auto it = benutzer.find(m.Text(0));
            if (it != benutzer.end())
                it->second.Anmeldung = true;
        }
    }
    QVector<TRechteBenutzer> liste;
    for (auto& [name, b] : benutzer)
        if (!b.Name.isEmpty())
            liste << b;
    return liste;
}
