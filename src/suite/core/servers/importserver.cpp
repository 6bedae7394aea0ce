// The import server: the CSV formats, the staging of item lines and their matching with stored items.
#include "importintern.h"

#include "direktabfrage.h"

#include <QDate>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <algorithm>
#include <limits>
#include <unordered_map>
#include <unordered_set>

namespace import {

// --- values -------------------------------------------------------------------------------------------

QString SpaltenNorm(const QString& name)
{
    // Plain ASCII (nearly every header and value compared here) needs no umlaut spelling.
    QString r;
    r.reserve(name.size());
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u >= 0x80) {
            r.clear();
            break;
        }
        if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9'))
            r += c;
        else if (u >= 'A' && u <= 'Z')
            r += QChar(u + ('a' - 'A'));
    }
    if (!r.isEmpty() || name.isEmpty())
        return r;
    QString n = name.toLower();
    n.replace(QStringLiteral("ä"), QStringLiteral("ae"));
    n.replace(QStringLiteral("ö"), QStringLiteral("oe"));
    n.replace(QStringLiteral("ü"), QStringLiteral("ue"));
    n.replace(QStringLiteral("ß"), QStringLiteral("ss"));
    r.clear();
    for (const QChar c : n)
        if (c.isLetterOrNumber())
            r += c;
    return r;
}

namespace {

bool nurZiffern(QStringView t) { return !t.isEmpty() && std::all_of(t.begin(), t.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }); }

// 1234, 1.234 or 1.234.567 (groups of three after the first).
bool ganzzahlTeil(QStringView t)
{
    if (!t.contains(u'.'))
        return nurZiffern(t);
    const QList<QStringView> gruppen = t.split(u'.');
    if (gruppen.size() < 2 || gruppen.first().size() > 3 || !nurZiffern(gruppen.first()))
        return false;
    for (qsizetype i = 1; i < gruppen.size(); ++i)
        if (gruppen[i].size() != 3 || !nurZiffern(gruppen[i]))
            return false;
    return true;
}

}  // namespace

QString BetragLesen(const QString& text, qint64& cent)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return QStringLiteral("fehlt");
    if (t.startsWith(QLatin1Char('-')))
        return QStringLiteral("\"%1\" ist negativ; die Satzart bestimmt die Richtung, der Betrag ist positiv").arg(t);
    const qsizetype komma = t.indexOf(QLatin1Char(','));
    const QStringView vorn = komma < 0 ? QStringView(t) : QStringView(t).left(komma);
    const QStringView hinten = komma < 0 ? QStringView() : QStringView(t).mid(komma + 1);
    if (!ganzzahlTeil(vorn) || (komma >= 0 && (hinten.size() > 2 || !nurZiffern(hinten))))
        return QStringLiteral("\"%1\" ist kein Betrag der Form 1.234,56").arg(t);
    QString ganz = vorn.toString();
    ganz.remove(QLatin1Char('.'));
    if (ganz.size() > 9)
        return QStringLiteral("\"%1\" ist größer als 999.999.999,99").arg(t);
    const QString nachkomma = hinten.toString().leftJustified(2, QLatin1Char('0'));
    cent = ganz.toLongLong() * 100 + nachkomma.toLongLong();
    if (cent == 0)
        return QStringLiteral("ist 0");
    return QString();
}

QString DatumLesen(const QString& text, TDateTime& datum)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return QStringLiteral("fehlt");
    const QList<QStringView> teile = QStringView(t).split(u'.');
    if (teile.size() != 3 || teile[0].size() > 2 || teile[1].size() > 2 || teile[2].size() != 4
        || !std::all_of(teile.begin(), teile.end(), nurZiffern))
        return QStringLiteral("\"%1\" ist kein Datum der Form TT.MM.JJJJ").arg(t);
    const int jahr = teile[2].toInt();
    const QDate d(jahr, teile[1].toInt(), teile[0].toInt());
    if (!d.isValid())
        return QStringLiteral("\"%1\" ist kein Tag des Kalenders").arg(t);
    if (jahr < 1900 || jahr > 9999)
        return QStringLiteral("\"%1\" liegt nicht zwischen 1900 und 9999").arg(t);
    datum = qel_EncodeDate(d.year(), d.month(), d.day());
    return QString();
}

QString GanzzahlLesen(const QString& text, qint64 min, qint64 max, qint64& wert)
{
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    if (!ok || v < min || v > max)
        return QStringLiteral("\"%1\" ist keine ganze Zahl von %2 bis %3").arg(text.trimmed()).arg(min).arg(max);
    wert = v;
    return QString();
}

QString JaNeinLesen(const QString& text, bool& wert)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("j") || t == QLatin1String("ja") || t == QLatin1String("1"))
        wert = true;
    else if (t == QLatin1String("n") || t == QLatin1String("nein") || t == QLatin1String("0"))
        wert = false;
    else
        return QStringLiteral("\"%1\" ist weder J noch N").arg(text.trimmed());
    return QString();
}

namespace {

TDateTime heute() { return std::floor(qel_Now()); }

QString betragText(qint64 cent)
{
    static const QLocale deutsch(QLocale::German);  // once: a change line per imported item
    return deutsch.toString(double(cent) / 100.0, 'f', 2);
}

// --- columns of the CSV files -----------------------------------------------------------------------

enum TPS { psSatzart, psBelegnummer, psBezug, psRate, psPartner, psBelegdatum, psFaellig, psBetrag, psKommentar,
           psKostenstelle, psKonto, psWaehrung, psSkonto, psSkontoBis, psZentral, psMahnstufe, psPeriode, psAnzahl };

struct TSpalte {
    int nr;
    const char* name;     // as the header writes it
    const char* aliase;   // further names, normalised, separated by '|'
};

const TSpalte kPostenSpalten[] = {
    {psSatzart, "Satzart", "art"},
    {psBelegnummer, "Belegnummer", "beleg|belegnr|rechnungsnummer"},
    {psBezug, "Bezug", "bezugsbeleg|zubeleg"},
    {psRate, "Rate", "teilzahlung"},
    {psPartner, "Partnernummer", "partner|partnernr|kundennummer|debitor|konto"},
    {psBelegdatum, "Belegdatum", "datum"},
    {psFaellig, "Fällig", "faelligkeit|faelligam|zahlungsziel"},
    {psBetrag, "Betrag", "betrageur"},
    {psKommentar, "Kommentar", "text|buchungstext"},
    {psKostenstelle, "Kostenstelle", ""},
    {psKonto, "Erlöskonto", "sachkonto"},
    {psWaehrung, "Währung", "wkz"},
    {psSkonto, "Skonto", "skontobetrag"},
    {psSkontoBis, "Skonto bis", "skontofrist"},
    {psZentral, "Zentralreguliert", "zentralregulierung"},
    {psMahnstufe, "Mahnstufe", ""},
    {psPeriode, "Buchungsperiode", "periode"},
};

const TSpalte kPartnerSpalten[] = {
    {paNr, "Partnernummer", "partner|partnernr|kundennummer|debitor|konto"},
    {paName, "Name", "name1|firma"},
    {paName2, "Name2", "zusatz"},
    {paStrasse, "Straße", "strasse"},
    {paPlz, "PLZ", "postleitzahl"},
    {paOrt, "Ort", ""},
    {paLand, "Land", ""},
    {paTelefon, "Telefon", ""},
    {paTelefax, "Telefax", "fax"},
    {paEmail, "E-Mail", "email"},
    {paInternet, "Internet", "web"},
    {paUstId, "USt-IdNr", "ustid|ustidnr"},
    {paAnrede, "Anrede", ""},
    {paVorname, "Vorname", ""},
    {paAnsprechpartner, "Ansprechpartner", "nachname"},
    {paKontaktTelefon, "Kontakt-Telefon", ""},
    {paKontaktEmail, "Kontakt-E-Mail", ""},
    {paMahnEmail, "Mahn-E-Mail", "mahnemail"},
    {paVerbraucher, "Verbraucher", ""},
    {paZentral, "Zentralreguliert", "zentralregulierung"},
    {paAktiv, "Aktiv", ""},
};

// Positions of the header's columns by their number in the table, or -1; unknown names go to fehler.
template <size_t N>
QVector<int> spaltenZuordnen(const QStringList& kopf, const TSpalte (&tabelle)[N], QStringList& unbekannt,
                             QStringList& doppelt)
{
    QVector<int> pos(static_cast<int>(N), -1);
    for (int i = 0; i < kopf.size(); ++i) {
        const QString n = SpaltenNorm(kopf[i]);
        if (n.isEmpty() && i == kopf.size() - 1)
            continue;  // a trailing separator
        int gefunden = -1;
        for (const TSpalte& s : tabelle) {
            const QStringList namen = QString::fromUtf8(s.aliase).split(QLatin1Char('|'), Qt::SkipEmptyParts)
                                      << SpaltenNorm(QString::fromUtf8(s.name));
            if (namen.contains(n))
                gefunden = s.nr;
        }
        if (gefunden < 0)
            unbekannt << kopf[i];
        else if (pos[gefunden] >= 0)
            doppelt << kopf[i];
        else
            pos[gefunden] = i;
    }
    return pos;
}

enum class TDateiArt { Posten, Partner, Datev, Unbekannt };

// --- reading the item lines -------------------------------------------------------------------------

class TPostenLeser {
public:
    TPostenLeser(TImportLauf& lauf, int datei, const QVector<int>& pos) : m_lauf(lauf), m_datei(datei), m_pos(pos) {}

