// mahnwesen-admin: creates and upgrades the suite database, manages its master and system data and
// imports data from the accounting. Each command lives in a cmd_*.cpp file and registers itself.
#include "befehl.h"

#include "suite/core/servers/database.h"
#include "suite/core/servers/datenbankfehler.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTranslator>

#include <memory>

namespace admin {
namespace {

// German texts for what QCommandLineParser writes itself (usage line, headings, errors).
class TParserTexte : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char* kontext, const char* text, const char*, int) const override
    {
        if (qstrcmp(kontext, "QCommandLineParser") != 0)
            return QString();
        static const std::pair<const char*, const char*> texte[] = {
            {"Usage: %1", "Aufruf: %1"},
            {"Options:", "Optionen:"},
            {"Arguments:", "Argumente:"},
            {"[options]", "[Optionen]"},
            {"Unknown option '%1'.", "Unbekannte Option '%1'."},
            {"Unknown options: %1.", "Unbekannte Optionen: %1."},
            {"Missing value after '%1'.", "Zur Option '%1' fehlt der Wert."},
            {"Unexpected value after '%1'.", "Die Option '%1' nimmt keinen Wert."},
            {"Displays help on commandline options.", "Diese Hilfe anzeigen."},
            {"Displays version information.", "Version anzeigen."},
        };
        for (const auto& [englisch, deutsch] : texte)
            if (qstrcmp(text, englisch) == 0)
                return QString::fromUtf8(deutsch);
        return QString();
    }
};

QString hilfe()
{
    QString t = QStringLiteral(
        "Aufruf: mahnwesen-admin [--config DATEI] <Befehl> [Aktion] [Optionen]\n"
        "Verwaltung der Suite-Datenbank für das Mahnwesen.\n\n"
        "Befehle:\n");
    for (const TAdminBefehl::TEintrag& e : TAdminBefehl::Alle())
        t += QStringLiteral("  %1  %2\n").arg(e.name, -16).arg(e.kurzhilfe);
    t += QStringLiteral(
        "\nHilfe zu einem Befehl: mahnwesen-admin <Befehl> --help\n"
        "Ohne --config gilt $QEL_SUITE_CONFIG, sonst ~/.config/qel-suite/suite.ini.\n"
        "Rückgabewerte: 0 Erfolg, 1 Fehler, 2 falscher Aufruf.\n");
    return t;
}


int ausfuehren(const QStringList& args)
{
    try {
        QCommandLineParser p;
        p.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
        p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        p.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Diese Hilfe anzeigen.")));
        p.addOption(QCommandLineOption(QStringLiteral("config"), QStringLiteral("Einstellungsdatei."), QStringLiteral("DATEI")));
        if (!p.parse(args))
            throw EAufruf(p.errorText(), hilfe());
        const QStringList rest = p.positionalArguments();
        if (p.isSet(QStringLiteral("help")) || rest.value(0) == QLatin1String("help")) {
            out() << hilfe();
            return kOk;
        }
        if (rest.isEmpty())
            throw EAufruf(QStringLiteral("Es fehlt der Befehl."), hilfe());
        const TAdminBefehl::TEintrag* befehl = TAdminBefehl::Suchen(rest[0]);
        if (!befehl)
            throw EAufruf(QStringLiteral("Unbekannter Befehl '%1'.").arg(rest[0]), hilfe());
        return befehl->funktion({QStringLiteral("mahnwesen-admin ") + rest[0], rest.mid(1), p.value(QStringLiteral("config"))});
    } catch (const EHilfe& h) {
        out() << h.text;
        return kOk;
    } catch (const EAufruf& e) {
        err() << e.Text() << QStringLiteral("\n\n") << e.Hilfe();
        return kAufruf;
    } catch (const EDatenbankFehler& e) {
        // The administrator reads the driver's own words too; the program's boxes never show them.
        err() << QStringLiteral("Fehler: ") << e.Text() << QStringLiteral("\nEinzelheiten: ") << e.Detail() << QLatin1Char('\n');
        return kFehler;
    } catch (const EQELError& e) {
        err() << QStringLiteral("Fehler: ") << e.Text() << QLatin1Char('\n');
        return kFehler;
    } catch (const std::exception& e) {
        err() << QStringLiteral("Fehler: ") << QString::fromLocal8Bit(e.what()) << QLatin1Char('\n');
        return kFehler;
    }
}

}  // namespace
}  // namespace admin

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
    admin::TParserTexte texte;
    QCoreApplication::installTranslator(&texte);
    const int rc = admin::ausfuehren(QCoreApplication::arguments());
    TSuiteDatenbank::Schliessen();
    admin::out().flush();
    admin::err().flush();
    return rc;
}
