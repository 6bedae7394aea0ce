#include "mahnregelnserver.h"

#include "database_intern.h"

#include <QFile>
#include <QSet>
#include <cmath>

static void datenRessourcenLaden()
{
    static const bool geladen = [] {
        Q_INIT_RESOURCE(schema);
        return true;
    }();
    Q_UNUSED(geladen);
}

namespace {
QString datumText(TDateTime d) { return DateToStr(d); }
}  // namespace

TMahnEinstellungen MahnRegeln_Lesen(const TIntPair& mandant)
{
    TMahnEinstellungen e;
    TSqlAbfrage q(QStringLiteral("SELECT max_gebuehr_cent, ziel_tage_erste, ziel_tage_weitere, nur_werktage, bundesland, "
                                 "mindest_tage FROM mahn_einstellung WHERE mandant_rnr = ? AND mandant_lnr = ?"));
    q.Bind({mandant.RNr, mandant.LNr}).Exec();
    if (q.Next()) {
        e.MaxGebuehr = qel_Betrag(q.Int64(0));
        e.ZielTageErste = q.Int(1);
        e.ZielTageWeitere = q.Int(2);
        e.NurWerktage = q.Int(3) != 0;
        e.Bundesland = q.Text(4);
        e.MindestTage = q.Int(5);
    }
    TSqlAbfrage s(QStringLiteral("SELECT stufe, gebuehr_cent, tb_rnr, tb_lnr FROM mahn_stufe "
                                 "WHERE mandant_rnr = ? AND mandant_lnr = ?"));
    s.Bind({mandant.RNr, mandant.LNr}).Exec();
    while (s.Next()) {
        if (!s.Wert(1).isNull())
            e.GebuehrJeStufe[s.Int(0)] = qel_Betrag(s.Int64(1));
        if (!s.Wert(2).isNull())
            e.TextbausteinJeStufe[s.Int(0)] = TIntPair{s.Int(2), s.Int(3)};
    }
    return e;
}

void MahnRegeln_Speichern(const TIntPair& mandant, const TMahnEinstellungen& e)
{
    e.Pruefen();
    TTransaktion t;
    TSqlAbfrage m(QStringLiteral("SELECT 1 FROM mandant WHERE rnr = ? AND lnr = ?"));
    m.Bind({mandant.RNr, mandant.LNr}).Exec();
    if (!m.Next())
        throw EMahnRegel(QStringLiteral("Den Mandanten gibt es nicht."));
    for (const auto& [stufe, tb] : e.TextbausteinJeStufe) {
        if (!IntPairDefined(tb))
            continue;
        TSqlAbfrage b(QStringLiteral("SELECT 1 FROM textbaustein WHERE rnr = ? AND lnr = ?"));
        b.Bind({tb.RNr, tb.LNr}).Exec();
        if (!b.Next())
            throw EMahnRegel(QStringLiteral("Den Textbaustein der Mahnstufe %1 gibt es nicht.").arg(stufe));
    }
    TSqlAbfrage(QStringLiteral("DELETE FROM mahn_einstellung WHERE mandant_rnr = ? AND mandant_lnr = ?"))
        .Bind({mandant.RNr, mandant.LNr})
        .Exec();
    TSqlAbfrage(QStringLiteral("INSERT INTO mahn_einstellung (mandant_rnr, mandant_lnr, max_gebuehr_cent, ziel_tage_erste, "
                               "ziel_tage_weitere, nur_werktage, bundesland, mindest_tage) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"))
        .Bind({mandant.RNr, mandant.LNr, qel_Cent(e.MaxGebuehr), e.ZielTageErste, e.ZielTageWeitere,
               e.NurWerktage ? 1 : 0, e.Bundesland, e.MindestTage})
        .Exec();
    TSqlAbfrage(QStringLiteral("DELETE FROM mahn_stufe WHERE mandant_rnr = ? AND mandant_lnr = ?"))
        .Bind({mandant.RNr, mandant.LNr})
        .Exec();
    // Typed NULLs: PostgreSQL cannot infer the type of an untyped one.
    std::map<int, std::pair<QVariant, TIntPair>> stufen;
    for (const auto& [stufe, tb] : e.TextbausteinJeStufe)
        stufen[stufe] = {QVariant(QMetaType(QMetaType::LongLong)), tb};
    for (const auto& [stufe, g] : e.GebuehrJeStufe)
        stufen[stufe].first = qel_Cent(g);
    TSqlAbfrage ins(QStringLiteral("INSERT INTO mahn_stufe (mandant_rnr, mandant_lnr, stufe, gebuehr_cent, tb_rnr, tb_lnr) "
                                   "VALUES (?, ?, ?, ?, ?, ?)"));
    for (const auto& [stufe, werte] : stufen) {
        const bool mitText = IntPairDefined(werte.second);
        ins.Bind({mandant.RNr, mandant.LNr, stufe, werte.first,
                  mitText ? QVariant(werte.second.RNr) : QVariant(QMetaType(QMetaType::Int)),
                  mitText ? QVariant(werte.second.LNr) : QVariant(QMetaType(QMetaType::Int))})
            .Exec();
    }
    t.Commit();
}

