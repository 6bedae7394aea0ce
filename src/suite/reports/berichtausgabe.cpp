#include "berichtausgabe.h"

#include "briefkopie.h"
#include "briefsatz.h"
#include "suite/ui/forms.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QToolBar>

namespace {

// Toolbar buttons take no focus: the preview prints with Ctrl+P and saves with Ctrl+S.
void vorschauTasten(QPrintPreviewDialog& vorschau)
{
    const QString drucken = QCoreApplication::translate("QPrintPreviewDialog", "Print");
    for (QAction* a : vorschau.findChildren<QAction*>())
        if (a->text() == drucken)
            a->setShortcut(QKeySequence::Print);
}

QString g_pdfOrdner;
bool g_ordnerAlsDrucker = true;
int g_nummer = 0;
QVector<TBerichtAusgabe::TAusgabe> g_ausgaben;

}  // namespace

void TBerichtAusgabe::PdfOrdner(const QString& ordner, bool alsDrucker)
{
    g_pdfOrdner = ordner;
    g_ordnerAlsDrucker = alsDrucker;
    g_nummer = 0;
    g_ausgaben.clear();
}

QString TBerichtAusgabe::PdfOrdner() { return g_pdfOrdner; }

QStringList TBerichtAusgabe::Dateien()
{
    QStringList d;
    for (const TAusgabe& a : g_ausgaben)
        d << a.Datei;
    return d;
}

QVector<TBerichtAusgabe::TAusgabe> TBerichtAusgabe::Ausgaben() { return g_ausgaben; }

QString TBerichtAusgabe::TAusgabe::Parameterwert(const QString& name) const
{
    for (const auto& p : Parameter)
        if (p.first == name)
            return p.second;
    return QString();
}

void TBerichtAusgabe::inOrdnerSchreiben(TBriefsatz& satz, bool vorschau, const QByteArray& pdf)
{
    ++g_nummer;
    TAusgabe a;
    a.Datei = QDir(g_pdfOrdner).filePath(QStringLiteral("%1_%2.pdf")
                                             .arg(g_nummer, 4, 10, QLatin1Char('0'))
                                             .arg(vorschau ? QStringLiteral("vorschau") : QStringLiteral("druck")));
    PdfSchreiben(satz, a.Datei, pdf);
    const QString datei = a.Datei;
    a = Beschreiben(satz);
    a.Datei = datei;
    a.Vorschau = vorschau;
    a.Kopie = !pdf.isEmpty();
    a.Seiten = pdf.isEmpty() ? satz.Seiten() : qel_PdfSeiten(pdf);
    g_ausgaben << a;
}

void TBerichtAusgabe::Zeichnen(TBriefsatz& satz, const QByteArray& pdf, QPagedPaintDevice* geraet)
{
    if (pdf.isEmpty())
        satz.Zeichnen(geraet);
    else
        qel_PdfZeichnen(pdf, geraet);
}

QString TBerichtAusgabe::SichererDateiname(const QString& name)
{
    QString n;
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format
            || QStringLiteral("/\\:*?\"<>|").contains(c))
            n += QLatin1Char('_');
        else
            n += c;
    }
    n = n.simplified();
    // No leading dots: neither hidden files nor "." and "..".
    while (n.startsWith(QLatin1Char('.')))
        n.remove(0, 1);
    const int punkt = n.lastIndexOf(QLatin1Char('.'));
    const QString endung = punkt > 0 && n.size() - punkt <= 5 ? n.mid(punkt) : QString();
    QString stamm = n.left(n.size() - endung.size()).trimmed();
    while (stamm.contains(QLatin1String("..")))
        stamm.replace(QLatin1String(".."), QLatin1String("_"));
    // Nor trailing dots, which some systems drop from names.
    while (stamm.endsWith(QLatin1Char('.')))
        stamm.chop(1);
    if (stamm.size() > 120)
        stamm = stamm.left(120).trimmed();
    if (stamm.isEmpty())
        stamm = QStringLiteral("Brief");
    return stamm + endung;
}

TBerichtAusgabe::TAusgabe TBerichtAusgabe::Beschreiben(const TBriefsatz& satz)
{
    TAusgabe a;
    a.Parameter = satz.Parameter();
    const IReport& s = satz.Seite();
    a.Oben = s.TopMargin();
    a.Links = s.LeftMargin();
    a.Unten = s.BottomMargin();
    a.Rechts = s.RightMargin();
    a.Ausrichtung = s.PaperOrientation();
    a.Papier = s.PaperSize();
    a.Logo = satz.LogoName();
    return a;
}

void TBerichtAusgabe::PdfAblegen(const QByteArray& pdf, bool vorschau, const TAusgabe* daten)
{
    ++g_nummer;
    TAusgabe a = daten ? *daten : TAusgabe();
    a.Datei = QDir(g_pdfOrdner).filePath(QStringLiteral("%1_%2.pdf")
                                             .arg(g_nummer, 4, 10, QLatin1Char('0'))
                                             .arg(vorschau ? QStringLiteral("vorschau") : QStringLiteral("druck")));
    QSaveFile f(a.Datei);
    if (!f.open(QIODevice::WriteOnly) || f.write(pdf) != pdf.size() || !f.commit())
        throw EQELError(QStringLiteral("Die PDF-Datei kann nicht geschrieben werden:\n%1").arg(a.Datei));
    a.Vorschau = vorschau;
    a.Seiten = qel_PdfSeiten(pdf);
    g_ausgaben << a;
}

