// What a report is given: its page settings and its parameters, including the logos bound to its
// picture objects. The wrapper (crystalrdcn.h) hands it out; the letter layout (briefsatz.h) reads it.
#pragma once

#include "suite/core/types.h"

#include <QPair>
#include <QString>
#include <QVector>

// Values of the report engine's enumerations.
enum : int { crPortrait = 1, crLandscape = 2 };
enum : int { crPaperLetter = 1, crPaperA3 = 8, crPaperA4 = 9, crPaperA5 = 11 };

// Page settings of a report; a value the engine cannot honour raises EQELError.
class IReport {
public:
    int TopMargin() const { return m_oben; }
    int LeftMargin() const { return m_links; }
    int BottomMargin() const { return m_unten; }
    int RightMargin() const { return m_rechts; }
    int PaperOrientation() const { return m_ausrichtung; }
    int PaperSize() const { return m_papier; }
    // Margins in twips.
    void Set_TopMargin(int twips);
    void Set_LeftMargin(int twips);
    void Set_BottomMargin(int twips);
    void Set_RightMargin(int twips);
    void Set_PaperOrientation(int value);
    void Set_PaperSize(int value);
    void Reset() { *this = IReport(); }

private:
    // A DIN 5008 letter: 20 mm right margin, 10 mm elsewhere until the layout says otherwise.
    int m_oben = 567, m_links = 1417, m_unten = 567, m_rechts = 1134;
    int m_ausrichtung = crPortrait;
    int m_papier = crPaperA4;
};

// A picture object bound to a logo through four report parameters.
struct TLogoVerbindung {
    QString Objekt;
    QString Kennung1, Kennung2, Name, LfdNr;  // "@const_X" names the parameter "Param_X"
};

class TQELReport {
public:
    void SetParameter(const QString& name, const QString& value);
    QString Parameter(const QString& name) const;
    // In the order they were set; setting one again keeps its place.
    const QVector<QPair<QString, QString>>& Parameters() const { return m_parameter; }
    void AddLogoConnectionByName(const QString& objekt, const QString& kennung1, const QString& kennung2,
                                 const QString& name, const QString& lfdNr);
    const QVector<TLogoVerbindung>& LogoVerbindungen() const { return m_logos; }
    // The value a "@const_X" reference stands for.
    QString Konstante(const QString& verweis) const;
    IReport* EngineReport() { return &m_report; }
    const IReport& Seite() const { return m_report; }
    void Clear();

private:
    QVector<QPair<QString, QString>> m_parameter;
    QVector<TLogoVerbindung> m_logos;
    IReport m_report;
};
