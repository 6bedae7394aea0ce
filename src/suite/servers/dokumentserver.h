// The attachment server: files stored with a document.
#pragma once

#include "interfaces.h"

// Not built yet: every call raises ENichtVerfuegbar.
class TDokumentServer : public IQEL_DokumentServer {
public:
    void Dokumente_Uebernehmen(const TDocListe& liste) override;
    bool Dokumente_Speichern() override;
    TDocListe Dokumente_Lesen(const TIntPair& besitzer, bool mitInhalt) override;
};
