#include "drucklauf.h"

#include "berichtausgabe.h"
#include "briefkopie.h"
#include "briefsatz.h"
#include "suite/core/types.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QFile>
#include <QFileInfo>
#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <ctime>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

namespace {

QString schreibFehler(const QString& pfad, const QString& grund)
{
    return QStringLiteral("Die Datei „%1“ kann nicht geschrieben werden%2")
        .arg(QDir::toNativeSeparators(pfad), grund.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + grund);
}

// The folder must exist and take files before the first letter is laid out.
void ordnerPruefen(const QString& ordner)
{
    const QFileInfo info(ordner);
    if (!info.isDir())
        throw EQELError(QStringLiteral("Der Ordner „%1“ existiert nicht.").arg(QDir::toNativeSeparators(ordner)));
    QTemporaryFile probe(QDir(ordner).filePath(QStringLiteral(".mahnwesen-XXXXXX")));
    if (!probe.open())
        throw EQELError(QStringLiteral("In den Ordner „%1“ kann nicht geschrieben werden: %2")
                            .arg(QDir::toNativeSeparators(ordner), probe.errorString()));
}

// CPU time of the calling thread: on a busy machine wall time says little about where the work goes.
qint64 threadNs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

}  // namespace

// The device a letter is laid out for: its own PDF/A when it needs one, else only the resolution and
// metrics of the run's PDF. It lives until the letter is painted.
struct TDruckLauf::TGeraet {
    explicit TGeraet(bool pdfA, const QString& titel)
    {
        Puffer.open(QIODevice::WriteOnly);
        Pdf.setResolution(kAufloesung);
        Pdf.setCreator(QStringLiteral("Mahnwesen"));
        if (pdfA) {
            Pdf.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
            Pdf.setTitle(titel);
        }
    }
    static constexpr int kAufloesung = 300;
    QBuffer Puffer;
    QPdfWriter Pdf{&Puffer};
};

TDruckLauf::TZeiten TDruckLauf::Zeiten() const
{
    return TZeiten{m_setzenNs->load(), m_ausgabeNs, m_wartenNs, m_abschlussNs};
}

int TDruckLauf::Gleichzeitig() { return std::max(1, QThread::idealThreadCount()); }

TDruckLauf::TDruckLauf(const TLaufWahl& wahl) : m_wahl(wahl)
{
    const bool testOrdner = !TBerichtAusgabe::PdfOrdner().isEmpty();
    switch (m_wahl.Ziel) {
    case TLaufZiel::EinePdf: {
        ordnerPruefen(QFileInfo(m_wahl.Pfad).absolutePath());
        if (QFileInfo(m_wahl.Pfad).isDir())
            throw EQELError(schreibFehler(m_wahl.Pfad, QStringLiteral("es ist ein Ordner")));
        // Written beside the target and renamed at the end, so a failure leaves no half file behind.
        auto datei = std::make_unique<QFile>(m_wahl.Pfad + QStringLiteral(".teil"));
        if (!datei->open(QIODevice::WriteOnly))
            throw EQELError(schreibFehler(m_wahl.Pfad, datei->errorString()));
        m_laufDatei = std::move(datei);
        break;
    }
    case TLaufZiel::PdfJePartner:
        ordnerPruefen(m_wahl.Pfad);
        break;
    case TLaufZiel::Vorschau:
        m_laufDatei = std::make_unique<QBuffer>();
        m_laufDatei->open(QIODevice::WriteOnly);
        break;
    case TLaufZiel::EMail:
        break;
    case TLaufZiel::Drucker:
        if (!TBerichtAusgabe::DruckerVorhanden())
            throw EQELError(QStringLiteral("Es ist kein Drucker eingerichtet."));
        if (!testOrdner) {
            const QPrinterInfo standard = QPrinterInfo::defaultPrinter();
            m_drucker = std::make_unique<QPrinter>(standard.isNull() ? QPrinterInfo::availablePrinters().first() : standard,
                                                   QPrinter::HighResolution);
            m_drucker->setFullPage(true);
            m_drucker->setDocName(QStringLiteral("Mahnungen"));
        }
        break;
    }
    if (m_laufDatei) {
        m_laufPdf = std::make_unique<QPdfWriter>(m_laufDatei.get());
        m_laufPdf->setResolution(TGeraet::kAufloesung);
        m_laufPdf->setCreator(QStringLiteral("Mahnwesen"));
        m_laufPdf->setTitle(QStringLiteral("Mahnungen"));
        m_laufMaler = std::make_unique<QPainter>();
        m_laufZonen = std::make_unique<TBriefsatz::TZonenSpeicher>();
    }
    m_arbeiter = std::make_unique<QThreadPool>();
    m_arbeiter->setMaxThreadCount(Gleichzeitig());
    m_arbeiter->setExpiryTimeout(-1);
}

