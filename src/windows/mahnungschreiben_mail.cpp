// Dunning editor: the booked letters by e-mail (F11), also a single one, which printing would preview.
#include "mahnungschreiben.h"

#include "mahnungsdruck.h"
#include "mahnungsmail.h"

#include <QBoxLayout>
#include <QEvent>

namespace {

// The mail button follows the print button: shown and enabled exactly when printing is.
class TWiePrintknopf : public QObject {
public:
    TWiePrintknopf(QWidget* vorbild, QWidget* folger) : QObject(folger), m_vorbild(vorbild), m_folger(folger)
    {
        vorbild->installEventFilter(this);
        angleichen();
    }
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::ShowToParent || e->type() == QEvent::HideToParent || e->type() == QEvent::EnabledChange)
            angleichen();
        return false;
    }

private:
    void angleichen()
    {
        m_folger->setVisible(!m_vorbild->isHidden());
        m_folger->setEnabled(m_vorbild->isEnabled());
    }
    QWidget* m_vorbild;
    QWidget* m_folger;
};

}  // namespace

void TfrmMahnungSchreiben::Mail_Aufbauen(QBoxLayout* knoepfe)
{
    if (!TMahnungsMail_Eingerichtet())
        return;
    btnMail = new TResBitBtn(QStringLiteral("E-Mail"), QKeySequence(Qt::Key_F11), this);
    btnMail->setToolTip(QStringLiteral("Mahnungen per E-Mail senden; Partner ohne E-Mail-Adresse danach ausgeben (F11)"));
    btnMail->setMinimumWidth(110);
    knoepfe->insertWidget(knoepfe->indexOf(btnDrucken) + 1, btnMail);
    new TWiePrintknopf(btnDrucken, btnMail);
    connect(btnMail, &QPushButton::clicked, this, &TfrmMahnungSchreiben::actMailExecute);
}

void TfrmMahnungSchreiben::actMailExecute()
{
    Guard(__func__, [&] {
        MahnungsStruktur_fuellen();
        Mail_Struktur();
    });
}

void TfrmMahnungSchreiben::Mail_Struktur()
{
    const QString kontext = Kontext(__func__);
    qel_Guard(kontext, [&] {
        if (FMahnungen.empty())
            return;
        TMahnungsDrucker drucker(FPrintEditServer, *FGPListenServer, FOrgeMerkmaleDM, kontext);
        drucker.PerMail(Druckdaten());
    });
}
