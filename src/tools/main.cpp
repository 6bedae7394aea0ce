// mahnwesen-admin: creates and upgrades the suite database, fills demo data and manages users,
// computers, print layouts and logos.
#include "suite/core/konfiguration.h"
#include "suite/core/servers/database.h"
#include "suite/demodaten/demodaten.h"
#include "suite/core/servers/sicherung.h"
#include "suite/core/servers/rechte.h"
#include "suite/core/servers/verwaltung.h"

#include <QBuffer>
#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMimeDatabase>
#include <QPainter>
#include <QTextStream>

#include <map>
#include <memory>
#include <optional>

namespace {

constexpr int kOk = 0;
constexpr int kFehler = 1;
constexpr int kAufruf = 2;

QTextStream& err()
{
    static QTextStream s(stderr);
    return s;
}
QTextStream& out()
{
    static QTextStream s(stdout);
    return s;
}

const char* const kHilfe =
    "Aufruf: mahnwesen-admin [--config DATEI] <Befehl>\n"
    "\n"
    "Befehle:\n"
    "  init --db DATEI [--rechner N]    Einstellungsdatei schreiben und Datenbank anlegen\n"
    "                                   (ein relativer Pfad gilt ab dem Ordner der Einstellungsdatei)\n"
    "  init --treiber QPSQL --db NAME [--host HOST] [--port N] [--dbbenutzer NAME] [--dbpasswort PW]\n"
    "       [--rechner N]               dasselbe für eine gemeinsame PostgreSQL-Datenbank; fehlt sie,\n"
    "                                   wird sie über die Datenbank \"postgres\" angelegt\n"
    "  create                           Datenbank anlegen oder aktualisieren\n"
    "  upgrade                          vorhandene Datenbank auf den Stand des Programms bringen\n"
    "  demo [--seed N] [--gross N] [--benutzer NAME]\n"
    "                                   Demodaten in eine Datenbank ohne Mandanten schreiben\n"
    "  version                          Programm- und Datenbankversion anzeigen\n"
    "  user add NAME [--recht N]... [--passwort PW]\n"
    "                                   Benutzer anlegen, Rechte vergeben (PostgreSQL: auch seine Rolle)\n"
    "  rechner add NR NAME [--filiale N]\n"
    "                                   Rechner eintragen oder ändern\n"
    "  layout import DATEI --art ART --name NAME [--standard] [--einstellung NAME=WERT]...\n"
    "                                   Drucklayout mit dem Namen seiner Berichtsdatei eintragen\n"
    "  logo import NAME DATEI           Logo (PNG, JPEG, BMP) speichern oder ersetzen\n"
    "  sichern DATEI                    Datenbank sichern (auch während der Arbeit; PostgreSQL: pg_dump)\n"
    "  wiederherstellen DATEI           Datenbank aus einer geprüften Sicherung wiederherstellen\n"
    "                                   (alle Programme der Suite müssen beendet sein)\n"
    "\n"
    "Ohne --config gilt $QEL_SUITE_CONFIG, sonst ~/.config/qel-suite/suite.ini.\n"
    "Rückgabewerte: 0 Erfolg, 1 Fehler, 2 falscher Aufruf.\n";

class EAufruf : public std::runtime_error {
public:
    explicit EAufruf(const QString& t) : std::runtime_error(t.toStdString()) {}
    QString Text() const { return QString::fromStdString(what()); }
};

// Positional words and "--name value" options; "--name" without value for switches.
struct TAufruf {
    QStringList woerter;
    std::multimap<QString, QString> optionen;
    QStringList schalter;