    void Zeile(const TCsvZeile& z)
    {
        m_z = &z;
        m_ok = true;
        TPostenZeile p;
        p.Datei = m_datei;
        p.Zeile = z.Nr;
        const QString art = SpaltenNorm(feld(psSatzart));
        if (art == QLatin1String("rechnung") || art == QLatin1String("re"))
            p.Art = 'R';
        else if (art == QLatin1String("gutschrift") || art == QLatin1String("gs"))
            p.Art = 'G';
        else if (art == QLatin1String("zahlung") || art == QLatin1String("za"))
            p.Art = 'Z';
        else
            return fehler(psSatzart, art.isEmpty() ? QStringLiteral("fehlt")
                                                   : QStringLiteral("\"%1\" ist weder Rechnung, Gutschrift noch Zahlung")
                                                         .arg(feld(psSatzart)));
        const QString nummer = feld(psBelegnummer);
        const QString bezug = feld(psBezug);
        text(psBelegnummer, 40);
        text(psBezug, 40);
        if (p.Art == 'Z') {
            if (bezug.isEmpty())
                fehler(psBezug, QStringLiteral("fehlt: eine Zahlung gehört zu einer Belegnummer"));
            p.Beleg = bezug;
        } else if (nummer.isEmpty()) {
            fehler(psBelegnummer, QStringLiteral("fehlt"));
        } else if (p.Art == 'G' && !bezug.isEmpty()) {
            p.Art = 'C';  // a credit note settling an invoice
            p.Beleg = bezug;
        } else if (!bezug.isEmpty()) {
            fehler(psBezug, QStringLiteral("gilt nur für Zahlungen und Gutschriften"));
        } else {
            p.Beleg = nummer;
        }
        qint64 v = 1;
        if (!feld(psRate).isEmpty())
            pruefe(psRate, GanzzahlLesen(feld(psRate), 1, 99, v));
        p.Rate = int(v);

        const bool eigenerBeleg = p.Art == 'R' || p.Art == 'G';
        if (!feld(psPartner).isEmpty() || eigenerBeleg) {
            v = 0;
            if (pruefe(psPartner, feld(psPartner).isEmpty() ? QStringLiteral("fehlt")
                                                            : GanzzahlLesen(feld(psPartner), 1, 999999999, v))) {
                p.PartnerNr = int(v);
                if (!m_lauf.Partner(p.PartnerNr))
                    fehler(psPartner, QStringLiteral("den Geschäftspartner %1 gibt es beim Mandanten nicht (weder angelegt "
                                                     "noch in einer Partnerdatei)")
                                          .arg(p.PartnerNr));
            }
        }
        if (eigenerBeleg || !feld(psBelegdatum).isEmpty())
            pruefe(psBelegdatum, DatumLesen(feld(psBelegdatum), p.Datum));
        if (!feld(psFaellig).isEmpty() && pruefe(psFaellig, DatumLesen(feld(psFaellig), p.Faellig)) && p.Datum > 0
            && p.Faellig < p.Datum)
            fehler(psFaellig, QStringLiteral("liegt vor dem Belegdatum"));
        pruefe(psBetrag, BetragLesen(feld(psBetrag), p.BetragCent));
        p.Kommentar = text(psKommentar, 200);
        p.Kostenstelle = text(psKostenstelle, 20);
        p.Konto = text(psKonto, 20);
        if (!feld(psWaehrung).isEmpty()) {
            static const QRegularExpression iso(QStringLiteral("^[A-Z]{3}$"));
            p.Waehrung = feld(psWaehrung).toUpper();
            if (!iso.match(p.Waehrung).hasMatch())
                fehler(psWaehrung, QStringLiteral("\"%1\" ist kein Währungskürzel wie EUR").arg(feld(psWaehrung)));
        }
        if (!feld(psSkonto).isEmpty())
            pruefe(psSkonto, BetragLesen(feld(psSkonto), p.SkontoCent));
        if (!feld(psSkontoBis).isEmpty())
            pruefe(psSkontoBis, DatumLesen(feld(psSkontoBis), p.SkontoBis));
        if (!feld(psZentral).isEmpty()) {
            bool zentral = false;
            if (pruefe(psZentral, JaNeinLesen(feld(psZentral), zentral)))
                p.Zentral = zentral ? 1 : 0;
        }
        if (!feld(psMahnstufe).isEmpty() && pruefe(psMahnstufe, GanzzahlLesen(feld(psMahnstufe), 0, 9, v)))
            p.Mahnstufe = int(v);
        if (!feld(psPeriode).isEmpty()) {
            if (pruefe(psPeriode, GanzzahlLesen(feld(psPeriode), 190001, 999912, v)) && (v % 100 < 1 || v % 100 > 12))
                fehler(psPeriode, QStringLiteral("\"%1\" ist keine Periode JJJJMM").arg(feld(psPeriode)));
            p.Periode = int(v);
        } else if (p.Datum > 0) {
            const QDate d = qel_ToQDate(p.Datum);
            p.Periode = d.year() * 100 + d.month();
        }
        if (m_ok)
            m_lauf.Stagen(std::move(p));
    }

private:
    QString feld(int spalte) const
    {
        const int i = m_pos[spalte];
        return i < 0 ? QString() : m_z->Felder.value(i).trimmed();
    }
    QString text(int spalte, int max)
    {
        const QString t = feld(spalte);
        pruefe(spalte, Stammdaten_TextFehler(t, max));
        return t;
    }
    bool pruefe(int spalte, const QString& grund)
    {
        if (grund.isEmpty())
            return true;
        fehler(spalte, grund);
        return false;
    }
    void fehler(int spalte, const QString& grund)
    {
        m_ok = false;
        m_lauf.Fehler(m_datei, m_z->Nr, QString::fromUtf8(kPostenSpalten[spalte].name), grund);
    }

