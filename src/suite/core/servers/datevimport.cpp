// Reading DATEV files (EXTF): "Debitoren/Kreditoren" as business partners, and a "Buchungsstapel" from
// which the debtors' open items are derived by matching postings on "Belegfeld 1".
#include "importintern.h"

#include <QDate>

namespace import {
namespace {

// Header fields of the DATEV format (0-based).
enum { kKennung = 0, kKategorie = 2, kFormatname = 3, kBerater = 10, kMandant = 11, kWjBeginn = 12,
       kSachkontenlaenge = 13, kDatumVon = 14, kDatumBis = 15 };

QDate jjjjmmtt(const QString& t)
{
    return t.trimmed().size() == 8 ? QDate::fromString(t.trimmed(), QStringLiteral("yyyyMMdd")) : QDate();
}

QString landName(const QString& iso)
{
    static const QHash<QString, QString> namen = {
        {QStringLiteral("DE"), QStringLiteral("Deutschland")}, {QStringLiteral("AT"), QStringLiteral("Österreich")},
        {QStringLiteral("CH"), QStringLiteral("Schweiz")},     {QStringLiteral("NL"), QStringLiteral("Niederlande")},
        {QStringLiteral("FR"), QStringLiteral("Frankreich")},  {QStringLiteral("BE"), QStringLiteral("Belgien")},
        {QStringLiteral("LU"), QStringLiteral("Luxemburg")},   {QStringLiteral("DK"), QStringLiteral("Dänemark")},
        {QStringLiteral("PL"), QStringLiteral("Polen")},       {QStringLiteral("CZ"), QStringLiteral("Tschechien")},
        {QStringLiteral("IT"), QStringLiteral("Italien")},     {QStringLiteral("ES"), QStringLiteral("Spanien")}};
    return namen.value(iso.trimmed().toUpper(), iso.trimmed());
}

// Column positions by normalised name; DATEV spells "Adressatentyp" also "Adressattyp".
QHash<QString, int> spalten(const QStringList& namen)
{
    QHash<QString, int> pos;
    for (int i = 0; i < namen.size(); ++i) {
        QString n = SpaltenNorm(namen[i]);
        n.replace(QStringLiteral("adressattyp"), QStringLiteral("adressatentyp"));
        if (!pos.contains(n))
            pos.insert(n, i);
    }
    return pos;
}

struct TKonten {
    qint64 debitorVon = 10000, debitorBis = 69999;
    bool Debitor(qint64 konto) const { return konto >= debitorVon && konto <= debitorBis; }
};

TKonten konten(int sachkontenlaenge)
{
    qint64 basis = 1;
    for (int i = 0; i < sachkontenlaenge; ++i)
        basis *= 10;
    // Personal accounts are one digit longer than general ledger accounts: debtors start with 1..6.
    return TKonten{basis, 7 * basis - 1};
}

class TDatevLeser {
public:
    TDatevLeser(TImportLauf& lauf, int datei, TCsvLeser& leser, const QStringList& kopf)
        : m_lauf(lauf), m_datei(datei), m_leser(leser), m_kopf(kopf)
    {
    }

    void Lesen()
    {
        if (!kopfPruefen())
            return;
        TCsvZeile namen;
        if (!m_leser.Lesen(namen) || !namen.Fehler.isEmpty() || namen.Felder.size() < 2) {
            m_lauf.Fehler(m_datei, 2, QString(), QStringLiteral("Die zweite Zeile nennt nicht die Spalten des DATEV-Formats."));
            return;
        }
        m_pos = spalten(namen.Felder);
        m_spalten = int(namen.Felder.size());
        if (m_kategorie == 21)
            buchungen();
        else
            partner();
    }

private:
    QString feld(int i) const { return i < 0 ? QString() : m_z.Felder.value(i).trimmed(); }
    QString feld(const QString& name) const { return feld(m_pos.value(name, -1)); }
    void fehler(const QString& spalte, const QString& grund)
    {
        m_ok = false;
        m_lauf.Fehler(m_datei, m_z.Nr, spalte, grund);
    }

