#include "mailkonfiguration.h"

#include "suite/core/konfiguration.h"
#include "suite/core/types.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <sys/stat.h>
#include <unistd.h>

int TMailKonfiguration::WirksamerPort() const
{
    if (Port > 0)
        return Port;
    switch (Sicherheit) {
    case TMailSicherheit::Tls:
        return 465;
    case TMailSicherheit::Keine:
        return 25;
    case TMailSicherheit::StartTls:
        break;
    }
    return 587;
}

QString TMailKonfiguration::Url() const
{
    // An IPv6 literal needs brackets in a URL.
    const QString host = Host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(Host) : Host;
    return QStringLiteral("%1://%2:%3")
        .arg(Sicherheit == TMailSicherheit::Tls ? QStringLiteral("smtps") : QStringLiteral("smtp"), host)
        .arg(WirksamerPort());
}

TMailKonfiguration TMailKonfiguration::Laden(const QString& pfadArg)
{
    const QString pfad = pfadArg.isEmpty() ? TSuiteKonfiguration::StandardPfad() : pfadArg;
    TMailKonfiguration k;
    if (!QFileInfo::exists(pfad))
        return k;
    QSettings s(pfad, QSettings::IniFormat);
    const QString ordner = QFileInfo(pfad).absolutePath();
    auto relativ = [&](const QString& p) { return p.isEmpty() || QDir::isAbsolutePath(p) ? p : QDir(ordner).absoluteFilePath(p); };
    k.Host = s.value(QStringLiteral("EMail/Host")).toString().trimmed();
    bool ok = true;
    k.Port = s.value(QStringLiteral("EMail/Port"), 0).toInt(&ok);
    if (!ok || k.Port < 0 || k.Port > 65535)
        throw EQELError(QStringLiteral("Der Port des Mailservers (EMail/Port) muss leer sein oder zwischen 1 und 65535 liegen."));
    k.Sicherheit = SicherheitLesen(s.value(QStringLiteral("EMail/Sicherheit"), QStringLiteral("STARTTLS")).toString());
    k.Benutzer = s.value(QStringLiteral("EMail/Benutzer")).toString().trimmed();
    k.PasswortDatei = relativ(s.value(QStringLiteral("EMail/Passwortdatei")).toString().trimmed());
    k.TimeoutSek = s.value(QStringLiteral("EMail/TimeoutSek"), 30).toInt(&ok);
    if (!ok || k.TimeoutSek < 1 || k.TimeoutSek > 600)
        throw EQELError(QStringLiteral("Die Wartezeit auf den Mailserver (EMail/TimeoutSek) muss zwischen 1 und 600 Sekunden liegen."));
    k.Zertifikate = relativ(s.value(QStringLiteral("EMail/Zertifikate")).toString().trimmed());
    k.Probelaufordner = relativ(s.value(QStringLiteral("EMail/Probelaufordner")).toString().trimmed());
    if (!k.Benutzer.isEmpty() && k.PasswortDatei.isEmpty())
        throw EQELError(QStringLiteral("Für den Benutzer des Mailservers ist keine Passwortdatei angegeben (EMail/Passwortdatei)."));
    return k;
}

TMailSicherheit TMailKonfiguration::SicherheitLesen(const QString& text)
{
    const QString t = text.trimmed().toUpper();
    if (t == QLatin1String("STARTTLS"))
        return TMailSicherheit::StartTls;
    if (t == QLatin1String("TLS"))
        return TMailSicherheit::Tls;
    if (t == QLatin1String("KEINE"))
        return TMailSicherheit::Keine;
    throw EQELError(QStringLiteral("Unbekannte Verschlüsselung „%1“ für den Mailserver (EMail/Sicherheit: STARTTLS, "
                                   "TLS oder KEINE).")
                        .arg(t));
}

QString TMailKonfiguration::SicherheitText(TMailSicherheit s)
{
    switch (s) {
    case TMailSicherheit::Tls: return QStringLiteral("TLS");
    case TMailSicherheit::Keine: return QStringLiteral("KEINE");
    case TMailSicherheit::StartTls: break;
    }
    return QStringLiteral("STARTTLS");
}

void TMailKonfiguration::Speichern(const QString& pfad) const
{
    QSettings s(pfad, QSettings::IniFormat);
    s.remove(QStringLiteral("EMail"));
    auto setzen = [&s](const char* name, const QVariant& wert, bool gesetzt) {
        if (gesetzt)
            s.setValue(QStringLiteral("EMail/") + QLatin1String(name), wert);
    };
    setzen("Host", Host, !Host.isEmpty());
    setzen("Port", Port, Port > 0);
    setzen("Sicherheit", SicherheitText(Sicherheit), true);
    setzen("Benutzer", Benutzer, !Benutzer.isEmpty());
    setzen("Passwortdatei", PasswortDatei, !PasswortDatei.isEmpty());
    setzen("TimeoutSek", TimeoutSek, TimeoutSek != 30);
    setzen("Zertifikate", Zertifikate, !Zertifikate.isEmpty());
    setzen("Probelaufordner", Probelaufordner, !Probelaufordner.isEmpty());
    s.sync();
}

QString TMailKonfiguration::Passwort() const
{
    if (Benutzer.isEmpty())
        return QString();
    const QByteArray pfad = QFile::encodeName(PasswortDatei);
    struct stat st {};
    if (PasswortDatei.isEmpty() || ::stat(pfad.constData(), &st) != 0)
        throw EQELError(QStringLiteral("Die Passwortdatei für den Mailserver „%1“ wurde nicht gefunden.").arg(PasswortDatei));
    if (!S_ISREG(st.st_mode))
        throw EQELError(QStringLiteral("Die Passwortdatei für den Mailserver „%1“ ist keine gewöhnliche Datei.").arg(PasswortDatei));
    if (st.st_uid != ::geteuid())
        throw EQELError(QStringLiteral("Die Passwortdatei für den Mailserver „%1“ gehört einem anderen Benutzer. "
                                       "Es wird keine E-Mail versendet.")
                            .arg(PasswortDatei));
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        throw EQELError(QStringLiteral("Die Passwortdatei für den Mailserver „%1“ ist auch für andere Benutzer lesbar. "
                                       "Es wird keine E-Mail versendet. Bitte schützen Sie die Datei mit "
                                       "„chmod 600 %1“.")
                            .arg(PasswortDatei));
    QFile f(PasswortDatei);
    if (!f.open(QIODevice::ReadOnly))
        throw EQELError(QStringLiteral("Die Passwortdatei für den Mailserver „%1“ kann nicht gelesen werden.").arg(PasswortDatei));
    QByteArray zeile = f.readLine();
    while (zeile.endsWith('\n') || zeile.endsWith('\r'))
        zeile.chop(1);
    if (zeile.isEmpty())
        throw EQELError(QStringLiteral("Die Passwortdatei für den Mailserver „%1“ ist leer.").arg(PasswortDatei));
    return QString::fromUtf8(zeile);
}