    TImportLauf& m_lauf;
    int m_datei;
    QVector<int> m_pos;
    const TCsvZeile* m_z = nullptr;
    bool m_ok = true;
};

// The lines of a CSV file after its header, with the checks every line gets.
template <class F>
void zeilenLesen(TImportLauf& lauf, int datei, TCsvLeser& leser, int spalten, F verarbeiten)
{
    TCsvZeile z;
    while (leser.Lesen(z)) {
        if (!z.Fehler.isEmpty()) {
            lauf.Fehler(datei, z.Nr, QString(), z.Fehler);
            continue;
        }
        if (z.Leer())
            continue;
        ++lauf.Ergebnis.Zeilen;
        // A trailing separator adds an empty field.
        if (z.Felder.size() == spalten + 1 && z.Felder.last().isEmpty())
            z.Felder.removeLast();
        if (z.Felder.size() != spalten) {
            lauf.Fehler(datei, z.Nr, QString(),
                        z.Felder.size() < spalten
                            ? QStringLiteral("Die Zeile hat nur %1 von %2 Spalten (abgeschnitten?).").arg(z.Felder.size()).arg(spalten)
                            : QStringLiteral("Die Zeile hat %1 statt %2 Spalten.").arg(z.Felder.size()).arg(spalten));
            continue;
        }
        verarbeiten(z);
    }
}

// The partner's fields by the column that carries them.
struct TOrgFeld {
    TPA spalte;
    QString TOrgStamm::*wert;
};
const TOrgFeld kOrgFelder[] = {
    {paName, &TOrgStamm::Name1}, {paName2, &TOrgStamm::Name2}, {paStrasse, &TOrgStamm::Strasse}, {paPlz, &TOrgStamm::Plz},
    {paOrt, &TOrgStamm::Ort}, {paLand, &TOrgStamm::Land}, {paTelefon, &TOrgStamm::Telefon}, {paTelefax, &TOrgStamm::Telefax},
    {paEmail, &TOrgStamm::Email}, {paInternet, &TOrgStamm::Internet}, {paUstId, &TOrgStamm::UstId},
    {paAnrede, &TOrgStamm::KontaktAnrede}, {paVorname, &TOrgStamm::KontaktVorname},
    {paAnsprechpartner, &TOrgStamm::KontaktNachname}, {paKontaktTelefon, &TOrgStamm::KontaktTelefon},
    {paKontaktEmail, &TOrgStamm::KontaktEmail}};
struct TSchalter {
    TPA spalte;
    bool TPartnerStamm::*wert;
};
const TSchalter kSchalter[] = {{paVerbraucher, &TPartnerStamm::Verbraucher},
                               {paZentral, &TPartnerStamm::Zentralreguliert},
                               {paAktiv, &TPartnerStamm::Aktiv}};

void partnerZeile(TImportLauf& lauf, int datei, const TCsvZeile& z, const QVector<int>& pos)
{
    auto feld = [&](int s) { return pos[s] < 0 ? QString() : z.Felder.value(pos[s]).trimmed(); };
    bool ok = true;
    auto fehler = [&](const QString& spalte, const QString& grund) {
        ok = false;
        lauf.Fehler(datei, z.Nr, spalte, grund);
    };
    TPartnerStamm p;
    qint64 nr = 0;
    if (const QString g = feld(paNr).isEmpty() ? QStringLiteral("fehlt") : GanzzahlLesen(feld(paNr), 1, 999999999, nr); !g.isEmpty())
        fehler(QStringLiteral("Partnernummer"), g);
    p.Nr = int(nr);
    quint32 gegeben = 0;
    for (const TOrgFeld& f : kOrgFelder)
        if (pos[f.spalte] >= 0) {
            p.Org.*f.wert = feld(f.spalte);
            gegeben |= Feld(f.spalte);
        }
    if (pos[paMahnEmail] >= 0) {
        p.MahnEmail = feld(paMahnEmail);
        gegeben |= Feld(paMahnEmail);
    }
    for (const TSchalter& s : kSchalter)
        if (pos[s.spalte] >= 0 && !feld(s.spalte).isEmpty()) {
            if (const QString g = JaNeinLesen(feld(s.spalte), p.*s.wert); !g.isEmpty())
                fehler(QString::fromUtf8(kPartnerSpalten[s.spalte].name), g);
            gegeben |= Feld(s.spalte);
        }
    for (const TFeldFehler& f : Stammdaten_PartnerPruefen(p))
        if (f.Feld != QLatin1String("Partnernummer"))
            fehler(f.Feld, f.Grund);
    if (ok)
        lauf.PartnerSpeichern(datei, z.Nr, p, gegeben);
}

TDateiArt dateiArt(const QStringList& kopf)
{
    if (Datev_Erkennen(kopf))
        return TDateiArt::Datev;
    QSet<QString> namen;
    for (const QString& k : kopf)
        namen << SpaltenNorm(k);
    if (namen.contains(QStringLiteral("satzart")))
        return TDateiArt::Posten;
    if (namen.contains(QStringLiteral("partnernummer")) || (namen.contains(QStringLiteral("name")) && namen.size() > 1))
        return TDateiArt::Partner;
    return TDateiArt::Unbekannt;
}

// What the header says about the file, or why it cannot be read.
QString kopfFehler(const TCsvZeile& kopf, bool gelesen)
{
    if (!gelesen)
        return QStringLiteral("Die Datei ist leer.");
    if (!kopf.Fehler.isEmpty())
        return kopf.Fehler;
    if (kopf.Felder.size() == 1) {
        const QString k = kopf.Felder.first();
        for (const auto& [zeichen, name] : {std::pair{QLatin1Char(','), QStringLiteral("Kommas")},
                                            std::pair{QLatin1Char('\t'), QStringLiteral("Tabulatoren")},
                                            std::pair{QLatin1Char('|'), QStringLiteral("senkrechte Striche")}})
            if (k.contains(zeichen))
                return QStringLiteral("Falsches Trennzeichen: Die Spalten sind durch %1 getrennt, erwartet wird das Semikolon.").arg(name);
    }
    return QString();
}

}  // namespace

// --- the run ----------------------------------------------------------------------------------------

TImportLauf::TImportLauf(const TImportOptionen& o, const QStringList& dateien)
    : Optionen(o),
      m_dateien(dateien),
      m_staging(QStringLiteral("import_zeile (lauf_rnr, lauf, datei, zeile, art, beleg, rate, partner_nr, datum, faellig, "
                               "betrag_cent, kommentar, kostenstelle, konto, waehrung, skonto_cent, skonto_bis, zentral, "
                               "mahnstufe, periode)"),
                20)
{
    if (!Stammdaten_MandantLesen(o.MandantNr, Mandant))
        throw EQELError(QStringLiteral("Den Mandanten %1 gibt es nicht (mahnwesen-admin mandant list zeigt die vorhandenen).")
                            .arg(o.MandantNr));
    MandantId = Mandant.Id;
    m_lauf = qel_NeuerSchluessel(QStringLiteral("IMPORT"), TSuiteDatenbank::RechnerNr());
    partnerLaden();
}

void TImportLauf::Fehler(int datei, qint64 zeile, const QString& spalte, const QString& grund)
{
    ++Ergebnis.FehlerGesamt;
    FehlerhafteDateien << datei;
    if (Ergebnis.Fehler.size() < Optionen.MaxGelisteteFehler)
        Ergebnis.Fehler.append({QFileInfo(m_dateien.value(datei)).fileName(), zeile, spalte, grund});
}

void TImportLauf::Stagen(TPostenZeile z)
{
    if (m_ausgelagert)
        return inTabelle(z);
    m_zeilen.push_back(std::move(z));
    if (qint64(m_zeilen.size()) > Optionen.ZeilenImSpeicher)
        auslagern();
}

void TImportLauf::inTabelle(const TPostenZeile& z)
{
    m_staging.Zeile({m_lauf.RNr, m_lauf.LNr, z.Datei, z.Zeile, QString(QLatin1Char(z.Art)), z.Beleg, z.Rate, z.PartnerNr,
                     z.Datum, z.Faellig, z.BetragCent, z.Kommentar, z.Kostenstelle, z.Konto, z.Waehrung, z.SkontoCent,
                     z.SkontoBis, z.Zentral, z.Mahnstufe, z.Periode});
}

// The lines so far go to the table, and every later one too.
void TImportLauf::auslagern()
{
    for (const TPostenZeile& z : m_zeilen)
        inTabelle(z);
    m_staging.Schreiben();
    std::vector<TPostenZeile>().swap(m_zeilen);
    m_ausgelagert = true;
}

void TImportLauf::Aufraeumen()
{
    if (m_ausgelagert)
        TSqlAbfrage(QStringLiteral("DELETE FROM import_zeile WHERE lauf_rnr = ? AND lauf = ?")).Bind({m_lauf.RNr, m_lauf.LNr}).Exec();
}

// --- partners ---------------------------------------------------------------------------------------