    std::optional<QString> Option(const QString& name) const
    {
        auto it = optionen.find(name);
        if (it == optionen.end())
            return std::nullopt;
        return it->second;
    }
    QStringList Optionen(const QString& name) const
    {
        QStringList l;
        auto bereich = optionen.equal_range(name);
        for (auto it = bereich.first; it != bereich.second; ++it)
            l << it->second;
        return l;
    }
    bool Schalter(const QString& name) const { return schalter.contains(name); }
};

const QStringList kWertOptionen = {QStringLiteral("--config"), QStringLiteral("--db"), QStringLiteral("--rechner"),
                                   QStringLiteral("--seed"), QStringLiteral("--gross"), QStringLiteral("--benutzer"),
                                   QStringLiteral("--recht"), QStringLiteral("--passwort"), QStringLiteral("--filiale"),
                                   QStringLiteral("--art"),
                                   QStringLiteral("--name"), QStringLiteral("--einstellung"),
                                   // PostgreSQL connection of init
                                   QStringLiteral("--treiber"), QStringLiteral("--host"), QStringLiteral("--port"),
                                   QStringLiteral("--dbbenutzer"), QStringLiteral("--dbpasswort")};
const QStringList kSchalter = {QStringLiteral("--standard"), QStringLiteral("--help"), QStringLiteral("-h")};

TAufruf zerlegen(const QStringList& args)
{
    TAufruf a;
    for (int i = 1; i < args.size(); ++i) {
        const QString& w = args[i];
        if (w.startsWith(QLatin1Char('-')) && w.size() > 1) {
            QString name = w, wert;
            const int gleich = w.indexOf(QLatin1Char('='));
            const bool mitGleich = gleich > 0 && w.startsWith(QLatin1String("--"));
            if (mitGleich) {
                name = w.left(gleich);
                wert = w.mid(gleich + 1);
            }
            if (kWertOptionen.contains(name)) {
                if (!mitGleich) {
                    if (i + 1 >= args.size())
                        throw EAufruf(QStringLiteral("Zur Option %1 fehlt der Wert.").arg(name));
                    wert = args[++i];
                }
                a.optionen.emplace(name, wert);
            } else if (kSchalter.contains(name) && !mitGleich) {
                a.schalter << name;
            } else {
                throw EAufruf(QStringLiteral("Unbekannte Option %1.").arg(w));
            }
        } else {
            a.woerter << w;
        }
    }
    return a;
}

int ganzzahl(const QString& text, const QString& was, int min, int max)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < min || v > max)
        throw EAufruf(QStringLiteral("%1 muss eine ganze Zahl zwischen %2 und %3 sein, nicht '%4'.")
                          .arg(was)
                          .arg(min)
                          .arg(max)
                          .arg(text));
    return v;
}

void erlaubt(const TAufruf& a, const QStringList& optionen, int woerter)
{
    for (const auto& [name, wert] : a.optionen) {
        Q_UNUSED(wert);
        if (name != QLatin1String("--config") && !optionen.contains(name))
            throw EAufruf(QStringLiteral("Die Option %1 passt nicht zu diesem Befehl.").arg(name));
    }
    for (const QString& s : a.schalter)
        if (!optionen.contains(s))
            throw EAufruf(QStringLiteral("Die Option %1 passt nicht zu diesem Befehl.").arg(s));
    if (a.woerter.size() != woerter)
        throw EAufruf(a.woerter.size() < woerter ? QStringLiteral("Dem Befehl fehlen Angaben.")
                                                 : QStringLiteral("Zu viele Angaben: %1").arg(a.woerter.mid(woerter).join(' ')));
}

// Letterhead logo: a coloured mark with the company's initials and its name beside it.
QByteArray logoZeichnen(const QString& name, const QString& firma, quint32 farbe)
{
    Q_UNUSED(name);
    QImage bild(480, 160, QImage::Format_ARGB32);
    bild.fill(Qt::white);
    {
        QPainter p(&bild);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor c(QRgb(0xFF000000u | farbe));
        p.setBrush(c);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(12, 12, 136, 136), 18, 18);
        QString initialen;
        for (const QString& wort : firma.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            if (initialen.size() < 2 && wort.at(0).isUpper())
                initialen += wort.at(0);
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setBold(true);
        f.setPixelSize(64);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(12, 12, 136, 136), Qt::AlignCenter, initialen);
        f.setPixelSize(30);
        p.setFont(f);
        p.setPen(c.darker(130));
        p.drawText(QRectF(168, 12, 300, 136), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap, firma);
    }
    QByteArray png;
    QBuffer puffer(&png);
    puffer.open(QIODevice::WriteOnly);
    bild.save(&puffer, "PNG");
    return png;
}

QString konfigPfad(const TAufruf& a) { return a.Option(QStringLiteral("--config")).value_or(TSuiteKonfiguration::StandardPfad()); }

TSuiteKonfiguration konfigLaden(const TAufruf& a) { return TSuiteKonfiguration::Laden(konfigPfad(a)); }

void meldeVersion(int vorher, int nachher)
{
    if (vorher == nachher)
        err() << QStringLiteral("Die Datenbank hat bereits den aktuellen Stand (Version %1).\n").arg(nachher);
    else if (vorher == 0)
        err() << QStringLiteral("Die Datenbank wurde angelegt (Version %1).\n").arg(nachher);
    else
        err() << QStringLiteral("Die Datenbank wurde von Version %1 auf Version %2 aktualisiert.\n").arg(vorher).arg(nachher);
}