// --- base rates ---------------------------------------------------------------------------------

QString MahnRegeln_BasiszinsDatei()
{
    datenRessourcenLaden();
    QFile f(QStringLiteral(":/daten/basiszins.txt"));
    if (!f.open(QIODevice::ReadOnly))
        throw EMahnRegel(QStringLiteral("Die Tabelle der Basiszinssätze fehlt im Programm."));
    return QString::fromUtf8(f.readAll());
}

TBasiszinsTabelle MahnRegeln_Basiszinsen()
{
    TBasiszinsTabelle tabelle = TBasiszinsTabelle::AusText(MahnRegeln_BasiszinsDatei());
    TSqlAbfrage q(QStringLiteral("SELECT gueltig_ab, gueltig_bis, satz_hundertstel FROM basiszins ORDER BY gueltig_ab"));
    q.Exec();
    while (q.Next()) {
        const QDate ab = qel_ToQDate(q.Double(0));
        if (ab <= tabelle.Ende())
            continue;  // a later program ships what was added by hand
        try {
            tabelle.Anhaengen({ab, qel_ToQDate(q.Double(1)), q.Int(2) / 100.0});
        } catch (const EMahnRegel& e) {
            throw EMahnRegel(QStringLiteral("Gespeicherter Basiszinssatz ab %1: %2").arg(DateToStr(q.Double(0)), e.Text()));
        }
    }
    return tabelle;
}

void MahnRegeln_BasiszinsHinzufuegen(const QDate& ab, double satz)
{
    if (!ab.isValid() || ab.day() != 1 || (ab.month() != 1 && ab.month() != 7))
        throw EMahnRegel(QStringLiteral("Der Basiszinssatz ändert sich nur zum 1. Januar und 1. Juli."));
    const double hundertstel = std::round(satz * 100.0);
    if (!std::isfinite(satz) || std::fabs(satz * 100.0 - hundertstel) > 1e-6 || std::fabs(satz) > 20)
        throw EMahnRegel(QStringLiteral("Der Basiszinssatz muss zwischen -20 und 20 Prozent liegen und höchstens zwei "
                                       "Nachkommastellen haben."));
    TTransaktion t;
    TBasiszinsTabelle tabelle = MahnRegeln_Basiszinsen();
    const QDate bis = ab.month() == 1 ? QDate(ab.year(), 6, 30) : QDate(ab.year(), 12, 31);
    tabelle.Anhaengen({ab, bis, hundertstel / 100.0});
    TSqlAbfrage(QStringLiteral("INSERT INTO basiszins (gueltig_ab, gueltig_bis, satz_hundertstel) VALUES (?, ?, ?)"))
        .Bind({qel_DateFromQDate(ab), qel_DateFromQDate(bis), int(hundertstel)})
        .Exec();
    t.Commit();
}

