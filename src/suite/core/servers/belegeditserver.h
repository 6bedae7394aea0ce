// The document server: headers of the suite's payment documents (the open items).
#pragma once

#include "interfaces.h"

class TBelegEditServer : public IQEL_BelegEditServer {
public:
    // key: computer and transaction number; lfdNr: the running number within the transaction.
    bool Beleg_Laden(const TIntPair& key, int16_t lfdNr) override;
    // The document loaded last; raises when none is loaded.
    const TBelegDaten& Beleg_Daten() override;

private:
    TBelegDaten m_daten;
    bool m_geladen = false;
};
