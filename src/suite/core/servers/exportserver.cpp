// Exports: a client's partners and items in the CSV import format, and the fees and interest of
// booked dunnings as a DATEV posting batch.
#include "importintern.h"

#include <QDate>
#include <QDateTime>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace {

QString datumText(TDateTime d) { return d > 0 ? qel_ToQDate(d).toString(QStringLiteral("dd.MM.yyyy")) : QString(); }

QString betragText(qint64 cent)
{
    return QStringLiteral("%1,%2").arg(cent / 100).arg(cent % 100, 2, 10, QLatin1Char('0'));
}

// Writes the whole file or nothing: an unfinished export never replaces a good one.
class TAusgabe {
public:
    TAusgabe(const QString& pfad, bool windows) : m_datei(pfad), m_windows(windows)
    {
        if (!m_datei.open(QIODevice::WriteOnly))
            throw EQELError(QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2").arg(pfad, m_datei.errorString()));
        if (!windows)
            m_datei.write("\xEF\xBB\xBF");
    }
    void Zeile(const QStringList& felder)
    {
        const QString text = felder.join(QLatin1Char(';'));
        m_datei.write(m_windows ? qel_Cp1252Kodieren(text) : text.toUtf8());
        m_datei.write(m_windows ? "\r\n" : "\n");
    }
    void Abschliessen()
    {
        if (!m_datei.commit())
            throw EQELError(QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2").arg(m_datei.fileName(), m_datei.errorString()));
    }

private:
    QSaveFile m_datei;
    bool m_windows;
};

QString janein(bool b) { return b ? QStringLiteral("J") : QStringLiteral("N"); }

// DATEV text fields are quoted; quotes inside are doubled.
QString datevText(const QString& t) { return QLatin1Char('"') + QString(t).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"'); }

// The 125 columns of a posting batch (format version 13).
QStringList buchungsstapelSpalten()
{
    QStringList s = {QStringLiteral("Umsatz (ohne Soll/Haben-Kz)"), QStringLiteral("Soll/Haben-Kennzeichen"),
                     QStringLiteral("WKZ Umsatz"), QStringLiteral("Kurs"), QStringLiteral("Basis-Umsatz"),
                     QStringLiteral("WKZ Basis-Umsatz"), QStringLiteral("Konto"), QStringLiteral("Gegenkonto (ohne BU-Schlüssel)"),
                     QStringLiteral("BU-Schlüssel"), QStringLiteral("Belegdatum"), QStringLiteral("Belegfeld 1"),
                     QStringLiteral("Belegfeld 2"), QStringLiteral("Skonto"), QStringLiteral("Buchungstext"),
                     QStringLiteral("Postensperre"), QStringLiteral("Diverse Adressnummer"), QStringLiteral("Geschäftspartnerbank"),
                     QStringLiteral("Sachverhalt"), QStringLiteral("Zinssperre"), QStringLiteral("Beleglink")};
    for (int i = 1; i <= 8; ++i)
        s << QStringLiteral("Beleginfo - Art %1").arg(i) << QStringLiteral("Beleginfo - Inhalt %1").arg(i);
    s << QStringLiteral("KOST1 - Kostenstelle") << QStringLiteral("KOST2 - Kostenstelle") << QStringLiteral("Kost-Menge")
      << QStringLiteral("EU-Land u. UStID (Bestimmung)") << QStringLiteral("EU-Steuersatz (Bestimmung)")
      << QStringLiteral("Abw. Versteuerungsart") << QStringLiteral("Sachverhalt L+L") << QStringLiteral("Funktionsergänzung L+L")
      << QStringLiteral("BU 49 Hauptfunktionstyp") << QStringLiteral("BU 49 Hauptfunktionsnummer")
      << QStringLiteral("BU 49 Funktionsergänzung");
    for (int i = 1; i <= 20; ++i)
        s << QStringLiteral("Zusatzinformation - Art %1").arg(i) << QStringLiteral("Zusatzinformation- Inhalt %1").arg(i);
    s << QStringLiteral("Stück") << QStringLiteral("Gewicht") << QStringLiteral("Zahlweise") << QStringLiteral("Forderungsart")
      << QStringLiteral("Veranlagungsjahr") << QStringLiteral("Zugeordnete Fälligkeit") << QStringLiteral("Skontotyp")
      << QStringLiteral("Auftragsnummer") << QStringLiteral("Buchungstyp") << QStringLiteral("USt-Schlüssel (Anzahlungen)")
      << QStringLiteral("EU-Land (Anzahlungen)") << QStringLiteral("Sachverhalt L+L (Anzahlungen)")
      << QStringLiteral("EU-Steuersatz (Anzahlungen)") << QStringLiteral("Erlöskonto (Anzahlungen)")
      << QStringLiteral("Herkunft-Kz") << QStringLiteral("Buchungs GUID") << QStringLiteral("KOST-Datum")
      << QStringLiteral("SEPA-Mandatsreferenz") << QStringLiteral("Skontosperre") << QStringLiteral("Gesellschaftername")
      << QStringLiteral("Beteiligtennummer") << QStringLiteral("Identifikationsnummer") << QStringLiteral("Zeichnernummer")
      << QStringLiteral("Postensperre bis") << QStringLiteral("Bezeichnung SoBil-Sachverhalt")
      << QStringLiteral("Kennzeichen SoBil-Buchung") << QStringLiteral("Festschreibung") << QStringLiteral("Leistungsdatum")
      << QStringLiteral("Datum Zuord. Steuerperiode") << QStringLiteral("Fälligkeit") << QStringLiteral("Generalumkehr")
      << QStringLiteral("Steuersatz") << QStringLiteral("Land") << QStringLiteral("Abrechnungsreferenz")
      << QStringLiteral("BVV-Position") << QStringLiteral("EU-Land u. UStID (Ursprung)")
      << QStringLiteral("EU-Steuersatz (Ursprung)") << QStringLiteral("Abw. Skontokonto");
    return s;
}

}  // namespace

void Export_CsvPartner(int mandantNr, const QString& pfad)
{
    TAusgabe a(pfad, false);
    a.Zeile({QStringLiteral("Partnernummer"), QStringLiteral("Name"), QStringLiteral("Name2"), QStringLiteral("Straße"),
             QStringLiteral("PLZ"), QStringLiteral("Ort"), QStringLiteral("Land"), QStringLiteral("Telefon"),
             QStringLiteral("Telefax"), QStringLiteral("E-Mail"), QStringLiteral("Internet"), QStringLiteral("USt-IdNr"),
             QStringLiteral("Anrede"), QStringLiteral("Vorname"), QStringLiteral("Ansprechpartner"),
             QStringLiteral("Kontakt-Telefon"), QStringLiteral("Kontakt-E-Mail"), QStringLiteral("Mahn-E-Mail"),
             QStringLiteral("Verbraucher"), QStringLiteral("Zentralreguliert"), QStringLiteral("Aktiv")});
    for (const TPartnerStamm& p : Stammdaten_Partner(mandantNr)) {
        const TOrgStamm& o = p.Org;
        QStringList f{QString::number(p.Nr), o.Name1, o.Name2, o.Strasse, o.Plz, o.Ort, o.Land, o.Telefon, o.Telefax, o.Email,
                      o.Internet, o.UstId, o.KontaktAnrede, o.KontaktVorname, o.KontaktNachname, o.KontaktTelefon,
                      o.KontaktEmail, p.MahnEmail, janein(p.Verbraucher), janein(p.Zentralreguliert), janein(p.Aktiv)};
        for (QString& t : f)
            t = qel_CsvFeld(t);
        a.Zeile(f);
    }
    a.Abschliessen();
}

void Export_CsvPosten(int mandantNr, const QString& pfad)
{
    const TIntPair mandant = Stammdaten_MandantId(mandantNr);
    TAusgabe a(pfad, false);
    a.Zeile({QStringLiteral("Satzart"), QStringLiteral("Belegnummer"), QStringLiteral("Bezug"), QStringLiteral("Rate"),
             QStringLiteral("Partnernummer"), QStringLiteral("Belegdatum"), QStringLiteral("Fällig"), QStringLiteral("Betrag"),
             QStringLiteral("Kommentar"), QStringLiteral("Kostenstelle"), QStringLiteral("Erlöskonto"), QStringLiteral("Währung"),
             QStringLiteral("Skonto"), QStringLiteral("Skonto bis"), QStringLiteral("Zentralreguliert"),
             QStringLiteral("Mahnstufe"), QStringLiteral("Buchungsperiode")});
    TSqlAbfrage q(QStringLiteral(
        "SELECT op.belegart, op.belegnummer, op.lfd_nr, gp.nr, op.belegdatum, op.zahlungsziel, op.soll_cent, op.haben_cent, "
        "op.kommentar, op.kostenstelle, op.konto, op.waehrung, op.skonto_cent, op.skonto_bis, op.zentralreguliert, "
        "op.mahnstufe, op.buchungsperiode, op.letzte_zahlung "
        "FROM offener_posten op JOIN geschaeftspartner gp ON gp.rnr = op.gep_rnr AND gp.lnr = op.gep_lnr "
        "WHERE op.mandant_rnr = ? AND op.mandant_lnr = ? ORDER BY op.belegnummer, op.lfd_nr"));
    q.Bind({mandant.RNr, mandant.LNr}).Exec();
    while (q.Next()) {
        const bool gutschrift = q.Text(0) == QLatin1String("GS");
        const qint64 soll = q.Int64(6), haben = q.Int64(7);
        const qint64 betrag = gutschrift ? haben : soll;
        const qint64 gegen = gutschrift ? soll : haben;
        if (betrag <= 0)
            continue;  // nothing the format could carry
        const QString rate = q.Int(2) > 1 ? QString::number(q.Int(2)) : QString();
        QStringList f{gutschrift ? QStringLiteral("Gutschrift") : QStringLiteral("Rechnung"), q.Text(1), QString(), rate,
                      QString::number(q.Int(3)), datumText(q.Double(4)), datumText(q.Double(5)), betragText(betrag),
                      q.Text(8), q.Text(9), q.Text(10), q.Text(11), q.Int64(12) > 0 ? betragText(q.Int64(12)) : QString(),
                      datumText(q.Double(13)), janein(q.Int(14) != 0), QString::number(q.Int(15)), QString::number(q.Int(16))};
        for (QString& t : f)
            t = qel_CsvFeld(t);
        a.Zeile(f);
        if (gegen > 0)
            a.Zeile({QStringLiteral("Zahlung"), QString(), qel_CsvFeld(q.Text(1)), rate, QString(), datumText(q.Double(17)),
                     QString(), betragText(gegen), QString(), QString(), QString(), QString(), QString(), QString(), QString(),
                     QString(), QString()});
    }
    a.Abschliessen();
}

TDatevExportErgebnis Export_DatevGebuehren(const TDatevExportOptionen& o, const QString& pfad)
{
    TMandantStamm m;
    if (!Stammdaten_MandantLesen(o.MandantNr, m))
        throw EQELError(QStringLiteral("Den Mandanten %1 gibt es nicht.").arg(o.MandantNr));
    TTransaktion t;
    // Fees of dunnings not yet exported (or of the period again), and reversals of exported dunnings
    // cancelled since: the accounting booked their fees and must take them back.
    const QString summen = QStringLiteral(
        "SELECT ma.rnr, ma.lnr, %1, ma.wirtschaftsjahr, ma.beleg_rnr, ma.beleg_lfdnr, gp.nr, "
        "SUM(mp.mahngebuehren_cent), SUM(mp.verzugszins_cent), SUM(mp.pauschale_cent) "
        "FROM mahnung ma JOIN geschaeftspartner gp ON gp.rnr = ma.gep_rnr AND gp.lnr = ma.gep_lnr "
        "JOIN mahnung_position mp ON mp.mahnung_rnr = ma.rnr AND mp.mahnung_lnr = ma.lnr "
        "WHERE ma.mandant_rnr = ? AND ma.mandant_lnr = ? AND %1 >= ? AND %1 < ? AND %2 "
        "GROUP BY ma.rnr, ma.lnr, %1, ma.wirtschaftsjahr, ma.beleg_rnr, ma.beleg_lfdnr, gp.nr "
        "ORDER BY %1, ma.wirtschaftsjahr, ma.beleg_rnr, ma.beleg_lfdnr");
    const QString exportiert = QStringLiteral("EXISTS (SELECT 1 FROM mahnung_export x WHERE x.mahnung_rnr = ma.rnr "
                                              "AND x.mahnung_lnr = ma.lnr%1)");
    const QString gebuehrenSql =
        summen.arg(QStringLiteral("ma.mahnungsdatum"),
                   QStringLiteral("ma.storniert_am = 0") +
                       (o.Erneut ? QString() : QStringLiteral(" AND NOT ") + exportiert.arg(QString())));
    const QString stornoSql = summen.arg(
        QStringLiteral("ma.storniert_am"),
        QStringLiteral("ma.storniert_am > 0 AND ") + exportiert.arg(o.Erneut ? QString() : QStringLiteral(" AND x.storno_exportiert_am = 0")));
    const double abTag = o.Von > 0 ? o.Von : 0.0, vorTag = o.Bis > 0 ? std::floor(o.Bis) + 1 : 2958466.0;
    struct TMahnung {
        TIntPair id;
        TDateTime datum;  // of the dunning, or of its cancellation
        QString nummer;
        int partner;
        qint64 gebuehr, zins, pauschale;
        bool storno;
    };
    std::vector<TMahnung> mahnungen;
    for (const bool storno : {false, true}) {
        TSqlAbfrage q(storno ? stornoSql : gebuehrenSql);
        q.Bind({m.Id.RNr, m.Id.LNr, abTag, vorTag}).Exec();
        while (q.Next())
            mahnungen.push_back({TIntPair{q.Int(0), q.Int(1)}, q.Double(2),
                                 QStringLiteral("MA%1-%2-%3").arg(q.Int(3)).arg(q.Int(4)).arg(q.Int(5)), q.Int(6),
                                 q.Int64(7), q.Int64(8), q.Int64(9), storno});
    }
    std::stable_sort(mahnungen.begin(), mahnungen.end(),
                     [](const TMahnung& x, const TMahnung& y) { return std::floor(x.datum) < std::floor(y.datum); });
    TDatevExportErgebnis e;
    if (mahnungen.empty())
        return e;
    const QDate erster = qel_ToQDate(mahnungen.front().datum), letzter = qel_ToQDate(mahnungen.back().datum);
    if (erster.year() != letzter.year())
        throw EQELError(QStringLiteral("Die Mahnungen reichen vom %1 bis %2; ein Buchungsstapel umfasst höchstens ein "
                                       "Wirtschaftsjahr. Bitte den Zeitraum mit --von und --bis eingrenzen.")
                            .arg(erster.toString(QStringLiteral("dd.MM.yyyy")), letzter.toString(QStringLiteral("dd.MM.yyyy"))));
    qint64 gebuehren = 0, zinsen = 0;
    for (const TMahnung& x : mahnungen) {
        gebuehren += x.gebuehr + x.pauschale;
        zinsen += x.zins;
    }
    if (m.DatevBerater == 0 || m.DatevMandant == 0)
        throw EQELError(QStringLiteral("Beim Mandanten %1 sind keine DATEV-Berater- und -Mandantennummer eingetragen "
                                       "(mahnwesen-admin mandant edit %1 --datev-berater NR --datev-mandant NR).")
                            .arg(m.Nr));
    if (gebuehren > 0 && m.KontoGebuehren == 0)
        throw EQELError(QStringLiteral("Beim Mandanten %1 ist kein Erlöskonto für Mahngebühren eingetragen "
                                       "(mahnwesen-admin mandant edit %1 --konto-gebuehren KONTO).")
                            .arg(m.Nr));
    if (zinsen > 0 && m.KontoZinsen == 0)
        throw EQELError(QStringLiteral("Beim Mandanten %1 ist kein Erlöskonto für Verzugszinsen eingetragen "
                                       "(mahnwesen-admin mandant edit %1 --konto-zinsen KONTO).")
                            .arg(m.Nr));

    TAusgabe a(pfad, true);
    const QDate von = o.Von > 0 ? qel_ToQDate(o.Von) : erster;
    const QDate bis = o.Bis > 0 ? qel_ToQDate(o.Bis) : letzter;
    const QString jmt = QStringLiteral("yyyyMMdd");
    a.Zeile({datevText(QStringLiteral("EXTF")), QStringLiteral("700"), QStringLiteral("21"), datevText(QStringLiteral("Buchungsstapel")),
             QStringLiteral("13"), qel_ToQDateTime(qel_Now()).toString(QStringLiteral("yyyyMMddHHmmsszzz")), QString(),
             datevText(QStringLiteral("RE")), datevText(QString()), datevText(QString()), QString::number(m.DatevBerater),
             QString::number(m.DatevMandant), QDate(erster.year(), 1, 1).toString(jmt), QString::number(m.Sachkontenlaenge),
             std::max(von, QDate(erster.year(), 1, 1)).toString(jmt), std::min(bis, QDate(erster.year(), 12, 31)).toString(jmt),
             datevText(QStringLiteral("Mahngebühren und Zinsen")), datevText(QString()), QStringLiteral("1"), QStringLiteral("0"),
             QStringLiteral("0"), datevText(QStringLiteral("EUR")), QString(), datevText(QString()), QString(), QString(),
             QString(), QString(), QString(), datevText(QString()), datevText(QString())});
    const QStringList spalten = buchungsstapelSpalten();
    a.Zeile(spalten);
    auto buchung = [&](qint64 cent, int debitor, int konto, const TMahnung& x, const QString& was) {
        QStringList f;
        for (int i = 0; i < spalten.size(); ++i)
            f << QString();
        const QString text = (x.storno ? QStringLiteral("Storno ") : QString()) + was + QLatin1Char(' ') + x.nummer;
        f[0] = betragText(cent);
        // A reversal credits the debtor with what the dunning charged.
        f[1] = datevText(x.storno ? QStringLiteral("H") : QStringLiteral("S"));
        f[2] = datevText(QStringLiteral("EUR"));
        f[6] = QString::number(debitor);
        f[7] = QString::number(konto);
        f[9] = qel_ToQDate(x.datum).toString(QStringLiteral("ddMM"));
        f[10] = datevText(x.nummer);
        f[13] = datevText(text.left(60));
        a.Zeile(f);
        ++e.Buchungen;
        e.SummeCent += x.storno ? -cent : cent;
    };
    for (const TMahnung& x : mahnungen) {
        if (x.gebuehr > 0)
            buchung(x.gebuehr, x.partner, m.KontoGebuehren, x, QStringLiteral("Mahngebühren"));
        if (x.zins > 0)
            buchung(x.zins, x.partner, m.KontoZinsen, x, QStringLiteral("Verzugszinsen"));
        if (x.pauschale > 0)
            buchung(x.pauschale, x.partner, m.KontoGebuehren, x, QStringLiteral("Verzugspauschale"));
        if (x.storno) {
            TSqlAbfrage(QStringLiteral("UPDATE mahnung_export SET storno_exportiert_am = ? WHERE mahnung_rnr = ? AND mahnung_lnr = ?"))
                .Bind({qel_Now(), x.id.RNr, x.id.LNr})
                .Exec();
            ++e.Stornos;
            continue;
        }
        TSqlAbfrage(QStringLiteral("DELETE FROM mahnung_export WHERE mahnung_rnr = ? AND mahnung_lnr = ?"))
            .Bind({x.id.RNr, x.id.LNr})
            .Exec();
        TSqlAbfrage(QStringLiteral("INSERT INTO mahnung_export (mahnung_rnr, mahnung_lnr, exportiert_am, benutzer) VALUES (?, ?, ?, ?)"))
            .Bind({x.id.RNr, x.id.LNr, qel_Now(), TSuiteDatenbank::Benutzer()})
            .Exec();
        ++e.Mahnungen;
    }
    // The file first: if the marks cannot be kept, the file is there and a repeated export writes it again.
    a.Abschliessen();
    t.Commit();
    return e;
}
