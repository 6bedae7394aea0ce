#include "konfiguration.h"

#include "types.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <pwd.h>
#include <unistd.h>

QString TSuiteKonfiguration::StandardPfad()
{
    const QByteArray env = qgetenv("QEL_SUITE_CONFIG");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    return QDir::homePath() + QStringLiteral("/.config/qel-suite/suite.ini");
}

// Tests run as one OS user and stand for several clerks.
static const char* const kTestBenutzer = "QEL_SUITE_TEST_BENUTZER";

bool qel_BenutzerVonTests() { return !qEnvironmentVariableIsEmpty(kTestBenutzer); }

QString qel_AngemeldeterBenutzer()
{
    if (qel_BenutzerVonTests())
        return qEnvironmentVariable(kTestBenutzer);
    // The account of the process, not $USER or $LOGNAME, which anyone can set.
    if (const passwd* pw = getpwuid(geteuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return QStringLiteral("uid%1").arg(geteuid());
}

TSuiteKonfiguration TSuiteKonfiguration::Laden(const QString& pfadArg)
{
    const QString pfad = pfadArg.isEmpty() ? StandardPfad() : pfadArg;
    if (!QFileInfo::exists(pfad))
        throw EQELError(QStringLiteral("Die Einstellungsdatei der Suite wurde nicht gefunden:\n%1").arg(pfad));
    QSettings s(pfad, QSettings::IniFormat);
    if (s.status() != QSettings::NoError)
        throw EQELError(QStringLiteral("Die Einstellungsdatei der Suite kann nicht gelesen werden:\n%1").arg(pfad));
    const QString ordner = QFileInfo(pfad).absolutePath();
    auto relativ = [&](const QString& p) {
        if (p.isEmpty() || QDir::isAbsolutePath(p))
            return p;
        return QDir(ordner).absoluteFilePath(p);
    };
    TSuiteKonfiguration k;
    k.Treiber = s.value(QStringLiteral("Datenbank/Treiber"), QStringLiteral("QSQLITE")).toString().toUpper();
    k.Datenbank = s.value(QStringLiteral("Datenbank/Name")).toString();
    if (k.Treiber == QLatin1String("QSQLITE"))
        k.Datenbank = relativ(k.Datenbank);
    k.Host = s.value(QStringLiteral("Datenbank/Host")).toString();
    bool ok = false;
    k.Port = s.value(QStringLiteral("Datenbank/Port"), 0).toInt(&ok);
    if (!ok || k.Port < 0 || k.Port > 65535)
        throw EQELError(QStringLiteral("Der Port der Datenbank in der Einstellungsdatei muss leer sein oder zwischen 1 und 65535 liegen."));
    k.DbBenutzer = s.value(QStringLiteral("Datenbank/Benutzer")).toString();
    k.DbPasswort = s.value(QStringLiteral("Datenbank/Passwort")).toString();
    k.WartezeitMs = s.value(QStringLiteral("Datenbank/WartezeitMs"), 0).toInt(&ok);
    if (!ok || k.WartezeitMs < 0 || k.WartezeitMs > 600000)
        throw EQELError(QStringLiteral("Die Wartezeit auf gesperrte Daten (Datenbank/WartezeitMs) muss zwischen 0 und "
                                       "600000 Millisekunden liegen."));
    k.Rechner = s.value(QStringLiteral("Arbeitsplatz/Rechner"), 1).toInt(&ok);
    if (!ok || k.Rechner < 1 || k.Rechner > 9999)
        throw EQELError(QStringLiteral("Die Rechnernummer in der Einstellungsdatei muss zwischen 1 und 9999 liegen."));
    // The clerk is who signed in; a settings file, which another user may have written, cannot say otherwise.
    k.Benutzer = qel_AngemeldeterBenutzer();
    const QString eingetragen = s.value(QStringLiteral("Arbeitsplatz/Benutzer")).toString().trimmed();
    if (!eingetragen.isEmpty() && eingetragen != k.Benutzer)
        throw EQELError(QStringLiteral("Die Einstellungsdatei nennt den Benutzer „%1“, angemeldet ist aber „%2“. "
                                       "Das Mahnwesen arbeitet immer unter dem angemeldeten Benutzer; bitte lassen Sie "
                                       "den Eintrag Arbeitsplatz/Benutzer entfernen:\n%3")
                            .arg(eingetragen, k.Benutzer, pfad));
    k.Waehrung = s.value(QStringLiteral("Arbeitsplatz/Waehrung"), QStringLiteral("EUR")).toString();
    k.BerichtsOrdner = relativ(s.value(QStringLiteral("Ordner/Berichte"), QStringLiteral("berichte")).toString());
    k.LogDatei = relativ(s.value(QStringLiteral("Ordner/Fehlerprotokoll"), QStringLiteral("fehler.log")).toString());
    if (k.Treiber != QLatin1String("QSQLITE") && k.Treiber != QLatin1String("QPSQL"))
        throw EQELError(QStringLiteral("Unbekannter Datenbanktreiber '%1' (erlaubt: QSQLITE, QPSQL).").arg(k.Treiber));
    if (k.Datenbank.isEmpty())
        throw EQELError(QStringLiteral("In der Einstellungsdatei ist keine Datenbank angegeben."));
    return k;
}

void TSuiteKonfiguration::Speichern(const QString& pfad) const
{
    QDir().mkpath(QFileInfo(pfad).absolutePath());
    QSettings s(pfad, QSettings::IniFormat);
    // Optional keys without a value are removed: an older file must not keep a stale host or password.
    auto optional = [&s](const QString& schluessel, const QVariant& wert, bool gesetzt) {
        if (gesetzt)
            s.setValue(schluessel, wert);
        else
            s.remove(schluessel);
    };
    s.setValue(QStringLiteral("Datenbank/Treiber"), Treiber);
    s.setValue(QStringLiteral("Datenbank/Name"), Datenbank);
    optional(QStringLiteral("Datenbank/Host"), Host, !Host.isEmpty());
    optional(QStringLiteral("Datenbank/Port"), Port, Port > 0);
    optional(QStringLiteral("Datenbank/Benutzer"), DbBenutzer, !DbBenutzer.isEmpty());
    optional(QStringLiteral("Datenbank/Passwort"), DbPasswort, !DbPasswort.isEmpty());
    optional(QStringLiteral("Datenbank/WartezeitMs"), WartezeitMs, WartezeitMs > 0);
    s.setValue(QStringLiteral("Arbeitsplatz/Rechner"), Rechner);
    // The clerk is always the signed-in user: the file does not name one.
    s.remove(QStringLiteral("Arbeitsplatz/Benutzer"));
    s.setValue(QStringLiteral("Arbeitsplatz/Waehrung"), Waehrung);
    if (!BerichtsOrdner.isEmpty())
        s.setValue(QStringLiteral("Ordner/Berichte"), BerichtsOrdner);
    if (!LogDatei.isEmpty())
        s.setValue(QStringLiteral("Ordner/Fehlerprotokoll"), LogDatei);
    s.sync();
}
