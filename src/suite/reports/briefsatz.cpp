#include "briefsatz.h"

#include "suite/core/servers/stammdaten.h"
#include "suite/ui/info.h"
#include "suite/ui/programm.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QHash>
#include <QImageReader>
#include <QMutex>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QTextTable>
#include <QTextDocument>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <kainjow/mustache.hpp>

namespace mu = kainjow::mustache;

const QString TBriefsatz::CFussMarke = QStringLiteral("<!-- FUSSZEILE -->");

// The zones a template may fill, each introduced by its marker ("<!-- ANSCHRIFT -->"). A template
// without the address marker is laid out freely within the page margins.
enum TBereich { zKopf, zRuecksende, zAnschrift, zInfo, zText, zFolgekopf, zFuss, zAnzahl };

struct TBriefsatz::TVorlage {
    std::unique_ptr<mu::mustache> Zone[zAnzahl];  // null: zone not in the template
    bool Formular = false;
};

namespace {

const char* const kZonenMarken[zAnzahl] = {"BRIEFKOPF", "RUECKSENDEANGABE", "ANSCHRIFT", "INFOBLOCK",
                                           "BRIEFTEXT", "FOLGEKOPF", "FUSSZEILE"};
const QString kSeite = QStringLiteral("@@SEITE@@");
const QString kSeiten = QStringLiteral("@@SEITEN@@");

// DIN 5008 form B, in millimetres from the sheet's top left corner.
constexpr double kKopfHoehe = 45.0;
constexpr double kFeldLinks = 20.0, kFeldOben = 45.0, kFeldBreite = 85.0, kFeldHoehe = 45.0;
constexpr double kZusatzHoehe = 17.7;
constexpr double kFeldEinzug = 5.0;  // the address starts on the body's left line
constexpr double kInfoLinks = 125.0, kInfoOben = 50.0, kInfoRechts = 10.0;
constexpr double kTextOben = 98.4;  // first line of the body: two lines below the address field
constexpr double kTextLinks = 25.0, kTextRechts = 20.0;
constexpr double kFalzmarken[] = {105.0, 210.0};
constexpr double kLochmarke = 148.5;

// A transparent pixel: templates stretch it to hold a fixed height, and it stands in for pictures
// that are not read.
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

std::shared_ptr<TBriefsatz::TVorlage> vorlageUebersetzen(const QString& pfad, const QString& text)
{
    auto v = std::make_shared<TBriefsatz::TVorlage>();
    QVector<QPair<int, int>> marken;  // position, zone
    for (int z = 0; z < zAnzahl; ++z) {
        const QString marke = QStringLiteral("<!-- %1 -->").arg(QLatin1String(kZonenMarken[z]));
        const int pos = text.indexOf(marke);
        if (pos < 0)
            continue;
        if (text.indexOf(marke, pos + 1) >= 0)
            throw EQELError(QStringLiteral("Die Berichtsdatei ist fehlerhaft: der Bereich %1 steht mehrfach darin.\n%2")
                                .arg(QLatin1String(kZonenMarken[z]), pfad));
        marken.append({pos, z});
    }
    std::sort(marken.begin(), marken.end());
    QString teile[zAnzahl];
    bool vorhanden[zAnzahl] = {};
    for (int i = 0; i < marken.size(); ++i) {
        const int z = marken[i].second;
        const int anfang = marken[i].first + int(std::strlen(kZonenMarken[z])) + 9;
        const int ende = i + 1 < marken.size() ? marken[i + 1].first : int(text.size());
        teile[z] = text.mid(anfang, ende - anfang);
        vorhanden[z] = true;
    }
    // Older templates are one flowing letter, perhaps with a foot.
    if (!vorhanden[zText]) {
        teile[zText] = marken.isEmpty() ? text : text.left(marken.first().first);
        vorhanden[zText] = true;
    }
    for (int z = 0; z < zAnzahl; ++z)
        if (vorhanden[z])
            v->Zone[z] = kompilieren(pfad, teile[z]);
    v->Formular = vorhanden[zAnschrift];
    return v;
}

// Letters of one run share their template; compiled once per file content.
std::shared_ptr<TBriefsatz::TVorlage> vorlageHolen(const QString& pfad, const QString& text)
{
    static QMutex sperre;
    static std::map<QByteArray, std::shared_ptr<TBriefsatz::TVorlage>> cache;
    const QByteArray schluessel =
        QCryptographicHash::hash((pfad + QChar(0) + text).toUtf8(), QCryptographicHash::Sha1);
    QMutexLocker l(&sperre);
    auto it = cache.find(schluessel);
    if (it != cache.end())
        return it->second;
    auto v = vorlageUebersetzen(pfad, text);
    if (cache.size() > 16)
        cache.clear();
    cache.emplace(schluessel, v);
    return v;
}

// A logo is decoded once for all letters that show it, and no larger than a letterhead needs at
// 300 dpi; a picture that cannot be read is reported once in the error log and left out.
QImage logoDekodieren(const QString& name, const QByteArray& bild)
{
    static QMutex sperre;
    static QHash<QByteArray, QImage> cache;
    const QByteArray schluessel =
        name.toUtf8() + '\0' + QByteArray::number(bild.size()) + '\0' + QByteArray::number(qHash(bild));
    {
        QMutexLocker l(&sperre);
        auto it = cache.constFind(schluessel);
        if (it != cache.constEnd())
            return it.value();
    }
    const QSize hoechstens(1800, 900);
    QBuffer puffer;
    puffer.setData(bild);
    puffer.open(QIODevice::ReadOnly);
    QImageReader leser(&puffer);
    const QSize groesse = leser.size();
    if (groesse.isValid() && (groesse.width() > hoechstens.width() || groesse.height() > hoechstens.height()))
        leser.setScaledSize(groesse.scaled(hoechstens, Qt::KeepAspectRatio));
    QImage logo = leser.read();
    if (logo.isNull())
        qel_LogSchreiben(QStringLiteral("Das Logo „%1“ (%2 Bytes) ist kein lesbares Bild und wird nicht gedruckt: %3")
                             .arg(name)
                             .arg(bild.size())
                             .arg(leser.errorString()));
    else if (logo.width() > hoechstens.width() || logo.height() > hoechstens.height())
        logo = logo.scaled(hoechstens, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QMutexLocker l(&sperre);
    if (cache.size() > 32)
        cache.clear();
    cache.insert(schluessel, logo);
    return logo;
}

QString zeileAus(const QStringList& teile, const QString& trenner)
{
    QStringList t;
    for (const QString& s : teile)
        if (!s.trimmed().isEmpty())
            t << s.trimmed();
    return t.join(trenner);
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
    d.set("iban", txt(Stammdaten_IbanGruppiert(a.Iban)));
    d.set("bic", txt(a.Bic));
    d.set("ustid", txt(a.UstId));
    d.set("steuernummer", txt(a.Steuernummer));
    d.set("geschaeftsfuehrer", txt(a.Geschaeftsfuehrer));
    d.set("registergericht", txt(a.Registergericht));
    d.set("registernummer", txt(a.Registernummer));
    d.set("register", txt(zeileAus({a.Registergericht, a.Registernummer}, QStringLiteral(" "))));
    d.set("sitz", txt(a.Ort));
    return d;
}

// The client's legal data for the foot; a branch's own bank account is used when the client has none.
TAnschrift firmenangaben(const TAnschrift& mandant, const TAnschrift& firma)
{
    TAnschrift f = mandant;
    if (f.Name1.trimmed().isEmpty())
        f = firma;
    if (f.Iban.trimmed().isEmpty()) {
        f.Bank = firma.Bank;
        f.Iban = firma.Iban;
        f.Bic = firma.Bic;
    }
    if (f.UstId.trimmed().isEmpty())
        f.UstId = firma.UstId;
    return f;
}

mu::data kontaktDaten(const TKontaktperson* k)
{
    if (!k)
        return mu::data(false);
    mu::data d;
    d.set("anrede", txt(k->Anrede));
    d.set("vorname", txt(k->Vorname));
    d.set("nachname", txt(k->Nachname));
    d.set("name", txt((k->Vorname + QLatin1Char(' ') + k->Nachname).trimmed()));
    d.set("telefon", txt(k->Telefon));
    d.set("email", txt(k->Email));
    return d;
}

TIntPair paarAus(const TQELReport& r, const QString& rnr, const QString& lnr)
{
    return TIntPair{r.Parameter(rnr).toInt(), r.Parameter(lnr).toInt()};
}

bool schalter(const TQELReport& r, const QString& name) { return r.Parameter(name).trimmed() == QLatin1String("J"); }

double mm(double wert, double dpi) { return wert / 25.4 * dpi; }
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

QString seitenText(const QString& html, int seite, int seiten)
{
    QString h = html;
    h.replace(kSeiten, QString::number(seiten));
    h.replace(kSeite, QString::number(seite));
    return h;
}

const QString kMailAdresse = QStringLiteral("[\\w.+-]+@[\\w-]+(\\.[\\w-]+)+");

// An e-mail or web address that would be broken at a line end (after a hyphen or a slash) starts a
// new line instead. Qt keeps no-wrap only for whole blocks, and a joining character would need a
// fallback font in every PDF. Only lines that cross an address are laid out again.
void adressenZusammenhalten(QTextDocument& doc)
{
    static const QRegularExpression adresse(kMailAdresse + QStringLiteral("|(https?://|www\\.)[\\w./?=%#~+-]+[\\w/]"),
                                            QRegularExpression::UseUnicodePropertiesOption);
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (!b.layout() || b.layout()->lineCount() < 2)
            continue;
        const QString text = b.text();
        int versatz = 0;
        for (auto it = adresse.globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            const int anfang = int(m.capturedStart(0)) + versatz;
            const QTextLine erste = b.layout()->lineForTextPosition(anfang);
            const QTextLine letzte = b.layout()->lineForTextPosition(int(m.capturedEnd(0)) - 1 + versatz);
            if (!erste.isValid() || !letzte.isValid() || erste.lineNumber() == letzte.lineNumber() ||
                erste.textStart() == anfang)
                continue;
            QTextCursor c(b);
            c.setPosition(b.position() + anfang);
            c.insertText(QString(QChar::LineSeparator));
            ++versatz;
        }
    }
}

}  // namespace

