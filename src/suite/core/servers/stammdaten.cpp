#include "stammdaten.h"

#include "database_intern.h"

#include <QRegularExpression>

namespace {

// Field names as options and import columns call them.
const QString kName = QStringLiteral("Name");

// Text column limits of the schema (characters).
struct TTextFeld {
    const char* feld;
    QString TOrgStamm::*wert;
    int laenge;
};
const TTextFeld kOrgFelder[] = {
    {"Name", &TOrgStamm::Name1, 120},
    {"Name2", &TOrgStamm::Name2, 120},
    {"Straße", &TOrgStamm::Strasse, 120},
    {"PLZ", &TOrgStamm::Plz, 10},
    {"Ort", &TOrgStamm::Ort, 80},
    {"Land", &TOrgStamm::Land, 80},
    {"Telefon", &TOrgStamm::Telefon, 40},
    {"Telefax", &TOrgStamm::Telefax, 40},
    {"E-Mail", &TOrgStamm::Email, 120},
    {"Internet", &TOrgStamm::Internet, 120},
    {"Bank", &TOrgStamm::Bank, 120},
    {"IBAN", &TOrgStamm::Iban, 40},
    {"BIC", &TOrgStamm::Bic, 20},
    {"USt-IdNr", &TOrgStamm::UstId, 20},
    {"Steuernummer", &TOrgStamm::Steuernummer, 20},
    {"Geschäftsführer", &TOrgStamm::Geschaeftsfuehrer, 200},
    {"Registergericht", &TOrgStamm::Registergericht, 80},
    {"Registernummer", &TOrgStamm::Registernummer, 40},
    {"Logo", &TOrgStamm::LogoName, 80},
    {"Anrede", &TOrgStamm::KontaktAnrede, 20},
    {"Vorname", &TOrgStamm::KontaktVorname, 80},
    {"Ansprechpartner", &TOrgStamm::KontaktNachname, 80},
    {"Kontakt-Telefon", &TOrgStamm::KontaktTelefon, 40},
    {"Kontakt-E-Mail", &TOrgStamm::KontaktEmail, 120},
};

bool emailGueltig(const QString& e)
{
    static const QRegularExpression muster(QStringLiteral("^[^@\\s]+@[^@\\s]+\\.[^@\\s]+$"));
    return muster.match(e).hasMatch();
}

void pruefen(const QVector<TFeldFehler>& fehler, const QString& was)
{
    if (fehler.isEmpty())
        return;
    QStringList t;
    for (const TFeldFehler& f : fehler)
        t << QStringLiteral("%1: %2").arg(f.Feld, f.Grund);
    throw EQELError(QStringLiteral("%1 wurde nicht gespeichert.\n%2").arg(was, t.join(QLatin1Char('\n'))));
}

bool kontaktAngegeben(const TOrgStamm& o)
{
    return !(o.KontaktAnrede.isEmpty() && o.KontaktVorname.isEmpty() && o.KontaktNachname.isEmpty()
             && o.KontaktTelefon.isEmpty() && o.KontaktEmail.isEmpty());
}

// Normal form of what is stored: trimmed texts, IBAN and BIC without blanks in capitals.
TOrgStamm normal(TOrgStamm o)
{
    for (const TTextFeld& f : kOrgFelder)
        o.*f.wert = (o.*f.wert).trimmed();
    QString iban;
    if (Stammdaten_IbanGueltig(o.Iban, &iban))
        o.Iban = iban;
    o.Bic = o.Bic.remove(QLatin1Char(' ')).toUpper();
    o.UstId = o.UstId.remove(QLatin1Char(' ')).toUpper();
    return o;
}

// --- organisation rows ------------------------------------------------------------------------------

const char* const kOrgSpalten = "name1, name2, strasse, plz, ort, land, telefon, telefax, email, internet, bank, iban, bic, "
                                "ust_id, steuernummer, geschaeftsfuehrer, registergericht, registernummer, logo_name, "
                                "kontakt_rnr, kontakt_lnr";

void orgBinden(TSqlAbfrage& q, const TOrgStamm& o)
{
    q.Bind({o.Name1, o.Name2, o.Strasse, o.Plz, o.Ort, o.Land, o.Telefon, o.Telefax, o.Email, o.Internet, o.Bank, o.Iban,
            o.Bic, o.UstId, o.Steuernummer, o.Geschaeftsfuehrer, o.Registergericht, o.Registernummer, o.LogoName});
}

TOrgStamm orgLesen(const TIntPair& id)
{
    TOrgStamm o;
    TSqlAbfrage q(QStringLiteral("SELECT %1 FROM organisation WHERE rnr = ? AND lnr = ?").arg(QLatin1String(kOrgSpalten)));
    q.Bind({id.RNr, id.LNr}).Exec();
    if (!q.Next())
        return o;
    QString* felder[] = {&o.Name1, &o.Name2, &o.Strasse, &o.Plz, &o.Ort, &o.Land, &o.Telefon, &o.Telefax, &o.Email,
                         &o.Internet, &o.Bank, &o.Iban, &o.Bic, &o.UstId, &o.Steuernummer, &o.Geschaeftsfuehrer,
                         &o.Registergericht, &o.Registernummer, &o.LogoName};
    int i = 0;
    for (QString* f : felder)
        *f = q.Text(i++);
    const TIntPair kontakt{q.Int(19), q.Int(20)};
    if (IntPairDefined(kontakt)) {
        TSqlAbfrage k(QStringLiteral("SELECT anrede, vorname, nachname, telefon, email FROM mitarbeiter WHERE rnr = ? AND lnr = ?"));
        k.Bind({kontakt.RNr, kontakt.LNr}).Exec();
        if (k.Next()) {
            o.KontaktAnrede = k.Text(0);
            o.KontaktVorname = k.Text(1);
            o.KontaktNachname = k.Text(2);
            o.KontaktTelefon = k.Text(3);
            o.KontaktEmail = k.Text(4);
        }
    }
    return o;
}

// Writes the organisation (new when id is empty) and its contact person; returns its key.
TIntPair orgSchreiben(TIntPair id, const TOrgStamm& o)
{
    const int rechner = TSuiteDatenbank::RechnerNr();
    TIntPair kontakt;
    if (IntPairDefined(id)) {
        TSqlAbfrage q(QStringLiteral("SELECT kontakt_rnr, kontakt_lnr FROM organisation WHERE rnr = ? AND lnr = ?"));
        q.Bind({id.RNr, id.LNr}).Exec();
        if (q.Next())
            kontakt = TIntPair{q.Int(0), q.Int(1)};
    } else {
        id = qel_NeuerSchluessel(QStringLiteral("ORGANISATION"), rechner);
        TSqlAbfrage ins(QStringLiteral("INSERT INTO organisation (rnr, lnr, name1) VALUES (?, ?, ?)"));
        ins.Bind({id.RNr, id.LNr, o.Name1}).Exec();
    }
    if (kontaktAngegeben(o)) {
        if (!IntPairDefined(kontakt)) {
            kontakt = qel_NeuerSchluessel(QStringLiteral("MITARBEITER"), rechner);
            TSqlAbfrage(QStringLiteral("INSERT INTO mitarbeiter (rnr, lnr, orge_rnr, orge_lnr, nachname) VALUES (?, ?, ?, ?, '')"))
                .Bind({kontakt.RNr, kontakt.LNr, id.RNr, id.LNr})
                .Exec();
        }
        TSqlAbfrage(QStringLiteral("UPDATE mitarbeiter SET anrede = ?, vorname = ?, nachname = ?, telefon = ?, email = ? "
                                   "WHERE rnr = ? AND lnr = ?"))
            .Bind({o.KontaktAnrede, o.KontaktVorname, o.KontaktNachname, o.KontaktTelefon, o.KontaktEmail, kontakt.RNr,
                   kontakt.LNr})
            .Exec();
    } else if (IntPairDefined(kontakt)) {
        TSqlAbfrage(QStringLiteral("DELETE FROM mitarbeiter WHERE rnr = ? AND lnr = ?")).Bind({kontakt.RNr, kontakt.LNr}).Exec();
        kontakt = TIntPair{0, 0};
    }
    TSqlAbfrage upd(QStringLiteral("UPDATE organisation SET name1 = ?, name2 = ?, strasse = ?, plz = ?, ort = ?, land = ?, "
                                   "telefon = ?, telefax = ?, email = ?, internet = ?, bank = ?, iban = ?, bic = ?, ust_id = ?, "
                                   "steuernummer = ?, geschaeftsfuehrer = ?, registergericht = ?, registernummer = ?, "
                                   "logo_name = ?, kontakt_rnr = ?, kontakt_lnr = ? WHERE rnr = ? AND lnr = ?"));
    orgBinden(upd, o);
    upd.Bind({kontakt.RNr, kontakt.LNr, id.RNr, id.LNr}).Exec();
    return id;
}

void orgEntfernen(const TIntPair& id)
{
    TSqlAbfrage(QStringLiteral("DELETE FROM mitarbeiter WHERE orge_rnr = ? AND orge_lnr = ?")).Bind({id.RNr, id.LNr}).Exec();
    TSqlAbfrage(QStringLiteral("DELETE FROM organisation WHERE rnr = ? AND lnr = ?")).Bind({id.RNr, id.LNr}).Exec();
}

void logoPruefen(const TOrgStamm& o)
{
    if (o.LogoName.isEmpty())
        return;
    TSqlAbfrage q(QStringLiteral("SELECT 1 FROM logo WHERE name = ?"));
    q.Bind(o.LogoName).Exec();
    if (!q.Next())
        throw EQELError(QStringLiteral("Das Logo \"%1\" gibt es nicht; speichern Sie es zuerst "
                                       "(mahnwesen-admin logo import).")
                            .arg(o.LogoName));
}

qint64 anzahl(const QString& sql, std::initializer_list<QVariant> werte)
{
    TSqlAbfrage q(sql);
    q.Bind(werte).Exec();
    return q.Next() ? q.Int64(0) : 0;
}

// Refuses a removal while anything refers to the object, naming what does.
void verweiseMelden(const QString& was, const QStringList& verweise)
{
    if (!verweise.isEmpty())
        throw EQELError(QStringLiteral("%1 kann nicht entfernt werden: %2.").arg(was, verweise.join(QStringLiteral(", "))));
}

void nrPruefen(qint64 nr, qint64 max, const QString& was)
{
    if (nr < 1 || nr > max)
        throw EQELError(QStringLiteral("%1 muss zwischen 1 und %2 liegen, nicht %3.").arg(was).arg(max).arg(nr));
}

// --- clients ---------------------------------------------------------------------------------------

QVector<TFeldFehler> mandantPruefen(const TMandantStamm& m)
{
    QVector<TFeldFehler> f = Stammdaten_OrgPruefen(m.Org);
    if (const QString t = Stammdaten_TextFehler(m.Name, 120); !t.isEmpty())
        f.append({QStringLiteral("Kurzname"), t});
    if (m.ZahlungszielTage < 0 || m.ZahlungszielTage > 365)
        f.append({QStringLiteral("Zahlungsziel"), QStringLiteral("muss zwischen 0 und 365 Tagen liegen")});
    if (m.DatevBerater < 0 || m.DatevBerater > 9999999)
        f.append({QStringLiteral("Beraternummer"), QStringLiteral("hat höchstens sieben Stellen")});
    if (m.DatevMandant < 0 || m.DatevMandant > 99999)
        f.append({QStringLiteral("DATEV-Mandantennummer"), QStringLiteral("hat höchstens fünf Stellen")});
    if (m.Sachkontenlaenge < 4 || m.Sachkontenlaenge > 8)
        f.append({QStringLiteral("Sachkontenlänge"), QStringLiteral("muss zwischen 4 und 8 liegen")});
    const qint64 maxKonto = [&] {
        qint64 v = 1;
        for (int i = 0; i < m.Sachkontenlaenge; ++i)
            v *= 10;
        return v - 1;
    }();
    if (m.KontoGebuehren < 0 || m.KontoGebuehren > maxKonto)
        f.append({QStringLiteral("Konto Mahngebühren"), QStringLiteral("passt nicht zur Sachkontenlänge %1").arg(m.Sachkontenlaenge)});
    if (m.KontoZinsen < 0 || m.KontoZinsen > maxKonto)
        f.append({QStringLiteral("Konto Verzugszinsen"), QStringLiteral("passt nicht zur Sachkontenlänge %1").arg(m.Sachkontenlaenge)});
    if (const QString t = Stammdaten_TextFehler(m.MailAbsenderName, 120); !t.isEmpty())
        f.append({QStringLiteral("Mail-Absendername"), t});
    if (const QString t = Stammdaten_TextFehler(m.MailAbsenderAdresse, 120); !t.isEmpty())
        f.append({QStringLiteral("Mail-Absenderadresse"), t});
    else if (!m.MailAbsenderAdresse.isEmpty() && !emailGueltig(m.MailAbsenderAdresse))
        f.append({QStringLiteral("Mail-Absenderadresse"),
                  QStringLiteral("\"%1\" ist keine E-Mail-Adresse").arg(m.MailAbsenderAdresse)});
    else if (m.MailAbsenderAdresse.isEmpty() && !m.MailAbsenderName.isEmpty())
        f.append({QStringLiteral("Mail-Absenderadresse"), QStringLiteral("fehlt zum Absendernamen")});
    return f;
}

void mandantSchreiben(const TMandantStamm& roh, bool neu)
{
    nrPruefen(roh.Nr, 999999, QStringLiteral("Die Mandantennummer"));
    TMandantStamm m = roh;
    m.Org = normal(m.Org);
    m.Name = m.Name.trimmed().isEmpty() ? m.Org.Name1 : m.Name.trimmed();
    m.MailAbsenderName = m.MailAbsenderName.trimmed();
    m.MailAbsenderAdresse = m.MailAbsenderAdresse.trimmed();
    pruefen(mandantPruefen(m), QStringLiteral("Der Mandant %1").arg(m.Nr));
    TTransaktion t;
    logoPruefen(m.Org);
    TSqlAbfrage q(QStringLiteral("SELECT rnr, lnr, orge_rnr, orge_lnr FROM mandant WHERE nr = ?"));
    q.Bind(m.Nr).Exec();
    const bool vorhanden = q.Next();
    if (neu && vorhanden)
        throw EQELError(QStringLiteral("Den Mandanten %1 gibt es bereits.").arg(m.Nr));
    if (!neu && !vorhanden)
        throw EQELError(QStringLiteral("Den Mandanten %1 gibt es nicht.").arg(m.Nr));
    const TIntPair orge = orgSchreiben(vorhanden ? TIntPair{q.Int(2), q.Int(3)} : TIntPair{0, 0}, m.Org);
    // A client is the partner of its own letters: its key comes from the partners' range.
    const TIntPair id = vorhanden ? TIntPair{q.Int(0), q.Int(1)}
                                  : qel_NeuerSchluessel(QStringLiteral("GEP"), TSuiteDatenbank::RechnerNr());
    if (!vorhanden)
        TSqlAbfrage(QStringLiteral("INSERT INTO mandant (rnr, lnr, nr, name, orge_rnr, orge_lnr) VALUES (?, ?, ?, ?, ?, ?)"))
            .Bind({id.RNr, id.LNr, m.Nr, m.Name, orge.RNr, orge.LNr})
            .Exec();
    TSqlAbfrage(QStringLiteral("UPDATE mandant SET name = ?, zahlungsziel_tage = ?, datev_berater = ?, datev_mandant = ?, "
                               "sachkontenlaenge = ?, konto_gebuehren = ?, konto_zinsen = ?, mail_absender_name = ?, "
                               "mail_absender_adresse = ? WHERE rnr = ? AND lnr = ?"))
        .Bind({m.Name, m.ZahlungszielTage, m.DatevBerater, m.DatevMandant, m.Sachkontenlaenge, m.KontoGebuehren,
               m.KontoZinsen, m.MailAbsenderName, m.MailAbsenderAdresse, id.RNr, id.LNr})
        .Exec();
    t.Commit();
}

const char* const kMandantSpalten = "rnr, lnr, nr, name, orge_rnr, orge_lnr, zahlungsziel_tage, datev_berater, datev_mandant, "
                                    "sachkontenlaenge, konto_gebuehren, konto_zinsen, mail_absender_name, mail_absender_adresse";

// The organisation's key goes to orge: it is read after the row loop (PostgreSQL runs one query at a time).
TMandantStamm mandantAusZeile(TSqlAbfrage& q, TIntPair& orge)
{
    TMandantStamm m;
    m.Id = TIntPair{q.Int(0), q.Int(1)};
    m.Nr = q.Int(2);
    m.Name = q.Text(3);
    orge = TIntPair{q.Int(4), q.Int(5)};
    m.ZahlungszielTage = q.Int(6);
    m.DatevBerater = q.Int(7);
    m.DatevMandant = q.Int(8);
    m.Sachkontenlaenge = q.Int(9);
    m.KontoGebuehren = q.Int(10);
    m.KontoZinsen = q.Int(11);
    m.MailAbsenderName = q.Text(12);
    m.MailAbsenderAdresse = q.Text(13);
    return m;
}

// --- branches --------------------------------------------------------------------------------------

void filialeSchreiben(const TFilialeStamm& roh, bool neu)
{
    nrPruefen(roh.Nr, 9999, QStringLiteral("Die Filialnummer"));
    TFilialeStamm f = roh;
    f.Org = normal(f.Org);
    pruefen(Stammdaten_OrgPruefen(f.Org), QStringLiteral("Die Filiale %1").arg(f.Nr));
    TTransaktion t;
    logoPruefen(f.Org);
    const TIntPair mandant = Stammdaten_MandantId(f.MandantNr);
    TSqlAbfrage q(QStringLiteral("SELECT orge_rnr, orge_lnr FROM filiale WHERE mandant_rnr = ? AND mandant_lnr = ? AND filiale_nr = ?"));
    q.Bind({mandant.RNr, mandant.LNr, f.Nr}).Exec();
    const bool vorhanden = q.Next();
    if (neu && vorhanden)
        throw EQELError(QStringLiteral("Die Filiale %1 des Mandanten %2 gibt es bereits.").arg(f.Nr).arg(f.MandantNr));
    if (!neu && !vorhanden)
        throw EQELError(QStringLiteral("Die Filiale %1 des Mandanten %2 gibt es nicht.").arg(f.Nr).arg(f.MandantNr));
    const TIntPair orge = orgSchreiben(vorhanden ? TIntPair{q.Int(0), q.Int(1)} : TIntPair{0, 0}, f.Org);
    if (!vorhanden)
        TSqlAbfrage(QStringLiteral("INSERT INTO filiale (mandant_rnr, mandant_lnr, filiale_nr, orge_rnr, orge_lnr) "
                                   "VALUES (?, ?, ?, ?, ?)"))
            .Bind({mandant.RNr, mandant.LNr, f.Nr, orge.RNr, orge.LNr})
            .Exec();
    t.Commit();
}

// --- partners --------------------------------------------------------------------------------------

TPartnerStamm partnerNormal(TPartnerStamm p)
{
    p.Org = normal(p.Org);
    p.MahnEmail = p.MahnEmail.trimmed();
    return p;
}

const char* const kPartnerSpalten = "rnr, lnr, nr, orge_rnr, orge_lnr, aktiv, mahn_email, verbraucher, zentralreguliert";

TPartnerStamm partnerAusZeile(TSqlAbfrage& q, int mandantNr, TIntPair& orge)
{
    TPartnerStamm p;
    p.Id = TIntPair{q.Int(0), q.Int(1)};
    p.MandantNr = mandantNr;
    p.Nr = q.Int(2);
    orge = TIntPair{q.Int(3), q.Int(4)};
    p.Aktiv = q.Int(5) != 0;
    p.MahnEmail = q.Text(6);
    p.Verbraucher = q.Int(7) != 0;
    p.Zentralreguliert = q.Int(8) != 0;
    return p;
}

void partnerSpeichern(const TPartnerStamm& roh, bool neu)
{
    TPartnerStamm p = partnerNormal(roh);
    pruefen(Stammdaten_PartnerPruefen(p), QStringLiteral("Der Geschäftspartner %1").arg(p.Nr));
    TTransaktion t;
    logoPruefen(p.Org);
    const TIntPair mandant = Stammdaten_MandantId(p.MandantNr);
    TSqlAbfrage q(QStringLiteral("SELECT 1 FROM geschaeftspartner WHERE mandant_rnr = ? AND mandant_lnr = ? AND nr = ?"));
    q.Bind({mandant.RNr, mandant.LNr, p.Nr}).Exec();
    const bool vorhanden = q.Next();
    if (neu && vorhanden)
        throw EQELError(QStringLiteral("Den Geschäftspartner %1 gibt es beim Mandanten %2 bereits.").arg(p.Nr).arg(p.MandantNr));
    if (!neu && !vorhanden)
        throw EQELError(QStringLiteral("Den Geschäftspartner %1 gibt es beim Mandanten %2 nicht.").arg(p.Nr).arg(p.MandantNr));
    Stammdaten_PartnerSchreiben(mandant, p);
    t.Commit();
}

}  // namespace