bool TBerichtAusgabe::VorschauPdf(const QByteArray& pdf, const QString& titel)
{
    if (!g_pdfOrdner.isEmpty()) {
        PdfAblegen(pdf, true);
        return true;
    }
    QPrinter drucker(QPrinter::HighResolution);
    drucker.setFullPage(true);
    drucker.setDocName(titel);
    QString fehler;
    QPrintPreviewDialog vorschau(&drucker);
    vorschau.setWindowTitle(QStringLiteral("Vorschau: %1").arg(titel));
    vorschau.resize(900, 1000);
    QObject::connect(&vorschau, &QPrintPreviewDialog::paintRequested, &vorschau, [&](QPrinter* p) {
        try {
            qel_PdfZeichnen(pdf, p);
        } catch (const std::exception& e) {
            fehler = QString::fromUtf8(e.what());
        }
    });
    vorschauTasten(vorschau);
    const bool gedruckt = qel_ShowModal(&vorschau) == QDialog::Accepted;
    if (!fehler.isEmpty())
        throw EQELError(fehler);
    return gedruckt;
}

bool TBerichtAusgabe::DruckerVorhanden()
{
    if (!g_pdfOrdner.isEmpty())
        return g_ordnerAlsDrucker;
    return !QPrinterInfo::defaultPrinter().isNull() || !QPrinterInfo::availablePrinters().isEmpty();
}

void TBerichtAusgabe::PdfSchreiben(TBriefsatz& satz, const QString& datei, const QByteArray& pdf)
{
    if (!pdf.isEmpty()) {
        QSaveFile f(datei);
        if (!f.open(QIODevice::WriteOnly) || f.write(pdf) != pdf.size() || !f.commit())
            throw EQELError(QStringLiteral("Die PDF-Datei kann nicht geschrieben werden:\n%1\n%2").arg(datei, f.errorString()));
        return;
    }
    {
        QPdfWriter pdf(datei);
        pdf.setResolution(300);
        pdf.setCreator(QStringLiteral("Mahnwesen"));
        pdf.setTitle(satz.Titel());
        satz.Zeichnen(&pdf);
    }
    if (QFileInfo(datei).size() == 0)
        throw EQELError(QStringLiteral("Die PDF-Datei kann nicht geschrieben werden:\n%1").arg(datei));
}

bool TBerichtAusgabe::Vorschau(TBriefsatz& satz, const QByteArray& pdf)
{
    if (!g_pdfOrdner.isEmpty()) {
        inOrdnerSchreiben(satz, true, pdf);
        return true;
    }
    bool gespeichert = false;
    QPrinter drucker(QPrinter::HighResolution);
    drucker.setFullPage(true);
    drucker.setDocName(satz.Titel());
    QString fehler;
    QPrintPreviewDialog vorschau(&drucker);
    vorschau.setWindowTitle(QStringLiteral("Vorschau: %1").arg(satz.Titel()));
    vorschau.resize(900, 1000);
    QObject::connect(&vorschau, &QPrintPreviewDialog::paintRequested, &vorschau, [&](QPrinter* p) {
        try {
            Zeichnen(satz, pdf, p);
        } catch (const std::exception& e) {
            fehler = QString::fromUtf8(e.what());
        }
    });
    if (QToolBar* leiste = vorschau.findChild<QToolBar*>()) {
        QAction* speichern = leiste->addAction(QStringLiteral("Als PDF speichern"));
        speichern->setShortcut(QKeySequence::Save);
        QObject::connect(speichern, &QAction::triggered, &vorschau, [&] {
            qel_Guard(QStringLiteral("TBerichtAusgabe.Vorschau"), [&] {
                QString datei = QFileDialog::getSaveFileName(&vorschau, QStringLiteral("Als PDF speichern"),
                                                             satz.Titel() + QStringLiteral(".pdf"),
                                                             QStringLiteral("PDF-Dateien (*.pdf)"));
                if (datei.isEmpty())
                    return;
                if (!datei.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
                    datei += QStringLiteral(".pdf");
                PdfSchreiben(satz, datei, pdf);
                gespeichert = true;
            });
        });
    }
    vorschauTasten(vorschau);
    // The preview's print button accepts the dialog once the letter went to the printer.
    const bool gedruckt = qel_ShowModal(&vorschau) == QDialog::Accepted;
    if (!fehler.isEmpty())
        throw EQELError(fehler);
    return gedruckt || gespeichert;
}

bool TBerichtAusgabe::Drucken(TBriefsatz& satz, int kopien, bool dialog, const QByteArray& pdf)
{
    if (!g_pdfOrdner.isEmpty() && g_ordnerAlsDrucker) {
        inOrdnerSchreiben(satz, false, pdf);
        return true;
    }
    if (!DruckerVorhanden())
        throw EQELError(QStringLiteral("Es ist kein Drucker eingerichtet. Die Mahnung „%1“ wurde nicht gedruckt.\n"
                                       "Bitte richten Sie einen Drucker ein oder drucken Sie aus der Vorschau in eine "
                                       "PDF-Datei.")
                            .arg(satz.Titel()));
    const QPrinterInfo standard = QPrinterInfo::defaultPrinter();
    QPrinter drucker(standard.isNull() ? QPrinterInfo::availablePrinters().first() : standard, QPrinter::HighResolution);
    drucker.setFullPage(true);
    drucker.setDocName(satz.Titel());
    drucker.setCopyCount(std::max(1, kopien));
    if (dialog) {
        QPrintDialog d(&drucker);
        if (qel_ShowModal(&d) != QDialog::Accepted)
            return false;
    }
    Zeichnen(satz, pdf, &drucker);
    if (drucker.printerState() == QPrinter::Error)
        throw EQELError(QStringLiteral("Der Drucker „%1“ meldet einen Fehler. Die Mahnung „%2“ wurde nicht gedruckt.")
                            .arg(drucker.printerName(), satz.Titel()));
    return true;
}
