#include "dokumentserver.h"

#include "database_intern.h"
#include "wertpruefung.h"

#include <QFile>
#include <QFileInfo>

namespace {

QString groesseText(qint64 bytes) { return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1); }

void groessePruefen(const QString& name, qint64 groesse)
{
    if (groesse > TDokumentServer::MaxGroesse)
        throw EQELError(QStringLiteral("Die Datei „%1“ ist %2 MB groß; ein Anhang darf höchstens 50 MB groß sein.")
                            .arg(name, groesseText(groesse)));
}

QString unlesbar(const QString& pfad, const QString& grund)
{
    return QStringLiteral("Die Datei „%1“ kann nicht gelesen werden%2").arg(pfad, grund.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + grund);
}

void namePruefen(const QString& name)
{
    if (!TDokumentServer::IstBlosserDateiname(name))
        throw EQELError(
            QStringLiteral("Der Dateiname „%1“ ist nicht erlaubt: er darf keine Ordnerangabe enthalten.").arg(name));
}

// Reads a new attachment's file; its size is checked before anything is read.
QByteArray dateiLesen(const TQEL_DocAnh& d)
{
    TDokumentServer::Datei_Pruefen(d.Dateiname, d.Quelldatei);
    QFile f(d.Quelldatei);
    if (!f.open(QIODevice::ReadOnly))
        throw EQELError(unlesbar(d.Quelldatei, f.errorString()));
    QByteArray inhalt = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw EQELError(unlesbar(d.Quelldatei, f.errorString()));
    groessePruefen(d.Dateiname, inhalt.size());
    return inhalt;
}

// Checks a new attachment and gives its content.
QByteArray neuesDokumentPruefen(const TQEL_DocAnh& d)
{
    if (!IntPairDefined(d.Besitzer))
        throw EQELError(QStringLiteral("Der Anhang „%1“ gehört zu keinem Beleg.").arg(d.Dateiname));
    namePruefen(d.Dateiname);
    qel_TextPruefen(QStringLiteral("Dateiname"), d.Dateiname, 255);
    qel_TextPruefen(QStringLiteral("Benutzer"), d.Benutzer, 80);
    qel_DatumOderLeerPruefen(QStringLiteral("Zeit"), d.Zeit > 0 ? d.Zeit : 0);
    if (!d.Inhalt.isEmpty() || d.Quelldatei.isEmpty()) {
        groessePruefen(d.Dateiname, d.Inhalt.size());
        return d.Inhalt;
    }
    return dateiLesen(d);
}

void einfuegen(const TQEL_DocAnh& d, const QByteArray& inhalt)
{
    const TIntPair id = qel_NeuerSchluessel(QStringLiteral("ANHANG"), TSuiteDatenbank::RechnerNr());
    TSqlAbfrage(QStringLiteral("INSERT INTO anhang (rnr, lnr, besitzer_rnr, besitzer_lnr, dateiname, groesse, zeit, "
                               "benutzer, inhalt) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"))
        .Bind({id.RNr, id.LNr, d.Besitzer.RNr, d.Besitzer.LNr, d.Dateiname, qint64(inhalt.size()),
               d.Zeit > 0 ? d.Zeit : qel_Now(), d.Benutzer, inhalt})
        .Exec();
}

void entfernen(const TQEL_DocAnh& d)
{
    // The owner is part of the condition so that a stale key cannot remove another document's file.
    // An archived letter is not an attachment the clerk may take away.
    TSqlAbfrage(QStringLiteral("DELETE FROM anhang WHERE rnr = ? AND lnr = ? AND besitzer_rnr = ? AND besitzer_lnr = ? "
                               "AND archiv = 0"))
        .Bind({d.Id.RNr, d.Id.LNr, d.Besitzer.RNr, d.Besitzer.LNr})
        .Exec();
}

// Key and letter state of a booked dunning; false when the number is not booked for the client.
bool mahnungFinden(const TQEL_Mahnungsnummer& n, TIntPair& id, bool& offen)
{
    if (!n.Vergeben())
        return false;
    TSqlAbfrage q(QStringLiteral("SELECT rnr, lnr, brief_offen FROM mahnung WHERE mandant_rnr = ? AND mandant_lnr = ? "
                                 "AND wirtschaftsjahr = ? AND beleg_rnr = ? AND beleg_lfdnr = ?"));
    q.Bind({n.Mandant.RNr, n.Mandant.LNr, n.WirtschaftsJahr, n.RNr, n.LfdNr}).Exec();
    if (!q.Next())
        return false;
    id = TIntPair{q.Int(0), q.Int(1)};
    offen = q.Int(2) != 0;
    return true;
}

bool briefLesen(const TIntPair& id, QByteArray* pdf)
{
    TSqlAbfrage q(QStringLiteral("SELECT inhalt FROM anhang WHERE besitzer_rnr = ? AND besitzer_lnr = ? AND archiv = 1"));
    q.Bind({id.RNr, id.LNr}).Exec();
    if (!q.Next())
        return false;
    if (pdf)
        *pdf = q.Wert(0).toByteArray();
    return true;
}

}  // namespace