bool datenbankVorhanden(const TSuiteKonfiguration& k) { return TSuiteDatenbank::Vorhanden(k); }

void anlegen(const TSuiteKonfiguration& k)
{
    const int vorher = datenbankVorhanden(k) ? TSuiteDatenbank::GespeicherteVersion(k) : 0;
    TSuiteDatenbank::AnlegenOderAktualisieren(k);
    meldeVersion(vorher, TSuiteDatenbank::SchemaVersion());
}

// The PostgreSQL connection options of init; SQLite takes none of them.
void postgresOptionen(const TAufruf& a, TSuiteKonfiguration& k)
{
    k.Treiber = a.Option(QStringLiteral("--treiber")).value_or(QStringLiteral("QSQLITE")).toUpper();
    if (k.Treiber != QLatin1String("QSQLITE") && k.Treiber != QLatin1String("QPSQL"))
        throw EAufruf(QStringLiteral("--treiber kennt nur QSQLITE und QPSQL, nicht '%1'.").arg(k.Treiber));
    const QStringList verbindung = {QStringLiteral("--host"), QStringLiteral("--port"), QStringLiteral("--dbbenutzer"),
                                    QStringLiteral("--dbpasswort")};
    if (k.Treiber == QLatin1String("QSQLITE")) {
        for (const QString& o : verbindung)
            if (a.Option(o))
                throw EAufruf(QStringLiteral("Die Option %1 gilt nur mit --treiber QPSQL.").arg(o));
        k.Host.clear();
        k.Port = 0;
        k.DbBenutzer.clear();
        k.DbPasswort.clear();
        return;
    }
    k.Host = a.Option(QStringLiteral("--host")).value_or(QString());
    k.Port = a.Option(QStringLiteral("--port")) ? ganzzahl(*a.Option(QStringLiteral("--port")), QStringLiteral("Der Port"), 1, 65535) : 0;
    k.DbBenutzer = a.Option(QStringLiteral("--dbbenutzer")).value_or(QString());
    k.DbPasswort = a.Option(QStringLiteral("--dbpasswort")).value_or(QString());
}

// The shipped letter layouts: next to an installed program, or in the source tree of a build.
QString mitgelieferteLayouts()
{
    QStringList kandidaten;
    if (!qEnvironmentVariableIsEmpty("MAHNWESEN_LAYOUTS"))
        kandidaten << qEnvironmentVariable("MAHNWESEN_LAYOUTS");
    const QString exe = QCoreApplication::applicationDirPath();
    kandidaten << exe + QStringLiteral("/../share/mahnwesen/reports") << exe + QStringLiteral("/../../reports")
               << exe + QStringLiteral("/../reports");
    for (const QString& k : kandidaten)
        if (QFileInfo::exists(QDir(k).filePath(QStringLiteral("mahnung.html"))))
            return QDir(k).absolutePath();
    return QString();
}

// Copies the shipped layouts into the report folder; files already there (perhaps edited) stay.
void layoutsInstallieren(const TSuiteKonfiguration& k)
{
    const QString quelle = mitgelieferteLayouts();
    if (quelle.isEmpty()) {
        err() << QStringLiteral("Hinweis: Die mitgelieferten Briefvorlagen wurden nicht gefunden (MAHNWESEN_LAYOUTS).\n");
        return;
    }
    if (k.BerichtsOrdner.isEmpty() || !QDir().mkpath(k.BerichtsOrdner))
        throw EQELError(QStringLiteral("Der Berichtsordner kann nicht angelegt werden: %1").arg(k.BerichtsOrdner));
    for (const QString& datei : QDir(quelle).entryList({QStringLiteral("*.html")}, QDir::Files)) {
        const QString ziel = QDir(k.BerichtsOrdner).filePath(datei);
        if (QFileInfo::exists(ziel))
            continue;
        if (!QFile::copy(QDir(quelle).filePath(datei), ziel))
            throw EQELError(QStringLiteral("Die Briefvorlage %1 kann nicht nach %2 kopiert werden.").arg(datei, ziel));
        QFile::setPermissions(ziel, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                        | QFileDevice::ReadOther);
        err() << QStringLiteral("Briefvorlage installiert: %1\n").arg(ziel);
    }
}