    bool kopfPruefen()
    {
        m_kategorie = m_kopf.value(kKategorie).trimmed().toInt();
        const QString format = m_kopf.value(kFormatname).trimmed();
        if (m_kategorie != 21 && m_kategorie != 16) {
            m_lauf.Fehler(m_datei, 1, QStringLiteral("Datenkategorie"),
                          QStringLiteral("Das DATEV-Format \"%1\" (Kategorie %2) wird nicht eingelesen; lesbar sind "
                                         "Buchungsstapel (21) und Debitoren/Kreditoren (16).")
                              .arg(format, m_kopf.value(kKategorie).trimmed()));
            return false;
        }
        const int berater = m_kopf.value(kBerater).trimmed().toInt();
        const int mandant = m_kopf.value(kMandant).trimmed().toInt();
        const TMandantStamm& m = m_lauf.Mandant;
        if ((m.DatevBerater && berater && berater != m.DatevBerater) || (m.DatevMandant && mandant && mandant != m.DatevMandant)) {
            m_lauf.Fehler(m_datei, 1, QStringLiteral("Berater/Mandant"),
                          QStringLiteral("Die Datei gehört zu Berater %1, Mandant %2; beim Mandanten %3 sind Berater %4, "
                                         "Mandant %5 eingetragen.")
                              .arg(berater)
                              .arg(mandant)
                              .arg(m.Nr)
                              .arg(m.DatevBerater)
                              .arg(m.DatevMandant));
            return false;
        }
        const int laenge = m_kopf.value(kSachkontenlaenge).trimmed().toInt();
        m_konten = konten(laenge >= 4 && laenge <= 8 ? laenge : m.Sachkontenlaenge);
        if (m_kategorie == 21) {
            m_von = jjjjmmtt(m_kopf.value(kDatumVon));
            m_bis = jjjjmmtt(m_kopf.value(kDatumBis));
            if (!m_von.isValid() || !m_bis.isValid() || m_bis < m_von || m_von.daysTo(m_bis) > 366) {
                m_lauf.Fehler(m_datei, 1, QStringLiteral("Datum vom/bis"),
                              QStringLiteral("Der Kopf nennt keinen gültigen Zeitraum des Stapels (JJJJMMTT, höchstens ein "
                                             "Jahr); ohne ihn fehlt dem Belegdatum das Jahr."));
                return false;
            }
        }
        return true;
    }

    // TTMM with the year the batch's period gives.
    bool belegdatum(const QString& t, TDateTime& datum)
    {
        const QString s = t.trimmed().rightJustified(4, QLatin1Char('0'));
        bool ok = false;
        const int wert = s.toInt(&ok);
        if (!ok || s.size() != 4) {
            fehler(QStringLiteral("Belegdatum"), QStringLiteral("\"%1\" ist kein Datum der Form TTMM").arg(t));
            return false;
        }
        const int tag = wert / 100, monat = wert % 100;
        QDate d(m_von.year(), monat, tag);
        if (!d.isValid() || d < m_von)
            d = QDate(m_bis.year(), monat, tag);
        if (!d.isValid() || d < m_von || d > m_bis) {
            fehler(QStringLiteral("Belegdatum"),
                   QStringLiteral("\"%1\" ist kein Tag im Zeitraum des Stapels (%2 bis %3)")
                       .arg(t, m_von.toString(QStringLiteral("dd.MM.yyyy")), m_bis.toString(QStringLiteral("dd.MM.yyyy"))));
            return false;
        }
        datum = qel_EncodeDate(d.year(), d.month(), d.day());
        return true;
    }