// --- checks ------------------------------------------------------------------------------------------

QString Stammdaten_TextFehler(const QString& text, int maxLaenge)
{
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control || c == QChar(0x2028) || c == QChar(0x2029))
            return QStringLiteral("enthält Steuerzeichen (etwa einen Zeilenumbruch)");
    // Length as the database counts it: characters, a pair of UTF-16 surrogates being one.
    if (text.size() > maxLaenge && text.toUcs4().size() > maxLaenge)
        return QStringLiteral("ist länger als %1 Zeichen").arg(maxLaenge);
    return QString();
}

bool Stammdaten_IbanGueltig(const QString& iban, QString* normal)
{
    QString n = iban;
    n.remove(QLatin1Char(' '));
    n = n.toUpper();
    static const QRegularExpression muster(QStringLiteral("^[A-Z]{2}[0-9]{2}[A-Z0-9]{11,30}$"));
    if (!muster.match(n).hasMatch())
        return false;
    // Check digits: the country code and check digits moved to the end, letters as 10..35, mod 97 = 1.
    const QString umgestellt = n.mid(4) + n.left(4);
    int rest = 0;
    for (const QChar c : umgestellt) {
        const int wert = c.isDigit() ? c.digitValue() : c.unicode() - 'A' + 10;
        rest = wert >= 10 ? (rest * 100 + wert) % 97 : (rest * 10 + wert) % 97;
    }
    if (rest != 1)
        return false;
    if (normal)
        *normal = n;
    return true;
}