int befehlInit(const TAufruf& a)
{
    erlaubt(a, {QStringLiteral("--db"), QStringLiteral("--rechner"), QStringLiteral("--treiber"), QStringLiteral("--host"),
                QStringLiteral("--port"), QStringLiteral("--dbbenutzer"), QStringLiteral("--dbpasswort")},
            1);
    const auto db = a.Option(QStringLiteral("--db"));
    if (!db || db->trimmed().isEmpty())
        throw EAufruf(QStringLiteral("init braucht --db DATEI."));
    const QString pfad = konfigPfad(a);
    TSuiteKonfiguration k;
    if (QFileInfo::exists(pfad))
        k = TSuiteKonfiguration::Laden(pfad);
    postgresOptionen(a, k);
    k.Datenbank = db->trimmed();
    if (const auto r = a.Option(QStringLiteral("--rechner")))
        k.Rechner = ganzzahl(*r, QStringLiteral("Die Rechnernummer"), 1, 9999);
    k.Speichern(pfad);
    const TSuiteKonfiguration geladen = TSuiteKonfiguration::Laden(pfad);
    err() << QStringLiteral("Einstellungen geschrieben: %1\nDatenbank: %2\n").arg(QFileInfo(pfad).absoluteFilePath(), geladen.Datenbank);
    anlegen(geladen);
    layoutsInstallieren(geladen);
    return kOk;
}

int befehlCreate(const TAufruf& a)
{
    erlaubt(a, {}, 1);
    anlegen(konfigLaden(a));
    return kOk;
}

int befehlUpgrade(const TAufruf& a)
{
    erlaubt(a, {}, 1);
    const TSuiteKonfiguration k = konfigLaden(a);
    const int vorher = TSuiteDatenbank::GespeicherteVersion(k);
    TSuiteDatenbank::Oeffnen(k);
    meldeVersion(vorher, TSuiteDatenbank::SchemaVersion());
    return kOk;
}

int befehlDemo(const TAufruf& a)
{
    erlaubt(a, {QStringLiteral("--seed"), QStringLiteral("--gross"), QStringLiteral("--benutzer")}, 1);
    TDemoOptionen opt;
    if (const auto s = a.Option(QStringLiteral("--seed"))) {
        bool ok = false;
        opt.Seed = s->toULongLong(&ok);
        if (!ok)
            throw EAufruf(QStringLiteral("--seed braucht eine nicht negative ganze Zahl, nicht '%1'.").arg(*s));
    }
    if (const auto g = a.Option(QStringLiteral("--gross")))
        opt.GrossMandantOP = ganzzahl(*g, QStringLiteral("--gross"), 0, 5000000);
    const TSuiteKonfiguration k = konfigLaden(a);
    opt.Benutzer = a.Option(QStringLiteral("--benutzer")).value_or(k.Benutzer);
    opt.LogoErzeugen = logoZeichnen;
    anlegen(k);
    if (Verwaltung_MandantenAnzahl() > 0) {
        err() << QStringLiteral("Die Datenbank enthält bereits Mandanten; es werden keine Demodaten geschrieben.\n");
        return kFehler;
    }
    DemoDaten_Erzeugen(opt);
    layoutsInstallieren(k);
    err() << QStringLiteral("Demodaten geschrieben (Startwert %1). Benutzer mit den Rechten 202 und 203: %2, demo.\n")
                 .arg(opt.Seed)
                 .arg(opt.Benutzer);
    return kOk;
}

int befehlVersion(const TAufruf& a)
{
    erlaubt(a, {}, 1);
    out() << QStringLiteral("Schemaversion des Programms: %1\n").arg(TSuiteDatenbank::SchemaVersionProgramm());
    const QString pfad = konfigPfad(a);
    if (!QFileInfo::exists(pfad)) {
        out() << QStringLiteral("Keine Einstellungsdatei: %1\n").arg(pfad);
        return kOk;
    }
    const TSuiteKonfiguration k = TSuiteKonfiguration::Laden(pfad);
    if (!datenbankVorhanden(k)) {
        out() << QStringLiteral("Die Datenbank existiert noch nicht: %1\n").arg(k.Datenbank);
        return kOk;
    }
    out() << QStringLiteral("Schemaversion der Datenbank: %1 (%2)\n").arg(TSuiteDatenbank::GespeicherteVersion(k)).arg(k.Datenbank);
    return kOk;
}