// --- blocks ---------------------------------------------------------------------------------------

TIntPair MahnRegeln_Sperren(TMahnsperre s)
{
    s.Grund = s.Grund.trimmed();
    if (s.Grund.isEmpty())
        throw EMahnRegel(QStringLiteral("Bitte einen Grund für die Mahnsperre angeben."));
    if (s.Grund.size() > 200)
        throw EMahnRegel(QStringLiteral("Der Grund der Mahnsperre darf höchstens 200 Zeichen lang sein."));
    if (!qel_ToQDate(s.Bis).isValid() || s.Bis < 1)
        throw EMahnRegel(QStringLiteral("Bitte ein gültiges Ende der Mahnsperre angeben."));
    if (qel_DateOf(s.Bis) < qel_DateOf(qel_Now()))
        throw EMahnRegel(QStringLiteral("Das Ende der Mahnsperre darf nicht in der Vergangenheit liegen."));
    const bool posten = s.Posten.RechnerNummer != 0 || s.Posten.TransaktionsNummer != 0 || s.Posten.LfdNummer != 0;
    TTransaktion t;
    if (posten) {
        TSqlAbfrage q(QStringLiteral("SELECT gep_rnr, gep_lnr FROM offener_posten WHERE rechner_nr = ? AND trans_nr = ? "
                                     "AND lfd_nr = ? AND mandant_rnr = ? AND mandant_lnr = ?"));
        q.Bind({s.Posten.RechnerNummer, s.Posten.TransaktionsNummer, s.Posten.LfdNummer, s.Mandant.RNr, s.Mandant.LNr})
            .Exec();
        if (!q.Next())
            throw EMahnRegel(QStringLiteral("Den Offenen Posten gibt es bei diesem Mandanten nicht."));
        s.GepNr = TIntPair{q.Int(0), q.Int(1)};
    } else {
        TSqlAbfrage q(QStringLiteral("SELECT 1 FROM geschaeftspartner WHERE rnr = ? AND lnr = ? AND mandant_rnr = ? "
                                     "AND mandant_lnr = ?"));
        q.Bind({s.GepNr.RNr, s.GepNr.LNr, s.Mandant.RNr, s.Mandant.LNr}).Exec();
        if (!IntPairDefined(s.GepNr) || !q.Next())
            throw EMahnRegel(QStringLiteral("Den Geschäftspartner gibt es bei diesem Mandanten nicht."));
    }
    const TIntPair id = qel_NeuerSchluessel(QStringLiteral("MAHNSPERRE"), TSuiteDatenbank::RechnerNr());
    TSqlAbfrage(QStringLiteral("INSERT INTO mahnsperre (rnr, lnr, mandant_rnr, mandant_lnr, gep_rnr, gep_lnr, "
                               "op_rechner_nr, op_trans_nr, op_lfd_nr, grund, bis, benutzer, angelegt) "
                               "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"))
        .Bind({id.RNr, id.LNr, s.Mandant.RNr, s.Mandant.LNr, s.GepNr.RNr, s.GepNr.LNr, s.Posten.RechnerNummer,
               s.Posten.TransaktionsNummer, s.Posten.LfdNummer, s.Grund, qel_DateOf(s.Bis),
               s.Benutzer.isEmpty() ? TSuiteDatenbank::Benutzer() : s.Benutzer, qel_Now()})
        .Exec();
    t.Commit();
    return id;
}

