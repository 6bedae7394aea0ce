// The document server: payment documents.
#pragma once

#include "interfaces.h"

// Not built yet: every call raises ENichtVerfuegbar.
class TBelegEditServer : public IQEL_BelegEditServer {
public:
    bool Beleg_Laden(const TIntPair& key, int16_t lfdNr) override;
    const TBelegDaten& Beleg_Daten() override;
};