QString qel_Briefanrede(const QString& anrede, const QString& nachname)
{
    const QString name = nachname.simplified();
    QString a = anrede.simplified();
    if (!name.isEmpty()) {
        // "Herrn" is the address line's form; a title after it stays ("Frau Dr.").
        static const QRegularExpression herr(QStringLiteral("^Herrn?(\\s|$)"), QRegularExpression::CaseInsensitiveOption);
        static const QRegularExpression frau(QStringLiteral("^Frau(\\s|$)"), QRegularExpression::CaseInsensitiveOption);
        if (herr.match(a).hasMatch()) {
            a = QStringLiteral("Herr") + a.mid(a.indexOf(QLatin1Char(' ')) < 0 ? a.size() : a.indexOf(QLatin1Char(' ')));
            return QStringLiteral("Sehr geehrter %1 %2,").arg(a, name);
        }
        if (frau.match(a).hasMatch()) {
            a = QStringLiteral("Frau") + a.mid(4);
            return QStringLiteral("Sehr geehrte %1 %2,").arg(a, name);
        }
    }
    return QStringLiteral("Sehr geehrte Damen und Herren,");
}

QPair<QString, QString> qel_BriefTextTeilen(const QString& text)
{
    const int marke = text.indexOf(Platzhalter::Aufstellung);
    if (marke >= 0) {
        QString nach = text.mid(marke + Platzhalter::Aufstellung.size());
        nach.remove(Platzhalter::Aufstellung);
        return {text.left(marke), nach};
    }
    // The last line that begins with a usual closing formula.
    static const QRegularExpression gruss(
        QStringLiteral("(^|[\\r\\n]|\\\\n)[ \\t]*(Mit freundlichen Grüßen|Mit freundlichem Gruß|Freundliche Grüße|"
                       "Mit besten Grüßen|Beste Grüße|Viele Grüße|Hochachtungsvoll)"),
        QRegularExpression::CaseInsensitiveOption);
    int pos = -1;
    for (auto it = gruss.globalMatch(text); it.hasNext();)
        pos = it.next().capturedStart(2);
    if (pos < 0)
        return {text, QString()};
    return {text.left(pos), text.mid(pos)};
}

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
    m_vorlage = vorlageHolen(vorlagePfad, vorlage);
    m_seite = report.Seite();
    m_parameter = report.Parameters();
    datenSammeln(zeilen, report);
}

