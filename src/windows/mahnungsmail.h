// Dunning letters by e-mail, for the print runs of the editor and the dunning list.
#pragma once

// Whether this workstation sends mail (a mail server or a dry-run folder is set up); true also when its
// settings cannot be read, so that the clerk who chooses e-mail learns what is wrong.
bool TMahnungsMail_Eingerichtet();
