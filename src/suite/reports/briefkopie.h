// Finished letters as PDF: the archive form (PDF/A-1b), the copy mark, and painting such pages on a
// printer or in the preview.
#pragma once

#include <QByteArray>
#include <QString>

class QPagedPaintDevice;
class QPainter;
class TBriefsatz;

// The letter as PDF/A-1b in memory, the form in which a sent letter is archived.
QByteArray qel_BriefAlsPdfA(TBriefsatz& satz);

// The same pages with "Kopie" stamped on each, and below it a note when given (a cancellation that
// came after the letter); text and drawing of the pages stay untouched. Raises EQELError when the PDF
// cannot be read.
QByteArray qel_PdfKopie(const QByteArray& pdf, const QString& vermerk = QString());

// The pages of a PDF, rendered at the device's resolution (printer, preview). maler: the painter of a
// run of letters on the same device (begun here, or a new page first when it is active already).
// Raises EQELError when the PDF cannot be read.
void qel_PdfZeichnen(const QByteArray& pdf, QPagedPaintDevice* geraet, QPainter* maler = nullptr);

// Number of pages of a PDF; 0 when it cannot be read.
int qel_PdfSeiten(const QByteArray& pdf);
