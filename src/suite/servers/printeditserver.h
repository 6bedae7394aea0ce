// The print server: print jobs and their rows.
#pragma once

#include "interfaces.h"

// Not built yet: every call raises ENichtVerfuegbar.
class TPrintEditServer : public IQEL_PrintEditServer {
public:
    int Druckauftrag_Beginnen(const QString& prgId) override;
    void Druckdaten_Schreiben(const TMOLA_PrintEditServer_Record& rec) override;
    void Druckauftrag_Beenden(const QString& prgId, int auftrag) override;
    TDBFFiles_4_Crystal Druck_Kennung() override;
    std::vector<TMOLA_PrintEditServer_Record> Druckdaten_Lesen(int auftrag) override;
};