bool TDokumentServer::Brief_Offen(const TQEL_Mahnungsnummer& nummer)
{
    TIntPair id;
    bool offen = false;
    return mahnungFinden(nummer, id, offen) && offen;
}

bool TDokumentServer::Brief_Lesen(const TQEL_Mahnungsnummer& nummer, QByteArray& pdf)
{
    TIntPair id;
    bool offen = false;
    return mahnungFinden(nummer, id, offen) && briefLesen(id, &pdf);
}

bool TDokumentServer::Brief_Archivieren(const TQEL_Mahnungsnummer& nummer, const QString& dateiname,
                                        const QByteArray& pdf)
{
    namePruefen(dateiname);
    qel_TextPruefen(QStringLiteral("Dateiname"), dateiname, 255);
    if (!pdf.startsWith("%PDF-"))
        throw EQELError(QStringLiteral("Der Brief „%1“ ist keine PDF-Datei und wird nicht archiviert.").arg(dateiname));
    groessePruefen(dateiname, pdf.size());
    TTransaktion t;
    TIntPair id;
    bool offen = false;
    if (!mahnungFinden(nummer, id, offen))
        throw EQELError(QStringLiteral("Die Mahnung AOP %1-%2 %3 ist nicht gebucht; ihr Brief wird nicht archiviert.")
                            .arg(nummer.LfdNr)
                            .arg(nummer.WirtschaftsJahr)
                            .arg(nummer.RNr));
    // The first letter sent is the one that counts; a later print never replaces it.
    if (briefLesen(id, nullptr))
        return false;
    const TIntPair anhang = qel_NeuerSchluessel(QStringLiteral("ANHANG"), TSuiteDatenbank::RechnerNr());
    TSqlAbfrage(QStringLiteral("INSERT INTO anhang (rnr, lnr, besitzer_rnr, besitzer_lnr, dateiname, groesse, zeit, "
                               "benutzer, inhalt, archiv) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 1)"))
        .Bind({anhang.RNr, anhang.LNr, id.RNr, id.LNr, dateiname, qint64(pdf.size()), qel_Now(),
               TSuiteDatenbank::Benutzer(), pdf})
        .Exec();
    TSqlAbfrage(QStringLiteral("UPDATE mahnung SET brief_offen = 0 WHERE rnr = ? AND lnr = ?")).Bind({id.RNr, id.LNr}).Exec();
    t.Commit();
    return true;
}

bool TDokumentServer::IstBlosserDateiname(const QString& name)
{
    if (name.trimmed().isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    return !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QLatin1Char(':'))
           && !name.contains(QChar(0));
}

void TDokumentServer::Datei_Pruefen(const QString& name, const QString& pfad)
{
    namePruefen(name);
    const QFileInfo info(pfad);
    if (!info.isFile())
        throw EQELError(unlesbar(pfad, QString()));
    groessePruefen(name, info.size());
    QFile f(pfad);
    if (!f.open(QIODevice::ReadOnly))
        throw EQELError(unlesbar(pfad, f.errorString()));
}

void TDokumentServer::Dokumente_Uebernehmen(const TDocListe& liste) { m_liste = liste; }

bool TDokumentServer::Dokumente_Speichern()
{
    // Everything is read and checked before the first row is written, so a refusal stores nothing.
    std::vector<QByteArray> inhalte(m_liste.size());
    for (size_t i = 0; i < m_liste.size(); ++i) {
        const TQEL_DocAnh& d = m_liste[i];
        if (d.Entfernen) {
            if (!IntPairDefined(d.Id))
                continue;  // added and removed again in the same dialog
        } else if (!IntPairDefined(d.Id)) {
            inhalte[i] = neuesDokumentPruefen(d);
        }
    }
    TTransaktion t;
    for (size_t i = 0; i < m_liste.size(); ++i) {
        const TQEL_DocAnh& d = m_liste[i];
        if (d.Entfernen && IntPairDefined(d.Id))
            entfernen(d);
        else if (!d.Entfernen && !IntPairDefined(d.Id))
            einfuegen(d, inhalte[i]);
    }
    t.Commit();
    DocListe_Clear(m_liste);
    return true;
}

TDocListe TDokumentServer::Dokumente_Lesen(const TIntPair& besitzer, bool mitInhalt)
{
    TDocListe liste;
    if (!IntPairDefined(besitzer))
        return liste;
    TSqlAbfrage q(QStringLiteral("SELECT rnr, lnr, dateiname, groesse, zeit, benutzer%1 FROM anhang "
                                 "WHERE besitzer_rnr = ? AND besitzer_lnr = ? AND archiv = 0 ORDER BY zeit, rnr, lnr")
                      .arg(mitInhalt ? QStringLiteral(", inhalt") : QString()));
    q.Bind({besitzer.RNr, besitzer.LNr}).Exec();
    while (q.Next()) {
        TQEL_DocAnh d;
        d.Id = TIntPair{q.Int(0), q.Int(1)};
        d.Besitzer = besitzer;
        d.Dateiname = q.Text(2);
        d.Groesse = q.Int64(3);
        d.Zeit = q.Double(4);
        d.Benutzer = q.Text(5);
        if (mitInhalt)
            d.Inhalt = q.Wert(6).toByteArray();
        liste.push_back(std::move(d));
    }
    return liste;
}
