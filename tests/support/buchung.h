// Booked dunnings for tests, made the way the editor makes them: through the dunning server.
#pragma once

#include "suite/core/servers/mahnungtypes.h"
#include "testdaten.h"

class TTestBuchung {
public:
    explicit TTestBuchung(const TIntPair& mandant) : m_mandant(mandant) {}

    // Starts a document for a partner (its organisation is read from the partner server).
    TQEL_Mahnung_Beleg& Mahnung(const TIntPair& gep, TDateTime mahnungsdatum, const QString& text,
                                TDateTime beruecksichtigt = 0);
    // Adds an item created with these values to the last document, at the item's next level.
    void Posten(const TIntTrio& trio, const TTestPosten& p, double gebuehr = 0, double zins = 0);
    // Books every document started so far in one call; raises when the server refuses.
    // Returns the documents with the numbers the server gave them.
    TQEL_Mahnung_Beleg_Array Buchen();

private:
    TIntPair m_mandant;
    TQEL_Mahnung_Beleg_Array m_belege;
};

// Key of a booked dunning, read back by its number.
TIntPair qel_TestMahnungsID(const TQEL_Mahnung_Beleg& beleg);
