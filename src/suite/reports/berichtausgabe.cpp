#include "berichtausgabe.h"

#include "briefsatz.h"
#include "suite/ui/forms.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QToolBar>

namespace {

QString g_pdfOrdner;
int g_nummer = 0;
QVector<TBerichtAusgabe::TAusgabe> g_ausgaben;

}  // namespace

void TBerichtAusgabe::PdfOrdner(const QString& ordner)
{
    g_pdfOrdner = ordner;
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

void TBerichtAusgabe::inOrdnerSchreiben(TBriefsatz& satz, bool vorschau)
{
    ++g_nummer;
    TAusgabe a;
    a.Datei = QDir(g_pdfOrdner).filePath(QStringLiteral("%1_%2.pdf")
                                             .arg(g_nummer, 4, 10, QLatin1Char('0'))
                                             .arg(vorschau ? QStringLiteral("vorschau") : QStringLiteral("druck")));
    PdfSchreiben(satz, a.Datei);
    a.Vorschau = vorschau;
    a.Parameter = satz.Parameter();
    const IReport& s = satz.Seite();
    a.Oben = s.TopMargin();
    a.Links = s.LeftMargin();
    a.Unten = s.BottomMargin();
    a.Rechts = s.RightMargin();
    a.Ausrichtung = s.PaperOrientation();
    a.Papier = s.PaperSize();
    a.Logo = satz.LogoName();
    a.Seiten = satz.Seiten();
    g_ausgaben << a;
}

void TBerichtAusgabe::PdfSchreiben(TBriefsatz& satz, const QString& datei)
{
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

void TBerichtAusgabe::Vorschau(TBriefsatz& satz)
{
    if (!g_pdfOrdner.isEmpty()) {
        inOrdnerSchreiben(satz, true);
        return;
    }
    QPrinter drucker(QPrinter::HighResolution);
    drucker.setFullPage(true);
    drucker.setDocName(satz.Titel());
    QString fehler;
    QPrintPreviewDialog vorschau(&drucker);
    vorschau.setWindowTitle(QStringLiteral("Vorschau: %1").arg(satz.Titel()));
    vorschau.resize(900, 1000);
    QObject::connect(&vorschau, &QPrintPreviewDialog::paintRequested, &vorschau, [&](QPrinter* p) {
        try {
            satz.Zeichnen(p);
        } catch (const std::exception& e) {
            fehler = QString::fromUtf8(e.what());
        }
    });
    if (QToolBar* leiste = vorschau.findChild<QToolBar*>()) {
        QAction* pdf = leiste->addAction(QStringLiteral("Als PDF speichern"));
        QObject::connect(pdf, &QAction::triggered, &vorschau, [&] {
            qel_Guard(QStringLiteral("TBerichtAusgabe.Vorschau"), [&] {
                QString datei = QFileDialog::getSaveFileName(&vorschau, QStringLiteral("Als PDF speichern"),
                                                             satz.Titel() + QStringLiteral(".pdf"),
                                                             QStringLiteral("PDF-Dateien (*.pdf)"));
                if (datei.isEmpty())
                    return;
                if (!datei.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
                    datei += QStringLiteral(".pdf");
                PdfSchreiben(satz, datei);
            });
        });
    }
    qel_ShowModal(&vorschau);
    if (!fehler.isEmpty())
        throw EQELError(fehler);
}

void TBerichtAusgabe::Drucken(TBriefsatz& satz, int kopien, bool dialog)
{
    if (!g_pdfOrdner.isEmpty()) {
        inOrdnerSchreiben(satz, false);
        return;
    }
    const QPrinterInfo standard = QPrinterInfo::defaultPrinter();
    if (standard.isNull() && QPrinterInfo::availablePrinters().isEmpty())
        throw EQELError(QStringLiteral("Es ist kein Drucker eingerichtet. Die Mahnung „%1“ wurde nicht gedruckt.\n"
                                       "Bitte richten Sie einen Drucker ein oder drucken Sie aus der Vorschau in eine "
                                       "PDF-Datei.")
                            .arg(satz.Titel()));
    QPrinter drucker(standard.isNull() ? QPrinterInfo::availablePrinters().first() : standard, QPrinter::HighResolution);
    drucker.setFullPage(true);
    drucker.setDocName(satz.Titel());
    drucker.setCopyCount(std::max(1, kopien));
    if (dialog) {
        QPrintDialog d(&drucker);
        if (qel_ShowModal(&d) != QDialog::Accepted)
            return;
    }
    satz.Zeichnen(&drucker);
    if (drucker.printerState() == QPrinter::Error)
        throw EQELError(QStringLiteral("Der Drucker „%1“ meldet einen Fehler. Die Mahnung „%2“ wurde nicht gedruckt.")
                            .arg(drucker.printerName(), satz.Titel()));
}
