// Shared fixture of the printing tests: a client with full letterhead data, a branch with its own
// organisation, logo and contact person, computers with and without branch, the shipped layout in
// the report folder, and the helpers that read the letters back from the PDF files.
#pragma once

#include "suite/ui/programm.h"
#include "suite/reports/berichtausgabe.h"
#include "suite/core/servers/database_intern.h"
#include "suite/demodaten/demodaten.h"
#include "suite/core/servers/verwaltung.h"
#include "support/temp_suite.h"
#include "support/testdaten.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace drucktest {

inline constexpr int kRechnerZentrale = 1;  // no branch
inline constexpr int kRechnerNord = 2;      // branch 1

inline TIntPair orgeDesMandanten(const TIntPair& mandant)
{
    return TIntPair{TTempSuite::Wert(QStringLiteral("SELECT orge_rnr FROM mandant WHERE rnr = ? AND lnr = ?"),
                                     {mandant.RNr, mandant.LNr})
                        .toInt(),
                    TTempSuite::Wert(QStringLiteral("SELECT orge_lnr FROM mandant WHERE rnr = ? AND lnr = ?"),
                                     {mandant.RNr, mandant.LNr})
                        .toInt()};
}

inline TIntPair orgeDesPartners(const TIntPair& gep)
{
    return TIntPair{
        TTempSuite::Wert(QStringLiteral("SELECT orge_rnr FROM geschaeftspartner WHERE rnr = ? AND lnr = ?"), {gep.RNr, gep.LNr})
            .toInt(),
        TTempSuite::Wert(QStringLiteral("SELECT orge_lnr FROM geschaeftspartner WHERE rnr = ? AND lnr = ?"), {gep.RNr, gep.LNr})
            .toInt()};
}

// Letterhead data of an organisation.
inline void briefkopf(const TIntPair& orge, const QString& name2, const QString& strasse, const QString& plz,
                      const QString& ort, const QString& logo, const TIntPair& kontakt)
{
    TSqlAbfrage(QStringLiteral(
                    "UPDATE organisation SET name2 = ?, strasse = ?, plz = ?, ort = ?, telefon = '0421 123450', "
                    "telefax = '0421 123459', email = 'buchhaltung@testmandant.de', internet = 'www.testmandant.de', "
                    "bank = 'Sparkasse Bremen', iban = 'DE89 2905 0101 0001 2345 67', bic = 'SBREDE22XXX', "
                    "ust_id = 'DE123456789', logo_name = ?, kontakt_rnr = ?, kontakt_lnr = ? WHERE rnr = ? AND lnr = ?"))
        .Bind({name2, strasse, plz, ort, logo, kontakt.RNr, kontakt.LNr, orge.RNr, orge.LNr})
        .Exec();
}

inline TIntPair mitarbeiter(const TIntPair& orge, const QString& anrede, const QString& vorname, const QString& nachname,
                            const QString& telefon, const QString& email)
{
    const TIntPair id = qel_NeuerSchluessel(QStringLiteral("MITARBEITER"), 1);
    TSqlAbfrage(QStringLiteral("INSERT INTO mitarbeiter (rnr, lnr, orge_rnr, orge_lnr, anrede, vorname, nachname, telefon, "
                               "email) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"))
        .Bind({id.RNr, id.LNr, orge.RNr, orge.LNr, anrede, vorname, nachname, telefon, email})
        .Exec();
    return id;
}

// The branch's organisation, entered for the client.
inline TIntPair filiale(const TIntPair& mandant, int nr, const QString& name1)
{
    const TIntPair orge = qel_NeuerSchluessel(QStringLiteral("ORGANISATION"), 1);
    TSqlAbfrage(QStringLiteral("INSERT INTO organisation (rnr, lnr, name1) VALUES (?, ?, ?)"))
        .Bind({orge.RNr, orge.LNr, name1})
        .Exec();
    TSqlAbfrage(QStringLiteral("INSERT INTO filiale (mandant_rnr, mandant_lnr, filiale_nr, orge_rnr, orge_lnr) "
                               "VALUES (?, ?, ?, ?, ?)"))
        .Bind({mandant.RNr, mandant.LNr, nr, orge.RNr, orge.LNr})
        .Exec();
    return orge;
}

