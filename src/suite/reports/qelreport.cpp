#include "qelreport.h"

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
