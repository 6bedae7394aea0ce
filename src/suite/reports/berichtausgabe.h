// Where reports go: the preview window, the system printer, or numbered PDF files in a folder.
#pragma once

#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

class TBriefsatz;

class TBerichtAusgabe {
public:
    // A non-empty folder makes preview and print write numbered PDF files there instead
    // ("0001_vorschau.pdf", "0002_druck.pdf"); numbering restarts with every call.
    static void PdfOrdner(const QString& ordner);
    static QString PdfOrdner();
    // Files written since the folder was set.
    static QStringList Dateien();
    // What each of those files was made from, in the same order.
    struct TAusgabe {
        QString Datei;
        bool Vorschau = false;
        QVector<QPair<QString, QString>> Parameter;
        int Oben = 0, Links = 0, Unten = 0, Rechts = 0;  // twips
        int Ausrichtung = 0, Papier = 0;
        QString Logo;  // name of the logo drawn, empty when none
        int Seiten = 0;
        QString Parameterwert(const QString& name) const;
    };
    static QVector<TAusgabe> Ausgaben();

    static void Vorschau(TBriefsatz& satz);
    static void Drucken(TBriefsatz& satz, int kopien, bool dialog);
    // Writes the letter as a PDF file; raises EQELError when it cannot be written.
    static void PdfSchreiben(TBriefsatz& satz, const QString& datei);

private:
    static void inOrdnerSchreiben(TBriefsatz& satz, bool vorschau);
};
