// A run of many letters to one output. The caller gathers each letter's data on the GUI thread and
// layout happens on worker threads. Into one PDF (file or preview) the GUI thread paints the laid-out
// pages as they come, so the fonts are embedded once and no page is kept; a letter that needs a file
// of its own (archived original, a file per partner, e-mail, printer) is also painted into its own
// PDF/A on the worker, the form in which a sent letter is archived.
#pragma once

#include "ausgabedialog.h"
#include "berichtausgabe.h"
#include "briefsatz.h"

#include <QByteArray>
#include <QDialog>
#include <QFuture>
#include <QString>
#include <QStringList>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>

class QIODevice;
class QPainter;
class QPdfWriter;
class QPrinter;
class QPDF;
class QThreadPool;

class TDruckLauf {
public:
    // Opens the output: the PDF file, the folder or the printer. Raises EQELError with a German text
    // when that is impossible (no printer, folder missing or read-only).
    explicit TDruckLauf(const TLaufWahl& wahl);
    ~TDruckLauf();

    // One letter: its data (for an original) and, for a copy, its finished pages. nr: the caller's mark
    // of the letter; name: document number and partner, for file names and messages; eigenePdf: Fertig
    // needs the letter's own PDF/A (an original to archive). Blocks while too many letters wait for
    // their output.
    void Brief(int nr, std::unique_ptr<TBriefsatz> satz, const QByteArray& kopie, const QString& name,
               bool eigenePdf = false);

    // Every letter, in order, once it went out (empty fehler) or failed. pdf: the letter's own PDF when
    // it was asked for or the output needs one, a copy's pages, else empty.
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

    // Where the time goes (nanoseconds): CPU time of laying out (and painting a letter's own PDF) on the
    // workers, summed over them, and of the output on the GUI thread; wall time waiting there for a
    // worker and closing the output.
    struct TZeiten {
        qint64 Setzen = 0, Ausgabe = 0, Warten = 0, Abschluss = 0;
    };
    TZeiten Zeiten() const;

private:
    struct TGeraet;
    struct TErgebnis {
        QByteArray Pdf;
        QString Fehler;
        int Seiten = 0;
        // Laid out for the one PDF: painted there on the GUI thread.
        std::shared_ptr<TBriefsatz> Satz;
        std::shared_ptr<TGeraet> Geraet;
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
    bool einePdf() const;
    void inDieEinePdf(const TErgebnis& e);
    void kopienEinfuegen(QPDF& lauf, QPDF& ziel);
    void anDenDrucker(const QByteArray& pdf, const TWartend& w);

    TLaufWahl m_wahl;
    std::deque<TWartend> m_wartend;
    int m_anzahl = 0;
    int m_ausgegeben = 0;
    QStringList m_fehler;
    QStringList m_dateinamen;  // one PDF per partner: names used so far
    // Own workers that live as long as the run: laid-out letters keep font engines of their thread.
    std::unique_ptr<QThreadPool> m_arbeiter;
    // One PDF: written beside the target (a buffer for the preview); copies are merged in at the end
    // after the number of the run's pages that come before them.
    std::unique_ptr<QIODevice> m_laufDatei;
    std::unique_ptr<QPdfWriter> m_laufPdf;
    std::unique_ptr<QPainter> m_laufMaler;
    std::unique_ptr<TBriefsatz::TZonenSpeicher> m_laufZonen;
    int m_laufSeiten = 0;
    std::vector<std::pair<int, QByteArray>> m_kopien;
    // Printer and preview: the pages of the run.
    std::unique_ptr<QPrinter> m_drucker;
    std::unique_ptr<QPainter> m_maler;
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
