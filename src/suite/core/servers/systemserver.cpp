#include "systemserver.h"

#include "database_intern.h"

bool TSystemServer::Benutzer_Hat_Recht(const QString& benutzer, int recht)
{
    TSqlAbfrage q(QStringLiteral("SELECT 1 FROM benutzer_recht WHERE benutzer = ? AND recht = ?"));
    q.Bind({benutzer, recht}).Exec();
    return q.Next();
}

bool TSystemServer::Benutzer_Existiert(const QString& benutzer)
{
    TSqlAbfrage q(QStringLiteral("SELECT 1 FROM benutzer WHERE name = ?"));
    q.Bind(benutzer).Exec();
    return q.Next();
}

bool TSystemServer::Rechner_Lesen(int rechnerNr, QString& bezeichnung, int& filiale)
{
    TSqlAbfrage q(QStringLiteral("SELECT bezeichnung, filiale FROM rechner WHERE rechner_nr = ?"));
    q.Bind(rechnerNr).Exec();
    if (!q.Next()) {
        bezeichnung.clear();
        filiale = 0;
        return false;
    }
    bezeichnung = q.Text(0);
    filiale = q.Int(1);
    return true;
}

QVector<TDruckLayout> TSystemServer::Layouts_Lesen(const QString& art)
{
    TSqlAbfrage q(QStringLiteral("SELECT rnr, lnr, art, bezeichnung, berichtsdatei, einstellungen, standard "
                                 "FROM drucklayout WHERE art = ? ORDER BY standard DESC, bezeichnung, rnr, lnr"));
    q.Bind(art).Exec();
    QVector<TDruckLayout> liste;
    while (q.Next()) {
        TDruckLayout l;
        l.Id = TIntPair{q.Int(0), q.Int(1)};
        l.Art = q.Text(2);
        l.Bezeichnung = q.Text(3);
        l.Berichtsdatei = q.Text(4);
        // One name=value per line; Windows line ends from hand-edited settings are tolerated.
        const QStringList zeilen = q.Text(5).split(QLatin1Char('\n'));
        for (QString z : zeilen) {
            if (z.endsWith(QLatin1Char('\r')))
                z.chop(1);
            if (!z.trimmed().isEmpty())
                l.Einstellungen << z;
        }
        l.Standard = q.Int(6) != 0;
        liste << l;
    }
    return liste;
}

bool TSystemServer::Logo_Lesen(const QString& name, QByteArray& bild, QString& mime)
{
    TSqlAbfrage q(QStringLiteral("SELECT bild, mime FROM logo WHERE name = ?"));
    q.Bind(name.trimmed()).Exec();
    if (!q.Next()) {
        bild.clear();
        mime.clear();
        return false;
    }
    bild = q.Wert(0).toByteArray();
    mime = q.Text(1);
    return true;
}

bool TSystemServer::OrgeMerkmale_Lesen(const TIntPair& mandant, const TIntPair& orgeNr, TQEL_OrgeMerkmale& m)
{
    m = TQEL_OrgeMerkmale();
    if (IntPairDefined(mandant)) {
        // Only organisations of this client: its own, its branches' and its partners'.
        TSqlAbfrage z(QStringLiteral(
            "SELECT 1 FROM mandant WHERE rnr = ? AND lnr = ? AND orge_rnr = ? AND orge_lnr = ? "
            "UNION ALL SELECT 1 FROM filiale WHERE mandant_rnr = ? AND mandant_lnr = ? AND orge_rnr = ? AND orge_lnr = ? "
            "UNION ALL SELECT 1 FROM geschaeftspartner WHERE mandant_rnr = ? AND mandant_lnr = ? "
            "AND orge_rnr = ? AND orge_lnr = ?"));
        for (int i = 0; i < 3; ++i)
            z.Bind({mandant.RNr, mandant.LNr, orgeNr.RNr, orgeNr.LNr});
        z.Exec();
        if (!z.Next())
            return false;
    }
    TSqlAbfrage q(QStringLiteral("SELECT logo_name, kontakt_rnr, kontakt_lnr FROM organisation WHERE rnr = ? AND lnr = ?"));
    q.Bind({orgeNr.RNr, orgeNr.LNr}).Exec();
    if (!q.Next())
        return false;
    m.OrgeNr = orgeNr;
    m.LogoName = q.Text(0);
    m.Kontaktperson = TIntPair{q.Int(1), q.Int(2)};
    return true;
}

