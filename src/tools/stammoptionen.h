// Options of the master-data commands: the address, letterhead and contact fields that clients,
// branches and partners share, read into and shown from a TOrgStamm.
#pragma once

#include "befehl.h"

#include "suite/core/servers/stammdaten.h"

namespace admin {

void OrgOptionen(TBefehlsZeile& z, bool mitBriefkopf);
// Takes over the options given; a field whose option is missing keeps its value.
void OrgUebernehmen(const TBefehlsZeile& z, TOrgStamm& o);
// --logo DATEI stores the file as the logo named name and sets it; --logo-name names a stored one.
void LogoUebernehmen(const TBefehlsZeile& z, TOrgStamm& o, const QString& name);
void OrgZeigen(const TOrgStamm& o);
// "Feldname: Wert" lines with aligned values; empty values are left out.
void FeldZeigen(const QString& feld, const QString& wert);

// J/N, ja/nein, 1/0.
bool JaNein(const TBefehlsZeile& z, const QString& option, bool bisher);
// The client number of --mandant; without it the only client, if there is exactly one.
int MandantNr(const TBefehlsZeile& z);

}  // namespace admin