inline void kontaktDesPostens(const TIntTrio& trio, const TIntPair& kontakt)
{
    TSqlAbfrage(QStringLiteral("UPDATE offener_posten SET kontakt_rnr = ?, kontakt_lnr = ? "
                               "WHERE rechner_nr = ? AND trans_nr = ? AND lfd_nr = ?"))
        .Bind({kontakt.RNr, kontakt.LNr, trio.RechnerNummer, trio.TransaktionsNummer, trio.LfdNummer})
        .Exec();
}

// The shipped layouts copied into the suite's report folder.
inline void layoutsKopieren()
{
    const QString ziel = QELProgramm().Konfiguration().BerichtsOrdner;
    QDir().mkpath(ziel);
    const QDir quelle(QStringLiteral(MAHNWESEN_SOURCE_DIR "/reports"));
    for (const QString& datei : quelle.entryList({QStringLiteral("*.html")}, QDir::Files)) {
        QFile::remove(QDir(ziel).filePath(datei));
        QFile::copy(quelle.filePath(datei), QDir(ziel).filePath(datei));
    }
}

inline void berichtsdateiSchreiben(const QString& name, const QByteArray& inhalt)
{
    QFile f(QDir(QELProgramm().Konfiguration().BerichtsOrdner).filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(inhalt);
}

inline QStringList layoutEinstellungen(const QString& altLogo, const QString& txtLogo, const QString& oben = QStringLiteral("20"),
                                       const QString& links = QStringLiteral("25"), const QString& unten = QStringLiteral("15"))
{
    return {QStringLiteral("AltLogo=") + altLogo,          QStringLiteral("txtLogoKennung=") + txtLogo,
            QStringLiteral("AbsenderAnzeigen=J"),          QStringLiteral("ParamFonFaxMailBuchfiliale=J"),
            QStringLiteral("ParamGrussFilialname=J"),      QStringLiteral("ParamBelegFussDrucken=J"),
            QStringLiteral("ObererRand=") + oben,          QStringLiteral("LinkerRand=") + links,
            QStringLiteral("UntererRand=") + unten};
}

// The text of a PDF as pdftotext lays it out.
inline QString pdfText(const QString& datei)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), datei,
                                          QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QStringLiteral("<pdftotext fehlgeschlagen: %1>").arg(QString::fromUtf8(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput());
}

// A word of a PDF page with its box in millimetres from the sheet's top left corner.
struct TPdfWort {
    int Seite = 0;
    QString Text;
    double Links = 0, Oben = 0, Rechts = 0, Unten = 0;
};

inline QVector<TPdfWort> pdfWoerter(const QString& datei)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                                          datei, QStringLiteral("-")});
    p.waitForFinished(30000);
    const QString xml = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression marke(QStringLiteral(
        "<page |<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>"));
    QVector<TPdfWort> woerter;
    int seite = 0;
    const double mm = 25.4 / 72.0;
    for (auto it = marke.globalMatch(xml); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith(QLatin1String("<page"))) {
            ++seite;
            continue;
        }
        QString text = m.captured(5);
        text.replace(QLatin1String("&lt;"), QLatin1String("<")).replace(QLatin1String("&gt;"), QLatin1String(">"));
        text.replace(QLatin1String("&quot;"), QLatin1String("\"")).replace(QLatin1String("&amp;"), QLatin1String("&"));
        woerter.append({seite, text, m.captured(1).toDouble() * mm, m.captured(2).toDouble() * mm,
                        m.captured(3).toDouble() * mm, m.captured(4).toDouble() * mm});
    }
    return woerter;
}

// The first word of the page with this text, or an empty word.
inline TPdfWort pdfWort(const QVector<TPdfWort>& woerter, const QString& text, int seite = 1)
{
    for (const TPdfWort& w : woerter)
        if (w.Seite == seite && w.Text == text)
            return w;
    return TPdfWort();
}

// One page as a grey picture.
inline QImage pdfSeiteAlsBild(const QString& datei, int seite, int dpi)
{
    QTemporaryDir ordner;
    const QString ziel = ordner.filePath(QStringLiteral("seite"));
    QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
                                                   QString::number(seite), QStringLiteral("-l"), QString::number(seite),
                                                   QStringLiteral("-gray"), QStringLiteral("-png"),
                                                   QStringLiteral("-singlefile"), datei, ziel});
    return QImage(ziel + QStringLiteral(".png")).convertToFormat(QImage::Format_Grayscale8);
}