int befehlUser(const TAufruf& a)
{
    if (a.woerter.value(1) != QLatin1String("add"))
        throw EAufruf(QStringLiteral("Erwartet: user add NAME [--recht N]... [--passwort PW]"));
    erlaubt(a, {QStringLiteral("--recht"), QStringLiteral("--passwort")}, 3);
    QVector<int> rechte;
    for (const QString& r : a.Optionen(QStringLiteral("--recht")))
        rechte << ganzzahl(r, QStringLiteral("Ein Recht"), 1, 65535);
    TSuiteDatenbank::Oeffnen(konfigLaden(a));
    const QString name = a.woerter[2];
    // On PostgreSQL also the clerk's login role in the database's clerks' group.
    const bool neu = Rechte_BenutzerAnlegen(name, QString(), rechte, a.Option(QStringLiteral("--passwort")).value_or(QString()));
    QStringList texte;
    for (int r : rechte)
        texte << QString::number(r);
    err() << (neu ? QStringLiteral("Benutzer %1 angelegt").arg(name) : QStringLiteral("Benutzer %1 vorhanden").arg(name))
          << (texte.isEmpty() ? QStringLiteral(".\n") : QStringLiteral(", Rechte: %1.\n").arg(texte.join(QStringLiteral(", "))));
    return kOk;
}

int befehlRechner(const TAufruf& a)
{
    if (a.woerter.value(1) != QLatin1String("add"))
        throw EAufruf(QStringLiteral("Erwartet: rechner add NR NAME [--filiale N]"));
    erlaubt(a, {QStringLiteral("--filiale")}, 4);
    const int nr = ganzzahl(a.woerter[2], QStringLiteral("Die Rechnernummer"), 1, 9999);
    const int filiale = ganzzahl(a.Option(QStringLiteral("--filiale")).value_or(QStringLiteral("0")),
                                 QStringLiteral("Die Filiale"), 0, 9999);
    TSuiteDatenbank::Oeffnen(konfigLaden(a));
    const bool neu = Verwaltung_RechnerEintragen(nr, a.woerter[3], filiale);
    err() << QStringLiteral("Rechner %1 \"%2\" %3 (Filiale %4).\n")
                 .arg(nr)
                 .arg(a.woerter[3], neu ? QStringLiteral("eingetragen") : QStringLiteral("geändert"))
                 .arg(filiale);
    return kOk;
}

int befehlLayout(const TAufruf& a)
{
    if (a.woerter.value(1) != QLatin1String("import"))
        throw EAufruf(QStringLiteral("Erwartet: layout import DATEI --art ART --name NAME"));
    erlaubt(a, {QStringLiteral("--art"), QStringLiteral("--name"), QStringLiteral("--standard"), QStringLiteral("--einstellung")}, 3);
    const auto art = a.Option(QStringLiteral("--art"));
    const auto name = a.Option(QStringLiteral("--name"));
    if (!art || !name)
        throw EAufruf(QStringLiteral("layout import braucht --art und --name."));
    QStringList einstellungen = a.Optionen(QStringLiteral("--einstellung"));
    if (einstellungen.isEmpty())
        einstellungen = Verwaltung_StandardLayoutEinstellungen(QString());
    const TSuiteKonfiguration k = konfigLaden(a);
    // Only the file name is kept: letters look the file up in the report folder.
    const QString datei = QFileInfo(a.woerter[2]).fileName();
    TSuiteDatenbank::Oeffnen(k);
    const TIntPair id = Verwaltung_LayoutRegistrieren(*art, *name, datei, einstellungen, a.Schalter(QStringLiteral("--standard")), k.Rechner);
    err() << QStringLiteral("Drucklayout \"%1\" (%2) mit der Berichtsdatei %3 eingetragen, Schlüssel %4.\n")
                 .arg(*name, *art, datei, qel_TIntPair2String(id));
    if (!QFileInfo::exists(QDir(k.BerichtsOrdner).filePath(datei)))
        err() << QStringLiteral("Hinweis: %1 liegt nicht im Berichtsordner %2.\n").arg(datei, k.BerichtsOrdner);
    return kOk;
}

int befehlLogo(const TAufruf& a)
{
    if (a.woerter.value(1) != QLatin1String("import"))
        throw EAufruf(QStringLiteral("Erwartet: logo import NAME DATEI"));
    erlaubt(a, {}, 4);
    const QString name = a.woerter[2];
    const QString pfad = a.woerter[3];
    QFile f(pfad);
    if (!f.open(QIODevice::ReadOnly))
        throw EQELError(QStringLiteral("Die Bilddatei kann nicht gelesen werden: %1").arg(pfad));
    const QByteArray bild = f.readAll();
    QImage probe;
    if (!probe.loadFromData(bild))
        throw EQELError(QStringLiteral("Die Datei ist kein lesbares Bild: %1").arg(pfad));
    const QString mime = QMimeDatabase().mimeTypeForData(bild).name();
    TSuiteDatenbank::Oeffnen(konfigLaden(a));
    const bool neu = Verwaltung_LogoSpeichern(name, mime, bild);
    err() << QStringLiteral("Logo %1 (%2, %3 x %4 Pixel) %5.\n")
                 .arg(name, mime)
                 .arg(probe.width())
                 .arg(probe.height())
                 .arg(neu ? QStringLiteral("gespeichert") : QStringLiteral("ersetzt"));
    return kOk;
}

