// mahnwesen-admin as an administrator uses it: German help per command, wrong calls, init.
#include "support/admin.h"
#include "support/temp_suite.h"

#include "suite/core/servers/database.h"
#include "suite/mail/mailkonfiguration.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The command names the overview lists.
QStringList befehle()
{
    const TAdminLauf l = Admin_Aufrufen({QStringLiteral("--help")});
    EXPECT_EQ(l.rc, 0);
    QStringList namen;
    const QString liste = l.ausgabe.section(QStringLiteral("Befehle:\n"), 1).section(QStringLiteral("\n\n"), 0, 0);
    for (const QString& zeile : liste.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        namen << zeile.trimmed().section(QLatin1Char(' '), 0, 0);
    return namen;
}

}  // namespace

TEST(AdminBefehle, EveryCommandAndActionHasItsOwnGermanHelp)
{
    const QStringList namen = befehle();
    for (const char* n : {"init", "create", "upgrade", "demo", "version", "user", "rechner", "layout", "logo"})
        EXPECT_TRUE(namen.contains(QLatin1String(n))) << n;
    for (const QString& name : namen) {
        const TAdminLauf l = Admin_Aufrufen({name, QStringLiteral("--help")});
        EXPECT_EQ(l.rc, 0) << name.toStdString();
        EXPECT_TRUE(l.ausgabe.startsWith(QStringLiteral("Aufruf: mahnwesen-admin ") + name)) << l.ausgabe.toStdString();
        EXPECT_FALSE(l.ausgabe.contains(QStringLiteral("Usage"))) << l.ausgabe.toStdString();
        EXPECT_FALSE(l.ausgabe.contains(QStringLiteral("Options:"))) << l.ausgabe.toStdString();
        // A group lists its actions; each action has a help of its own.
        const QString aktionen = l.ausgabe.section(QStringLiteral("Aktionen:\n"), 1).section(QStringLiteral("\n\n"), 0, 0);
        for (const QString& zeile : aktionen.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QString aktion = zeile.trimmed().section(QLatin1Char(' '), 0, 0);
            const TAdminLauf a = Admin_Aufrufen({name, aktion, QStringLiteral("-h")});
            EXPECT_EQ(a.rc, 0) << name.toStdString() << ' ' << aktion.toStdString();
            EXPECT_TRUE(a.ausgabe.startsWith(QStringLiteral("Aufruf: mahnwesen-admin %1 %2").arg(name, aktion)))
                << a.ausgabe.toStdString();
            EXPECT_TRUE(a.ausgabe.contains(QStringLiteral("Optionen:"))) << a.ausgabe.toStdString();
        }
    }
}

TEST(AdminBefehle, WrongCallsEndWithCodeTwoAndAGermanReason)
{
    struct TFall {
        QStringList args;
        QString grund;
    } faelle[] = {
        {{}, QStringLiteral("Es fehlt der Befehl.")},
        {{QStringLiteral("gibtsnicht")}, QStringLiteral("Unbekannter Befehl 'gibtsnicht'.")},
        {{QStringLiteral("user")}, QStringLiteral("Es fehlt die Aktion.")},
        {{QStringLiteral("user"), QStringLiteral("weg")}, QStringLiteral("Unbekannte Aktion 'weg'.")},
        {{QStringLiteral("init"), QStringLiteral("--quatsch")}, QStringLiteral("Unbekannte Option 'quatsch'.")},
        {{QStringLiteral("init"), QStringLiteral("--db")}, QStringLiteral("Zur Option '--db' fehlt der Wert.")},
        {{QStringLiteral("init")}, QStringLiteral("init braucht --db DATEI.")},
        {{QStringLiteral("rechner"), QStringLiteral("add"), QStringLiteral("7")}, QStringLiteral("Dem Befehl fehlen Angaben.")},
        {{QStringLiteral("rechner"), QStringLiteral("add"), QStringLiteral("x"), QStringLiteral("Lager")},
         QStringLiteral("Die Rechnernummer muss eine ganze Zahl zwischen 1 und 9999 sein, nicht 'x'.")},
        {{QStringLiteral("logo"), QStringLiteral("import"), QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("c")},
         QStringLiteral("Zu viele Angaben: c")},
    };
    for (const TFall& f : faelle) {
        const TAdminLauf l = Admin_Aufrufen(f.args);
        EXPECT_EQ(l.rc, 2) << f.args.join(' ').toStdString();
        EXPECT_TRUE(l.fehler.startsWith(f.grund)) << l.fehler.toStdString();
        // The help of the command that was called wrongly follows the reason.
        EXPECT_TRUE(l.fehler.contains(QStringLiteral("Aufruf: mahnwesen-admin"))) << l.fehler.toStdString();
    }
}