bool TDruckLauf::einePdf() const { return m_laufPdf != nullptr; }

TDruckLauf::~TDruckLauf()
{
    // Workers still laying out own their letters; wait so that nothing outlives the run.
    for (TWartend& w : m_wartend) {
        w.Zukunft.waitForFinished();
        if (const TErgebnis& e = w.Zukunft.result(); e.Satz)
            e.Satz->SatzFreigeben();
    }
    if (m_maler && m_maler->isActive())
        m_maler->end();
    if (m_laufMaler && m_laufMaler->isActive())
        m_laufMaler->end();
    if (auto* datei = qobject_cast<QFile*>(m_laufDatei.get())) {
        datei->close();
        QFile::remove(datei->fileName());
    }
}

void TDruckLauf::Brief(int nr, std::unique_ptr<TBriefsatz> satz, const QByteArray& kopie, const QString& name,
                       bool eigenePdf)
{
    ++m_anzahl;
    TWartend w;
    w.Nr = nr;
    w.Name = name;
    w.Kopie = !kopie.isEmpty();
    if (satz)
        w.Daten = std::make_shared<TBerichtAusgabe::TAusgabe>(TBerichtAusgabe::Beschreiben(*satz));
    if (!kopie.isEmpty()) {
        TErgebnis e;
        e.Pdf = kopie;
        w.Zukunft = QtFuture::makeReadyFuture(e);
    } else {
        std::shared_ptr<TBriefsatz> s(std::move(satz));
        const bool inDieEine = einePdf();
        const bool eigene = eigenePdf || !inDieEine;
        QThread* gui = QThread::currentThread();
        w.Zukunft = QtConcurrent::run(m_arbeiter.get(), [s, inDieEine, eigene, gui, zeit = m_setzenNs] {
            const qint64 t0 = threadNs();
            TErgebnis e;
            try {
                auto geraet = std::make_shared<TGeraet>(eigene, s->Titel());
                s->Setzen(&geraet->Pdf);
                e.Seiten = s->Seiten();
                if (eigene) {
                    QPainter p;
                    s->Malen(&geraet->Pdf, p);
                    p.end();
                    e.Pdf = geraet->Puffer.data();
                }
                if (inDieEine) {
                    s->InDenThread(gui);
                    e.Satz = s;
                    e.Geraet = geraet;
                }
            } catch (const std::exception& x) {
                e.Fehler = QString::fromUtf8(x.what());
            }
            *zeit += threadNs() - t0;
            return e;
        });
    }
    m_wartend.push_back(std::move(w));
    abholen(false);
    // A bounded queue: memory stays flat however long the run is.
    while (int(m_wartend.size()) > 2 * Gleichzeitig() + 2)
        abholen(true);
}

void TDruckLauf::abholen(bool warten)
{
    while (!m_wartend.empty()) {
        TWartend& vorne = m_wartend.front();
        if (!vorne.Zukunft.isFinished()) {
            if (!warten)
                return;
            QElapsedTimer t;
            t.start();
            vorne.Zukunft.waitForFinished();
            m_wartenNs += t.nsecsElapsed();
        }
        const TWartend w = vorne;
        m_wartend.pop_front();
        const qint64 t0 = threadNs();
        const TErgebnis& e = w.Zukunft.result();
        ausgeben(w, e);
        // The pages belong to this thread now; the worker may drop the last reference to the result.
        if (e.Satz)
            e.Satz->SatzFreigeben();
        m_ausgabeNs += threadNs() - t0;
        warten = false;
    }
}