bool TSystemServer::Anschrift_Lesen(const TIntPair& orgeNr, TAnschrift& a)
{
    a = TAnschrift();
    TSqlAbfrage q(QStringLiteral("SELECT name1, name2, strasse, plz, ort, land, telefon, telefax, email, internet, "
                                 "bank, iban, bic, ust_id, steuernummer, geschaeftsfuehrer, registergericht, registernummer "
                                 "FROM organisation WHERE rnr = ? AND lnr = ?"));
    q.Bind({orgeNr.RNr, orgeNr.LNr}).Exec();
    if (!q.Next())
        return false;
    a.OrgeNr = orgeNr;
    a.Name1 = q.Text(0);
    a.Name2 = q.Text(1);
    a.Strasse = q.Text(2);
    a.Plz = q.Text(3);
    a.Ort = q.Text(4);
    a.Land = q.Text(5);
    a.Telefon = q.Text(6);
    a.Telefax = q.Text(7);
    a.Email = q.Text(8);
    a.Internet = q.Text(9);
    a.Bank = q.Text(10);
    a.Iban = q.Text(11);
    a.Bic = q.Text(12);
    a.UstId = q.Text(13);
    a.Steuernummer = q.Text(14);
    a.Geschaeftsfuehrer = q.Text(15);
    a.Registergericht = q.Text(16);
    a.Registernummer = q.Text(17);
    return true;
}

bool TSystemServer::Kontaktperson_Lesen(const TIntPair& id, TKontaktperson& k)
{
    k = TKontaktperson();
    if (!IntPairDefined(id))
        return false;
    TSqlAbfrage q(QStringLiteral("SELECT anrede, vorname, nachname, telefon, email FROM mitarbeiter "
                                 "WHERE rnr = ? AND lnr = ?"));
    q.Bind({id.RNr, id.LNr}).Exec();
    if (!q.Next())
        return false;
    k.Id = id;
    k.Anrede = q.Text(0);
    k.Vorname = q.Text(1);
    k.Nachname = q.Text(2);
    k.Telefon = q.Text(3);
    k.Email = q.Text(4);
    return true;
}

bool TSystemServer::Partnernummer_Lesen(const TIntPair& gepNr, int& nr)
{
    nr = 0;
    if (!IntPairDefined(gepNr))
        return false;
    TSqlAbfrage q(QStringLiteral("SELECT nr FROM geschaeftspartner WHERE rnr = ? AND lnr = ?"));
    q.Bind({gepNr.RNr, gepNr.LNr}).Exec();
    if (!q.Next())
        return false;
    nr = q.Int(0);
    return true;
}

// --- the user's arrangement of the windows ------------------------------------------------------

namespace {
constexpr int kSchluesselLaenge = 200;
constexpr int kWertLaenge = 4000;

void einstellungPruefen(const QString& schluessel, const QString& wert)
{
    if (schluessel.isEmpty() || schluessel.size() > kSchluesselLaenge)
        throw EQELError(QStringLiteral("Der Name einer Benutzereinstellung ist leer oder länger als %1 Zeichen.")
                            .arg(kSchluesselLaenge));
    if (wert.size() > kWertLaenge)
        throw EQELError(QStringLiteral("Eine Benutzereinstellung ist länger als %1 Zeichen.").arg(kWertLaenge));
}
}  // namespace

QString TSystemServer::Einstellung_Lesen(const QString& schluessel)
{
    TSqlAbfrage q(QStringLiteral("SELECT wert FROM benutzer_einstellung WHERE benutzer = ? AND schluessel = ?"));
    q.Bind({TSuiteDatenbank::Benutzer(), schluessel}).Exec();
    return q.Next() ? q.Text(0) : QString();
}

bool TSystemServer::Einstellung_Schreiben(const QString& schluessel, const QString& wert)
{
    try {
        einstellungPruefen(schluessel, wert);
        TTransaktion t;
        TSqlAbfrage(QStringLiteral("DELETE FROM benutzer_einstellung WHERE benutzer = ? AND schluessel = ?"))
            .Bind({TSuiteDatenbank::Benutzer(), schluessel})
            .Exec();
        TSqlAbfrage(QStringLiteral("INSERT INTO benutzer_einstellung (benutzer, schluessel, wert) VALUES (?, ?, ?)"))
            .Bind({TSuiteDatenbank::Benutzer(), schluessel, wert})
            .Exec();
        t.Commit();
        return true;
    } catch (const EQELError& e) {
        // Losing a column width is no reason to interrupt the clerk: the log keeps it.
        qWarning("Die Benutzereinstellung wurde nicht gespeichert: %s", qPrintable(e.Text()));
        return false;
    }
}

bool TSystemServer::Einstellungen_Loeschen(const QString& praefix)
{
    TSqlAbfrage q(QStringLiteral("SELECT schluessel FROM benutzer_einstellung WHERE benutzer = ?"));
    q.Bind(TSuiteDatenbank::Benutzer()).Exec();
    QStringList weg;
    while (q.Next())
        if (q.Text(0).startsWith(praefix))
            weg << q.Text(0);
    TTransaktion t;
    for (const QString& s : weg)
        TSqlAbfrage(QStringLiteral("DELETE FROM benutzer_einstellung WHERE benutzer = ? AND schluessel = ?"))
            .Bind({TSuiteDatenbank::Benutzer(), s})
            .Exec();
    t.Commit();
    return true;
}