QString Stammdaten_IbanGruppiert(const QString& iban)
{
    QString n = iban;
    n.remove(QLatin1Char(' '));
    QString g;
    for (int i = 0; i < n.size(); i += 4)
        g += (i ? QStringLiteral(" ") : QString()) + n.mid(i, 4);
    return g;
}

QVector<TFeldFehler> Stammdaten_OrgPruefen(const TOrgStamm& o)
{
    QVector<TFeldFehler> f;
    for (const TTextFeld& feld : kOrgFelder)
        if (const QString t = Stammdaten_TextFehler(o.*feld.wert, feld.laenge); !t.isEmpty())
            f.append({QString::fromUtf8(feld.feld), t});
    if (o.Name1.trimmed().isEmpty())
        f.append({kName, QStringLiteral("fehlt")});
    if (!o.Iban.trimmed().isEmpty() && !Stammdaten_IbanGueltig(o.Iban))
        f.append({QStringLiteral("IBAN"), QStringLiteral("\"%1\" ist keine gültige IBAN (Aufbau oder Prüfziffer falsch)").arg(o.Iban)});
    static const QRegularExpression bic(QStringLiteral("^[A-Z]{6}[A-Z0-9]{2}([A-Z0-9]{3})?$"));
    const QString b = QString(o.Bic).remove(QLatin1Char(' ')).toUpper();
    if (!b.isEmpty() && !bic.match(b).hasMatch())
        f.append({QStringLiteral("BIC"), QStringLiteral("\"%1\" hat nicht 8 oder 11 Zeichen im Aufbau einer BIC").arg(o.Bic)});
    static const QRegularExpression ust(QStringLiteral("^[A-Z]{2}[0-9A-Z+*.]{2,13}$"));
    const QString u = QString(o.UstId).remove(QLatin1Char(' ')).toUpper();
    if (!u.isEmpty() && !ust.match(u).hasMatch())
        f.append({QStringLiteral("USt-IdNr"), QStringLiteral("\"%1\" beginnt nicht mit dem Länderkürzel").arg(o.UstId)});
    for (const auto& [feld, wert] : {std::pair{QStringLiteral("E-Mail"), o.Email}, std::pair{QStringLiteral("Kontakt-E-Mail"), o.KontaktEmail}})
        if (!wert.trimmed().isEmpty() && !emailGueltig(wert.trimmed()))
            f.append({feld, QStringLiteral("\"%1\" ist keine E-Mail-Adresse").arg(wert)});
    const QString anrede = o.KontaktAnrede.trimmed();
    if (!anrede.isEmpty() && anrede != QLatin1String("Frau") && anrede != QLatin1String("Herr"))
        f.append({QStringLiteral("Anrede"), QStringLiteral("\"%1\" ist weder \"Frau\" noch \"Herr\"").arg(anrede)});
    if (kontaktAngegeben(o) && o.KontaktNachname.trimmed().isEmpty())
        f.append({QStringLiteral("Ansprechpartner"), QStringLiteral("fehlt (der Nachname des Ansprechpartners)")});
    return f;
}