TBriefsatz::~TBriefsatz() = default;

void TBriefsatz::datenSammeln(const std::vector<TMOLA_PrintEditServer_Record>& zeilen, const TQELReport& report)
{
    IQEL_SystemServerRef server;
    Glob_WWSServerFactoryClass().SystemServer_Holen(server);
    struct TFreigabe {
        IQEL_SystemServerRef& s;
        ~TFreigabe() { Glob_WWSServerFactoryClass().SystemServer_Freigeben(s); }
    } freigabe{server};

    mu::data d;
    for (const auto& p : report.Parameters())
        d.set(u8(p.first), u8(p.second));
    const QString waehrung = QELProgramm().GetWaehrung();
    const QString belegdatum = report.Parameter(QStringLiteral("Param_BelegDatum"));
    const QString beruecksichtigt = report.Parameter(QStringLiteral("Param_Beruecksichtigt"));
    const QString belegnummer = report.Parameter(QStringLiteral("Param_Belegnummer"));
    d.set("beschreibung", u8(report.Parameter(QStringLiteral("Param_Beleg_Beschreibung"))));
    d.set("belegnummer", u8(belegnummer));
    d.set("belegdatum", u8(belegdatum));
    d.set("beruecksichtigt", u8(beruecksichtigt));
    d.set("waehrung", u8(waehrung));
    d.set("absender_anzeigen", schalter(report, QStringLiteral("Param_AbsenderAnzeigen")));
    d.set("fonfaxmail", schalter(report, QStringLiteral("Param_FonFaxMailBuchfiliale")));
    d.set("gruss_filialname", schalter(report, QStringLiteral("Param_GrussFilialname")));
    d.set("fuss_drucken", schalter(report, QStringLiteral("Param_BelegFussDrucken")));

    TAnschrift firma, schuldner, mandant;
    server->Anschrift_Lesen(paarAus(report, QStringLiteral("Param_Firma_OrgeRNr"), QStringLiteral("Param_Firma_OrgeLNr")),
                            firma);
    server->Anschrift_Lesen(
        paarAus(report, QStringLiteral("Param_Anschrift_OrgeRNr"), QStringLiteral("Param_Anschrift_OrgeLNr")), schuldner);
    {
        // The client's own organisation carries the legal data, also when a branch writes.
        IQEL_GPListenServerRef gp;
        Glob_WWSServerFactoryClass().GPListenServer_Holen(gp);
        TIntPair orge;
        if (gp->Gep_Lesen(paarAus(report, QStringLiteral("Param_GlaeubigerRNr"), QStringLiteral("Param_GlaeubigerLNr")),
                          orge))
            server->Anschrift_Lesen(orge, mandant);
        Glob_WWSServerFactoryClass().GPListenServer_Freigeben(gp);
    }
    d.set("firma", anschriftDaten(firma));
    d.set("schuldner", anschriftDaten(schuldner));
    d.set("mandant", anschriftDaten(firmenangaben(mandant, firma)));

    TKontaktperson firmaKontakt, schuldnerKontakt;
    const bool mitFirmaKontakt = server->Kontaktperson_Lesen(
        paarAus(report, QStringLiteral("Param_Firma_MitaRNr"), QStringLiteral("Param_Firma_MitaLNr")), firmaKontakt);
    const bool mitSchuldnerKontakt = server->Kontaktperson_Lesen(
        paarAus(report, QStringLiteral("Param_Schuldner_MitaRNr"), QStringLiteral("Param_Schuldner_MitaLNr")),
        schuldnerKontakt);
    d.set("firma_kontakt", kontaktDaten(mitFirmaKontakt ? &firmaKontakt : nullptr));
    // The address names a contact person only when there is a name to write.
    const bool kontaktBenannt =
        mitSchuldnerKontakt && !(schuldnerKontakt.Vorname + schuldnerKontakt.Nachname).trimmed().isEmpty();
    d.set("schuldner_kontakt", kontaktDaten(kontaktBenannt ? &schuldnerKontakt : nullptr));
    m_anrede = qel_Briefanrede(schuldnerKontakt.Anrede, schuldnerKontakt.Nachname);
    d.set("anrede", u8(m_anrede));
    d.set("absender", u8(zeileAus({firma.Name1, firma.Strasse, (firma.Plz + QLatin1Char(' ') + firma.Ort)},
                                  QStringLiteral(" · "))));
    int kundennummer = 0;
    if (server->Partnernummer_Lesen(paarAus(report, QStringLiteral("Param_SchuldnerRNr"), QStringLiteral("Param_SchuldnerLNr")),
                                    kundennummer) &&
        kundennummer > 0)
        d.set("kundennummer", u8(QString::number(kundennummer)));
    else
        d.set("kundennummer", false);

    mu::data positionen(mu::data::type::list);
    double saldo = 0, gebuehren = 0, zinsen = 0, pauschale = 0;
    QStringList pauschaleBelege;
    int anzahl = 0;
    TDateTime zahlungsziel = 0;
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
        try {
            zahlungsziel = std::max(zahlungsziel, StrToDate(z.ZahlbarBis));
        } catch (const std::exception&) {
            // A row without a readable term does not set the deadline.
        }
    }
    const QString gesamt = qel_FormatMoney(saldo + gebuehren + zinsen + pauschale);
    d.set("positionen", positionen);
    d.set("hat_positionen", anzahl > 0);
    d.set("summe_saldo", u8(qel_FormatMoney(saldo)));
    d.set("summe_gebuehren", u8(qel_FormatMoney(gebuehren)));
    d.set("summe_zinsen", u8(qel_FormatMoney(zinsen)));
    d.set("summe_betrag", u8(qel_FormatMoney(saldo + gebuehren + zinsen)));
    d.set("hat_pauschale", pauschale != 0);
    d.set("summe_pauschale", u8(qel_FormatMoney(pauschale)));
    d.set("pauschale_belege", u8(pauschaleBelege.join(QStringLiteral(", "))));
    d.set("gesamt", u8(gesamt));
    const QString zielText = zahlungsziel > 0 ? DateToStr(zahlungsziel) : QString();
    d.set("zahlungsziel", txt(zielText));
    const QString storno = report.Parameter(QStringLiteral("Param_Storniert"));
    if (storno.isEmpty())
        d.set("storniert", false);
    else
        d.set("storniert", u8(storno));

    // What the editor left as placeholders is filled per letter: several partners share one text.
    brieftext.replace(Platzhalter::Anrede, m_anrede);
    if (!zielText.isEmpty())
        brieftext.replace(Platzhalter::Zahlungsziel, zielText);
    brieftext.replace(Platzhalter::Gesamtbetrag, gesamt + QLatin1Char(' ') + waehrung);
    if (!belegdatum.isEmpty())
        brieftext.replace(Platzhalter::Heute, belegdatum);
    if (!beruecksichtigt.isEmpty())
        brieftext.replace(Platzhalter::Beruecksichtigt, beruecksichtigt);
    const QPair<QString, QString> teile = qel_BriefTextTeilen(brieftext);
    QString ohneMarke = brieftext;
    d.set("brieftext", u8(qel_TextAlsHtml(ohneMarke.remove(Platzhalter::Aufstellung))));
    const QString vor = qel_TextAlsHtml(teile.first.trimmed());
    const QString nach = qel_TextAlsHtml(teile.second.trimmed());
    d.set("text_vor", txt(vor));
    d.set("text_nach", txt(nach));

    // Picture objects: a missing logo leaves its space empty.
    for (const TLogoVerbindung& v : report.LogoVerbindungen()) {
        QByteArray bild;
        QString mime;
        QImage logo;
        const QString name = report.Konstante(v.Name).trimmed();
        if (!name.isEmpty() && server->Logo_Lesen(name, bild, mime))
            logo = logoDekodieren(name, bild);
        if (logo.isNull()) {
            d.set(u8(v.Objekt), false);
            continue;
        }
        m_logo = logo;
        m_logoName = name;
        m_logoUrl = QStringLiteral("bild://%1").arg(v.Objekt.toLower());
        d.set(u8(v.Objekt), u8(m_logoUrl));
    }

    auto fuellen = [&](TBereich z, mu::data& daten) {
        if (!m_vorlage->Zone[z])
            return QString();
        // Rendering keeps error state in the compiled template, which the letters of a run share.
        static QMutex sperre;
        QMutexLocker l(&sperre);
        const QString html = QString::fromStdString(m_vorlage->Zone[z]->render(daten));
        if (!m_vorlage->Zone[z]->is_valid())
            throw EQELError(QStringLiteral("Die Berichtsdatei ist fehlerhaft: %1")
                                .arg(QString::fromStdString(m_vorlage->Zone[z]->error_message())));
        return html;
    };
    m_html = fuellen(zText, d);
    m_kopf = fuellen(zKopf, d);
    m_ruecksende = fuellen(zRuecksende, d);
    m_anschrift = fuellen(zAnschrift, d);
    m_info = fuellen(zInfo, d);
    // Page numbers are set per page; the layout knows the count only after the body is laid out.
    d.set("seite", u8(kSeite));
    d.set("seiten", u8(kSeiten));
    for (int mehrseitig = 0; mehrseitig < 2; ++mehrseitig) {
        d.set("mehrseitig", mehrseitig == 1);
        m_folgekopf[mehrseitig] = fuellen(zFolgekopf, d);
        m_fuss[mehrseitig] = fuellen(zFuss, d);
    }
    m_titel = QStringLiteral("%1 %2").arg(report.Parameter(QStringLiteral("Param_Beleg_Beschreibung")), belegnummer).trimmed();
}

