#include "buchung.h"

#include "temp_suite.h"
#include "suite/core/servers/interfaces.h"

#include <stdexcept>

TQEL_Mahnung_Beleg& TTestBuchung::Mahnung(const TIntPair& gep, TDateTime mahnungsdatum, const QString& text,
                                          TDateTime beruecksichtigt)
{
    TQEL_Mahnung_Beleg b;
    b.Mandant = m_mandant;
    b.GepNr = gep;
    IQEL_GPListenServerRef gp;
    Glob_WWSServerFactoryClass().GPListenServer_Holen(gp);
    gp->Gep_Lesen(gep, b.OrgeNr);
    Glob_WWSServerFactoryClass().GPListenServer_Freigeben(gp);
    b.Mahnungsdatum = mahnungsdatum;
    b.Beruecksichtigt = beruecksichtigt > 0 ? beruecksichtigt : mahnungsdatum;
    b.MahnungsText = text;
    m_belege.push_back(b);
    return m_belege.back();
}

void TTestBuchung::Posten(const TIntTrio& trio, const TTestPosten& p, double gebuehr, double zins)
{
    if (m_belege.empty())
        throw std::logic_error("Posten without a document");
    TQEL_Mahnung_Beleg& b = m_belege.back();
    TQEL_Mahnung_Belegpositionen pos;
    pos.RNr = trio.RechnerNummer;
    pos.TransNr = trio.TransaktionsNummer;
    pos.LfdNr = trio.LfdNummer;
    pos.Mahnstufe = p.Mahnstufe + 1;
    pos.ZahlbarBis = b.Mahnungsdatum + (p.Mahnstufe == 0 ? 14 : 5);
    pos.Saldo = p.Soll - p.Haben;
    pos.Mahngebuehren = gebuehr;
    pos.Verzugszins = zins;
    pos.Belegnummer = p.Beleg;
    pos.Belegdatum = p.Datum;
    b.Positionen.push_back(pos);
}

TQEL_Mahnung_Beleg_Array TTestBuchung::Buchen()
{
    IQEL_MahnungEditServerRef s;
    Glob_ServerFactoryClass().MahnungEditServer_Holen(s);
    const bool ok = s->Mahnungen_Buchen(m_belege);
    Glob_ServerFactoryClass().MahnungEditServer_Freigeben(s);
    if (!ok)
        throw std::runtime_error("the dunning server refused the booking");
    TQEL_Mahnung_Beleg_Array gebucht;
    gebucht.swap(m_belege);
    return gebucht;
}

TIntPair qel_TestMahnungsID(const TQEL_Mahnung_Beleg& b)
{
    const QVariantList nr{b.Mandant.RNr, b.Mandant.LNr, b.WirtschaftsJahr, b.RNr, b.LfdNr};
    const QString wo = QStringLiteral(" FROM mahnung WHERE mandant_rnr = ? AND mandant_lnr = ? AND wirtschaftsjahr = ? "
                                      "AND beleg_rnr = ? AND beleg_lfdnr = ?");
    return TIntPair{TTempSuite::Wert(QStringLiteral("SELECT rnr") + wo, nr).toInt(),
                    TTempSuite::Wert(QStringLiteral("SELECT lnr") + wo, nr).toInt()};
}