int MahnRegeln_Entsperren(const TIntPair& mandant, const TIntPair& gepNr, const TIntTrio& posten)
{
    const bool aufPosten = posten.RechnerNummer != 0 || posten.TransaktionsNummer != 0 || posten.LfdNummer != 0;
    TTransaktion t;
    TSqlAbfrage q(aufPosten
                      ? QStringLiteral("UPDATE mahnsperre SET aufgehoben = ? WHERE mandant_rnr = ? AND mandant_lnr = ? "
                                       "AND op_rechner_nr = ? AND op_trans_nr = ? AND op_lfd_nr = ? AND aufgehoben = 0")
                      : QStringLiteral("UPDATE mahnsperre SET aufgehoben = ? WHERE mandant_rnr = ? AND mandant_lnr = ? "
                                       "AND gep_rnr = ? AND gep_lnr = ? AND op_rechner_nr = 0 AND op_trans_nr = 0 "
                                       "AND op_lfd_nr = 0 AND aufgehoben = 0"));
    q.Bind({qel_Now(), mandant.RNr, mandant.LNr});
    if (aufPosten)
        q.Bind({posten.RechnerNummer, posten.TransaktionsNummer, posten.LfdNummer});
    else
        q.Bind({gepNr.RNr, gepNr.LNr});
    q.Exec();
    const int n = q.ZeilenBetroffen();
    t.Commit();
    return n;
}

QString TAktiveSperren::Text(int gepRnr, int gepLnr, int r, int t, int l) const
{
    if (!Posten.isEmpty()) {
        const auto p = Posten.constFind(TPostenSchluesselHash{r, t, l});
        if (p != Posten.constEnd())
            return *p;
    }
    if (!Partner.isEmpty()) {
        const auto g = Partner.constFind(TPaarSchluessel{gepRnr, gepLnr});
        if (g != Partner.constEnd())
            return *g;
    }
    return QString();
}

TAktiveSperren MahnRegeln_AktiveSperren(const TIntPair& mandant, TDateTime stichtag)
{
    TAktiveSperren a;
    TSqlAbfrage q(QStringLiteral("SELECT gep_rnr, gep_lnr, op_rechner_nr, op_trans_nr, op_lfd_nr, grund, bis FROM mahnsperre "
                                 "WHERE mandant_rnr = ? AND mandant_lnr = ? AND bis >= ? AND aufgehoben = 0 "
                                 "ORDER BY bis"));
    q.Bind({mandant.RNr, mandant.LNr, qel_DateOf(stichtag)}).Exec();
    while (q.Next()) {
        const bool posten = q.Int(2) != 0 || q.Int(3) != 0 || q.Int(4) != 0;
        if (posten)
            a.Posten.insert(TPostenSchluesselHash{q.Int(2), q.Int(3), q.Int(4)},
                            QStringLiteral("Mahnsperre bis %1: %2").arg(datumText(q.Double(6)), q.Text(5)));
        else
            a.Partner.insert(TPaarSchluessel{q.Int(0), q.Int(1)},
                             QStringLiteral("Partner gesperrt bis %1: %2").arg(datumText(q.Double(6)), q.Text(5)));
    }
    return a;
}

QString MahnRegeln_MindestabstandText(TDateTime letzteMahnung, TDateTime stichtag, int mindestTage)
{
    if (mindestTage <= 0 || letzteMahnung <= 0)
        return QString();
    if (qel_DateOf(stichtag) - qel_DateOf(letzteMahnung) >= mindestTage)
        return QString();
    return QStringLiteral("Zuletzt gemahnt am %1 (Mindestabstand %2 Tage)").arg(datumText(letzteMahnung)).arg(mindestTage);
}

// --- look-ups for the administration tool ------------------------------------------------------------

TIntPair MahnRegeln_Mandant(int nr)
{
    TSqlAbfrage q(QStringLiteral("SELECT rnr, lnr FROM mandant WHERE nr = ?"));
    q.Bind(nr).Exec();
    if (!q.Next())
        throw EMahnRegel(QStringLiteral("Einen Mandanten mit der Nummer %1 gibt es nicht.").arg(nr));
    return TIntPair{q.Int(0), q.Int(1)};
}

