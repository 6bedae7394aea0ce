#include "befehl.h"

#include "suite/core/servers/database.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>

namespace admin {

QTextStream& out()
{
    static QTextStream s(stdout);
    return s;
}

QTextStream& err()
{
    static QTextStream s(stderr);
    return s;
}

namespace {

std::vector<TAdminBefehl::TEintrag>& register_()
{
    static std::vector<TAdminBefehl::TEintrag> r;
    return r;
}

// The usage line names the command's words instead of the executable's path.
QString mitBefehl(QString hilfe, const QString& befehl)
{
    const QString exe = QCoreApplication::arguments().value(0);
    const int i = exe.isEmpty() ? -1 : hilfe.indexOf(exe);
    if (i >= 0 && i < hilfe.indexOf(QLatin1Char('\n')))
        hilfe.replace(i, exe.size(), befehl);
    return hilfe;
}

}  // namespace

TAdminBefehl::TAdminBefehl(const char* name, const char* kurzhilfe, TBefehlsFunktion funktion)
{
    auto& r = register_();
    r.push_back({QString::fromUtf8(name), QString::fromUtf8(kurzhilfe), std::move(funktion)});
    std::sort(r.begin(), r.end(), [](const TEintrag& a, const TEintrag& b) { return a.name < b.name; });
}

const std::vector<TAdminBefehl::TEintrag>& TAdminBefehl::Alle() { return register_(); }

const TAdminBefehl::TEintrag* TAdminBefehl::Suchen(const QString& name)
{
    for (const TEintrag& e : register_())
        if (e.name == name)
            return &e;
    return nullptr;
}

namespace {
std::vector<std::pair<QString, TAktion>>& weitereAktionen()
{
    static std::vector<std::pair<QString, TAktion>> r;
    return r;
}
}  // namespace

TAdminAktion::TAdminAktion(const char* gruppe, const char* name, const char* kurzhilfe, TBefehlsFunktion funktion)
{
    weitereAktionen().push_back({QString::fromUtf8(gruppe), TAktion{name, kurzhilfe, std::move(funktion)}});
}

std::vector<TAktion> TAdminAktion::Fuer(const QString& gruppe)
{
    std::vector<TAktion> l;
    for (const auto& [g, aktion] : weitereAktionen())
        if (g == gruppe)
            l.push_back(aktion);
    return l;
}

int Aktion_Ausfuehren(const TAdminAufruf& a, const QString& beschreibung, std::initializer_list<TAktion> eigene)
{
    std::vector<TAktion> aktionen(eigene);
    for (const TAktion& t : TAdminAktion::Fuer(a.Befehl.section(QLatin1Char(' '), -1)))
        aktionen.push_back(t);
    QString liste = QStringLiteral("Aufruf: %1 <Aktion> [Optionen]\n%2\n\nAktionen:\n").arg(a.Befehl, beschreibung);
    for (const TAktion& t : aktionen)
        liste += QStringLiteral("  %1  %2\n").arg(QString::fromUtf8(t.name), -10).arg(QString::fromUtf8(t.kurzhilfe));
    liste += QStringLiteral("\nHilfe zu einer Aktion: %1 <Aktion> --help\n").arg(a.Befehl);

    const QString wort = a.Argumente.value(0);
    if (wort == QLatin1String("--help") || wort == QLatin1String("-h") || wort == QLatin1String("help"))
        throw EHilfe{liste};
    if (wort.isEmpty())
        throw EAufruf(QStringLiteral("Es fehlt die Aktion."), liste);
    for (const TAktion& t : aktionen)
        if (wort == QLatin1String(t.name))
            return t.funktion({a.Befehl + QLatin1Char(' ') + wort, a.Argumente.mid(1), a.KonfigPfad});
    throw EAufruf(QStringLiteral("Unbekannte Aktion '%1'.").arg(wort), liste);
}

TBefehlsZeile::TBefehlsZeile(const TAdminAufruf& a, const QString& beschreibung) : m_a(a)
{
    m_p.setApplicationDescription(beschreibung);
    m_p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_p.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Diese Hilfe anzeigen.")));
    m_namen << QStringLiteral("help") << QStringLiteral("config");
    m_p.addOption(QCommandLineOption(QStringLiteral("config"),
                                     QStringLiteral("Einstellungsdatei (sonst $QEL_SUITE_CONFIG, sonst "
                                                    "~/.config/qel-suite/suite.ini)."),
                                     QStringLiteral("DATEI")));
}

void TBefehlsZeile::Option(const QStringList& namen, const QString& beschreibung, const QString& wertName)
{
    m_p.addOption(QCommandLineOption(namen, beschreibung, wertName));
    m_namen << namen;
}

void TBefehlsZeile::Argument(const QString& name, const QString& beschreibung, bool optional)
{
    m_p.addPositionalArgument(name, beschreibung, optional ? QStringLiteral("[%1]").arg(name) : name);
    ++m_moeglich;
    if (!optional)
        m_pflicht = m_moeglich;
}

void TBefehlsZeile::ArgumentListe(const QString& name, const QString& beschreibung)
{
    m_p.addPositionalArgument(name, beschreibung, name + QStringLiteral("..."));
    m_pflicht = m_moeglich + 1;
    m_moeglich = std::numeric_limits<int>::max();
}

QString TBefehlsZeile::Hilfetext() const { return mitBefehl(m_p.helpText(), m_a.Befehl); }

void TBefehlsZeile::Lesen()
{
    const bool ok = m_p.parse(QStringList{QCoreApplication::arguments().value(0)} + m_a.Argumente);
    if (ok && m_p.isSet(QStringLiteral("help")))
        throw EHilfe{Hilfetext()};
    if (!ok)
        Falsch(m_p.errorText());
    const int n = int(m_p.positionalArguments().size());
    if (n < m_pflicht)
        Falsch(QStringLiteral("Dem Befehl fehlen Angaben."));
    if (n > m_moeglich)
        Falsch(QStringLiteral("Zu viele Angaben: %1").arg(m_p.positionalArguments().mid(m_moeglich).join(QLatin1Char(' '))));
}

int TBefehlsZeile::Ganzzahl(const QString& name, int min, int max, int vorgabe) const
{
    return Gesetzt(name) ? Zahl(Wert(name), QStringLiteral("--") + name, min, max) : vorgabe;
}

int TBefehlsZeile::Zahl(const QString& text, const QString& was, int min, int max) const
{
    try {
        return admin::Ganzzahl(text, was, min, max);
    } catch (const EAufruf& e) {
        Falsch(e.Text());
    }
}

QString TBefehlsZeile::KonfigPfad() const
{
    if (m_p.isSet(QStringLiteral("config")))
        return m_p.value(QStringLiteral("config"));
    if (!m_a.KonfigPfad.isEmpty())
        return m_a.KonfigPfad;
    return TSuiteKonfiguration::StandardPfad();
}

TSuiteKonfiguration TBefehlsZeile::Konfiguration() const { return TSuiteKonfiguration::Laden(KonfigPfad()); }

TSuiteKonfiguration TBefehlsZeile::DatenbankOeffnen() const
{
    const TSuiteKonfiguration k = Konfiguration();
    TSuiteDatenbank::Oeffnen(k);
    TSuiteDatenbank::SetRechnerNr(k.Rechner);
    TSuiteDatenbank::SetBenutzer(k.Benutzer);
    return k;
}

int Ganzzahl(const QString& text, const QString& was, int min, int max)
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

void Admin_VersionMelden(int vorher, int nachher)
{
    if (vorher == nachher)
        err() << QStringLiteral("Die Datenbank hat bereits den aktuellen Stand (Version %1).\n").arg(nachher);
    else if (vorher == 0)
        err() << QStringLiteral("Die Datenbank wurde angelegt (Version %1).\n").arg(nachher);
    else
        err() << QStringLiteral("Die Datenbank wurde von Version %1 auf Version %2 aktualisiert.\n").arg(vorher).arg(nachher);
}

namespace {

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

}  // namespace

void Admin_DatenbankAnlegen(const TSuiteKonfiguration& k)
{
    const int vorher = TSuiteDatenbank::Vorhanden(k) ? TSuiteDatenbank::GespeicherteVersion(k) : 0;
    TSuiteDatenbank::AnlegenOderAktualisieren(k);
    TSuiteDatenbank::SetRechnerNr(k.Rechner);
    TSuiteDatenbank::SetBenutzer(k.Benutzer);
    Admin_VersionMelden(vorher, TSuiteDatenbank::SchemaVersion());
}

// Copies the shipped layouts into the report folder; files already there (perhaps edited) stay.
void Admin_LayoutsInstallieren(const TSuiteKonfiguration& k)
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

}  // namespace admin