void TDruckLauf::ausgeben(const TWartend& w, const TErgebnis& e)
{
    const QString& name = w.Name;
    QString fehler = e.Fehler;
    if (fehler.isEmpty()) {
        try {
            switch (m_wahl.Ziel) {
            case TLaufZiel::EinePdf:
            case TLaufZiel::Vorschau:
                inDieEinePdf(e);
                break;
            case TLaufZiel::PdfJePartner: {
                QString datei = TBerichtAusgabe::SichererDateiname(name + QStringLiteral(".pdf"));
                // Two letters to partners of the same name keep apart.
                for (int i = 2; m_dateinamen.contains(datei, Qt::CaseInsensitive); ++i)
                    datei = TBerichtAusgabe::SichererDateiname(QStringLiteral("%1 (%2).pdf").arg(name).arg(i));
                m_dateinamen << datei;
                const QString pfad = QDir(m_wahl.Pfad).filePath(datei);
                QSaveFile f(pfad);
                if (!f.open(QIODevice::WriteOnly) || f.write(e.Pdf) != e.Pdf.size() || !f.commit())
                    throw EQELError(schreibFehler(pfad, f.errorString()));
                break;
            }
            case TLaufZiel::Drucker:
                anDenDrucker(e.Pdf, w);
                break;
            case TLaufZiel::EMail:
                break;
            }
        } catch (const std::exception& x) {
            fehler = QString::fromUtf8(x.what());
        }
    }
    if (fehler.isEmpty())
        ++m_ausgegeben;
    else
        m_fehler << QStringLiteral("%1: %2").arg(name, fehler);
    if (Fertig)
        Fertig(w.Nr, name, fehler.isEmpty() ? e.Pdf : QByteArray(), fehler);
}

void TDruckLauf::inDieEinePdf(const TErgebnis& e)
{
    if (!e.Satz) {
        // A copy: its archived pages are put in when the file is complete.
        if (qel_PdfSeiten(e.Pdf) < 1)
            throw EQELError(QStringLiteral("Der archivierte Brief kann nicht gelesen werden; er ist beschädigt."));
        m_kopien.emplace_back(m_laufSeiten, e.Pdf);
        return;
    }
    e.Satz->Malen(m_laufPdf.get(), *m_laufMaler, m_laufZonen.get());
    m_laufSeiten += e.Satz->Seiten();
}

void TDruckLauf::anDenDrucker(const QByteArray& pdf, const TWartend& w)
{
    if (!m_drucker) {
        TBerichtAusgabe::TAusgabe daten = w.Daten ? *w.Daten : TBerichtAusgabe::TAusgabe();
        daten.Kopie = w.Kopie;
        TBerichtAusgabe::PdfAblegen(pdf, false, &daten);
        return;
    }
    if (!m_maler)
        m_maler = std::make_unique<QPainter>();
    qel_PdfZeichnen(pdf, m_drucker.get(), m_maler.get());
    if (m_drucker->printerState() == QPrinter::Error)
        throw EQELError(QStringLiteral("Der Drucker „%1“ meldet einen Fehler.").arg(m_drucker->printerName()));
}

void TDruckLauf::kopienEinfuegen(QPDF& lauf, QPDF& ziel)
{
    ziel.emptyPDF();
    QPDFPageDocumentHelper ausgabe(ziel);
    std::vector<QPDFPageObjectHelper> seiten;
    if (m_laufSeiten > 0)
        seiten = QPDFPageDocumentHelper(lauf).getAllPages();
    std::vector<std::unique_ptr<QPDF>> quellen;
    size_t k = 0;
    for (size_t s = 0; s <= seiten.size(); ++s) {
        for (; k < m_kopien.size() && size_t(m_kopien[k].first) == s; ++k) {
            const QByteArray& pdf = m_kopien[k].second;
            auto quelle = std::make_unique<QPDF>();
            quelle->setSuppressWarnings(true);
            quelle->processMemoryFile("kopie", pdf.constData(), size_t(pdf.size()));
            for (QPDFPageObjectHelper& seite : QPDFPageDocumentHelper(*quelle).getAllPages())
                ausgabe.addPage(seite, false);
            quellen.push_back(std::move(quelle));
        }
        if (s < seiten.size())
            ausgabe.addPage(seiten[s], false);
    }
}

