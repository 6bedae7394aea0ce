#include "crystalrdcn.h"

#include "berichtausgabe.h"
#include "briefsatz.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

namespace {

// The letters of a run read their template once; a file changed on the disk is read again.
QString vorlageLesen(const QString& pfad)
{
    struct TGelesen {
        QDateTime Stand;
        qint64 Groesse = -1;
        QString Text;
    };
    static QMutex sperre;
    static QHash<QString, TGelesen> gelesen;
    const QFileInfo info(pfad);
    if (!info.isFile())
        throw EQELError(QStringLiteral("Die Berichtsdatei kann nicht gelesen werden:\n%1").arg(pfad));
    {
        QMutexLocker l(&sperre);
        auto it = gelesen.constFind(pfad);
        if (it != gelesen.constEnd() && it->Stand == info.lastModified() && it->Groesse == info.size())
            return it->Text;
    }
    QFile f(pfad);
    if (!f.open(QIODevice::ReadOnly))
        throw EQELError(QStringLiteral("Die Berichtsdatei kann nicht gelesen werden:\n%1").arg(pfad));
    const QByteArray roh = f.readAll();
    const QString text = QString::fromUtf8(roh);
    if (text.trimmed().isEmpty() || text.contains(QChar(0xFFFD)) || roh.contains('\0'))
        throw EQELError(QStringLiteral("Die Berichtsdatei ist leer oder keine Textdatei (UTF-8):\n%1").arg(pfad));
    QMutexLocker l(&sperre);
    if (gelesen.size() > 16)
        gelesen.clear();
    gelesen.insert(pfad, TGelesen{info.lastModified(), info.size(), text});
    return text;
}

}  // namespace

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
    m_vorlage = vorlageLesen(m_pfad);
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
