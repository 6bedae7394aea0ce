// The print server: print jobs and their rows, kept in the suite database.
#pragma once

#include "interfaces.h"

#include <QMap>

class TPrintEditServer : public IQEL_PrintEditServer {
public:
    // Job numbers come from one counter of the whole suite, taken in blocks, so every workstation and
    // every server gets numbers of its own. The job is stored with its rows.
    int Druckauftrag_Beginnen(const QString& prgId) override;
    // Rows are checked at once and stored together, in one transaction, when the job is handed to the
    // report (Druck_Kennung) or read; a job's rows thus cost one write instead of one per row.
    void Druckdaten_Schreiben(const TMOLA_PrintEditServer_Record& rec) override;
    // Marks the job ended and removes its rows; the job itself stays as a record of who printed when.
    // A job that never reached the report leaves no trace.
    void Druckauftrag_Beenden(const QString& prgId, int auftrag) override;
    // The job begun last by this server; its rows are stored by now.
    TDBFFiles_4_Crystal Druck_Kennung() override;
    std::vector<TMOLA_PrintEditServer_Record> Druckdaten_Lesen(int auftrag) override;

    // Rows of jobs that were begun this many days ago and never ended (a crashed workstation) are removed.
    static constexpr int CAufbewahrungTage = 7;
    static constexpr int CNummernBlock = 20;

private:
    QString offenerAuftragPrgId(int auftrag);
    void speichern();
    TDBFFiles_4_Crystal m_aktuell;
    QMap<int, int> m_letzteZeile;  // job -> last row number written by this server
    QMap<int, QString> m_offen;    // jobs known to be open -> program id
    struct TNeuerAuftrag {
        QString PrgId;
        TDateTime Begonnen = 0;
    };
    QMap<int, TNeuerAuftrag> m_ungespeichert;  // begun, not yet stored
    int m_naechsteNr = 0, m_blockEnde = 0;
    std::vector<std::pair<int, QString>> m_puffer;  // rows not yet stored: job, row text
};

// Text form of a print row as stored, and back (raises EQELError on a damaged row).
QString qel_DruckzeileText(const TMOLA_PrintEditServer_Record& rec);
TMOLA_PrintEditServer_Record qel_DruckzeileLesen(const QString& text);
