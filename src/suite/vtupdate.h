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
