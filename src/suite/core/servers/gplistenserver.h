// Business partners of a client: organisations and the partner search.
#pragma once

#include "interfaces.h"

class TGPListenServer : public IQEL_GPListenServer {
public:
    TGPListenServer();
    bool Gep_Lesen(const TIntPair& gepNr, TIntPair& orgeNr) override;
    bool Gep_Lesen_Umfang(const TIntPair& mandant, int filiale, TIntPair& orgeNr) override;
    TVRList* Gep_Suchen(const TIntPair& mandant, const QString& name, const QString& ort, const QString& strasse,
                        const QString& land, bool nurAktive, int maxZeilen) override;

private:
    TVRList m_suchErgebnis;
};