QVector<TFeldFehler> Stammdaten_PartnerPruefen(const TPartnerStamm& p)
{
    QVector<TFeldFehler> f;
    if (p.Nr < 1 || p.Nr > 999999999)
        f.append({QStringLiteral("Partnernummer"), QStringLiteral("muss zwischen 1 und 999999999 liegen")});
    f += Stammdaten_OrgPruefen(p.Org);
    if (const QString t = Stammdaten_TextFehler(p.MahnEmail, 120); !t.isEmpty())
        f.append({QStringLiteral("Mahn-E-Mail"), t});
    else if (!p.MahnEmail.trimmed().isEmpty() && !emailGueltig(p.MahnEmail.trimmed()))
        f.append({QStringLiteral("Mahn-E-Mail"), QStringLiteral("\"%1\" ist keine E-Mail-Adresse").arg(p.MahnEmail)});
    return f;
}

// --- clients ---------------------------------------------------------------------------------------

void Stammdaten_MandantAnlegen(const TMandantStamm& m) { mandantSchreiben(m, true); }
void Stammdaten_MandantAendern(const TMandantStamm& m) { mandantSchreiben(m, false); }

bool Stammdaten_MandantLesen(int nr, TMandantStamm& m)
{
    TSqlAbfrage q(QStringLiteral("SELECT %1 FROM mandant WHERE nr = ?").arg(QLatin1String(kMandantSpalten)));
    q.Bind(nr).Exec();
    if (!q.Next())
        return false;
    TIntPair orge;
    m = mandantAusZeile(q, orge);
    m.Org = orgLesen(orge);
    return true;
}