void TBriefsatz::dokumentVorbereiten(QTextDocument& doc, QPagedPaintDevice* geraet) const
{
    doc.documentLayout()->setPaintDevice(geraet);
    doc.setDocumentMargin(0);
    QFont schrift(QStringLiteral("Liberation Sans"));
    schrift.setPointSizeF(10);
    // Paper needs no screen hinting, and the hinting interpreter is the slowest part of the layout.
    schrift.setHintingPreference(QFont::PreferNoHinting);
    schrift.setStyleStrategy(QFont::PreferNoShaping);
    doc.setDefaultFont(schrift);
    if (!m_logo.isNull())
        doc.addResource(QTextDocument::ImageResource, QUrl(m_logoUrl), m_logo);
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("bild://leer")), leeresBild());
}

namespace {

// Breaks the widest table cell that holds nothing but an e-mail address before its "@". False when
// there is none left to break.
bool adresszelleUmbrechen(QTextDocument& doc)
{
    static const QRegularExpression nurAdresse(QStringLiteral("^(%1)$").arg(kMailAdresse),
                                               QRegularExpression::UseUnicodePropertiesOption);
    QTextBlock breiteste;
    qreal breite = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (!b.layout() || b.layout()->lineCount() != 1 || !QTextCursor(b).currentTable() ||
            !nurAdresse.match(b.text()).hasMatch())
            continue;
        const qreal w = b.layout()->lineAt(0).naturalTextWidth();
        if (w > breite) {
            breite = w;
            breiteste = b;
        }
    }
    if (!breiteste.isValid())
        return false;
    QTextCursor c(breiteste);
    c.setPosition(breiteste.position() + int(breiteste.text().indexOf(QLatin1Char('@'))));
    c.insertText(QString(QChar::LineSeparator));
    return true;
}

}  // namespace