void TDruckLauf::Beenden()
{
    while (!m_wartend.empty())
        abholen(true);
    if (m_beendet)
        return;
    m_beendet = true;
    if (m_maler && m_maler->isActive())
        m_maler->end();
    if (!m_laufPdf)
        return;
    QElapsedTimer t;
    t.start();
    struct TMessen {
        QElapsedTimer& T;
        qint64& Ziel;
        ~TMessen() { Ziel += T.nsecsElapsed(); }
    } messen{t, m_abschlussNs};
    const bool geschrieben = m_laufMaler->isActive();
    if (geschrieben && !m_laufMaler->end())
        throw EQELError(schreibFehler(m_wahl.Pfad, m_laufDatei->errorString()));
    auto* datei = qobject_cast<QFile*>(m_laufDatei.get());
    const QString teil = m_wahl.Pfad + QStringLiteral(".teil");
    try {
        if (datei) {
            if (!datei->flush() || datei->error() != QFileDevice::NoError) {
                const QString grund = datei->errorString();
                throw EQELError(schreibFehler(m_wahl.Pfad, grund));
            }
            datei->close();
        }
        if (m_ausgegeben == 0)
            return;
        QByteArray vorschau;
        if (!m_kopien.empty()) {
            QPDF lauf;
            lauf.setSuppressWarnings(true);
            const QByteArray gepuffert = datei ? QByteArray() : static_cast<QBuffer*>(m_laufDatei.get())->data();
            if (m_laufSeiten > 0) {
                if (datei)
                    lauf.processFile(teil.toLocal8Bit().constData());
                else
                    lauf.processMemoryFile("lauf", gepuffert.constData(), size_t(gepuffert.size()));
            }
            QPDF ziel;
            kopienEinfuegen(lauf, ziel);
            QPDFWriter w(ziel);
            w.setStaticID(false);
            if (datei) {
                const QString mitKopien = teil + QStringLiteral("2");
                w.setOutputFilename(mitKopien.toLocal8Bit().constData());
                w.write();
                QFile::remove(teil);
                QFile::rename(mitKopien, teil);
            } else {
                w.setOutputMemory();
                w.write();
                std::shared_ptr<Buffer> b = w.getBufferSharedPointer();
                vorschau = QByteArray(reinterpret_cast<const char*>(b->getBuffer()), qsizetype(b->getSize()));
            }
        } else if (!datei) {
            vorschau = static_cast<QBuffer*>(m_laufDatei.get())->data();
        }
        if (datei) {
            QFile::remove(m_wahl.Pfad);
            if (!QFile::rename(teil, m_wahl.Pfad))
                throw EQELError(schreibFehler(m_wahl.Pfad, QString()));
        } else {
            TBerichtAusgabe::VorschauPdf(vorschau, QStringLiteral("Mahnungen"));
        }
    } catch (const EQELError&) {
        if (datei)
            QFile::remove(teil);
        throw;
    } catch (const std::exception& x) {
        if (datei)
            QFile::remove(teil);
        throw EQELError(schreibFehler(m_wahl.Pfad, QString::fromLocal8Bit(x.what())));
    }
}

namespace {
std::function<void(TLaufFortschritt*)> g_beobachter;
}

void TLaufFortschritt::SetBeobachter(std::function<void(TLaufFortschritt*)> beobachter)
{
    g_beobachter = std::move(beobachter);
}

TLaufFortschritt::TLaufFortschritt(int anzahl) : m_anzahl(anzahl)
{
    setWindowTitle(QStringLiteral("Mahnungen werden ausgegeben"));
    setWindowModality(Qt::ApplicationModal);
    lblText = new QLabel(this);
    lblText->setMinimumWidth(420);
    prgFortschritt = new QProgressBar(this);
    prgFortschritt->setRange(0, std::max(1, anzahl));
    btnAbbrechen = new QPushButton(QStringLiteral("Abbrechen"), this);
    btnAbbrechen->setToolTip(QStringLiteral("Nach dem Brief, der gerade entsteht, aufhören (Esc)"));
    auto* l = new QVBoxLayout(this);
    l->addWidget(lblText);
    l->addWidget(prgFortschritt);
    auto* k = new QHBoxLayout;
    k->addStretch(1);
    k->addWidget(btnAbbrechen);
    l->addLayout(k);
    connect(btnAbbrechen, &QPushButton::clicked, this, [this] {
        m_abgebrochen = true;
        btnAbbrechen->setEnabled(false);
        lblText->setText(QStringLiteral("Der Lauf wird nach dem aktuellen Brief beendet ..."));
    });
}

void TLaufFortschritt::Brief(int nr, const QString& name)
{
    if (!isVisible())
        show();
    if (!m_abgebrochen)
        lblText->setText(QStringLiteral("Brief %1 von %2: %3").arg(nr).arg(m_anzahl).arg(name));
    prgFortschritt->setValue(nr - 1);
    QCoreApplication::processEvents();
    if (g_beobachter)
        g_beobachter(this);
}