QVector<TMandantStamm> Stammdaten_Mandanten()
{
    QVector<TMandantStamm> l;
    QVector<TIntPair> orgs;
    TSqlAbfrage q(QStringLiteral("SELECT %1 FROM mandant ORDER BY nr").arg(QLatin1String(kMandantSpalten)));
    q.Exec();
    while (q.Next()) {
        orgs.append(TIntPair());
        l << mandantAusZeile(q, orgs.last());
    }
    for (int i = 0; i < l.size(); ++i)
        l[i].Org = orgLesen(orgs[i]);
    return l;
}

TIntPair Stammdaten_MandantId(int nr)
{
    TSqlAbfrage q(QStringLiteral("SELECT rnr, lnr FROM mandant WHERE nr = ?"));
    q.Bind(nr).Exec();
    if (!q.Next())
        throw EQELError(QStringLiteral("Den Mandanten %1 gibt es nicht (mahnwesen-admin mandant list zeigt die vorhandenen).").arg(nr));
    return TIntPair{q.Int(0), q.Int(1)};
}

void Stammdaten_MandantEntfernen(int nr)
{
    TTransaktion t;
    TMandantStamm m;
    if (!Stammdaten_MandantLesen(nr, m))
        throw EQELError(QStringLiteral("Den Mandanten %1 gibt es nicht.").arg(nr));
    const QVariant r = m.Id.RNr, l = m.Id.LNr;
    QStringList verweise;
    struct TVerweis {
        const char* tabelle;
        const char* text;
    };
    for (const TVerweis& v : {TVerweis{"geschaeftspartner", "%1 Geschäftspartner"}, TVerweis{"offener_posten", "%1 offene Posten"},
                              TVerweis{"mahnung", "%1 gebuchte Mahnungen"}, TVerweis{"filiale", "%1 Filialen"}})
        if (const qint64 n = anzahl(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE mandant_rnr = ? AND mandant_lnr = ?")
                                        .arg(QLatin1String(v.tabelle)),
                                    {r, l});
            n > 0)
            verweise << QString::fromUtf8(v.text).arg(n);
    verweiseMelden(QStringLiteral("Der Mandant %1").arg(nr), verweise);
    TSqlAbfrage q(QStringLiteral("SELECT orge_rnr, orge_lnr FROM mandant WHERE rnr = ? AND lnr = ?"));
    q.Bind({r, l}).Exec();
    if (q.Next())
        orgEntfernen(TIntPair{q.Int(0), q.Int(1)});
    TSqlAbfrage(QStringLiteral("DELETE FROM mandant WHERE rnr = ? AND lnr = ?")).Bind({r, l}).Exec();
    t.Commit();
}