TBriefsatz::TZone TBriefsatz::zoneSetzen(QPagedPaintDevice* geraet, const QString& html, double breite, double hoehe) const
{
    TZone z;
    if (html.trimmed().isEmpty())
        return z;
    z.Doc = std::make_shared<TBriefDokument>();
    dokumentVorbereiten(*z.Doc, geraet);
    z.Doc->setTextWidth(breite);
    z.Doc->setHtml(html);
    // Too long a name or too many lines: the zone's text gets smaller rather than leave its field.
    auto passt = [&] {
        return z.Doc->idealWidth() * z.Faktor <= breite * 1.001 &&
               (hoehe <= 0 || z.Doc->size().height() * z.Faktor <= hoehe);
    };
    auto verkleinern = [&](double bis) {
        while (!passt() && z.Faktor > bis + 0.01) {
            z.Faktor -= 0.075;
            z.Doc->setTextWidth(breite / z.Faktor);
        }
    };
    verkleinern(0.85);
    // Rather than make the whole zone much smaller, a long e-mail address alone in a cell (the
    // information block) breaks before its "@".
    if (!passt() && adresszelleUmbrechen(*z.Doc)) {
        z.Faktor = 1.0;
        z.Doc->setTextWidth(breite);
        while (!passt() && adresszelleUmbrechen(*z.Doc))
            ;
    }
    verkleinern(0.55);
    z.Hoehe = z.Doc->size().height() * z.Faktor;
    if (hoehe > 0)
        z.Hoehe = std::min(z.Hoehe, hoehe);
    z.Breite = breite;
    z.Begrenzt = hoehe > 0;
    return z;
}