int befehlSichern(const TAufruf& a)
{
    erlaubt(a, {}, 2);
    const TSicherungInfo info = Sicherung_Erstellen(konfigLaden(a), a.woerter[1]);
    err() << QStringLiteral("Sicherung geschrieben: %1 (%2 Bytes%3).\n")
                 .arg(info.Datei)
                 .arg(info.Bytes)
                 .arg(info.SchemaVersion > 0 ? QStringLiteral(", Schemaversion %1").arg(info.SchemaVersion) : QString());
    return kOk;
}

int befehlWiederherstellen(const TAufruf& a)
{
    erlaubt(a, {}, 2);
    const TSuiteKonfiguration k = konfigLaden(a);
    const TSicherungInfo info = Sicherung_Wiederherstellen(k, a.woerter[1]);
    err() << QStringLiteral("Die Datenbank %1 wurde aus der Sicherung %2 wiederhergestellt (Schemaversion %3).\n")
                 .arg(k.Datenbank, info.Datei)
                 .arg(info.SchemaVersion);
    if (info.SchemaVersion < TSuiteDatenbank::SchemaVersionProgramm())
        err() << QStringLiteral("Sie wird beim nächsten Start des Programms oder mit \"upgrade\" auf Version %1 gebracht.\n")
                     .arg(TSuiteDatenbank::SchemaVersionProgramm());
    return kOk;
}

int ausfuehren(const QStringList& args)
{
    TAufruf a;
    try {
        a = zerlegen(args);
        if (a.Schalter(QStringLiteral("--help")) || a.Schalter(QStringLiteral("-h"))
            || a.woerter.value(0) == QLatin1String("help")) {
            out() << QString::fromUtf8(kHilfe);
            return kOk;
        }
        if (a.woerter.isEmpty())
            throw EAufruf(QStringLiteral("Es fehlt der Befehl."));
        const QString befehl = a.woerter[0];
        if (befehl == QLatin1String("init"))
            return befehlInit(a);
        if (befehl == QLatin1String("create"))
            return befehlCreate(a);
        if (befehl == QLatin1String("upgrade"))
            return befehlUpgrade(a);
        if (befehl == QLatin1String("demo"))
            return befehlDemo(a);
        if (befehl == QLatin1String("version"))
            return befehlVersion(a);
        if (befehl == QLatin1String("user"))
            return befehlUser(a);
        if (befehl == QLatin1String("rechner"))
            return befehlRechner(a);
        if (befehl == QLatin1String("layout"))
            return befehlLayout(a);
        if (befehl == QLatin1String("logo"))
            return befehlLogo(a);
        if (befehl == QLatin1String("sichern"))
            return befehlSichern(a);
        if (befehl == QLatin1String("wiederherstellen"))
            return befehlWiederherstellen(a);
        throw EAufruf(QStringLiteral("Unbekannter Befehl '%1'.").arg(befehl));
    } catch (const EAufruf& e) {
        err() << e.Text() << QStringLiteral("\n\n") << QString::fromUtf8(kHilfe);
        return kAufruf;
    } catch (const EQELError& e) {
        err() << QStringLiteral("Fehler: ") << e.Text() << QLatin1Char('\n');
        return kFehler;
    } catch (const std::exception& e) {
        err() << QStringLiteral("Fehler: ") << QString::fromLocal8Bit(e.what()) << QLatin1Char('\n');
        return kFehler;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    // Only drawing the demo logos needs fonts, hence a GUI application; a command-line tool needs no
    // display, so the offscreen platform serves.
    bool zeichnen = false;
    for (int i = 1; i < argc; ++i)
        zeichnen = zeichnen || qstrcmp(argv[i], "demo") == 0;
    std::unique_ptr<QCoreApplication> app;
    if (zeichnen) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("mahnwesen-admin"));
    const int rc = ausfuehren(QCoreApplication::arguments());
    TSuiteDatenbank::Schliessen();
    out().flush();
    err().flush();
    return rc;
}