// --- branches --------------------------------------------------------------------------------------

void Stammdaten_FilialeAnlegen(const TFilialeStamm& f) { filialeSchreiben(f, true); }
void Stammdaten_FilialeAendern(const TFilialeStamm& f) { filialeSchreiben(f, false); }

bool Stammdaten_FilialeLesen(int mandantNr, int nr, TFilialeStamm& f)
{
    const TIntPair mandant = Stammdaten_MandantId(mandantNr);
    TSqlAbfrage q(QStringLiteral("SELECT orge_rnr, orge_lnr FROM filiale WHERE mandant_rnr = ? AND mandant_lnr = ? AND filiale_nr = ?"));
    q.Bind({mandant.RNr, mandant.LNr, nr}).Exec();
    if (!q.Next())
        return false;
    f.MandantNr = mandantNr;
    f.Nr = nr;
    f.Org = orgLesen(TIntPair{q.Int(0), q.Int(1)});
    return true;
}

QVector<TFilialeStamm> Stammdaten_Filialen(int mandantNr)
{
    const TIntPair mandant = Stammdaten_MandantId(mandantNr);
    TSqlAbfrage q(QStringLiteral("SELECT filiale_nr, orge_rnr, orge_lnr FROM filiale WHERE mandant_rnr = ? AND mandant_lnr = ? "
                                 "ORDER BY filiale_nr"));
    q.Bind({mandant.RNr, mandant.LNr}).Exec();
    QVector<TFilialeStamm> l;
    QVector<TIntPair> orgs;
    while (q.Next()) {
        l << TFilialeStamm{mandantNr, q.Int(0), TOrgStamm()};
        orgs << TIntPair{q.Int(1), q.Int(2)};
    }
    for (int i = 0; i < l.size(); ++i)
        l[i].Org = orgLesen(orgs[i]);
    return l;
}

