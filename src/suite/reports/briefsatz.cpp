#include "briefsatz.h"

#include "suite/ui/programm.h"

#include <QAbstractTextDocumentLayout>
#include <QCryptographicHash>
#include <QFile>
#include <QMutex>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextDocument>
#include <QUrl>
#include <kainjow/mustache.hpp>

namespace mu = kainjow::mustache;

const QString TBriefsatz::CFussMarke = QStringLiteral("<!-- FUSSZEILE -->");

struct TBriefsatz::TFussDaten {
    mu::data Daten;
};

struct TBriefsatz::TVorlage {
    std::unique_ptr<mu::mustache> Text;
    std::unique_ptr<mu::mustache> Fuss;  // null: no foot
};

namespace {

// A transparent pixel: templates stretch it to hold a fixed height (the address field), and it
// stands in for pictures that are not read.
const QImage& leeresBild()
{
    static const QImage leer = [] {
        QImage i(1, 1, QImage::Format_ARGB32);
        i.fill(Qt::transparent);
        return i;
    }();
    return leer;
}

// Pictures of a letter come from the database (bild://, added before layout). A template may name
// further files only inside the report folder; nothing else is read from the disk or the network.
class TBriefDokument : public QTextDocument {
protected:
    QVariant loadResource(int type, const QUrl& name) override
    {
        if (name.scheme() == QLatin1String("data"))
            return QTextDocument::loadResource(type, name);
        QVariant inhalt;
        if (name.isRelative() || name.isLocalFile()) {
            try {
                QFile f(GetDirWwsByName(qfBerichte, name.isLocalFile() ? name.toLocalFile() : name.path(), true));
                if (f.open(QIODevice::ReadOnly))
                    inhalt = f.readAll();
            } catch (const EQELError&) {
                // A file outside the folder or a missing one prints as an empty space.
            }
        }
        // An image left empty here would be read by Qt from the path itself.
        if (!inhalt.isValid() && type == QTextDocument::ImageResource)
            return leeresBild();
        return inhalt;
    }
};

std::string u8(const QString& s) { return s.toStdString(); }

// Empty texts are false, so a template can leave out a line with {{#feld}}...{{/feld}}.
mu::data txt(const QString& s) { return s.trimmed().isEmpty() ? mu::data(false) : mu::data(u8(s)); }

std::unique_ptr<mu::mustache> kompilieren(const QString& pfad, const QString& teil)
{
    auto t = std::make_unique<mu::mustache>(u8(teil));
    if (!t->is_valid())
        throw EQELError(QStringLiteral("Die Berichtsdatei ist fehlerhaft und kann nicht gedruckt werden:\n%1\n%2")
                            .arg(pfad, QString::fromStdString(t->error_message())));
    return t;
}

// Letters of one run share their template; compiled once per file content.
std::shared_ptr<TBriefsatz::TVorlage> vorlageHolen(const QString& pfad, const QString& text,
                                                   std::shared_ptr<TBriefsatz::TVorlage> (*neu)(const QString&,
                                                                                              const QString&))
{
    static QMutex sperre;
    static std::map<QByteArray, std::shared_ptr<TBriefsatz::TVorlage>> cache;
    const QByteArray schluessel =
        QCryptographicHash::hash((pfad + QChar(0) + text).toUtf8(), QCryptographicHash::Sha1);
    QMutexLocker l(&sperre);
    auto it = cache.find(schluessel);
    if (it != cache.end())
        return it->second;
    auto v = neu(pfad, text);
    if (cache.size() > 16)
        cache.clear();
    cache.emplace(schluessel, v);
    return v;
}

mu::data anschriftDaten(const TAnschrift& a)
{
    mu::data d;
    d.set("name1", txt(a.Name1));
    d.set("name2", txt(a.Name2));
    d.set("strasse", txt(a.Strasse));
    d.set("plz", txt(a.Plz));
    d.set("ort", txt(a.Ort));
    d.set("ortzeile", txt((a.Plz + QLatin1Char(' ') + a.Ort).trimmed()));
    // Domestic letters carry no country line.
    const bool inland = a.Land.isEmpty() || a.Land == QLatin1String("Deutschland") || a.Land == QLatin1String("DE");
    d.set("land", inland ? mu::data(false) : txt(a.Land.toUpper()));
    d.set("telefon", txt(a.Telefon));
    d.set("telefax", txt(a.Telefax));
    d.set("email", txt(a.Email));
    d.set("internet", txt(a.Internet));
    d.set("bank", txt(a.Bank));
    d.set("iban", txt(a.Iban));
    d.set("bic", txt(a.Bic));
    d.set("ustid", txt(a.UstId));
    return d;
}

mu::data kontaktDaten(IQEL_SystemServer& server, const TIntPair& id)
{
    TKontaktperson k;
    if (!server.Kontaktperson_Lesen(id, k))
        return mu::data(false);
    mu::data d;
    d.set("anrede", txt(k.Anrede));
    d.set("vorname", txt(k.Vorname));
    d.set("nachname", txt(k.Nachname));
    d.set("name", txt((k.Vorname + QLatin1Char(' ') + k.Nachname).trimmed()));
    d.set("telefon", txt(k.Telefon));
    d.set("email", txt(k.Email));
    return d;
}

TIntPair paarAus(const TQELReport& r, const QString& rnr, const QString& lnr)
{
    return TIntPair{r.Parameter(rnr).toInt(), r.Parameter(lnr).toInt()};
}

bool schalter(const TQELReport& r, const QString& name) { return r.Parameter(name).trimmed() == QLatin1String("J"); }

double mmZuPunkten(double mm, double dpi) { return mm / 25.4 * dpi; }
double twipsZuPunkten(int twips, double dpi) { return double(twips) / 1440.0 * dpi; }

QPageSize::PageSizeId papierFormat(int papier)
{
    switch (papier) {
    case crPaperLetter:
        return QPageSize::Letter;
    case crPaperA3:
        return QPageSize::A3;
    case crPaperA5:
        return QPageSize::A5;
    default:
        return QPageSize::A4;
    }
}

}  // namespace

