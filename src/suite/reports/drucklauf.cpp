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
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

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

}  // namespace

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
        m_ziel = std::make_unique<QPDF>();
        m_ziel->emptyPDF();
        break;
    }
    case TLaufZiel::PdfJePartner:
        ordnerPruefen(m_wahl.Pfad);
        break;
    case TLaufZiel::Vorschau:
        m_ziel = std::make_unique<QPDF>();
        m_ziel->emptyPDF();
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
}

TDruckLauf::~TDruckLauf()
{
    // Workers still laying out own their letters; wait so that nothing outlives the run.
    for (TWartend& w : m_wartend)
        w.Zukunft.waitForFinished();
    if (m_maler && m_maler->isActive())
        m_maler->end();
}

void TDruckLauf::Brief(int nr, std::unique_ptr<TBriefsatz> satz, const QByteArray& kopie, const QString& name)
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
        w.Zukunft = QtConcurrent::run([s, zeit = m_setzenNs] {
            QElapsedTimer t;
            t.start();
            TErgebnis e;
            try {
                e.Pdf = qel_BriefAlsPdfA(*s);
                e.Seiten = s->Seiten();
            } catch (const std::exception& x) {
                e.Fehler = QString::fromUtf8(x.what());
            }
            *zeit += t.nsecsElapsed();
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
        QElapsedTimer t;
        t.start();
        ausgeben(w, w.Zukunft.result());
        m_ausgabeNs += t.nsecsElapsed();
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
                inDieEinePdf(e.Pdf);
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

void TDruckLauf::inDieEinePdf(const QByteArray& pdf)
{
    try {
        m_quellDaten.push_back(pdf);
        auto quelle = std::make_shared<QPDF>();
        quelle->setSuppressWarnings(true);
        quelle->processMemoryFile("brief", m_quellDaten.back().constData(), size_t(m_quellDaten.back().size()));
        QPDFPageDocumentHelper ziel(*m_ziel);
        for (QPDFPageObjectHelper& seite : QPDFPageDocumentHelper(*quelle).getAllPages())
            ziel.addPage(seite, false);
        m_quellen.push_back(quelle);
    } catch (const EQELError&) {
        throw;
    } catch (const std::exception&) {
        m_quellDaten.pop_back();
        throw EQELError(QStringLiteral("Der Brief kann nicht in die PDF-Datei übernommen werden."));
    }
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

void TDruckLauf::Beenden()
{
    while (!m_wartend.empty())
        abholen(true);
    if (m_beendet)
        return;
    m_beendet = true;
    if (m_maler && m_maler->isActive())
        m_maler->end();
    if (!m_ziel || m_ausgegeben == 0)
        return;
    QElapsedTimer t;
    t.start();
    struct TMessen {
        QElapsedTimer& T;
        qint64& Ziel;
        ~TMessen() { Ziel += T.nsecsElapsed(); }
    } messen{t, m_abschlussNs};
    try {
        if (m_wahl.Ziel == TLaufZiel::EinePdf) {
            // Written beside the target and renamed, so a failure leaves no half file behind.
            const QString teil = m_wahl.Pfad + QStringLiteral(".teil");
            {
                QPDFWriter w(*m_ziel, teil.toLocal8Bit().constData());
                w.setStaticID(false);
                w.write();
            }
            QFile::remove(m_wahl.Pfad);
            if (!QFile::rename(teil, m_wahl.Pfad)) {
                QFile::remove(teil);
                throw EQELError(schreibFehler(m_wahl.Pfad, QString()));
            }
        } else {
            QPDFWriter w(*m_ziel);
            w.setOutputMemory();
            w.write();
            std::shared_ptr<Buffer> b = w.getBufferSharedPointer();
            const QByteArray alle(reinterpret_cast<const char*>(b->getBuffer()), qsizetype(b->getSize()));
            m_quellen.clear();
            m_quellDaten.clear();
            TBerichtAusgabe::VorschauPdf(alle, QStringLiteral("Mahnungen"));
        }
    } catch (const EQELError&) {
        throw;
    } catch (const std::exception& x) {
        QFile::remove(m_wahl.Pfad + QStringLiteral(".teil"));
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
