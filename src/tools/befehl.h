// The command structure of mahnwesen-admin: a registry of sub-commands and the parsing helpers they
// share. A new sub-command lives in a file of its own (cmd_<name>.cpp) and registers itself:
//
//   int befehlBasiszins(const TAdminAufruf& a) { TBefehlsZeile z(a, ...); ... }
//   const TAdminBefehl basiszins("basiszins", "Basiszinssätze pflegen", befehlBasiszins);
//
// A group of actions ("mandant add|edit|...") dispatches with Aktion_Ausfuehren.
#pragma once

#include "suite/core/konfiguration.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <vector>

namespace admin {

constexpr int kOk = 0;
constexpr int kFehler = 1;
constexpr int kAufruf = 2;

QTextStream& out();
QTextStream& err();

// A wrong call: the message goes out with a pointer to the command's help, exit code 2.
class EAufruf : public std::runtime_error {
public:
    EAufruf(const QString& text, const QString& hilfe = QString())
        : std::runtime_error(text.toStdString()), m_hilfe(hilfe)
    {
    }
    QString Text() const { return QString::fromStdString(what()); }
    QString Hilfe() const { return m_hilfe; }  // help of the command that was called wrongly

private:
    QString m_hilfe;
};

// --help was asked for: the text goes to standard output, exit code 0.
struct EHilfe {
    QString text;
};

// One call of a command: what was typed after the command's words, and the settings file.
struct TAdminAufruf {
    QString Befehl;          // the words so far, e.g. "mahnwesen-admin mandant add"
    QStringList Argumente;   // what follows them
    QString KonfigPfad;      // --config given before the command, else empty
};

using TBefehlsFunktion = std::function<int(const TAdminAufruf&)>;

// Registers a top-level command at start-up (a namespace-scope object in the command's file).
class TAdminBefehl {
public:
    TAdminBefehl(const char* name, const char* kurzhilfe, TBefehlsFunktion funktion);

    struct TEintrag {
        QString name;
        QString kurzhilfe;
        TBefehlsFunktion funktion;
    };
    static const std::vector<TEintrag>& Alle();  // sorted by name
    static const TEintrag* Suchen(const QString& name);
};

// One action of a command group ("add", "list", ...).
struct TAktion {
    const char* name;
    const char* kurzhilfe;
    TBefehlsFunktion funktion;
};

// Adds an action to a command group from a file of its own, e.g. "mandant mahnregeln":
//   const TAdminAktion mahnregeln("mandant", "mahnregeln", "Mahnregeln zeigen und ändern", aktionMahnregeln);
class TAdminAktion {
public:
    TAdminAktion(const char* gruppe, const char* name, const char* kurzhilfe, TBefehlsFunktion funktion);
    static std::vector<TAktion> Fuer(const QString& gruppe);
};

// Runs the action named by the first argument, among the given ones and those other files added to
// the group; "--help" or no action lists the actions.
int Aktion_Ausfuehren(const TAdminAufruf& a, const QString& beschreibung, std::initializer_list<TAktion> aktionen);

// A command's own parser: German help, the common --config option, typed option values.
class TBefehlsZeile {
public:
    TBefehlsZeile(const TAdminAufruf& a, const QString& beschreibung);

    // An option with a value (wertName non-empty) or a switch.
    void Option(const QStringList& namen, const QString& beschreibung, const QString& wertName = QString());
    void Argument(const QString& name, const QString& beschreibung, bool optional = false);
    // One or more arguments of the same kind at the end ("DATEI...").
    void ArgumentListe(const QString& name, const QString& beschreibung);
    // Parses; raises EHilfe for --help and EAufruf for a wrong call or a wrong number of arguments.
    void Lesen();

    bool Kennt(const QString& name) const { return m_namen.contains(name); }
    bool Gesetzt(const QString& name) const { return Kennt(name) && m_p.isSet(name); }
    QString Wert(const QString& name) const { return m_p.value(name); }
    QStringList Werte(const QString& name) const { return m_p.values(name); }
    QStringList Argumente() const { return m_p.positionalArguments(); }
    QString Argument(int i) const { return m_p.positionalArguments().value(i); }
    // A whole number in [min, max]; the option's name appears in the message.
    int Ganzzahl(const QString& name, int min, int max, int vorgabe) const;
    // A whole number given as text (an argument); a wrong one is a wrong call of this command.
    int Zahl(const QString& text, const QString& was, int min, int max) const;

    QString KonfigPfad() const;
    TSuiteKonfiguration Konfiguration() const;
    // Opens the configured database (upgrading it) for a command that works on its data.
    TSuiteKonfiguration DatenbankOeffnen() const;

    [[noreturn]] void Falsch(const QString& text) const { throw EAufruf(text, Hilfetext()); }
    QString Hilfetext() const;

private:
    const TAdminAufruf& m_a;
    QCommandLineParser m_p;
    QStringList m_namen;  // options this command defines
    int m_pflicht = 0;
    int m_moeglich = 0;
};

int Ganzzahl(const QString& text, const QString& was, int min, int max);

// Shared steps of several commands.
void Admin_LayoutsInstallieren(const TSuiteKonfiguration& k);
// Creates or upgrades the configured database and leaves it open.
void Admin_DatenbankAnlegen(const TSuiteKonfiguration& k);
void Admin_VersionMelden(int vorher, int nachher);

}  // namespace admin