    bool zeileLesen()
    {
        while (m_leser.Lesen(m_z)) {
            if (!m_z.Fehler.isEmpty()) {
                m_lauf.Fehler(m_datei, m_z.Nr, QString(), m_z.Fehler);
                continue;
            }
            if (m_z.Leer())
                continue;
            ++m_lauf.Ergebnis.Zeilen;
            m_ok = true;
            if (m_z.Felder.size() < m_spalten) {
                // Empty fields at the end may be left out, as long as the line reaches the columns
                // this reader needs.
                if (m_z.Felder.size() < m_noetig) {
                    m_lauf.Fehler(m_datei, m_z.Nr, QString(),
                                  QStringLiteral("Die Zeile hat nur %1 von %2 Spalten (abgeschnitten?).")
                                      .arg(m_z.Felder.size())
                                      .arg(m_spalten));
                    continue;
                }
            }
            return true;
        }
        return false;
    }

    bool pflichtSpalten(const QStringList& namen)
    {
        QStringList fehlend;
        for (const QString& n : namen) {
            if (!m_pos.contains(SpaltenNorm(n)))
                fehlend << n;
            else
                m_noetig = std::max(m_noetig, m_pos.value(SpaltenNorm(n)) + 1);
        }
        if (!fehlend.isEmpty())
            m_lauf.Fehler(m_datei, 2, fehlend.join(QStringLiteral(", ")), QStringLiteral("Pflichtspalte fehlt"));
        return fehlend.isEmpty();
    }

    void buchungen()
    {
        const QString umsatz = QStringLiteral("Umsatz (ohne Soll/Haben-Kz)"), sh = QStringLiteral("Soll/Haben-Kennzeichen"),
                      konto = QStringLiteral("Konto"), gegen = QStringLiteral("Gegenkonto (ohne BU-Schlüssel)"),
                      datum = QStringLiteral("Belegdatum"), beleg = QStringLiteral("Belegfeld 1");
        if (!pflichtSpalten({umsatz, sh, konto, gegen, datum, beleg}))
            return;
        const QString zeitraum = m_von.toString(QStringLiteral("yyyyMMdd")) + QLatin1Char('-') + m_bis.toString(QStringLiteral("yyyyMMdd"));
        // Positions looked up once: a batch has hundreds of thousands of lines.
        auto pos = [&](const QString& name) { return m_pos.value(SpaltenNorm(name), -1); };
        const int iUmsatz = pos(umsatz), iSh = pos(sh), iKonto = pos(konto), iGegen = pos(gegen), iDatum = pos(datum),
                  iBeleg = pos(beleg), iFaellig = pos(QStringLiteral("faelligkeit")), iText = pos(QStringLiteral("buchungstext")),
                  iKost = pos(QStringLiteral("kost1kostenstelle")), iWkz = pos(QStringLiteral("wkzumsatz"));
        qint64 ohneDebitor = 0;
        while (zeileLesen()) {
            TPostenZeile p;
            p.Datei = m_datei;
            p.Zeile = m_z.Nr;
            const QString kz = feld(iSh).toUpper();
            if (kz != QLatin1String("S") && kz != QLatin1String("H"))
                fehler(sh, QStringLiteral("\"%1\" ist weder S noch H").arg(feld(iSh)));
            bool ok1 = false, ok2 = false;
            const qint64 k = feld(iKonto).toLongLong(&ok1);
            const qint64 g = feld(iGegen).toLongLong(&ok2);
            if (!ok1)
                fehler(konto, QStringLiteral("\"%1\" ist keine Kontonummer").arg(feld(iKonto)));
            if (!ok2)
                fehler(gegen, QStringLiteral("\"%1\" ist keine Kontonummer").arg(feld(iGegen)));
            if (!m_ok)
                continue;
            // The side as the debtor sees it: the flag belongs to "Konto".
            qint64 debitor = 0, anderes = 0;
            bool soll = kz == QLatin1String("S");
            if (m_konten.Debitor(k)) {
                debitor = k;
                anderes = g;
            } else if (m_konten.Debitor(g)) {
                debitor = g;
                anderes = k;
                soll = !soll;
            } else {
                ++ohneDebitor;  // bank, revenue or creditor postings concern no debtor's item
                continue;
            }
            p.Art = soll ? 'S' : 'H';
            p.PartnerNr = int(debitor);
            if (!m_lauf.Partner(p.PartnerNr))
                fehler(debitor == k ? konto : gegen,
                       QStringLiteral("den Debitor %1 gibt es beim Mandanten nicht (Debitoren/Kreditoren zuerst einlesen)").arg(debitor));
            if (const QString f = BetragLesen(feld(iUmsatz), p.BetragCent); !f.isEmpty())
                fehler(umsatz, f);
            belegdatum(feld(iDatum), p.Datum);
            p.Beleg = feld(iBeleg);
            if (p.Beleg.isEmpty())
                fehler(beleg, QStringLiteral("fehlt: ohne Rechnungsnummer gehört die Buchung zu keinem Posten"));
            else if (const QString f = Stammdaten_TextFehler(p.Beleg, 36); !f.isEmpty())
                fehler(beleg, f);
            const QString faellig = feld(iFaellig);
            if (!faellig.isEmpty()) {
                const QDate d = QDate::fromString(faellig.rightJustified(8, QLatin1Char('0')), QStringLiteral("ddMMyyyy"));
                if (!d.isValid())
                    fehler(QStringLiteral("Fälligkeit"), QStringLiteral("\"%1\" ist kein Datum der Form TTMMJJJJ").arg(faellig));
                else
                    p.Faellig = qel_EncodeDate(d.year(), d.month(), d.day());
            }
            p.Kommentar = feld(iText).left(200);
            p.Konto = soll ? QString::number(anderes) : QString();
            p.Kostenstelle = feld(iKost).left(20);
            const QString wkz = feld(iWkz).toUpper();
            if (!wkz.isEmpty())
                p.Waehrung = wkz.left(3);
            if (p.Datum > 0) {
                const QDate d = qel_ToQDate(p.Datum);
                p.Periode = d.year() * 100 + d.month();
            }
            for (const QString* t : {&p.Kommentar, &p.Kostenstelle})
                if (const QString f = Stammdaten_TextFehler(*t, 200); !f.isEmpty())
                    fehler(QStringLiteral("Buchungstext"), f);
            if (m_ok)
                m_lauf.Stagen(std::move(p));
        }
        if (ohneDebitor > 0)
            m_lauf.Hinweis(QStringLiteral("%1: %2 Buchungen ohne Debitorenkonto betreffen keinen offenen Posten und wurden "
                                          "übergangen.")
                               .arg(m_lauf.DateiName(m_datei).section(QLatin1Char('/'), -1))
                               .arg(ohneDebitor));
        m_lauf.Zusammenfuehren(m_datei, zeitraum);
    }

