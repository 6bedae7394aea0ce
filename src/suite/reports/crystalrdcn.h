// The report wrapper: a letter template, the rows of a print job and the report parameters,
// rendered to the preview, the printer or a PDF file.
#pragma once

#include "qelreport.h"
#include "suite/core/servers/interfaces.h"

#include <QObject>
#include <QString>
#include <memory>

class TBriefsatz;

class TCrystalRDCn {
public:
    explicit TCrystalRDCn(QObject* owner = nullptr);
    ~TCrystalRDCn();

    void Clear();
    // path: the report file; laden: read and check the template and the job's rows now rather than at
    // output; files: the print job whose rows the report reads.
    void SetReport(const QString& path, bool laden, const TDBFFiles_4_Crystal& files);
    // Index 0 is the main report; the letter has no subreports.
    TQELReport* GetReport(int index);
    IReport* GetIReport(int index);
    // Preview; returns when it is closed.
    void ShowReport();
    // Direct print: kopien 0 means one copy; dialog asks for the printer first.
    void Print(int kopien, bool dialog);

    // The letter as it would be output, for checks and PDF files.
    std::unique_ptr<TBriefsatz> Satz();
    QString ReportPath() const { return m_pfad; }

private:
    void pruefen(int index) const;
    void ladenWennNoetig();

    QString m_pfad;
    TDBFFiles_4_Crystal m_dateien;
    bool m_gesetzt = false;
    bool m_geladen = false;
    QString m_vorlage;
    std::vector<TMOLA_PrintEditServer_Record> m_zeilen;
    TQELReport m_report;
};