QString TBriefsatz::zonenSchluessel(const QString& html, double breite, double hoehe, double dpi) const
{
    // The logo is part of the zone: branches of one client may have their own.
    return QStringLiteral("%1|%2|%3|%4|")
               .arg(breite, 0, 'f', 3)
               .arg(hoehe, 0, 'f', 3)
               .arg(dpi, 0, 'f', 1)
               .arg(m_logo.isNull() ? 0 : m_logo.cacheKey()) +
           m_logoUrl + QLatin1Char('|') + html;
}

TBriefsatz::TZone TBriefsatz::gemeinsameZone(QPagedPaintDevice* geraet, const QString& html, double breite, double hoehe) const
{
    // Only the measures are kept per thread: the document is laid out again by the thread that paints.
    thread_local std::map<QString, TZone> masse;
    const QString schluessel = zonenSchluessel(html, breite, hoehe, geraet->logicalDpiY());
    auto it = masse.find(schluessel);
    if (it != masse.end())
        return it->second;
    TZone z = zoneSetzen(geraet, html, breite, hoehe);
    if (!z.Doc)
        return z;
    TZone mass = z;
    mass.Doc.reset();
    mass.Html = html;
    mass.Grenze = hoehe;
    if (masse.size() > 64)
        masse.clear();
    masse.emplace(schluessel, mass);
    z.Html = html;
    z.Grenze = hoehe;
    return z;
}

void TBriefsatz::zoneZeichnen(QPainter& p, const TZone& z, const QPointF& ort) const
{
    if (!z.Doc)
        return;
    p.save();
    p.translate(ort);
    if (z.Begrenzt)
        p.setClipRect(QRectF(0, 0, z.Breite, z.Hoehe));
    p.scale(z.Faktor, z.Faktor);
    z.Doc->drawContents(&p);
    p.restore();
}

