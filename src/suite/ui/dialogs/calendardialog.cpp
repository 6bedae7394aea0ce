#include "calendardialog.h"

#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

TfrmKalender::TfrmKalender(TDateTime start) : m_kalender(new QCalendarWidget(this))
{
    QELFormInit(QStringLiteral("frmKalender"), true);
    setWindowTitle(QStringLiteral("Kalender"));
    m_kalender->setLocale(QLocale(QLocale::German, QLocale::Germany));
    m_kalender->setFirstDayOfWeek(Qt::Monday);
    m_kalender->setGridVisible(true);
    SetDatum(start);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { SetModalResult(mrOk); });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { SetModalResult(mrCancel); });
    connect(m_kalender, &QCalendarWidget::activated, this, [this] { SetModalResult(mrOk); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_kalender);
    layout->addWidget(buttons);
}

TDateTime TfrmKalender::Datum() const { return qel_DateFromQDate(m_kalender->selectedDate()); }

void TfrmKalender::SetDatum(TDateTime d)
{
    const QDate datum = qel_ToQDate(d);
    m_kalender->setSelectedDate(datum.isValid() ? datum : QDate::currentDate());
}

bool TCalendarDialog::Execute()
{
    TfrmKalender frm(Date);
    if (frm.ShowModal() != mrOk)
        return false;
    Date = frm.Datum();
    return true;
}