    void partner()
    {
        if (!pflichtSpalten({QStringLiteral("Konto")}))
            return;
        qint64 kreditoren = 0;
        while (zeileLesen()) {
            bool ok = false;
            const qint64 konto = feld(QStringLiteral("konto")).toLongLong(&ok);
            if (!ok || konto < 1 || konto > 999999999) {
                fehler(QStringLiteral("Konto"), QStringLiteral("\"%1\" ist keine Kontonummer").arg(feld(QStringLiteral("konto"))));
                continue;
            }
            if (!m_konten.Debitor(konto)) {
                ++kreditoren;
                continue;
            }
            TPartnerStamm p;
            p.Nr = int(konto);
            quint32 gegeben = 0;
            auto setze = [&](TPA spalte, QString& ziel, const QString& wert) {
                ziel = wert;
                gegeben |= Feld(spalte);
            };
            const QString typ = feld(QStringLiteral("adressatentyp"));
            const QString firma = feld(QStringLiteral("nameadressatentypunternehmen"));
            const QString person = feld(QStringLiteral("nameadressatentypnatuerlperson"));
            const QString vorname = feld(QStringLiteral("vornameadressatentypnatuerlperson"));
            const QString ohne = feld(QStringLiteral("nameadressatentypkeineangabe"));
            const bool natuerlich = typ == QLatin1String("1") || (typ.isEmpty() && firma.isEmpty() && !person.isEmpty());
            QString name = natuerlich ? (vorname + QLatin1Char(' ') + person).trimmed() : (firma.isEmpty() ? ohne : firma);
            if (name.isEmpty())
                name = firma.isEmpty() ? (ohne.isEmpty() ? (vorname + QLatin1Char(' ') + person).trimmed() : ohne) : firma;
            setze(paName, p.Org.Name1, name);
            p.Verbraucher = natuerlich;
            gegeben |= Feld(paVerbraucher);
            if (natuerlich) {
                const QString anrede = feld(QStringLiteral("anrede"));
                setze(paAnrede, p.Org.KontaktAnrede,
                      anrede == QLatin1String("Frau") || anrede == QLatin1String("Herr") ? anrede : QString());
                setze(paVorname, p.Org.KontaktVorname, vorname);
                setze(paAnsprechpartner, p.Org.KontaktNachname, person);
            }
            setze(paStrasse, p.Org.Strasse, feld(QStringLiteral("strasse")));
            setze(paPlz, p.Org.Plz, feld(QStringLiteral("postleitzahl")));
            setze(paOrt, p.Org.Ort, feld(QStringLiteral("ort")));
            const QString land = feld(QStringLiteral("land"));
            setze(paLand, p.Org.Land, land.isEmpty() || land.toUpper() == QLatin1String("DE") ? QString() : landName(land));
            if (m_pos.contains(QStringLiteral("telefon")))
                setze(paTelefon, p.Org.Telefon, feld(QStringLiteral("telefon")));
            if (m_pos.contains(QStringLiteral("fax")))
                setze(paTelefax, p.Org.Telefax, feld(QStringLiteral("fax")));
            if (m_pos.contains(QStringLiteral("email")))
                setze(paEmail, p.Org.Email, feld(QStringLiteral("email")));
            if (m_pos.contains(QStringLiteral("internet")))
                setze(paInternet, p.Org.Internet, feld(QStringLiteral("internet")));
            const QString euLand = feld(QStringLiteral("euland")) + feld(QStringLiteral("eumitgliedstaat"));
            const QString ustId = feld(QStringLiteral("euustid")) + feld(QStringLiteral("euustidnr"));
            if (!ustId.isEmpty())
                setze(paUstId, p.Org.UstId, ustId.startsWith(euLand) ? ustId : euLand + ustId);
            for (const TFeldFehler& f : Stammdaten_PartnerPruefen(p))
                fehler(f.Feld, f.Grund);
            if (m_ok)
                m_lauf.PartnerSpeichern(m_datei, m_z.Nr, p, gegeben);
        }
        if (kreditoren > 0)
            m_lauf.Hinweis(QStringLiteral("%1: %2 Kreditoren übergangen (gemahnt werden nur Debitoren).")
                               .arg(m_lauf.DateiName(m_datei).section(QLatin1Char('/'), -1))
                               .arg(kreditoren));
        m_lauf.PartnerSchreiben();
    }

    TImportLauf& m_lauf;
    int m_datei;
    TCsvLeser& m_leser;
    QStringList m_kopf;
    int m_kategorie = 0;
    QDate m_von, m_bis;
    TKonten m_konten;
    QHash<QString, int> m_pos;
    int m_noetig = 0;  // columns a line must reach
    int m_spalten = 0;
    TCsvZeile m_z;
    bool m_ok = true;
};

}  // namespace

bool Datev_Erkennen(const QStringList& ersteZeile)
{
    const QString k = ersteZeile.value(kKennung).trimmed();
    return (k == QLatin1String("EXTF") || k == QLatin1String("DTVF")) && ersteZeile.size() > kDatumBis;
}

void Datev_Lesen(TImportLauf& lauf, int datei, TCsvLeser& leser, const QStringList& kopf)
{
    TDatevLeser(lauf, datei, leser, kopf).Lesen();
}

}  // namespace import
