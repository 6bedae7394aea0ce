#include "mahnungeditserver.h"

#include "nichtverfuegbar.h"

namespace {
const char* const kServer = "Mahnungsserver";
}

bool TMahnungEditServer::Mahnungen_Buchen(TQEL_Mahnung_Beleg_Array&)
{
    qel_NichtVerfuegbar(kServer, "Mahnungen_Buchen");
}
