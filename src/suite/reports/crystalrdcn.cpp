#include "crystalrdcn.h"

#include "berichtausgabe.h"
#include "briefsatz.h"

#include <QFile>
#include <QFileInfo>

TCrystalRDCn::TCrystalRDCn(QObject* owner) { Q_UNUSED(owner); }

TCrystalRDCn::~TCrystalRDCn() = default;

void TCrystalRDCn::Clear()
{
    m_pfad.clear();
    m_dateien = TDBFFiles_4_Crystal();
    m_gesetzt = false;
    m_geladen = false;
    m_vorlage.clear();
    m_zeilen.clear();
    m_report.Clear();
}

void TCrystalRDCn::SetReport(const QString& path, bool laden, const TDBFFiles_4_Crystal& files)
{
    m_pfad = path;
    m_dateien = files;
    m_gesetzt = true;
    m_geladen = false;
    if (laden)
        ladenWennNoetig();
}

void TCrystalRDCn::ladenWennNoetig()
{
    if (!m_gesetzt)
        throw EQELError(QStringLiteral("Dem Bericht ist keine Berichtsdatei zugeordnet."));
    if (m_geladen)
        return;
    QFile f(m_pfad);
    if (!QFileInfo(m_pfad).isFile() || !f.open(QIODevice::ReadOnly))
        throw EQELError(QStringLiteral("Die Berichtsdatei kann nicht gelesen werden:\n%1").arg(m_pfad));
    const QByteArray roh = f.readAll();
    m_vorlage = QString::fromUtf8(roh);
    if (m_vorlage.trimmed().isEmpty() || m_vorlage.contains(QChar(0xFFFD)) || roh.contains('\0'))
        throw EQELError(QStringLiteral("Die Berichtsdatei ist leer oder keine Textdatei (UTF-8):\n%1").arg(m_pfad));
    IQEL_PrintEditServerRef server;
    Glob_WWSServerFactoryClass().PrintEditServer_Holen(server);
    m_zeilen = server->Druckdaten_Lesen(m_dateien.Auftrag);
    Glob_WWSServerFactoryClass().PrintEditServer_Freigeben(server);
    m_geladen = true;
}

void TCrystalRDCn::pruefen(int index) const
{
    if (index != 0)
        throw EQELError(QStringLiteral("Der Bericht hat keinen Unterbericht %1.").arg(index));
}

TQELReport* TCrystalRDCn::GetReport(int index)
{
    pruefen(index);
    return &m_report;
}

IReport* TCrystalRDCn::GetIReport(int index)
{
    pruefen(index);
    return m_report.EngineReport();
}

std::unique_ptr<TBriefsatz> TCrystalRDCn::Satz()
{
    ladenWennNoetig();
    return std::make_unique<TBriefsatz>(m_pfad, m_vorlage, m_zeilen, m_report);
}

void TCrystalRDCn::ShowReport()
{
    auto satz = Satz();
    TBerichtAusgabe::Vorschau(*satz);
}

void TCrystalRDCn::Print(int kopien, bool dialog)
{
    auto satz = Satz();
    TBerichtAusgabe::Drucken(*satz, kopien, dialog);
}