QString qel_TextAlsHtml(const QString& text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    t.replace(QLatin1String("\\n"), QLatin1String("\n"));
    t = t.toHtmlEscaped();
    t.replace(QLatin1Char('\n'), QLatin1String("<br/>"));
    return t;
}

TBriefsatz::TBriefsatz(const QString& vorlagePfad, const QString& vorlage,
                       const std::vector<TMOLA_PrintEditServer_Record>& zeilen, const TQELReport& report)
{
    m_vorlage = vorlageHolen(vorlagePfad, vorlage, [](const QString& pfad, const QString& text) {
        auto v = std::make_shared<TVorlage>();
        const int marke = text.indexOf(CFussMarke);
        v->Text = kompilieren(pfad, marke < 0 ? text : text.left(marke));
        if (marke >= 0)
            v->Fuss = kompilieren(pfad, text.mid(marke + CFussMarke.size()));
        return v;
    });
    m_seite = report.Seite();
    m_parameter = report.Parameters();
    datenSammeln(zeilen, report);
}

TBriefsatz::~TBriefsatz() = default;

void TBriefsatz::datenSammeln(const std::vector<TMOLA_PrintEditServer_Record>& zeilen, const TQELReport& report)
{
    IQEL_SystemServerRef server;
    Glob_WWSServerFactoryClass().SystemServer_Holen(server);
    mu::data d;
    for (const auto& p : report.Parameters())
        d.set(u8(p.first), u8(p.second));
    const QString waehrung = QELProgramm().GetWaehrung();
    d.set("beschreibung", u8(report.Parameter(QStringLiteral("Param_Beleg_Beschreibung"))));
    d.set("belegnummer", u8(report.Parameter(QStringLiteral("Param_Belegnummer"))));
    d.set("belegdatum", u8(report.Parameter(QStringLiteral("Param_BelegDatum"))));
    d.set("beruecksichtigt", u8(report.Parameter(QStringLiteral("Param_Beruecksichtigt"))));
    d.set("waehrung", u8(waehrung));
    d.set("absender_anzeigen", schalter(report, QStringLiteral("Param_AbsenderAnzeigen")));
    d.set("fonfaxmail", schalter(report, QStringLiteral("Param_FonFaxMailBuchfiliale")));
    d.set("gruss_filialname", schalter(report, QStringLiteral("Param_GrussFilialname")));
    const bool fussDrucken = schalter(report, QStringLiteral("Param_BelegFussDrucken"));
    d.set("fuss_drucken", fussDrucken);

    TAnschrift firma, schuldner;
    server->Anschrift_Lesen(paarAus(report, QStringLiteral("Param_Firma_OrgeRNr"), QStringLiteral("Param_Firma_OrgeLNr")),
                            firma);
    server->Anschrift_Lesen(
        paarAus(report, QStringLiteral("Param_Anschrift_OrgeRNr"), QStringLiteral("Param_Anschrift_OrgeLNr")), schuldner);
    const mu::data firmaDaten = anschriftDaten(firma);
    d.set("firma", firmaDaten);
    d.set("schuldner", anschriftDaten(schuldner));
    d.set("firma_kontakt", kontaktDaten(*server, paarAus(report, QStringLiteral("Param_Firma_MitaRNr"),
                                                          QStringLiteral("Param_Firma_MitaLNr"))));
    d.set("schuldner_kontakt", kontaktDaten(*server, paarAus(report, QStringLiteral("Param_Schuldner_MitaRNr"),
                                                              QStringLiteral("Param_Schuldner_MitaLNr"))));
    QStringList absender{firma.Name1, firma.Strasse, (firma.Plz + QLatin1Char(' ') + firma.Ort).trimmed()};
    absender.removeAll(QString());
    d.set("absender", u8(absender.join(QStringLiteral(" · "))));

    mu::data positionen(mu::data::type::list);
    double saldo = 0, gebuehren = 0, zinsen = 0, pauschale = 0;
    QStringList pauschaleBelege;
    int anzahl = 0;
    QString brieftext;
    for (const TMOLA_PrintEditServer_Record& z : zeilen) {
        if (z.Belegnummer == QLatin1String("BLOB")) {
            brieftext = z.GanzerText;
            continue;
        }
        mu::data p;
        p.set("belegnummer", u8(z.Belegnummer));
        p.set("belegdatum", u8(z.Belegdatum));
        p.set("zahlbarbis", u8(z.ZahlbarBis));
        p.set("mahnstufe", u8(QString::number(z.Mahnstufe)));
        p.set("art", u8(z.Art));
        p.set("saldo", u8(qel_FormatMoney(z.Saldo)));
        p.set("gebuehren", u8(qel_FormatMoney(z.Mahngebuehren)));
        p.set("zinsen", u8(qel_FormatMoney(z.Verzugszins)));
        p.set("betrag", u8(qel_FormatMoney(z.Saldo + z.Mahngebuehren + z.Verzugszins)));
        positionen.push_back(p);
        ++anzahl;
        saldo += z.Saldo;
        gebuehren += z.Mahngebuehren;
        zinsen += z.Verzugszins;
        if (z.Pauschale != 0) {
            pauschale += z.Pauschale;
            pauschaleBelege << z.Belegnummer;
        }
    }
    d.set("positionen", positionen);
    d.set("hat_positionen", anzahl > 0);
    d.set("summe_saldo", u8(qel_FormatMoney(saldo)));
    d.set("summe_gebuehren", u8(qel_FormatMoney(gebuehren)));
    d.set("summe_zinsen", u8(qel_FormatMoney(zinsen)));
    d.set("summe_betrag", u8(qel_FormatMoney(saldo + gebuehren + zinsen)));
    d.set("hat_pauschale", pauschale != 0);
    d.set("summe_pauschale", u8(qel_FormatMoney(pauschale)));
    d.set("pauschale_belege", u8(pauschaleBelege.join(QStringLiteral(", "))));
    d.set("gesamt", u8(qel_FormatMoney(saldo + gebuehren + zinsen + pauschale)));
    const QString storno = report.Parameter(QStringLiteral("Param_Storniert"));
    if (storno.isEmpty())
        d.set("storniert", false);
    else
        d.set("storniert", u8(storno));
    d.set("brieftext", u8(qel_TextAlsHtml(brieftext)));

    // Picture objects: a missing logo leaves its space empty.
    for (const TLogoVerbindung& v : report.LogoVerbindungen()) {
        QByteArray bild;
        QString mime;
        QImage logo;
        const QString name = report.Konstante(v.Name).trimmed();
        if (!name.isEmpty() && server->Logo_Lesen(name, bild, mime))
            logo.loadFromData(bild);
        if (logo.isNull()) {
            d.set(u8(v.Objekt), false);
            continue;
        }
        m_logo = logo;
        m_logoName = name;
        m_logoUrl = QStringLiteral("bild://%1").arg(v.Objekt.toLower());
        d.set(u8(v.Objekt), u8(m_logoUrl));
    }
    Glob_WWSServerFactoryClass().SystemServer_Freigeben(server);

    m_html = QString::fromStdString(m_vorlage->Text->render(d));
    if (!m_vorlage->Text->is_valid())
        throw EQELError(QStringLiteral("Die Berichtsdatei ist fehlerhaft: %1")
                            .arg(QString::fromStdString(m_vorlage->Text->error_message())));
    m_titel = QStringLiteral("%1 %2").arg(report.Parameter(QStringLiteral("Param_Beleg_Beschreibung")),
                                          report.Parameter(QStringLiteral("Param_Belegnummer")))
                  .trimmed();
    // The foot sees the firm and the switches; page numbers are added per page.
    m_fussDaten.reset();
    if (m_vorlage->Fuss) {
        mu::data f;
        f.set("firma", firmaDaten);
        f.set("fuss_drucken", fussDrucken);
        f.set("waehrung", u8(waehrung));
        f.set("belegnummer", u8(report.Parameter(QStringLiteral("Param_Belegnummer"))));
        m_fussDaten = std::make_shared<TFussDaten>(TFussDaten{f});
    }
}