void TImportLauf::partnerLaden()
{
    TDirektAbfrage q(QStringLiteral(
        "SELECT g.nr, g.rnr, g.lnr, g.aktiv, g.mahn_email, g.verbraucher, g.zentralreguliert, o.name1, o.name2, o.strasse, "
        "o.plz, o.ort, o.land, o.telefon, o.telefax, o.email, o.internet, o.ust_id, m.anrede, m.vorname, m.nachname, "
        "m.telefon, m.email, o.kontakt_rnr, o.kontakt_lnr "
        "FROM geschaeftspartner g LEFT JOIN organisation o ON o.rnr = g.orge_rnr AND o.lnr = g.orge_lnr "
        "LEFT JOIN mitarbeiter m ON m.rnr = o.kontakt_rnr AND m.lnr = o.kontakt_lnr "
        "WHERE g.mandant_rnr = ? AND g.mandant_lnr = ?"));
    q.Bind({MandantId.RNr, MandantId.LNr}).Exec();
    while (q.Next()) {
        TPartnerInfo i;
        i.Id = TIntPair{q.Int(1), q.Int(2)};
        i.Zentral = q.Int(6) != 0;
        i.Kontakt = TIntPair{q.Int(23), q.Int(24)};
        TPartnerStamm& p = i.Stamm;
        p.Nr = q.Int(0);
        p.Aktiv = q.Int(3) != 0;
        p.MahnEmail = q.Text(4);
        p.Verbraucher = q.Int(5) != 0;
        p.Zentralreguliert = i.Zentral;
        QString* felder[] = {&p.Org.Name1, &p.Org.Name2, &p.Org.Strasse, &p.Org.Plz, &p.Org.Ort, &p.Org.Land,
                             &p.Org.Telefon, &p.Org.Telefax, &p.Org.Email, &p.Org.Internet, &p.Org.UstId,
                             &p.Org.KontaktAnrede, &p.Org.KontaktVorname, &p.Org.KontaktNachname,
                             &p.Org.KontaktTelefon, &p.Org.KontaktEmail};
        int s = 7;
        for (QString* f : felder)
            *f = q.Text(s++);
        m_partnerDaten.push_back(std::move(i));
        m_partner.insert(p.Nr, &m_partnerDaten.back());
    }
}

const TPartnerInfo* TImportLauf::Partner(int nr) const
{
    return m_partner.value(nr, nullptr);
}

void TImportLauf::PartnerSpeichern(int datei, qint64 zeile, const TPartnerStamm& p, quint32 gegeben)
{
    if (m_partnerInDatei.contains(p.Nr)) {
        Fehler(datei, zeile, QStringLiteral("Partnernummer"),
               QStringLiteral("der Geschäftspartner %1 steht mehrfach in den Partnerdateien").arg(p.Nr));
        return;
    }
    m_partnerInDatei << p.Nr;
    // Fields the file does not carry keep their stored values.
    auto uebernehmen = [&](TPartnerStamm ziel) {
        for (const TOrgFeld& f : kOrgFelder)
            if (gegeben & Feld(f.spalte))
                ziel.Org.*f.wert = (p.Org.*f.wert).trimmed();
        if (gegeben & Feld(paMahnEmail))
            ziel.MahnEmail = p.MahnEmail.trimmed();
        for (const TSchalter& s : kSchalter)
            if (gegeben & Feld(s.spalte))
                ziel.*s.wert = p.*s.wert;
        return ziel;
    };
    auto gleich = [](const TPartnerStamm& a, const TPartnerStamm& b) {
        const TOrgStamm &x = a.Org, &y = b.Org;
        return x.Name1 == y.Name1 && x.Name2 == y.Name2 && x.Strasse == y.Strasse && x.Plz == y.Plz && x.Ort == y.Ort
               && x.Land == y.Land && x.Telefon == y.Telefon && x.Telefax == y.Telefax && x.Email == y.Email
               && x.Internet == y.Internet && x.UstId == y.UstId && x.KontaktAnrede == y.KontaktAnrede
               && x.KontaktVorname == y.KontaktVorname && x.KontaktNachname == y.KontaktNachname
               && x.KontaktTelefon == y.KontaktTelefon && x.KontaktEmail == y.KontaktEmail && a.MahnEmail == b.MahnEmail
               && a.Verbraucher == b.Verbraucher && a.Zentralreguliert == b.Zentralreguliert && a.Aktiv == b.Aktiv;
    };
    if (TPartnerInfo* const it = m_partner.value(p.Nr, nullptr)) {
        const TPartnerStamm neu = uebernehmen(it->Stamm);
        if (gleich(neu, it->Stamm)) {
            ++Ergebnis.PartnerUnveraendert;
            return;
        }
        // The stored partner with every field, the file's fields over it.
        TPartnerStamm voll;
        Stammdaten_PartnerLesen(Mandant.Nr, p.Nr, voll);
        voll = uebernehmen(voll);
        Stammdaten_PartnerSchreiben(MandantId, voll);
        it->Stamm = neu;
        it->Zentral = neu.Zentralreguliert;
        ++Ergebnis.PartnerGeaendert;
        return;
    }
    // New partners are written in batches: organisation, contact person, partner.
    TPartnerStamm neu = uebernehmen(TPartnerStamm{});
    neu.Nr = p.Nr;
    neu.MandantNr = Mandant.Nr;
    if (!m_neuePartner) {
        m_neueOrgs = std::make_unique<TStapelSchreiber>(
            QStringLiteral("organisation (rnr, lnr, name1, name2, strasse, plz, ort, land, telefon, telefax, email, internet, "
                           "ust_id, kontakt_rnr, kontakt_lnr)"),
            15);
        m_neueKontakte = std::make_unique<TStapelSchreiber>(
            QStringLiteral("mitarbeiter (rnr, lnr, orge_rnr, orge_lnr, anrede, vorname, nachname, telefon, email)"), 9);
        m_neuePartner = std::make_unique<TStapelSchreiber>(
            QStringLiteral("geschaeftspartner (rnr, lnr, mandant_rnr, mandant_lnr, nr, name, orge_rnr, orge_lnr, aktiv, "
                           "mahn_email, verbraucher, zentralreguliert)"),
            12);
    }
    const TIntPair orge = m_orgSchluessel.Naechster();
    TIntPair kontakt{0, 0};
    const TOrgStamm& o = neu.Org;
    if (!(o.KontaktAnrede + o.KontaktVorname + o.KontaktNachname + o.KontaktTelefon + o.KontaktEmail).isEmpty()) {
        kontakt = m_kontaktSchluessel.Naechster();
        m_neueKontakte->Zeile({kontakt.RNr, kontakt.LNr, orge.RNr, orge.LNr, o.KontaktAnrede, o.KontaktVorname,
                               o.KontaktNachname, o.KontaktTelefon, o.KontaktEmail});
    }
    m_neueOrgs->Zeile({orge.RNr, orge.LNr, o.Name1, o.Name2, o.Strasse, o.Plz, o.Ort, o.Land, o.Telefon, o.Telefax, o.Email,
                       o.Internet, o.UstId, kontakt.RNr, kontakt.LNr});
    TPartnerInfo info;
    info.Id = m_partnerSchluessel.Naechster();
    info.Kontakt = kontakt;
    info.Zentral = neu.Zentralreguliert;
    info.Stamm = neu;
    m_neuePartner->Zeile({info.Id.RNr, info.Id.LNr, MandantId.RNr, MandantId.LNr, neu.Nr, o.Name1, orge.RNr, orge.LNr,
                          neu.Aktiv ? 1 : 0, neu.MahnEmail, neu.Verbraucher ? 1 : 0, neu.Zentralreguliert ? 1 : 0});
    m_partnerDaten.push_back(std::move(info));
    m_partner.insert(neu.Nr, &m_partnerDaten.back());
    ++Ergebnis.PartnerNeu;
}

void TImportLauf::PartnerSchreiben()
{
    if (!m_neuePartner)
        return;
    m_neueOrgs->Schreiben();
    m_neueKontakte->Schreiben();
    m_neuePartner->Schreiben();
}

// --- matching staged lines with stored items ---------------------------------------------------------

struct TGespeichert {
    bool da = false;
    int rechner = 0, trans = 0, lfd = 0;
    TIntPair gep;
    QString belegart;
    TDateTime datum = 0;
    qint64 soll = 0, haben = 0;
    TDateTime ziel = 0;
    QString kommentar;
    int zentral = 0;
    QString waehrung;
    int periode = 0;
    QString kostenstelle, konto;
    qint64 skonto = 0;
    TDateTime skontoBis = 0, letzteZahlung = 0;
    qint64 andereSoll = 0, andereHaben = 0;  // other periods' shares (DATEV)
};

