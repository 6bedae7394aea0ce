// Calendar dialog of the suite.
#pragma once

#include "suite/ui/forms.h"
#include "suite/core/types.h"

class QCalendarWidget;

// The calendar window itself.
class TfrmKalender : public TQELForm {
    Q_OBJECT
public:
    explicit TfrmKalender(TDateTime start);
    TDateTime Datum() const;
    void SetDatum(TDateTime d);
    QCalendarWidget* Kalender() const { return m_kalender; }

private:
    QCalendarWidget* m_kalender;
};

class TCalendarDialog {
public:
    TDateTime Date = 0;
    // Shows the calendar at Date; on OK, Date holds the chosen day (midnight).
    bool Execute();
};