QString TBriefsatz::fussHtml(int seite, int seiten) const
{
    if (!m_vorlage->Fuss || !m_fussDaten)
        return QString();
    mu::data f = m_fussDaten->Daten;
    f.set("seite", u8(QString::number(seite)));
    f.set("seiten", u8(QString::number(seiten)));
    f.set("mehrseitig", seiten > 1);
    return QString::fromStdString(m_vorlage->Fuss->render(f));
}

void TBriefsatz::dokumentVorbereiten(QTextDocument& doc, QPagedPaintDevice* geraet, double breite) const
{
    doc.documentLayout()->setPaintDevice(geraet);
    doc.setDocumentMargin(0);
    QFont schrift(QStringLiteral("Liberation Sans"));
    schrift.setPointSizeF(10);
    // Paper needs no screen hinting, and the hinting interpreter is the slowest part of the layout.
    schrift.setHintingPreference(QFont::PreferNoHinting);
    doc.setDefaultFont(schrift);
    if (!m_logo.isNull())
        doc.addResource(QTextDocument::ImageResource, QUrl(m_logoUrl), m_logo);
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("bild://leer")), leeresBild());
    doc.setTextWidth(breite);
}

void TBriefsatz::Zeichnen(QPagedPaintDevice* geraet)
{
    const QPageLayout::Orientation ausrichtung =
        m_seite.PaperOrientation() == crLandscape ? QPageLayout::Landscape : QPageLayout::Portrait;
    const QPageLayout seitenLayout(QPageSize(papierFormat(m_seite.PaperSize())), ausrichtung, QMarginsF(0, 0, 0, 0));
    if (!geraet->setPageLayout(seitenLayout))
        throw EQELError(QStringLiteral("Das Ausgabegerät nimmt das Papierformat des Berichts nicht an."));
    const double dpi = geraet->logicalDpiY();
    const QRectF blatt = seitenLayout.fullRectPixels(int(dpi));
    const double links = twipsZuPunkten(m_seite.LeftMargin(), dpi);
    const double rechts = twipsZuPunkten(m_seite.RightMargin(), dpi);
    const double oben = twipsZuPunkten(m_seite.TopMargin(), dpi);
    const double unten = twipsZuPunkten(m_seite.BottomMargin(), dpi);
    const double breite = blatt.width() - links - rechts;

    // Every page keeps the body height the foot of a one-page letter leaves.
    TBriefDokument fussMuster;
    dokumentVorbereiten(fussMuster, geraet, breite);
    fussMuster.setHtml(fussHtml(1, 1));
    const double fussHoehe = m_vorlage->Fuss ? fussMuster.size().height() + mmZuPunkten(4, dpi) : 0;
    const double hoehe = blatt.height() - oben - unten - fussHoehe;
    if (breite < mmZuPunkten(40, dpi) || hoehe < mmZuPunkten(40, dpi))
        throw EQELError(QStringLiteral("Die Ränder des Drucklayouts lassen keinen Platz für den Brief "
                                       "(oben %1, links %2, unten %3, rechts %4 mm).")
                            .arg(m_seite.TopMargin() * 25.4 / 1440, 0, 'f', 1)
                            .arg(m_seite.LeftMargin() * 25.4 / 1440, 0, 'f', 1)
                            .arg(m_seite.BottomMargin() * 25.4 / 1440, 0, 'f', 1)
                            .arg(m_seite.RightMargin() * 25.4 / 1440, 0, 'f', 1));

    TBriefDokument doc;
    dokumentVorbereiten(doc, geraet, breite);
    doc.setHtml(m_html);
    // Setting the page size after the text makes the layout break pages (and repeat table heads).
    doc.setPageSize(QSizeF(breite, hoehe));
    m_seiten = std::max(1, doc.pageCount());

    QPainter p;
    if (!p.begin(geraet))
        throw EQELError(QStringLiteral("Das Ausgabegerät kann nicht beschrieben werden."));
    for (int i = 0; i < m_seiten; ++i) {
        if (i > 0 && !geraet->newPage()) {
            p.end();
            throw EQELError(QStringLiteral("Auf dem Ausgabegerät kann keine neue Seite begonnen werden."));
        }
        p.save();
        p.translate(links, oben - i * hoehe);
        doc.drawContents(&p, QRectF(0, i * hoehe, breite, hoehe));
        p.restore();
        if (m_vorlage->Fuss) {
            TBriefDokument fuss;
            if (m_seiten > 1) {
                dokumentVorbereiten(fuss, geraet, breite);
                fuss.setHtml(fussHtml(i + 1, m_seiten));
            }
            QTextDocument& f = m_seiten > 1 ? fuss : fussMuster;
            p.save();
            p.translate(links, blatt.height() - unten - f.size().height());
            f.drawContents(&p);
            p.restore();
        }
    }
    p.end();
}
