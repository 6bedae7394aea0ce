// A run of many letters to one output. The caller gathers each letter's data on the GUI thread;
// layout and painting happen on worker threads, each letter into its own PDF (PDF/A, the form in
// which a sent letter is archived); finished letters go to the output in order as they come.
#pragma once

#include "ausgabedialog.h"
#include "berichtausgabe.h"

#include <QByteArray>
#include <QDialog>
#include <QFuture>
#include <QString>
#include <QStringList>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>

class QPainter;
class QPrinter;
class QPDF;
class TBriefsatz;

class TDruckLauf {
public:
    // Opens the output: the PDF file, the folder or the printer. Raises EQELError with a German text
    // when that is impossible (no printer, folder missing or read-only).
    explicit TDruckLauf(const TLaufWahl& wahl);
    ~TDruckLauf();

    // One letter: its data (for an original) and, for a copy, its finished pages. nr: the caller's mark
    // of the letter; name: document number and partner, for file names and messages. Blocks while too
    // many letters wait for their output.
    void Brief(int nr, std::unique_ptr<TBriefsatz> satz, const QByteArray& kopie, const QString& name);

    // Every letter, in order, once it went out (pdf: the letter as output, empty fehler) or failed.
    std::function<void(int nr, const QString& name, const QByteArray& pdf, const QString& fehler)> Fertig;

    // Outputs what is still waiting and closes the output (writes the one PDF, shows the preview of the
    // run). Raises EQELError when the output as a whole fails.
    void Beenden();

    // Letters handed over, output and failed so far.
    int Anzahl() const { return m_anzahl; }
    int Ausgegeben() const { return m_ausgegeben; }
    QStringList Fehlgeschlagen() const { return m_fehler; }

    // Letters laid out at the same time: one per core.
    static int Gleichzeitig();

    // Where the time goes (nanoseconds): laying out and painting on the workers (summed over them),
    // output on the GUI thread, waiting there for a worker, and closing the output.
    struct TZeiten {
        qint64 Setzen = 0, Ausgabe = 0, Warten = 0, Abschluss = 0;
    };
    TZeiten Zeiten() const;

private:
    struct TErgebnis {
        QByteArray Pdf;
        QString Fehler;
        int Seiten = 0;
    };
    struct TWartend {
        int Nr = 0;
        QString Name;
        std::shared_ptr<TBerichtAusgabe::TAusgabe> Daten;
        bool Kopie = false;
        QFuture<TErgebnis> Zukunft;
    };
    // Outputs the finished letters at the front; warten: for the first one at least.
    void abholen(bool warten);
    void ausgeben(const TWartend& w, const TErgebnis& e);
    void inDieEinePdf(const QByteArray& pdf);
    void anDenDrucker(const QByteArray& pdf, const TWartend& w);

    TLaufWahl m_wahl;
    std::deque<TWartend> m_wartend;
    int m_anzahl = 0;
    int m_ausgegeben = 0;
    QStringList m_fehler;
    QStringList m_dateinamen;  // one PDF per partner: names used so far
    // One PDF: the letters' documents stay alive until the file is written.
    std::unique_ptr<QPDF> m_ziel;
    std::vector<std::shared_ptr<QPDF>> m_quellen;
    std::vector<QByteArray> m_quellDaten;
    // Printer and preview: the pages of the run.
    std::unique_ptr<QPrinter> m_drucker;
    std::unique_ptr<QPainter> m_maler;
    std::vector<QByteArray> m_vorschau;
    bool m_beendet = false;
    std::shared_ptr<std::atomic<qint64>> m_setzenNs = std::make_shared<std::atomic<qint64>>(0);
    qint64 m_ausgabeNs = 0, m_wartenNs = 0, m_abschlussNs = 0;
};

class QLabel;
class QProgressBar;
class QPushButton;

// Progress of a run: "Brief 12 von 240: Becker Autohaus e.K." with "Abbrechen", which ends the run
// after the letter in hand.
class TLaufFortschritt : public QDialog {
    Q_OBJECT
public:
    explicit TLaufFortschritt(int anzahl);
    // Shows the letter about to be made and lets the clerk's clicks through.
    void Brief(int nr, const QString& name);
    bool Abgebrochen() const { return m_abgebrochen; }

    QLabel* lblText;
    QProgressBar* prgFortschritt;
    QPushButton* btnAbbrechen;

    // Called after each update with the window, as a clerk would look at it (tests click here).
    static void SetBeobachter(std::function<void(TLaufFortschritt*)> beobachter);

private:
    int m_anzahl;
    bool m_abgebrochen = false;
};