void Stammdaten_FilialeEntfernen(int mandantNr, int nr)
{
    TTransaktion t;
    const TIntPair mandant = Stammdaten_MandantId(mandantNr);
    TSqlAbfrage q(QStringLiteral("SELECT orge_rnr, orge_lnr FROM filiale WHERE mandant_rnr = ? AND mandant_lnr = ? AND filiale_nr = ?"));
    q.Bind({mandant.RNr, mandant.LNr, nr}).Exec();
    if (!q.Next())
        throw EQELError(QStringLiteral("Die Filiale %1 des Mandanten %2 gibt es nicht.").arg(nr).arg(mandantNr));
    const TIntPair orge{q.Int(0), q.Int(1)};
    QStringList verweise;
    if (const qint64 n = anzahl(QStringLiteral("SELECT COUNT(*) FROM rechner WHERE filiale = ?"), {nr}); n > 0)
        verweise << QStringLiteral("%1 Rechner gehören zu ihr").arg(n);
    if (const qint64 n = anzahl(QStringLiteral("SELECT COUNT(*) FROM mahnung WHERE orge_rnr = ? AND orge_lnr = ?"), {orge.RNr, orge.LNr});
        n > 0)
        verweise << QStringLiteral("%1 gebuchte Mahnungen tragen ihren Briefkopf").arg(n);
    verweiseMelden(QStringLiteral("Die Filiale %1").arg(nr), verweise);
    orgEntfernen(orge);
    TSqlAbfrage(QStringLiteral("DELETE FROM filiale WHERE mandant_rnr = ? AND mandant_lnr = ? AND filiale_nr = ?"))
        .Bind({mandant.RNr, mandant.LNr, nr})
        .Exec();
    t.Commit();
}

// --- partners --------------------------------------------------------------------------------------

void Stammdaten_PartnerAnlegen(const TPartnerStamm& p) { partnerSpeichern(p, true); }
void Stammdaten_PartnerAendern(const TPartnerStamm& p) { partnerSpeichern(p, false); }

