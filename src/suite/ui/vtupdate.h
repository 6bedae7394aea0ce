// Detaching all list views of a window at once.
#pragma once

#include "vtvrlist.h"

// Detaches every list view of a window from its table; called before the servers owning the
// tables are given back, since the views outlive the window's destruction code.
inline void qel_ListenLoesen(QWidget* fenster)
{
    for (TVTVRList* v : fenster->findChildren<TVTVRList*>())
        v->ListeLoesen();
}