void TBriefsatz::Setzen(QPagedPaintDevice* geraet)
{
    m_gesetzt = std::make_shared<TGesetzt>();
    TGesetzt& g = *m_gesetzt;
    const QPageLayout::Orientation ausrichtung =
        m_seite.PaperOrientation() == crLandscape ? QPageLayout::Landscape : QPageLayout::Portrait;
    const QPageLayout seitenLayout(QPageSize(papierFormat(m_seite.PaperSize())), ausrichtung, QMarginsF(0, 0, 0, 0));
    if (!geraet->setPageLayout(seitenLayout))
        throw EQELError(QStringLiteral("Das Ausgabegerät nimmt das Papierformat des Berichts nicht an."));
    g.Layout = seitenLayout;
    g.Geraet = geraet;
    const double dpi = geraet->logicalDpiY();
    const QRectF blatt = seitenLayout.fullRectPixels(int(dpi));
    const bool formular = m_vorlage->Formular;
    // The layout's margins hold where the form allows: the body never comes closer to the edges than
    // the form's 25 mm left and 20 mm right, the first page's zones stand where the form puts them,
    // and the top margin places the header of later pages.
    double links = twipsZuPunkten(m_seite.LeftMargin(), dpi);
    double rechts = twipsZuPunkten(m_seite.RightMargin(), dpi);
    double oben = twipsZuPunkten(m_seite.TopMargin(), dpi);
    double unten = twipsZuPunkten(m_seite.BottomMargin(), dpi);
    if (formular) {
        links = std::max(links, mm(kTextLinks, dpi));
        rechts = std::max(rechts, mm(kTextRechts, dpi));
        oben = std::max(oben, mm(10, dpi));
        unten = std::max(unten, mm(8, dpi));
    }
    const double breite = blatt.width() - links - rechts;
    const auto keinPlatz = [&] {
        return EQELError(QStringLiteral("Die Ränder des Drucklayouts lassen keinen Platz für den Brief "
                                        "(oben %1, links %2, unten %3, rechts %4 mm).")
                             .arg(m_seite.TopMargin() * 25.4 / 1440, 0, 'f', 1)
                             .arg(m_seite.LeftMargin() * 25.4 / 1440, 0, 'f', 1)
                             .arg(m_seite.BottomMargin() * 25.4 / 1440, 0, 'f', 1)
                             .arg(m_seite.RightMargin() * 25.4 / 1440, 0, 'f', 1));
    };
    if (breite < mm(40, dpi))
        throw keinPlatz();

    // Every page keeps the body height the foot of a longer letter leaves (its page line may be longer).
    const QString fussMusterHtml = seitenText(m_fuss[1], 1, 1);
    const TZone fussMuster = gemeinsameZone(geraet, fussMusterHtml, breite);
    const double fussHoehe = fussMuster.Da() ? fussMuster.Hoehe + mm(4, dpi) : 0;
    const TZone folgeMuster = gemeinsameZone(geraet, seitenText(m_folgekopf[1], 2, 2), breite);
    const double folgeHoehe = folgeMuster.Da() ? folgeMuster.Hoehe + mm(5, dpi) : 0;
    const double fuss = blatt.height() - unten - fussHoehe;
    const double hoehe = fuss - oben - folgeHoehe;  // body of every page after the first
    const double infoBreite = blatt.width() - mm(kInfoLinks + kInfoRechts, dpi);
    const TZone info = formular ? zoneSetzen(geraet, m_info, infoBreite) : TZone();
    const double infoHoehe = info.Hoehe;
    const double textOben =
        formular ? std::max(mm(kTextOben, dpi), mm(kInfoOben, dpi) + infoHoehe + mm(6, dpi)) : oben;
    const double hoehe1 = fuss - textOben;
    if (hoehe < mm(40, dpi) || hoehe1 < mm(20, dpi))
        throw keinPlatz();

    // One layout at the final page size. The first page's body is shorter than the others': a blank
    // block as tall as the difference stands before it, and the first page shows the body below it.
    auto text = std::make_shared<TBriefDokument>();
    TBriefDokument& doc = *text;
    dokumentVorbereiten(doc, geraet);
    doc.setPageSize(QSizeF(breite, hoehe));
    const double luecke = std::max(0.0, hoehe - hoehe1);
    const int lueckePx = int(std::ceil(luecke / dpi * 96.0));
    doc.setHtml(luecke > 0 ? QStringLiteral("<p style=\"margin: 0; font-size: 1pt;\"><img src=\"bild://leer\" width=\"1\" "
                                            "height=\"%1\"/></p>")
                                     .arg(lueckePx) +
                                 m_html
                           : m_html);
    adressenZusammenhalten(doc);
    const double anfang = luecke > 0 ? doc.documentLayout()->blockBoundingRect(doc.begin()).bottom() : 0;
    m_seiten = std::max(1, doc.pageCount());
    const int variante = m_seiten > 1 ? 1 : 0;

    // Every page's pieces in the order they are painted.
    g.Seiten.resize(size_t(m_seiten));
    for (int i = 0; i < m_seiten; ++i) {
        std::vector<TStueck>& seite = g.Seiten[size_t(i)];
        auto zone = [&](const TZone& z, const QPointF& ort) {
            if (!z.Da())
                return;
            TZone stueck = z;
            // A common zone is laid out where it is painted, once for all letters there.
            if (!stueck.Html.isEmpty())
                stueck.Doc.reset();
            seite.push_back(TStueck{TStueck::Zone, stueck, ort, QRectF()});
        };
        if (formular) {
            if (i == 0) {
                const double feldLinks = mm(kFeldLinks + kFeldEinzug, dpi);
                const double feldBreite = mm(kFeldBreite - kFeldEinzug, dpi);
                const double kopfOben = std::min(oben, mm(20, dpi));
                zone(gemeinsameZone(geraet, m_kopf, breite, mm(kKopfHoehe, dpi) - kopfOben), QPointF(links, kopfOben));
                const TZone ruecksende = gemeinsameZone(geraet, m_ruecksende, feldBreite, mm(kZusatzHoehe, dpi));
                zone(ruecksende, QPointF(feldLinks, mm(kFeldOben + kZusatzHoehe, dpi) - ruecksende.Hoehe));
                zone(zoneSetzen(geraet, m_anschrift, feldBreite, mm(kFeldHoehe - kZusatzHoehe, dpi)),
                     QPointF(feldLinks, mm(kFeldOben + kZusatzHoehe, dpi)));
                zone(info, QPointF(mm(kInfoLinks, dpi), mm(kInfoOben, dpi)));
            }
            seite.push_back(TStueck{TStueck::Marken, TZone(), QPointF(), QRectF()});
        }
        if (i > 0)
            zone(gemeinsameZone(geraet, seitenText(m_folgekopf[variante], i + 1, m_seiten), breite), QPointF(links, oben));
        const double von = i == 0 ? anfang : i * hoehe;
        // The blank block ends where the first page's body begins; it is not painted (nor put into the PDF).
        const double rand = i == 0 && luecke > 0 ? 0.5 : 0;
        TZone rumpf;
        rumpf.Doc = text;
        seite.push_back(TStueck{TStueck::Text, rumpf, QPointF(links, (i == 0 ? textOben : oben + folgeHoehe) - von),
                                QRectF(0, von + rand, breite, (i + 1) * hoehe - von - rand)});
        const QString fussHtml = seitenText(m_fuss[variante], i + 1, m_seiten);
        const TZone f = fussHtml == fussMusterHtml ? fussMuster : gemeinsameZone(geraet, fussHtml, breite);
        zone(f, QPointF(links, blatt.height() - unten - f.Hoehe));
    }
}