TIntPair MahnRegeln_Partner(const TIntPair& mandant, int nr)
{
    TSqlAbfrage q(QStringLiteral("SELECT rnr, lnr FROM geschaeftspartner WHERE mandant_rnr = ? AND mandant_lnr = ? AND nr = ?"));
    q.Bind({mandant.RNr, mandant.LNr, nr}).Exec();
    if (!q.Next())
        throw EMahnRegel(QStringLiteral("Einen Geschäftspartner mit der Nummer %1 gibt es bei diesem Mandanten nicht.").arg(nr));
    return TIntPair{q.Int(0), q.Int(1)};
}

TIntTrio MahnRegeln_Posten(const TIntPair& mandant, const QString& beleg)
{
    const QStringList teile = beleg.split(QLatin1Char('/'));
    bool r = false, t = false, l = false;
    if (teile.size() == 3) {
        const TIntTrio trio{teile[0].toInt(&r), teile[1].toInt(&t), teile[2].toInt(&l)};
        if (r && t && l)
            return trio;
    }
    TSqlAbfrage q(QStringLiteral("SELECT rechner_nr, trans_nr, lfd_nr FROM offener_posten WHERE mandant_rnr = ? "
                                 "AND mandant_lnr = ? AND belegnummer = ?"));
    q.Bind({mandant.RNr, mandant.LNr, beleg}).Exec();
    if (!q.Next())
        throw EMahnRegel(QStringLiteral("Einen Offenen Posten mit der Belegnummer %1 gibt es bei diesem Mandanten nicht.").arg(beleg));
    const TIntTrio trio{q.Int(0), q.Int(1), q.Int(2)};
    if (q.Next())
        throw EMahnRegel(QStringLiteral("Die Belegnummer %1 gehört zu mehreren Offenen Posten; bitte den Schlüssel "
                                       "RECHNER/TRANSAKTION/LFD angeben.").arg(beleg));
    return trio;
}

// --- booking ---------------------------------------------------------------------------------------

namespace {
QString postenName(const TQEL_Mahnung_Belegpositionen& p)
{
    return p.Belegnummer.isEmpty() ? QStringLiteral("%1/%2/%3").arg(p.RNr).arg(p.TransNr).arg(p.LfdNr) : p.Belegnummer;
}

// Latest dunning date of every item of a client that a standing dunning reached.
QHash<TPostenSchluesselHash, TDateTime> letzteMahnungen(const TIntPair& mandant)
{
    QHash<TPostenSchluesselHash, TDateTime> letzte;
    TSqlAbfrage q(QStringLiteral(
        "SELECT mp.op_rechner_nr, mp.op_trans_nr, mp.op_lfd_nr, MAX(m.mahnungsdatum) FROM mahnung_position mp "
        "JOIN mahnung m ON m.rnr = mp.mahnung_rnr AND m.lnr = mp.mahnung_lnr "
        "WHERE m.mandant_rnr = ? AND m.mandant_lnr = ? AND m.storniert_am = 0 "
        "GROUP BY mp.op_rechner_nr, mp.op_trans_nr, mp.op_lfd_nr"));
    q.Bind({mandant.RNr, mandant.LNr}).Exec();
    while (q.Next())
        letzte.insert(TPostenSchluesselHash{q.Int(0), q.Int(1), q.Int(2)}, q.Double(3));
    return letzte;
}
}  // namespace

