#include "interfaces.h"
#include "mahnungtypes.h"

void Init_TQEL_Mahnung_Belegpositionen(TQEL_Mahnung_Belegpositionen& pos) { pos = TQEL_Mahnung_Belegpositionen(); }

void DocListe_Clear(TDocListe& liste)
{
    liste.clear();
    liste.shrink_to_fit();
}
