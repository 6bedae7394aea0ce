// Open-items window: dunning blocks of an item or its partner, from the list's context menu.
#include "mainu.h"
#include "suite/ui/dialogs/grunddialog.h"
#include "suite/ui/programm.h"

#include <QAction>

void Tfrmmainu::Mahnsperren_Einrichten()
{
    Guard(__func__, [&] {
        if (!UserHatRecht(203))
            return;
        actPostenSperren = new QAction(QStringLiteral("Posten für Mahnungen sperren..."), this);
        actPartnerSperren = new QAction(QStringLiteral("Geschäftspartner für Mahnungen sperren..."), this);
        actPostenEntsperren = new QAction(QStringLiteral("Mahnsperre des Postens aufheben"), this);
        actPartnerEntsperren = new QAction(QStringLiteral("Mahnsperre des Geschäftspartners aufheben"), this);
        connect(actPostenSperren, &QAction::triggered, this, [this] { actMahnsperreExecute(false); });
        connect(actPartnerSperren, &QAction::triggered, this, [this] { actMahnsperreExecute(true); });
        connect(actPostenEntsperren, &QAction::triggered, this, [this] { actMahnsperreAufhebenExecute(false); });
        connect(actPartnerEntsperren, &QAction::triggered, this, [this] { actMahnsperreAufhebenExecute(true); });
        vtOffenePosten->addActions({actPostenSperren, actPartnerSperren, actPostenEntsperren, actPartnerEntsperren});
        vtOffenePosten->setContextMenuPolicy(Qt::ActionsContextMenu);
    });
}

namespace {
// The selected row's item and partner; false (with the hint) when no row is selected.
bool auswahlLesen(TVTVRList* vt, IQEL_ZahlungEditServer* s, TIntTrio& posten, TIntPair& partner, QString& name)
{
    TVirtualNode* node = vt->GetFirstSelected();
    if (!node) {
        qel_Meldung(CMeldung_Hinweis, 997, QStringLiteral("Bitte selektieren Sie zunächst eine Zeile."));
        return false;
    }
    posten.RechnerNummer = int(vt->GetCellValueAsInteger(node, s->Spalte_RechnerNummer()));
    posten.TransaktionsNummer = int(vt->GetCellValueAsInteger(node, s->Spalte_TransNummer()));
    posten.LfdNummer = int(vt->GetCellValueAsInteger(node, s->Spalte_LfdNummer()));
    partner = qel_String2TIntPair(vt->GetCellValueAsString(node, s->Spalte_GepNr()));
    name = vt->GetCellValueAsString(node, s->Spalte_Gep());
    return true;
}
}  // namespace

void Tfrmmainu::actMahnsperreExecute(bool Partner)
{
    Guard(__func__, [&] {
        TMahnsperre sperre;
        QString name;
        if (!auswahlLesen(vtOffenePosten, FZahlungEditServer.get(), sperre.Posten, sperre.GepNr, name))
            return;
        if (Partner)
            sperre.Posten = TIntTrio{};
        sperre.Mandant = FSelectedMandant;
        const QString hinweis = Partner ? QStringLiteral("Keine Mahnungen an %1 bis einschließlich:").arg(name)
                                        : QStringLiteral("Dieser Posten wird bis einschließlich diesem Tag nicht gemahnt:");
        auto dialog = std::make_unique<TfrmGrundDialog>(QStringLiteral("Mahnsperre"), hinweis, true);
        dialog->SetBis(qel_DateOf(qel_Now()) + 30);
        if (dialog->ShowModal() != mrOk)
            return;
        sperre.Grund = dialog->Grund();
        sperre.Bis = dialog->Bis();
        if (FMAhnungEditServer->Mahnsperre_Setzen(sperre))
            Offene_Posten_Laden();
    });
}

void Tfrmmainu::actMahnsperreAufhebenExecute(bool Partner)
{
    Guard(__func__, [&] {
        TIntTrio posten;
        TIntPair partner;
        QString name;
        if (!auswahlLesen(vtOffenePosten, FZahlungEditServer.get(), posten, partner, name))
            return;
        if (FMAhnungEditServer->Mahnsperre_Aufheben(FSelectedMandant, partner, Partner ? TIntTrio{} : posten))
            Offene_Posten_Laden();
    });
}