bool Stammdaten_PartnerLesen(int mandantNr, int nr, TPartnerStamm& p)
{
    const TIntPair mandant = Stammdaten_MandantId(mandantNr);
    TSqlAbfrage q(QStringLiteral("SELECT %1 FROM geschaeftspartner WHERE mandant_rnr = ? AND mandant_lnr = ? AND nr = ?")
                      .arg(QLatin1String(kPartnerSpalten)));
    q.Bind({mandant.RNr, mandant.LNr, nr}).Exec();
    if (!q.Next())
        return false;
    TIntPair orge;
    p = partnerAusZeile(q, mandantNr, orge);
    p.Org = orgLesen(orge);
    return true;
}

QVector<TPartnerStamm> Stammdaten_Partner(int mandantNr)
{
    const TIntPair mandant = Stammdaten_MandantId(mandantNr);
    TSqlAbfrage q(QStringLiteral("SELECT %1 FROM geschaeftspartner WHERE mandant_rnr = ? AND mandant_lnr = ? ORDER BY nr")
                      .arg(QLatin1String(kPartnerSpalten)));
    q.Bind({mandant.RNr, mandant.LNr}).Exec();
    QVector<TPartnerStamm> l;
    QVector<TIntPair> orgs;
    while (q.Next()) {
        orgs.append(TIntPair());
        l << partnerAusZeile(q, mandantNr, orgs.last());
    }
    for (int i = 0; i < l.size(); ++i)
        l[i].Org = orgLesen(orgs[i]);
    return l;
}

void Stammdaten_PartnerEntfernen(int mandantNr, int nr)
{
    TTransaktion t;
    TPartnerStamm p;
    if (!Stammdaten_PartnerLesen(mandantNr, nr, p))
        throw EQELError(QStringLiteral("Den Geschäftspartner %1 gibt es beim Mandanten %2 nicht.").arg(nr).arg(mandantNr));
    QStringList verweise;
    if (const qint64 n = anzahl(QStringLiteral("SELECT COUNT(*) FROM offener_posten WHERE gep_rnr = ? AND gep_lnr = ?"), {p.Id.RNr, p.Id.LNr});
        n > 0)
        verweise << QStringLiteral("%1 offene Posten").arg(n);
    if (const qint64 n = anzahl(QStringLiteral("SELECT COUNT(*) FROM mahnung WHERE gep_rnr = ? AND gep_lnr = ?"), {p.Id.RNr, p.Id.LNr}); n > 0)
        verweise << QStringLiteral("%1 gebuchte Mahnungen").arg(n);
    verweiseMelden(QStringLiteral("Der Geschäftspartner %1").arg(nr), verweise);
    TSqlAbfrage q(QStringLiteral("SELECT orge_rnr, orge_lnr FROM geschaeftspartner WHERE rnr = ? AND lnr = ?"));
    q.Bind({p.Id.RNr, p.Id.LNr}).Exec();
    if (q.Next())
        orgEntfernen(TIntPair{q.Int(0), q.Int(1)});
    TSqlAbfrage(QStringLiteral("DELETE FROM geschaeftspartner WHERE rnr = ? AND lnr = ?")).Bind({p.Id.RNr, p.Id.LNr}).Exec();
    t.Commit();
}

void Stammdaten_PartnerSchreiben(const TIntPair& mandant, TPartnerStamm& p)
{
    TSqlAbfrage q(QStringLiteral("SELECT rnr, lnr, orge_rnr, orge_lnr FROM geschaeftspartner "
                                 "WHERE mandant_rnr = ? AND mandant_lnr = ? AND nr = ?"));
    q.Bind({mandant.RNr, mandant.LNr, p.Nr}).Exec();
    const bool vorhanden = q.Next();
    const TIntPair orge = orgSchreiben(vorhanden ? TIntPair{q.Int(2), q.Int(3)} : TIntPair{0, 0}, p.Org);
    if (vorhanden) {
        p.Id = TIntPair{q.Int(0), q.Int(1)};
    } else {
        p.Id = qel_NeuerSchluessel(QStringLiteral("GEP"), TSuiteDatenbank::RechnerNr());
        TSqlAbfrage(QStringLiteral("INSERT INTO geschaeftspartner (rnr, lnr, mandant_rnr, mandant_lnr, nr, name, orge_rnr, "
                                   "orge_lnr) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"))
            .Bind({p.Id.RNr, p.Id.LNr, mandant.RNr, mandant.LNr, p.Nr, p.Org.Name1, orge.RNr, orge.LNr})
            .Exec();
    }
    TSqlAbfrage(QStringLiteral("UPDATE geschaeftspartner SET name = ?, aktiv = ?, mahn_email = ?, verbraucher = ?, "
                               "zentralreguliert = ? WHERE rnr = ? AND lnr = ?"))
        .Bind({p.Org.Name1, p.Aktiv ? 1 : 0, p.MahnEmail, p.Verbraucher ? 1 : 0, p.Zentralreguliert ? 1 : 0, p.Id.RNr, p.Id.LNr})
        .Exec();
}
