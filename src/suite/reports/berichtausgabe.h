// Where reports go: the preview window, the system printer, or numbered PDF files in a folder.
#pragma once

#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

class QPagedPaintDevice;
class TBriefsatz;

class TBerichtAusgabe {
public:
    // A non-empty folder makes preview and print write numbered PDF files there instead
    // ("0001_vorschau.pdf", "0002_druck.pdf"); numbering restarts with every call. alsDrucker false: the
    // folder stands for the preview only, as on a workstation without a printer.
    static void PdfOrdner(const QString& ordner, bool alsDrucker = true);
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
        bool Kopie = false;  // a finished letter (archived or rebuilt) marked as a copy
        QString Parameterwert(const QString& name) const;
    };
    static QVector<TAusgabe> Ausgaben();

    // pdf: the finished pages to output instead of laying out satz (a copy); satz still names the letter.
    // Both answer whether the letter went out: printed from the preview, saved as PDF, or printed.
    static bool Vorschau(TBriefsatz& satz, const QByteArray& pdf = QByteArray());
    static bool Drucken(TBriefsatz& satz, int kopien, bool dialog, const QByteArray& pdf = QByteArray());
    // A finished PDF (a whole run) in the preview; in the test folder as a numbered file.
    static bool VorschauPdf(const QByteArray& pdf, const QString& titel);
    // A finished letter into the test folder as if printed; daten: what it was made from.
    static void PdfAblegen(const QByteArray& pdf, bool vorschau, const TAusgabe* daten = nullptr);
    // What a letter is made from, for the list of outputs.
    static TAusgabe Beschreiben(const TBriefsatz& satz);
    // Writes the letter as a PDF file; raises EQELError when it cannot be written.
    static void PdfSchreiben(TBriefsatz& satz, const QString& datei, const QByteArray& pdf = QByteArray());
    // Paints the letter, or the finished pages when pdf is given.
    static void Zeichnen(TBriefsatz& satz, const QByteArray& pdf, QPagedPaintDevice* geraet);
    // A file name made of text from the data (document number, partner name): no folder parts, no
    // control or reserved characters, not "." or "..", at most 120 characters.
    static QString SichererDateiname(const QString& name);
    // Whether a printer is set up.
    static bool DruckerVorhanden();

private:
    static void inOrdnerSchreiben(TBriefsatz& satz, bool vorschau, const QByteArray& pdf);
};