inline int pdfSeiten(const QString& datei)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {datei});
    p.waitForFinished(30000);
    for (const QString& z : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (z.startsWith(QLatin1String("Pages:")))
            return z.mid(6).trimmed().toInt();
    return -1;
}

// A client whose letters have everything a letter can show.
class TBriefMandant {
public:
    // Registers the program first: the report folder comes from its configuration.
    explicit TBriefMandant(TTestMandant& m) : mandant(m)
    {
        QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
        TTransaktion t;
        Verwaltung_RechnerEintragen(kRechnerZentrale, QStringLiteral("Buchhaltung"), 0);
        Verwaltung_RechnerEintragen(kRechnerNord, QStringLiteral("Niederlassung Nord"), 1);
        orge = orgeDesMandanten(mandant.Id);
        kontaktZentrale = mitarbeiter(orge, QStringLiteral("Frau"), QStringLiteral("Petra"), QStringLiteral("Lindner"),
                                      QStringLiteral("0421 123451"), QStringLiteral("p.lindner@testmandant.de"));
        briefkopf(orge, QString(), QStringLiteral("Am Markt 1"), QStringLiteral("28195"), QStringLiteral("Bremen"),
                  QStringLiteral("LOGO-ZENTRALE"), kontaktZentrale);
        TSqlAbfrage(QStringLiteral("UPDATE organisation SET geschaeftsfuehrer = 'Petra Lindner, Uwe Sommer', "
                                   "registergericht = 'Amtsgericht Bremen', registernummer = 'HRB 24680' "
                                   "WHERE rnr = ? AND lnr = ?"))
            .Bind({orge.RNr, orge.LNr})
            .Exec();
        orgeNord = filiale(mandant.Id, 1, mandant.Name);
        kontaktNord = mitarbeiter(orgeNord, QStringLiteral("Herr"), QStringLiteral("Jan"), QStringLiteral("Hansen"),
                                  QStringLiteral("040 987650"), QStringLiteral("j.hansen@testmandant.de"));
        briefkopf(orgeNord, QStringLiteral("Niederlassung Nord"), QStringLiteral("Hafenstraße 5"), QStringLiteral("20457"),
                  QStringLiteral("Hamburg"), QStringLiteral("  LOGO-NORD "), kontaktNord);
        Verwaltung_LogoSpeichern(QStringLiteral("LOGO-NORD"), QStringLiteral("image/png"),
                                 DemoDaten_EinfachesLogo(240, 80, 0x1F5FA8));
        Verwaltung_LogoSpeichern(QStringLiteral("LOGO-EIGEN"), QStringLiteral("image/png"),
                                 DemoDaten_EinfachesLogo(240, 80, 0xB5651D));
        t.Commit();
        layoutsKopieren();
    }

    // A partner with a contact person who is named on its items.
    TIntPair partner(const QString& name, TIntPair* kontakt = nullptr)
    {
        const TIntPair gep = mandant.Partner(name);
        const TIntPair k = mitarbeiter(orgeDesPartners(gep), QStringLiteral("Herr"), QStringLiteral("Klaus"),
                                       QStringLiteral("Becker"), QStringLiteral("0421 55501"), QString());
        if (kontakt)
            *kontakt = k;
        return gep;
    }

    TTestMandant& mandant;
    TIntPair orge, orgeNord, kontaktZentrale, kontaktNord;
};

// Letters go to numbered PDF files in a temporary folder while the object lives.
class TPdfAusgabe {
public:
    TPdfAusgabe() { TBerichtAusgabe::PdfOrdner(ordner.path()); }
    ~TPdfAusgabe() { TBerichtAusgabe::PdfOrdner(QString()); }
    QStringList Dateien() const
    {
        QStringList namen;
        for (const QString& d : TBerichtAusgabe::Dateien())
            namen << QFileInfo(d).fileName();
        return namen;
    }
    QTemporaryDir ordner;
};

}  // namespace drucktest
