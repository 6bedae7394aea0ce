#include "briefkopie.h"

#include "briefsatz.h"
#include "suite/core/types.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QTemporaryFile>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

namespace {

const char* const kUnlesbar = "Der archivierte Brief kann nicht gelesen werden; er ist beschädigt.";

// One A4 page that is transparent but for the mark, placed over every page of the copy.
QByteArray stempelSeite(const QString& vermerk)
{
    QBuffer puffer;
    puffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&puffer);
        pdf.setResolution(300);
        pdf.setCreator(QStringLiteral("Mahnwesen"));
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        QPainter p(&pdf);
        const double proMm = pdf.logicalDpiY() / 25.4;
        QFont schrift(QStringLiteral("Liberation Sans"));
        schrift.setBold(true);
        schrift.setPointSizeF(20);
        p.setFont(schrift);
        p.setPen(QColor(0xB0, 0x1E, 0x1E));
        // Above the letterhead, clear of address field, information block and fold marks.
        const QRectF feld(0, 5 * proMm, 210 * proMm, 11 * proMm);
        p.drawText(feld, Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("Kopie"));
        if (!vermerk.isEmpty()) {
            schrift.setPointSizeF(9);
            p.setFont(schrift);
            p.drawText(QRectF(20 * proMm, 16 * proMm, 170 * proMm, 6 * proMm), Qt::AlignHCenter | Qt::AlignVCenter,
                       QFontMetricsF(schrift).elidedText(vermerk, Qt::ElideRight, 170 * proMm));
        }
    }
    return puffer.data();
}

QByteArray ausQpdf(QPDF& pdf)
{
    QPDFWriter w(pdf);
    w.setOutputMemory();
    w.setStaticID(false);
    w.write();
    std::shared_ptr<Buffer> b = w.getBufferSharedPointer();
    return QByteArray(reinterpret_cast<const char*>(b->getBuffer()), qsizetype(b->getSize()));
}

}  // namespace

QByteArray qel_BriefAlsPdfA(TBriefsatz& satz)
{
    QBuffer puffer;
    puffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&puffer);
        pdf.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
        pdf.setResolution(300);
        pdf.setCreator(QStringLiteral("Mahnwesen"));
        pdf.setTitle(satz.Titel());
        satz.Zeichnen(&pdf);
    }
    return puffer.data();
}

QByteArray qel_PdfKopie(const QByteArray& pdf, const QString& vermerk)
{
    try {
        const QByteArray stempelDaten = stempelSeite(vermerk);
        QPDF ziel;
        ziel.setSuppressWarnings(true);
        ziel.processMemoryFile("brief", pdf.constData(), size_t(pdf.size()));
        QPDF stempel;
        stempel.setSuppressWarnings(true);
        stempel.processMemoryFile("kopie", stempelDaten.constData(), size_t(stempelDaten.size()));
        QPDFObjectHandle form =
            ziel.copyForeignObject(QPDFPageDocumentHelper(stempel).getAllPages().at(0).getFormXObjectForPage());
        for (QPDFPageObjectHelper& seite : QPDFPageDocumentHelper(ziel).getAllPages()) {
            QPDFObjectHandle mittel = seite.getAttribute("/Resources", true);
            int nr = 1;
            const std::string name = mittel.getUniqueResourceName("/Kopie", nr);
            const std::string inhalt = seite.placeFormXObject(form, name, seite.getTrimBox().getArrayAsRectangle());
            if (inhalt.empty())
                continue;
            mittel.mergeResources(QPDFObjectHandle::parse("<< /XObject << >> >>"));
            mittel.getKey("/XObject").replaceKey(name, form);
            // The page's own drawing is enclosed so that its graphics state cannot move the mark.
            seite.addPageContents(QPDFObjectHandle::newStream(&ziel, "q\n"), true);
            seite.addPageContents(QPDFObjectHandle::newStream(&ziel, "\nQ\n" + inhalt), false);
        }
        return ausQpdf(ziel);
    } catch (const std::exception&) {
        throw EQELError(QString::fromUtf8(kUnlesbar));
    }
}

namespace {

// QtPdf reads from a file; the letter lives in memory.
class TPdfDatei {
public:
    explicit TPdfDatei(const QByteArray& pdf)
    {
        if (!datei.open() || datei.write(pdf) != pdf.size() || !datei.flush())
            throw EQELError(QStringLiteral("Für den archivierten Brief kann keine temporäre Datei angelegt werden."));
        if (dokument.load(datei.fileName()) != QPdfDocument::Error::None || dokument.pageCount() < 1)
            throw EQELError(QString::fromUtf8(kUnlesbar));
    }
    QTemporaryFile datei;
    QPdfDocument dokument{nullptr};
};

}  // namespace

int qel_PdfSeiten(const QByteArray& pdf)
{
    try {
        TPdfDatei d(pdf);
        return d.dokument.pageCount();
    } catch (const EQELError&) {
        return 0;
    }
}

void qel_PdfZeichnen(const QByteArray& pdf, QPagedPaintDevice* geraet, QPainter* maler)
{
    TPdfDatei d(pdf);
    QPainter eigener;
    QPainter& p = maler ? *maler : eigener;
    for (int i = 0; i < d.dokument.pageCount(); ++i) {
        const QSizeF punkte = d.dokument.pagePointSize(i);
        const QPageLayout layout(QPageSize(punkte, QPageSize::Point), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
        geraet->setPageLayout(layout);
        if (!p.isActive()) {
            if (!p.begin(geraet))
                throw EQELError(QStringLiteral("Das Ausgabegerät kann nicht beschrieben werden."));
        } else if (!geraet->newPage()) {
            throw EQELError(QStringLiteral("Auf dem Ausgabegerät kann keine neue Seite begonnen werden."));
        }
        const QRectF blatt = layout.fullRectPixels(geraet->logicalDpiX());
        // 300 dpi is what a printer resolves of a letter; a page at the printer's 1200 dpi would need 500 MB.
        const QImage bild = d.dokument.render(i, (punkte * 300.0 / 72.0).toSize());
        p.drawImage(blatt, bild);
    }
    if (!maler)
        p.end();
}