// After init alone the program starts: the signed-in user has the module's rights, and the hint
// names the command that creates a client.
TEST(AdminBefehle, InitRegistersTheSignedInUserWithTheModulesRights)
{
    QEL_NUR_SQLITE();
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("suite.ini"));
    const TAdminLauf l = Admin_Aufrufen({QStringLiteral("--config"), ini, QStringLiteral("init"), QStringLiteral("--db"),
                                         QStringLiteral("suite.db")});
    ASSERT_EQ(l.rc, 0) << l.Alles().toStdString();
    EXPECT_TRUE(l.fehler.contains(QStringLiteral("mahnwesen-admin mandant add"))) << l.fehler.toStdString();
    const TSuiteKonfiguration k = TSuiteKonfiguration::Laden(ini);
    ASSERT_FALSE(k.Benutzer.isEmpty());
    TSuiteDatenbank::Oeffnen(k);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("benutzer_recht"), QStringLiteral("benutzer = ? AND recht IN (202, 203)"),
                                 {k.Benutzer}),
              2);
    // ... on a workstation the program finds in the computer table.
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("rechner"), QStringLiteral("rechner_nr = ?"), {k.Rechner}), 1);
    TSuiteDatenbank::Schliessen();
    ASSERT_EQ(Admin_Aufrufen({QStringLiteral("--config"), ini, QStringLiteral("rechner"), QStringLiteral("add"),
                              QString::number(k.Rechner), QStringLiteral("Lager"), QStringLiteral("--filiale"), QStringLiteral("2")})
                  .rc,
              0);
    // A second init changes nothing and still succeeds; --config after the command works too.
    const TAdminLauf zweit = Admin_Aufrufen({QStringLiteral("init"), QStringLiteral("--db"), QStringLiteral("suite.db"),
                                             QStringLiteral("--config"), ini});
    EXPECT_EQ(zweit.rc, 0) << zweit.Alles().toStdString();
    EXPECT_TRUE(zweit.fehler.contains(QStringLiteral("vorhanden"))) << zweit.fehler.toStdString();
    TSuiteDatenbank::Oeffnen(k);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT filiale FROM rechner WHERE rechner_nr = ?"), {k.Rechner}).toInt(), 2);
    TSuiteDatenbank::Schliessen();
}

// The mail settings are changed where named, kept where not, and a wrong value leaves the file as it was.
TEST(AdminBefehle, MailSettingsChangeOnlyWhatIsNamed)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("suite.ini"));
    const auto mail = [&ini](QStringList args) {
        return Admin_Aufrufen(QStringList{QStringLiteral("--config"), ini, QStringLiteral("mail")} + args);
    };
    TAdminLauf l = mail({QStringLiteral("show")});
    EXPECT_EQ(l.rc, 0);
    EXPECT_TRUE(l.ausgabe.contains(QStringLiteral("nicht eingerichtet"))) << l.ausgabe.toStdString();

    l = mail({QStringLiteral("set"), QStringLiteral("--host"), QStringLiteral("mail.firma.de"), QStringLiteral("--sicherheit"),
              QStringLiteral("tls"), QStringLiteral("--probelauf"), QStringLiteral("ausgang")});
    ASSERT_EQ(l.rc, 0) << l.Alles().toStdString();
    l = mail({QStringLiteral("set"), QStringLiteral("--timeout"), QStringLiteral("90")});
    ASSERT_EQ(l.rc, 0) << l.Alles().toStdString();
    TMailKonfiguration k = TMailKonfiguration::Laden(ini);
    EXPECT_EQ(k.Host, QStringLiteral("mail.firma.de"));
    EXPECT_EQ(k.Sicherheit, TMailSicherheit::Tls);
    EXPECT_EQ(k.WirksamerPort(), 465);
    EXPECT_EQ(k.TimeoutSek, 90);
    EXPECT_EQ(k.Probelaufordner, dir.filePath(QStringLiteral("ausgang")));

    // Refused: nothing of the call is stored.
    EXPECT_EQ(mail({QStringLiteral("set"), QStringLiteral("--host"), QStringLiteral("anders.de"), QStringLiteral("--sicherheit"),
                    QStringLiteral("ssl")})
                  .rc,
              1);
    EXPECT_EQ(mail({QStringLiteral("set"), QStringLiteral("--host"), QStringLiteral("anders.de"), QStringLiteral("--benutzer"),
                    QStringLiteral("mahnung")})
                  .rc,
              2);
    EXPECT_EQ(mail({QStringLiteral("set"), QStringLiteral("--port"), QStringLiteral("70000")}).rc, 2);
    EXPECT_EQ(TMailKonfiguration::Laden(ini).Host, QStringLiteral("mail.firma.de"));
    EXPECT_EQ(TMailKonfiguration::Laden(ini).WirksamerPort(), 465);

    // An empty value removes a setting: mails are sent again instead of written to files.
    ASSERT_EQ(mail({QStringLiteral("set"), QStringLiteral("--probelauf"), QString()}).rc, 0);
    k = TMailKonfiguration::Laden(ini);
    EXPECT_TRUE(k.Probelaufordner.isEmpty());
    l = mail({QStringLiteral("show")});
    EXPECT_TRUE(l.ausgabe.contains(QStringLiteral("mail.firma.de"))) << l.ausgabe.toStdString();
    EXPECT_TRUE(l.ausgabe.contains(QStringLiteral("465"))) << l.ausgabe.toStdString();
}
