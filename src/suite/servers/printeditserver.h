// The print server: print jobs and their rows, kept in the suite database.
#pragma once

#include "interfaces.h"

#include <QMap>

class TPrintEditServer : public IQEL_PrintEditServer {
public:
    // Job numbers come from one counter of the whole suite, so every workstation gets its own.
    int Druckauftrag_Beginnen(const QString& prgId) override;
    void Druckdaten_Schreiben(const TMOLA_PrintEditServer_Record& rec) override;
    // Marks the job ended and removes its rows; the job itself stays as a record of who printed when.
    void Druckauftrag_Beenden(const QString& prgId, int auftrag) override;
    // The job begun last by this server.
    TDBFFiles_4_Crystal Druck_Kennung() override;
    std::vector<TMOLA_PrintEditServer_Record> Druckdaten_Lesen(int auftrag) override;

    // Rows of jobs that were begun this many days ago and never ended (a crashed workstation) are removed.
    static constexpr int CAufbewahrungTage = 7;

private:
    QString offenerAuftragPrgId(int auftrag);
    TDBFFiles_4_Crystal m_aktuell;
    QMap<int, int> m_letzteZeile;  // job -> last row number written by this server
};

// Text form of a print row as stored, and back (raises EQELError on a damaged row).
QString qel_DruckzeileText(const TMOLA_PrintEditServer_Record& rec);
TMOLA_PrintEditServer_Record qel_DruckzeileLesen(const QString& text);