struct TImportLauf::TGruppe {
    QString beleg;
    int rate = 0;
    std::vector<TPostenZeile> zeilen;
    TGespeichert alt;
    bool mehrfachGespeichert = false;
};

void TImportLauf::gruppeVerarbeiten(TGruppe& g, const QString& zeitraum)
{
    const TGespeichert& alt = g.alt;
    const TPostenZeile* eigen = nullptr;  // the line that defines the item (CSV)
    qint64 soll = 0, haben = 0, zahlungen = 0;
    TDateTime letzteZahlung = 0;
    const bool datev = !zeitraum.isEmpty();
    bool ok = true;
    auto fehler = [&](const TPostenZeile& z, const QString& spalte, const QString& grund) {
        ok = false;
        Fehler(z.Datei, z.Zeile, spalte, grund);
    };
    if (g.mehrfachGespeichert)
        for (const TPostenZeile& z : g.zeilen)
            fehler(z, QStringLiteral("Belegnummer"),
                   QStringLiteral("den Beleg %1 gibt es beim Mandanten mehrfach; er kann nicht zugeordnet werden").arg(g.beleg));
    for (const TPostenZeile& z : g.zeilen) {
        switch (z.Art) {
        case 'R':
        case 'G':
            if (eigen) {
                fehler(z, QStringLiteral("Belegnummer"),
                       QStringLiteral("der Beleg %1 (Rate %2) steht schon in Zeile %3").arg(g.beleg).arg(g.rate).arg(eigen->Zeile));
                continue;
            }
            eigen = &z;
            (z.Art == 'R' ? soll : haben) = z.BetragCent;
            break;
        case 'Z':
        case 'C':
            zahlungen += z.BetragCent;
            if (z.Art == 'Z')
                letzteZahlung = std::max(letzteZahlung, z.Datum);
            break;
        case 'S':
            soll += z.BetragCent;
            if (!eigen)
                eigen = &z;
            break;
        case 'H':
            haben += z.BetragCent;
            letzteZahlung = std::max(letzteZahlung, z.Datum);
            break;
        }
    }
    if (datev && !eigen && !alt.da)
        eigen = &g.zeilen.front();  // a credit without an invoice: an item of its own
    // DATEV: a document without any debit is a credit note.
    const bool gutschrift = datev ? soll + alt.andereSoll == 0
                                  : eigen ? eigen->Art == 'G' : (alt.da && alt.belegart == QLatin1String("GS"));
    if (!eigen && !alt.da) {
        for (const TPostenZeile& z : g.zeilen)
            fehler(z, QStringLiteral("Bezug"),
                   QStringLiteral("den Beleg %1 gibt es weder in der Datei noch beim Mandanten").arg(g.beleg));
        return;
    }
    for (const TPostenZeile& z : g.zeilen) {
        if (z.Art == 'C' && gutschrift)
            fehler(z, QStringLiteral("Bezug"), QStringLiteral("der Beleg %1 ist selbst eine Gutschrift").arg(g.beleg));
        if ((z.Art == 'Z' || z.Art == 'C') && z.PartnerNr != 0) {
            const int partner = eigen ? eigen->PartnerNr : -1;
            const TPartnerInfo* info = Partner(z.PartnerNr);
            const bool passt = eigen ? partner == z.PartnerNr : (info && IntPairEqual(info->Id, alt.gep));
            if (!passt)
                fehler(z, QStringLiteral("Partnernummer"),
                       QStringLiteral("der Beleg %1 gehört zu einem anderen Geschäftspartner").arg(g.beleg));
        }
        if (datev && z.PartnerNr != g.zeilen.front().PartnerNr)
            fehler(z, QStringLiteral("Belegfeld 1"),
                   QStringLiteral("der Beleg %1 ist auf zwei Debitoren gebucht (%2 und %3)")
                       .arg(g.beleg)
                       .arg(g.zeilen.front().PartnerNr)
                       .arg(z.PartnerNr));
    }
    if (!ok)
        return;

    // The new state of the item.
    TGespeichert neu = alt;
    if (datev) {
        neu.soll = soll + alt.andereSoll;
        neu.haben = haben + alt.andereHaben;
    } else if (eigen) {
        neu.soll = gutschrift ? zahlungen : soll;
        neu.haben = gutschrift ? haben : zahlungen;
    } else {
        (gutschrift ? neu.soll : neu.haben) = zahlungen;
    }
    if (!datev || letzteZahlung > 0)
        neu.letzteZahlung = letzteZahlung > 0 ? letzteZahlung : (eigen ? 0 : alt.letzteZahlung);
    neu.belegart = gutschrift ? QStringLiteral("GS") : QStringLiteral("RE");
    if (eigen) {
        const TPartnerInfo* p = Partner(eigen->PartnerNr);
        neu.gep = p->Id;
        neu.datum = eigen->Datum;
        neu.ziel = eigen->Faellig > 0 ? eigen->Faellig : eigen->Datum + Mandant.ZahlungszielTage;
        neu.kommentar = eigen->Kommentar;
        neu.zentral = eigen->Zentral >= 0 ? eigen->Zentral : (p->Zentral ? 1 : 0);
        neu.waehrung = eigen->Waehrung;
        neu.periode = eigen->Periode;
        neu.kostenstelle = eigen->Kostenstelle;
        neu.konto = eigen->Konto;
        neu.skonto = eigen->SkontoCent;
        neu.skontoBis = eigen->SkontoBis;
    }
    const QString partnerText = eigen ? QString::number(eigen->PartnerNr) : QString();
    const QString belegText = g.rate > 1 ? QStringLiteral("%1 (Rate %2)").arg(g.beleg).arg(g.rate) : g.beleg;
    if (!alt.da) {
        const TIntPair k = m_postenSchluessel.Naechster();
        const TPartnerInfo* p = Partner(eigen->PartnerNr);
        if (!m_neuePosten)
            m_neuePosten = std::make_unique<TStapelSchreiber>(
                QStringLiteral("offener_posten (rechner_nr, trans_nr, lfd_nr, mandant_rnr, mandant_lnr, gep_rnr, gep_lnr, "
                               "belegart, belegnummer, belegdatum, soll_cent, haben_cent, zahlungsziel, kommentar, mahnstufe, "
                               "zentralreguliert, waehrung, buchungsperiode, kostenstelle, konto, skonto_cent, skonto_bis, "
                               "kontakt_rnr, kontakt_lnr, letzte_zahlung)"),
                25);
        m_neuePosten->Zeile({k.RNr, k.LNr, g.rate, MandantId.RNr, MandantId.LNr, neu.gep.RNr, neu.gep.LNr, neu.belegart, g.beleg,
                             neu.datum, neu.soll, neu.haben, neu.ziel, neu.kommentar, eigen->Mahnstufe, neu.zentral, neu.waehrung,
                             neu.periode, neu.kostenstelle, neu.konto, neu.skonto, neu.skontoBis, p->Kontakt.RNr,
                             p->Kontakt.LNr, neu.letzteZahlung});
        ++Ergebnis.PostenNeu;
        if (neu.soll == neu.haben)
            ++Ergebnis.PostenAusgeglichen;
        Ergebnis.Aenderungen << QStringLiteral("neu: %1, Partner %2, Saldo %3").arg(belegText, partnerText, betragText(neu.soll - neu.haben));
    } else {
        const bool gleich = IntPairEqual(neu.gep, alt.gep) && neu.belegart == alt.belegart && neu.datum == alt.datum
                            && neu.soll == alt.soll && neu.haben == alt.haben && neu.ziel == alt.ziel
                            && neu.kommentar == alt.kommentar && neu.zentral == alt.zentral && neu.waehrung == alt.waehrung
                            && neu.periode == alt.periode && neu.kostenstelle == alt.kostenstelle && neu.konto == alt.konto
                            && neu.skonto == alt.skonto && neu.skontoBis == alt.skontoBis
                            && neu.letzteZahlung == alt.letzteZahlung;
        if (gleich) {
            ++Ergebnis.PostenUnveraendert;
        } else {
            // The dunning level and the contact person stay: they belong to this module's history.
            if (!m_postenAendern)
                m_postenAendern = std::make_unique<TSqlAbfrage>(QStringLiteral(
                    "UPDATE offener_posten SET gep_rnr = ?, gep_lnr = ?, belegart = ?, belegdatum = ?, soll_cent = ?, "
                    "haben_cent = ?, zahlungsziel = ?, kommentar = ?, zentralreguliert = ?, waehrung = ?, "
                    "buchungsperiode = ?, kostenstelle = ?, konto = ?, skonto_cent = ?, skonto_bis = ?, letzte_zahlung = ? "
                    "WHERE rechner_nr = ? AND trans_nr = ? AND lfd_nr = ?"));
            m_postenAendern->Bind({neu.gep.RNr, neu.gep.LNr, neu.belegart, neu.datum, neu.soll, neu.haben, neu.ziel, neu.kommentar,
                       neu.zentral, neu.waehrung, neu.periode, neu.kostenstelle, neu.konto, neu.skonto, neu.skontoBis,
                       neu.letzteZahlung, alt.rechner, alt.trans, alt.lfd})
                .Exec();
            ++Ergebnis.PostenGeaendert;
            const bool ausgeglichen = alt.soll != alt.haben && neu.soll == neu.haben;
            if (ausgeglichen)
                ++Ergebnis.PostenAusgeglichen;
            Ergebnis.Aenderungen << QStringLiteral("%1: %2, Saldo %3 -> %4")
                                        .arg(ausgeglichen ? QStringLiteral("ausgeglichen") : QStringLiteral("geändert"), belegText,
                                             betragText(alt.soll - alt.haben), betragText(neu.soll - neu.haben));
        }
    }
    if (datev)
        m_anteile.push_back({g.beleg, zeitraum, soll, haben});
}

