// One update bracket of a list view, closed also when an exception passes.
#pragma once

#include "vtvrlist.h"

class TVTUpdate {
public:
    explicit TVTUpdate(TVTVRList* view) : m_view(view) { m_view->BeginUpdate(); }
    ~TVTUpdate() { m_view->EndUpdate(); }
    TVTUpdate(const TVTUpdate&) = delete;
    TVTUpdate& operator=(const TVTUpdate&) = delete;

private:
    TVTVRList* m_view;
};

// Detaches every list view of a window from its table; called before the servers owning the
// tables are given back, since the views outlive the window's destruction code.
inline void qel_ListenLoesen(QWidget* fenster)
{
    for (TVTVRList* v : fenster->findChildren<TVTVRList*>()) {
        TVTUpdate u(v);
        v->Clear();
        v->SetVRList(nullptr);
    }
}
