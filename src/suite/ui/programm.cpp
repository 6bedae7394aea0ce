#include "programm.h"

#include "info.h"
#include "suite/core/servers/database.h"
#include "suite/core/servers/interfaces.h"
#include "suite/core/servers/rechte.h"
#include "suite/core/servers/servermeldung.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMetaObject>

namespace {
std::function<void()>& terminateAktion()
{
    static std::function<void()> aktion = [] {
        if (auto* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, &QCoreApplication::quit, Qt::QueuedConnection);
    };
    return aktion;
}
}  // namespace

TQELProgramm& TQELProgramm::Instance()
{
    static TQELProgramm programm;
    return programm;
}

void TQELProgramm::Init(const QString& programmName, int, int, int, bool)
{
    m_name = programmName;
    m_konf = TSuiteKonfiguration::Laden();
    TSuiteDatenbank::Oeffnen(m_konf);
    // On PostgreSQL the clerk is the role the session logged in with: the database enforces its rights.
    if (TSuiteDatenbank::IstPostgres() && !qel_BenutzerVonTests())
        m_konf.Benutzer = Rechte_DatenbankRolle();
    TSuiteDatenbank::SetRechnerNr(m_konf.Rechner);
    TSuiteDatenbank::SetBenutzer(m_konf.Benutzer);
    qel_SetServerMeldung([](const QString& text) { qel_Meldung(CMeldung_Hinweis, 991, text); });
    m_init = true;
}

void TQELProgramm::SetKonfiguration(const TSuiteKonfiguration& k)
{
    m_konf = k;
    TSuiteDatenbank::SetRechnerNr(k.Rechner);
    TSuiteDatenbank::SetBenutzer(k.Benutzer);
}

void TQELProgramm::ShowException(const std::exception_ptr& e, bool)
{
    // Start-up failures are always shown: without them the clerk sees nothing at all.
    QELInfo().RegisterException(QStringLiteral("Programmstart"), e, true);
}

void TQELProgramm::Terminate()
{
    m_terminate = true;
    if (terminateAktion())
        terminateAktion()();
}

void TQELProgramm::SetTerminateAktion(std::function<void()> aktion) { terminateAktion() = std::move(aktion); }

bool UserHatRecht(TZIM_WPF_Recht recht)
{
    IQEL_SystemServerRef server;
    Glob_WWSServerFactoryClass().SystemServer_Holen(server);
    const bool hat = server->Benutzer_Hat_Recht(QELProgramm().Benutzer(), recht);
    Glob_WWSServerFactoryClass().SystemServer_Freigeben(server);
    return hat;
}

bool UserRechtePruefen(const QVector<TZIM_WPF_Recht>& rechte, const QString&, int, bool, int)
{
    QVector<int> liste;
    for (TZIM_WPF_Recht recht : rechte)
        liste << recht;
    const QString verweigert = Rechte_Verweigerung(QELProgramm().Benutzer(), liste);
    if (verweigert.isEmpty())
        return true;
    qel_Meldung(CMeldung_Hinweis, 994, verweigert);
    return false;
}

TRVRTab& TRVRTab::Instance()
{
    static TRVRTab tab;
    return tab;
}

TRVRInfoUmfang TRVRTab::GetRNrUmfang(int rechnerNr)
{
    IQEL_SystemServerRef server;
    Glob_WWSServerFactoryClass().SystemServer_Holen(server);
    TRVRInfoUmfang info;
    info.RechnerNr = rechnerNr;
    const bool gefunden = server->Rechner_Lesen(rechnerNr, info.Bezeichnung, info.Filiale);
    Glob_WWSServerFactoryClass().SystemServer_Freigeben(server);
    if (!gefunden)
        throw EQELError(QStringLiteral("Der Rechner %1 ist in der Rechnertabelle der Suite nicht eingetragen. "
                                           "Eintragen mit: mahnwesen-admin rechner add %1 NAME")
                            .arg(rechnerNr));
    return info;
}

QString C_QELFolder_Value(TQELFolder folder)
{
    switch (folder) {
    case qfProgramm:
        return QStringLiteral("Programm");
    case qfDaten:
        return QStringLiteral("Daten");
    case qfBerichte:
        return QStringLiteral("Berichte");
    }
    return QString();
}

namespace {

QString ordnerPfad(TQELFolder folder)
{
    const TSuiteKonfiguration& k = QELProgramm().Konfiguration();
    switch (folder) {
    case qfBerichte:
        return k.BerichtsOrdner;
    case qfDaten:
        return QFileInfo(k.Datenbank).absolutePath();
    case qfProgramm:
        break;
    }
    return QDir::currentPath();
}

}  // namespace

QString GetDirWwsByName(TQELFolder folder, const QString& name, bool mussExistieren)
{
    const QString ordner = ordnerPfad(folder);
    if (ordner.isEmpty())
        throw EQELError(QStringLiteral("Für den Ordner „%1“ ist kein Pfad eingestellt.").arg(C_QELFolder_Value(folder)));
    const QString basis = QDir::cleanPath(QDir(ordner).absolutePath());
    const QString pfad = QDir::cleanPath(QDir(basis).absoluteFilePath(name.trimmed()));
    if (name.trimmed().isEmpty() || !pfad.startsWith(basis + QLatin1Char('/')))
        throw EQELError(QStringLiteral("Der Dateiname „%1“ liegt nicht im Ordner „%2“ (%3).")
                            .arg(name, C_QELFolder_Value(folder), basis));
    if (mussExistieren && !QFileInfo(pfad).isFile())
        throw EQELError(QStringLiteral("Die Datei „%1“ wurde im Ordner „%2“ nicht gefunden:\n%3")
                            .arg(name, C_QELFolder_Value(folder), pfad));
    // Links are followed: what is finally read must lie in the folder too. The deepest existing part
    // of the path tells, also for a file that does not exist yet.
    QString vorhanden = pfad;
    while (!QFileInfo::exists(vorhanden) && vorhanden.size() > basis.size())
        vorhanden = QFileInfo(vorhanden).absolutePath();
    const QString echteBasis = QFileInfo(basis).canonicalFilePath();
    const QString echt = QFileInfo(vorhanden).canonicalFilePath();
    if (!echt.isEmpty() && !echteBasis.isEmpty() && echt != echteBasis && !echt.startsWith(echteBasis + QLatin1Char('/')))
        throw EQELError(QStringLiteral("Die Datei „%1“ verweist aus dem Ordner „%2“ (%3) hinaus und wird nicht benutzt.")
                            .arg(name, C_QELFolder_Value(folder), basis));
    // The checked file is the one read, even if the link is changed afterwards.
    return vorhanden == pfad && !echt.isEmpty() ? echt : pfad;
}