// This period's shares of the documents just merged replace what an earlier read of it left.
void TImportLauf::anteileSchreiben()
{
    if (m_anteile.empty())
        return;
    // Kept for the run: every slice of a batch writes its shares.
    if (!m_anteileLoeschen) {
        m_anteileLoeschen = std::make_unique<TStapelAbfrage>([](int n) {
            return QStringLiteral("DELETE FROM import_anteil WHERE mandant_rnr = ? AND mandant_lnr = ? AND zeitraum = ? "
                                  "AND beleg IN (%1)")
                .arg(platzhalterListe(n));
        });
        m_neueAnteile = std::make_unique<TStapelSchreiber>(
            QStringLiteral("import_anteil (mandant_rnr, mandant_lnr, beleg, zeitraum, soll_cent, haben_cent)"), 6);
    }
    TStapelAbfrage& loeschen = *m_anteileLoeschen;
    for (size_t i = 0; i < m_anteile.size(); i += kStapel) {
        const size_t n = std::min(m_anteile.size() - i, size_t(kStapel));
        TSqlAbfrage& q = loeschen.Fuer(int(n));
        // One period per merge: the rows of a batch share it.
        q.Bind({MandantId.RNr, MandantId.LNr, m_anteile[i].zeitraum});
        for (size_t j = i; j < i + n; ++j)
            q.Bind(m_anteile[j].beleg);
        q.Exec();
    }
    for (const TAnteil& a : m_anteile)
        m_neueAnteile->Zeile({MandantId.RNr, MandantId.LNr, a.beleg, a.zeitraum, a.soll, a.haben});
    m_neueAnteile->Schreiben();
    m_anteile.clear();
}

namespace {

// Stored items of the client by document number and instalment.
using TPostenKey = std::pair<QString, int>;

struct TPostenKeyHash {
    size_t operator()(const TPostenKey& k) const { return qHash(k.first) ^ (size_t(k.second) * 0x9E3779B9u); }
};

const char* const kGespeichertFelder =
    "belegnummer, lfd_nr, rechner_nr, trans_nr, gep_rnr, gep_lnr, belegart, belegdatum, soll_cent, haben_cent, "
    "zahlungsziel, kommentar, zentralreguliert, waehrung, buchungsperiode, kostenstelle, konto, skonto_cent, "
    "skonto_bis, letzte_zahlung";
const char* const kAnteilFelder = "beleg, SUM(soll_cent), SUM(haben_cent)";

// Looking up a slice of document numbers. SQLite walks its index once per value of an IN list.
// PostgreSQL, without statistics on rows imported moments ago, takes the client's condition for
// selective enough and may filter the client's whole range for such a list; a range of the index
// from the smallest to the largest number (in the database's own order) keeps it on the index.
struct TBelegSuche {
    const char* felder;
    const char* tabelle;
    const char* spalte;
    const char* weitere;  // conditions after the client's, with their placeholders
    const char* gruppe;

    QString Sql(int anzahl) const
    {
        const QString s = QLatin1String(spalte);
        const QString belege = TSuiteDatenbank::IstPostgres()
                                   ? QStringLiteral("%1 >= (SELECT min(n) FROM unnest(?::text[]) n) AND %1 <= (SELECT max(n) FROM "
                                                    "unnest(?::text[]) n) AND %1 = ANY(?::text[])")
                                         .arg(s)
                                   : QStringLiteral("%1 IN (%2)").arg(s, platzhalterListe(anzahl));
        return QStringLiteral("SELECT %1 FROM %2 WHERE mandant_rnr = ? AND mandant_lnr = ?%3 AND %4%5")
            .arg(QLatin1String(felder), QLatin1String(tabelle), QLatin1String(weitere), belege, QLatin1String(gruppe));
    }
    // vorher: the values of the client's and the further conditions.
    void Binden(TDirektAbfrage& q, std::initializer_list<QVariant> vorher, const QStringList& belege) const
    {
        q.Bind(vorher);
        if (!TSuiteDatenbank::IstPostgres()) {
            for (const QString& b : belege)
                q.Bind(b);
            return;
        }
        QString feld = QStringLiteral("{");
        for (const QString& b : belege) {
            if (feld.size() > 1)
                feld += QLatin1Char(',');
            feld += QLatin1Char('"') + QString(b).replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""))
                    + QLatin1Char('"');
        }
        feld += QLatin1Char('}');
        q.Bind({feld, feld, feld});
    }
};
const TBelegSuche kPostenSuche{kGespeichertFelder, "offener_posten", "belegnummer", "", ""};
const TBelegSuche kAnteilSuche{kAnteilFelder, "import_anteil", "beleg", " AND zeitraum <> ?", " GROUP BY beleg"};

// Documents per look-up of stored items while matching from memory.
constexpr int kBelegeJeAbfrage = 500;

}  // namespace

// The stored side of a slice of documents: items, documents stored twice, other periods' shares.
struct TImportLauf::TGespeichertListe {
    std::unordered_map<TPostenKey, TGespeichert, TPostenKeyHash> alt;
    std::unordered_set<TPostenKey, TPostenKeyHash> mehrfach;
    QHash<QString, std::pair<qint64, qint64>> andere;

    void PostenLesen(TDirektAbfrage& q)
    {
        while (q.Next()) {
            TPostenKey key{q.Text(0), q.Int(1)};
            TGespeichert a;
            a.da = true;
            a.lfd = key.second;
            a.rechner = q.Int(2);
            a.trans = q.Int(3);
            a.gep = TIntPair{q.Int(4), q.Int(5)};
            a.belegart = q.Text(6);
            a.datum = q.Double(7);
            a.soll = q.Int64(8);
            a.haben = q.Int64(9);
            a.ziel = q.Double(10);
            a.kommentar = q.Text(11);
            a.zentral = q.Int(12);
            a.waehrung = q.Text(13);
            a.periode = q.Int(14);
            a.kostenstelle = q.Text(15);
            a.konto = q.Text(16);
            a.skonto = q.Int64(17);
            a.skontoBis = q.Double(18);
            a.letzteZahlung = q.Double(19);
            if (!alt.emplace(key, std::move(a)).second)
                mehrfach.insert(std::move(key));
        }
    }
    void AnteileLesen(TDirektAbfrage& q)
    {
        while (q.Next())
            andere.insert(q.Text(0), {q.Int64(1), q.Int64(2)});
    }
};

void TImportLauf::Zusammenfuehren(int datei, const QString& zeitraum)
{
    PartnerSchreiben();
    if (m_ausgelagert)
        ausTabelleZusammenfuehren(datei, zeitraum);
    else
        ausSpeicherZusammenfuehren(datei, zeitraum);
}