void MahnRegeln_BuchungPruefen(const TQEL_Mahnung_Beleg_Array& mahnungen)
{
    struct TMandantRegeln {
        TAktiveSperren Sperren;
        double MaxGebuehr = 0;
        int MindestTage = 0;
        QHash<TPostenSchluesselHash, TDateTime> Letzte;
    };
    QHash<TPaarSchluessel, TMandantRegeln> regeln;
    QSet<TPostenSchluesselHash> pauschalen;
    TSqlAbfrage pauschaleFrueher(QStringLiteral(
        "SELECT 1 FROM mahnung_position mp JOIN mahnung m ON m.rnr = mp.mahnung_rnr AND m.lnr = mp.mahnung_lnr "
        "WHERE mp.op_rechner_nr = ? AND mp.op_trans_nr = ? AND mp.op_lfd_nr = ? AND mp.pauschale_cent <> 0 "
        "AND m.storniert_am = 0"));
    const TDateTime jetzt = qel_Now();
    for (const TQEL_Mahnung_Beleg& b : mahnungen) {
        const TPaarSchluessel mk{b.Mandant.RNr, b.Mandant.LNr};
        if (!regeln.contains(mk)) {
            TMandantRegeln r;
            r.Sperren = MahnRegeln_AktiveSperren(b.Mandant, jetzt);
            const TMahnEinstellungen e = MahnRegeln_Lesen(b.Mandant);
            r.MaxGebuehr = e.MaxGebuehr;
            r.MindestTage = e.MindestTage;
            if (r.MindestTage > 0)
                r.Letzte = letzteMahnungen(b.Mandant);
            regeln.insert(mk, r);
        }
        const TMandantRegeln& r = regeln[mk];
        for (const TQEL_Mahnung_Belegpositionen& p : b.Positionen) {
            const TPostenSchluesselHash k{p.RNr, p.TransNr, int(p.LfdNr)};
            if (qel_Cent(p.Mahngebuehren) > qel_Cent(r.MaxGebuehr))
                throw EMahnRegel(QStringLiteral("Die Mahngebühr von %1 EUR für den Posten %2 übersteigt die Höchstgebühr "
                                                "von %3 EUR.")
                                     .arg(qel_FormatMoney(p.Mahngebuehren), postenName(p), qel_FormatMoney(r.MaxGebuehr)));
            const QString sperre = r.Sperren.Text(b.GepNr.RNr, b.GepNr.LNr, p.RNr, p.TransNr, int(p.LfdNr));
            if (!sperre.isEmpty())
                throw EMahnRegel(QStringLiteral("Der Offene Posten %1 darf nicht gemahnt werden. %2").arg(postenName(p), sperre));
            if (r.MindestTage > 0) {
                const auto letzte = r.Letzte.constFind(k);
                if (letzte != r.Letzte.constEnd() &&
                    qel_DateOf(b.Mahnungsdatum) - qel_DateOf(*letzte) < r.MindestTage)
                    throw EMahnRegel(QStringLiteral("Der Offene Posten %1 wurde am %2 gemahnt; zwischen zwei Mahnungen "
                                                    "müssen mindestens %3 Tage liegen.")
                                         .arg(postenName(p), DateToStr(*letzte))
                                         .arg(r.MindestTage));
            }
            if (p.Pauschale == 0)
                continue;
            if (qel_Cent(p.Pauschale) != qel_Cent(CMahnregel_Pauschale))
                throw EMahnRegel(QStringLiteral("Die Pauschale nach § 288 Abs. 5 BGB beträgt %1 EUR, nicht %2 EUR (Posten %3).")
                                     .arg(qel_FormatMoney(CMahnregel_Pauschale), qel_FormatMoney(p.Pauschale), postenName(p)));
            pauschaleFrueher.Bind({p.RNr, p.TransNr, int(p.LfdNr)}).Exec();
            const bool frueher = pauschaleFrueher.Next();
            pauschaleFrueher.Query().finish();
            if (frueher || pauschalen.contains(k))
                throw EMahnRegel(QStringLiteral("Für die Rechnung %1 wurde die Pauschale nach § 288 Abs. 5 BGB bereits "
                                                "berechnet; sie steht ihr nur einmal zu.")
                                     .arg(postenName(p)));
            pauschalen.insert(k);
        }
    }
}
