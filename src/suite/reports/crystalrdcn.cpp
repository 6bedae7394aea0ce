#include "crystalrdcn.h"

#include "berichtausgabe.h"
#include "briefsatz.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Beyond this a margin is a typing error in the layout settings (about 176 mm).
constexpr int kGroessterRand = 10000;

void randPruefen(int twips, const char* welcher)
{
    if (twips < 0 || twips > kGroessterRand)
        throw EQELError(QStringLiteral("Der %1 Rand von %2 mm ist für einen Brief nicht möglich.")
                            .arg(QString::fromUtf8(welcher))
                            .arg(twips * 25.4 / 1440.0, 0, 'f', 1));
}

const QString kKonstante = QStringLiteral("@const_");

}  // namespace

// --- IReport -----------------------------------------------------------------------------------------

void IReport::Set_TopMargin(int twips)
{
    randPruefen(twips, "obere");
    m_oben = twips;
}

void IReport::Set_LeftMargin(int twips)
{
    randPruefen(twips, "linke");
    m_links = twips;
}

void IReport::Set_BottomMargin(int twips)
{
    randPruefen(twips, "untere");
    m_unten = twips;
}

void IReport::Set_RightMargin(int twips)
{
    randPruefen(twips, "rechte");
    m_rechts = twips;
}

void IReport::Set_PaperOrientation(int value)
{
    if (value != crPortrait && value != crLandscape)
        throw EQELError(QStringLiteral("Die Papierausrichtung %1 ist unbekannt.").arg(value));
    m_ausrichtung = value;
}

void IReport::Set_PaperSize(int value)
{
    if (value != crPaperA4 && value != crPaperA3 && value != crPaperA5 && value != crPaperLetter)
        throw EQELError(QStringLiteral("Das Papierformat %1 wird nicht unterstützt.").arg(value));
    m_papier = value;
}

// --- TQELReport --------------------------------------------------------------------------------------

void TQELReport::SetParameter(const QString& name, const QString& value)
{
    for (auto& p : m_parameter)
        if (p.first == name) {
            p.second = value;
            return;
        }
    m_parameter.append({name, value});
}

QString TQELReport::Parameter(const QString& name) const
{
    for (const auto& p : m_parameter)
        if (p.first == name)
            return p.second;
    return QString();
}

void TQELReport::AddLogoConnectionByName(const QString& objekt, const QString& kennung1, const QString& kennung2,
                                         const QString& name, const QString& lfdNr)
{
    if (objekt.trimmed().isEmpty())
        throw EQELError(QStringLiteral("Eine Logoverbindung braucht den Namen des Bildobjekts."));
    m_logos.append(TLogoVerbindung{objekt, kennung1, kennung2, name, lfdNr});
}

QString TQELReport::Konstante(const QString& verweis) const
{
    if (!verweis.startsWith(kKonstante))
        return verweis;
    return Parameter(QStringLiteral("Param_") + verweis.mid(kKonstante.size()));
}

void TQELReport::Clear()
{
    m_parameter.clear();
    m_logos.clear();
    m_report.Reset();
}

// --- TCrystalRDCn ------------------------------------------------------------------------------------

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