void TImportLauf::scheibeVerarbeiten(std::vector<TGruppe>& gruppen, const TGespeichertListe& gespeichert,
                                     const QString& zeitraum)
{
    for (TGruppe& g : gruppen) {
        const TPostenKey key{g.beleg, g.rate};
        if (const auto it = gespeichert.alt.find(key); it != gespeichert.alt.end())
            g.alt = it->second;
        g.mehrfachGespeichert = gespeichert.mehrfach.count(key) > 0;
        if (const auto it = gespeichert.andere.constFind(g.beleg); it != gespeichert.andere.constEnd()) {
            g.alt.andereSoll = it->first;
            g.alt.andereHaben = it->second;
        }
        gruppeVerarbeiten(g, zeitraum);
    }
    if (m_neuePosten)
        m_neuePosten->Schreiben();
    anteileSchreiben();
}

void TImportLauf::ausSpeicherZusammenfuehren(int datei, const QString& zeitraum)
{
    const bool datev = !zeitraum.isEmpty();
    std::vector<const TPostenZeile*> zeilen;
    for (const TPostenZeile& z : m_zeilen)
        if (datev ? z.Datei == datei : (z.Art == 'R' || z.Art == 'G' || z.Art == 'Z' || z.Art == 'C'))
            zeilen.push_back(&z);
    std::sort(zeilen.begin(), zeilen.end(), [](const TPostenZeile* a, const TPostenZeile* b) {
        if (const int c = a->Beleg.compare(b->Beleg))
            return c < 0;
        return std::tie(a->Rate, a->Datei, a->Zeile) < std::tie(b->Rate, b->Datei, b->Zeile);
    });
    // The stored items are looked up by the documents' numbers, a slice at a time.
    TStapelAbfrageVon<TDirektAbfrage> posten([](int n) { return kPostenSuche.Sql(n); });
    TStapelAbfrageVon<TDirektAbfrage> anteile([](int n) { return kAnteilSuche.Sql(n); });
    size_t i = 0;
    while (i < zeilen.size()) {
        std::vector<TGruppe> gruppen;
        QStringList belege;
        for (; i < zeilen.size(); ++i) {
            const TPostenZeile& z = *zeilen[i];
            const bool neuerBeleg = gruppen.empty() || z.Beleg != gruppen.back().beleg;
            if (neuerBeleg && belege.size() == kBelegeJeAbfrage)
                break;
            if (neuerBeleg || z.Rate != gruppen.back().rate) {
                gruppen.emplace_back();
                gruppen.back().beleg = z.Beleg;
                gruppen.back().rate = z.Rate;
                if (neuerBeleg)
                    belege << z.Beleg;
            }
            gruppen.back().zeilen.push_back(z);
        }
        TGespeichertListe gespeichert;
        // PostgreSQL takes the numbers as one value: every slice shares the statement.
        const int anzahl = TSuiteDatenbank::IstPostgres() ? 0 : int(belege.size());
        TDirektAbfrage& q = posten.Fuer(anzahl);
        kPostenSuche.Binden(q, {MandantId.RNr, MandantId.LNr}, belege);
        gespeichert.PostenLesen(q.Exec());
        if (datev) {
            TDirektAbfrage& a = anteile.Fuer(anzahl);
            kAnteilSuche.Binden(a, {MandantId.RNr, MandantId.LNr, zeitraum}, belege);
            gespeichert.AnteileLesen(a.Exec());
        }
        scheibeVerarbeiten(gruppen, gespeichert, zeitraum);
    }
}

void TImportLauf::ausTabelleZusammenfuehren(int datei, const QString& zeitraum)
{
    m_staging.Schreiben();
    const bool datev = !zeitraum.isEmpty();

    // Every statement here reads a range of an index: the staged lines along (beleg, rate), the stored
    // items and the other periods' shares along the document number. No join and no sort of all staged
    // lines per slice, so the plan does not depend on statistics, which a running import has none of.
    TDirektAbfrage zeilen(QStringLiteral(
        "SELECT datei, zeile, art, beleg, rate, partner_nr, datum, faellig, betrag_cent, kommentar, kostenstelle, "
        "konto, waehrung, skonto_cent, skonto_bis, zentral, mahnstufe, periode FROM import_zeile "
        "WHERE lauf_rnr = ? AND lauf = ? AND (beleg > ? OR (beleg = ? AND rate > ?)) AND beleg >= ? AND %1 "
        "ORDER BY beleg, rate, datei, zeile LIMIT ?")
                           .arg(datev ? QStringLiteral("datei = ?") : QStringLiteral("art IN ('R', 'G', 'Z', 'C')")));
    TDirektAbfrage posten(QStringLiteral("SELECT %1 FROM offener_posten WHERE mandant_rnr = ? AND mandant_lnr = ? "
                                         "AND belegnummer >= ? AND belegnummer <= ?")
                              .arg(QLatin1String(kGespeichertFelder)));
    std::unique_ptr<TDirektAbfrage> anteile;
    if (datev)
        anteile = std::make_unique<TDirektAbfrage>(
            QStringLiteral("SELECT %1 FROM import_anteil WHERE mandant_rnr = ? AND mandant_lnr = ? AND zeitraum <> ? "
                           "AND beleg >= ? AND beleg <= ? GROUP BY beleg")
                .arg(QLatin1String(kAnteilFelder)));

    // Read in slices, each ending at a whole document, and write only between them: PostgreSQL
    // serves one query at a time on a connection, and a slice bounds the memory.
    QString abBeleg;
    int abRate = std::numeric_limits<int>::min();
    int grenze = 20000;
    for (;;) {
        zeilen.Bind({m_lauf.RNr, m_lauf.LNr, abBeleg, abBeleg, abRate, abBeleg});
        if (datev)
            zeilen.Bind(datei);
        zeilen.Bind(grenze);
        zeilen.Exec();
        std::vector<TGruppe> gruppen;
        int anzahl = 0;
        while (zeilen.Next()) {
            ++anzahl;
            TPostenZeile z;
            z.Datei = zeilen.Int(0);
            z.Zeile = zeilen.Int64(1);
            const QString art = zeilen.Text(2);
            z.Art = art.isEmpty() ? ' ' : art.at(0).toLatin1();
            z.Beleg = zeilen.Text(3);
            z.Rate = zeilen.Int(4);
            if (gruppen.empty() || z.Rate != gruppen.back().rate || z.Beleg != gruppen.back().beleg) {
                gruppen.emplace_back();
                gruppen.back().beleg = z.Beleg;
                gruppen.back().rate = z.Rate;
            }
            z.PartnerNr = zeilen.Int(5);
            z.Datum = zeilen.Double(6);
            z.Faellig = zeilen.Double(7);
            z.BetragCent = zeilen.Int64(8);
            z.Kommentar = zeilen.Text(9);
            z.Kostenstelle = zeilen.Text(10);
            z.Konto = zeilen.Text(11);
            z.Waehrung = zeilen.Text(12);
            z.SkontoCent = zeilen.Int64(13);
            z.SkontoBis = zeilen.Double(14);
            z.Zentral = zeilen.Int(15);
            z.Mahnstufe = zeilen.Int(16);
            z.Periode = zeilen.Int(17);
            gruppen.back().zeilen.push_back(std::move(z));
        }
        const bool voll = anzahl == grenze;
        if (voll) {
            // The last document may go on in the next slice; one alone that fills a slice needs a larger one.
            if (gruppen.size() == 1) {
                grenze *= 2;
                continue;
            }
            gruppen.pop_back();
        }
        if (gruppen.empty())
            break;
        const QString erster = gruppen.front().beleg, letzter = gruppen.back().beleg;
        TGespeichertListe gespeichert;
        gespeichert.PostenLesen(posten.Bind({MandantId.RNr, MandantId.LNr, erster, letzter}).Exec());
        if (datev)
            gespeichert.AnteileLesen(anteile->Bind({MandantId.RNr, MandantId.LNr, zeitraum, erster, letzter}).Exec());
        scheibeVerarbeiten(gruppen, gespeichert, zeitraum);
        if (!voll)
            break;
        abBeleg = gruppen.back().beleg;
        abRate = gruppen.back().rate;
    }
}