void TBriefsatz::Malen(QPagedPaintDevice* geraet, QPainter& p, TZonenSpeicher* speicher) const
{
    TZonenSpeicher eigener;
    if (!speicher)
        speicher = &eigener;
    if (!m_gesetzt)
        throw EQELError(QStringLiteral("Der Brief ist noch nicht gesetzt."));
    const TGesetzt& g = *m_gesetzt;
    const double dpi = g.Geraet->logicalDpiY();
    if (geraet->logicalDpiY() != g.Geraet->logicalDpiY() || geraet->logicalDpiX() != g.Geraet->logicalDpiX())
        throw EQELError(QStringLiteral("Das Ausgabegerät hat eine andere Auflösung als die, für die der Brief gesetzt wurde."));
    for (size_t i = 0; i < g.Seiten.size(); ++i) {
        if (!p.isActive()) {
            if (!geraet->setPageLayout(g.Layout))
                throw EQELError(QStringLiteral("Das Ausgabegerät nimmt das Papierformat des Berichts nicht an."));
            if (!p.begin(geraet))
                throw EQELError(QStringLiteral("Das Ausgabegerät kann nicht beschrieben werden."));
        } else if (!geraet->setPageLayout(g.Layout) || !geraet->newPage()) {
            throw EQELError(QStringLiteral("Auf dem Ausgabegerät kann keine neue Seite begonnen werden."));
        }
        for (const TStueck& s : g.Seiten[i]) {
            switch (s.Art) {
            case TStueck::Zone: {
                if (s.Inhalt.Doc) {
                    zoneZeichnen(p, s.Inhalt, s.Ort);
                    break;
                }
                const QString schluessel = zonenSchluessel(s.Inhalt.Html, s.Inhalt.Breite, s.Inhalt.Grenze, dpi);
                auto it = speicher->m_zonen.find(schluessel);
                if (it == speicher->m_zonen.end()) {
                    if (speicher->m_zonen.size() > 64)
                        speicher->m_zonen.clear();
                    it = speicher->m_zonen
                             .emplace(schluessel, zoneSetzen(geraet, s.Inhalt.Html, s.Inhalt.Breite, s.Inhalt.Grenze))
                             .first;
                }
                zoneZeichnen(p, it->second, s.Ort);
                break;
            }
            case TStueck::Marken:
                // Fold and hole marks on every sheet: the sheets of a letter are folded and punched together.
                p.save();
                p.setPen(QPen(QColor(0x70, 0x70, 0x70), mm(0.25, dpi)));
                for (double y : kFalzmarken)
                    p.drawLine(QPointF(mm(4, dpi), mm(y, dpi)), QPointF(mm(9, dpi), mm(y, dpi)));
                p.drawLine(QPointF(mm(4, dpi), mm(kLochmarke, dpi)), QPointF(mm(12, dpi), mm(kLochmarke, dpi)));
                p.restore();
                break;
            case TStueck::Text:
                p.save();
                p.translate(s.Ort);
                s.Inhalt.Doc->drawContents(&p, s.Ausschnitt);
                p.restore();
                break;
            }
        }
    }
}

void TBriefsatz::Zeichnen(QPagedPaintDevice* geraet)
{
    Setzen(geraet);
    QPainter p;
    Malen(geraet, p);
    p.end();
    m_gesetzt.reset();
}

void TBriefsatz::InDenThread(QThread* ziel)
{
    if (!m_gesetzt)
        return;
    for (const auto& seite : m_gesetzt->Seiten)
        for (const TStueck& s : seite)
            if (s.Inhalt.Doc && s.Inhalt.Doc->thread() != ziel)
                s.Inhalt.Doc->moveToThread(ziel);
}

void TBriefsatz::SatzFreigeben()
{
    if (!m_gesetzt)
        return;
    // A document's layout timers follow it to this thread by a queued call; they must have arrived
    // before the timers can be stopped here.
    for (const auto& seite : m_gesetzt->Seiten)
        for (const TStueck& s : seite)
            if (s.Inhalt.Doc) {
                QCoreApplication::sendPostedEvents(s.Inhalt.Doc.get(), QEvent::MetaCall);
                for (QObject* kind : s.Inhalt.Doc->findChildren<QObject*>())
                    QCoreApplication::sendPostedEvents(kind, QEvent::MetaCall);
            }
    m_gesetzt.reset();
}