void TImportLauf::Abgleichen()
{
    if (!m_ausgelagert)
        auslagern();
    // Open items of the client that no CSV file of this run names.
    TSqlAbfrage q(QStringLiteral(
        "SELECT op.rechner_nr, op.trans_nr, op.lfd_nr, op.belegnummer, op.soll_cent, op.haben_cent, gp.nr "
        "FROM offener_posten op JOIN geschaeftspartner gp ON gp.rnr = op.gep_rnr AND gp.lnr = op.gep_lnr "
        "WHERE op.mandant_rnr = ? AND op.mandant_lnr = ? AND op.soll_cent <> op.haben_cent AND NOT EXISTS ("
        "SELECT 1 FROM import_zeile z WHERE z.lauf_rnr = ? AND z.lauf = ? AND z.beleg = op.belegnummer "
        "AND z.rate = op.lfd_nr) ORDER BY op.belegnummer, op.lfd_nr"));
    q.Bind({MandantId.RNr, MandantId.LNr, m_lauf.RNr, m_lauf.LNr}).Exec();
    struct TZu {
        int r, t, l;
        qint64 soll, haben;
    };
    std::vector<TZu> schliessen;
    while (q.Next()) {
        schliessen.push_back({q.Int(0), q.Int(1), q.Int(2), q.Int64(4), q.Int64(5)});
        Ergebnis.Aenderungen << QStringLiteral("abgeglichen (fehlt in der Datei): %1, Partner %2, Saldo %3")
                                    .arg(q.Text(3))
                                    .arg(q.Int(6))
                                    .arg(betragText(q.Int64(4) - q.Int64(5)));
    }
    // An invoice is settled on its credit side, a credit note on its debit side.
    TSqlAbfrage upd(QStringLiteral("UPDATE offener_posten SET soll_cent = ?, haben_cent = ?, letzte_zahlung = ? "
                                   "WHERE rechner_nr = ? AND trans_nr = ? AND lfd_nr = ?"));
    for (const TZu& z : schliessen) {
        const qint64 betrag = std::max(z.soll, z.haben);
        upd.Bind({betrag, betrag, heute(), z.r, z.t, z.l}).Exec();
    }
    Ergebnis.PostenAbgeglichen = qint64(schliessen.size());
}

}  // namespace import

using namespace import;

QString TImportFehler::Text() const
{
    QString t = Datei;
    if (Zeile > 0)
        t += QStringLiteral(", Zeile %1").arg(Zeile);
    if (!Spalte.isEmpty())
        t += QStringLiteral(", Spalte %1").arg(Spalte);
    return t + QStringLiteral(": ") + Grund;
}


TImportErgebnis Import_Ausfuehren(const QStringList& dateien, const TImportOptionen& optionen)
{
    if (dateien.isEmpty())
        throw EQELError(QStringLiteral("Es ist keine Datei zum Einlesen angegeben."));
    TTransaktion t;
    TImportLauf lauf(optionen, dateien);

    // The kind of each file, from its first line; partner files go first.
    struct TDatei {
        int nr;
        TDateiArt art;
    };
    std::vector<TDatei> reihenfolge;
    for (int i = 0; i < dateien.size(); ++i) {
        std::unique_ptr<TCsvLeser> leser;
        try {
            leser = std::make_unique<TCsvLeser>(dateien[i]);
        } catch (const EQELError& e) {
            lauf.Fehler(i, 0, QString(), e.Text());
            continue;
        }
        TCsvZeile kopf;
        const bool gelesen = leser->Lesen(kopf);
        if (const QString f = kopfFehler(kopf, gelesen); !f.isEmpty()) {
            lauf.Fehler(i, gelesen ? kopf.Nr : 0, QString(), f);
            continue;
        }
        const TDateiArt art = dateiArt(kopf.Felder);
        if (art == TDateiArt::Unbekannt) {
            lauf.Fehler(i, 1, QString(),
                        QStringLiteral("Die Kopfzeile nennt weder die Spalte Satzart (offene Posten) noch Partnernummer und "
                                       "Name (Geschäftspartner), und die Datei ist keine DATEV-Datei (EXTF)."));
            continue;
        }
        reihenfolge.push_back({i, art});
    }
    std::stable_sort(reihenfolge.begin(), reihenfolge.end(), [](const TDatei& a, const TDatei& b) {
        auto rang = [](const TDatei& d) { return d.art == TDateiArt::Partner ? 0 : d.art == TDateiArt::Datev ? 1 : 2; };
        return rang(a) < rang(b);
    });

    bool csvPosten = false;
    for (const TDatei& d : reihenfolge) {
        TCsvLeser leser(dateien[d.nr]);
        TCsvZeile kopf;
        leser.Lesen(kopf);
        if (d.art == TDateiArt::Datev) {
            lauf.PartnerSchreiben();
            Datev_Lesen(lauf, d.nr, leser, kopf.Felder);
            continue;
        }
        QStringList unbekannt, doppelt;
        const QVector<int> pos = d.art == TDateiArt::Posten ? spaltenZuordnen(kopf.Felder, kPostenSpalten, unbekannt, doppelt)
                                                            : spaltenZuordnen(kopf.Felder, kPartnerSpalten, unbekannt, doppelt);
        QStringList fehlend;
        const QVector<int> pflicht = d.art == TDateiArt::Posten ? QVector<int>{psSatzart, psBetrag} : QVector<int>{paNr, paName};
        for (int p : pflicht)
            if (pos[p] < 0)
                fehlend << QString::fromUtf8(d.art == TDateiArt::Posten ? kPostenSpalten[p].name : kPartnerSpalten[p].name);
        if (!unbekannt.isEmpty())
            lauf.Fehler(d.nr, 1, unbekannt.join(QStringLiteral(", ")),
                        QStringLiteral("unbekannte Spalte; die Spalten sind in docs/import.md beschrieben"));
        if (!doppelt.isEmpty())
            lauf.Fehler(d.nr, 1, doppelt.join(QStringLiteral(", ")), QStringLiteral("die Spalte steht zweimal in der Kopfzeile"));
        if (!fehlend.isEmpty())
            lauf.Fehler(d.nr, 1, fehlend.join(QStringLiteral(", ")), QStringLiteral("Pflichtspalte fehlt"));
        if (!unbekannt.isEmpty() || !doppelt.isEmpty() || !fehlend.isEmpty())
            continue;
        const int spalten = int(kopf.Felder.size()) - (kopf.Felder.last().trimmed().isEmpty() ? 1 : 0);
        if (d.art == TDateiArt::Partner) {
            zeilenLesen(lauf, d.nr, leser, spalten, [&](const TCsvZeile& z) { partnerZeile(lauf, d.nr, z, pos); });
        } else {
            csvPosten = true;
            lauf.PartnerSchreiben();
            TPostenLeser p(lauf, d.nr, pos);
            zeilenLesen(lauf, d.nr, leser, spalten, [&](const TCsvZeile& z) { p.Zeile(z); });
        }
    }
    if (csvPosten)
        lauf.Zusammenfuehren(-1, QString());
    lauf.PartnerSchreiben();
    if (optionen.Abgleich) {
        if (!csvPosten)
            lauf.Hinweis(QStringLiteral("Kein Abgleich: Keine der Dateien ist eine Datei offener Posten im CSV-Format."));
        else if (lauf.Ergebnis.FehlerGesamt > 0)
            lauf.Hinweis(QStringLiteral("Kein Abgleich: Eine Datei hat fehlerhafte Zeilen, deren Posten sonst geschlossen würden."));
        else
            lauf.Abgleichen();
    }
    lauf.Aufraeumen();
    TImportErgebnis e = lauf.Ergebnis;
    // Checks across lines come after the line's own: the list goes by file and line.
    std::stable_sort(e.Fehler.begin(), e.Fehler.end(), [&](const TImportFehler& a, const TImportFehler& b) {
        return std::make_pair(a.Datei, a.Zeile) < std::make_pair(b.Datei, b.Zeile);
    });
    const bool fehlerfrei = e.FehlerGesamt == 0 || optionen.Ueberspringen;
    if (fehlerfrei && !optionen.Pruefen) {
        t.Commit();
        e.Gespeichert = true;
    }
    return e;
}
