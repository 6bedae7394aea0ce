// Dunning editor: attachments of a booked dunning.
#include "mahnungschreiben.h"

#include "suite/ui/dialogs/dateianhang.h"

#include <memory>

void TfrmMahnungSchreiben::actAnhangExecute()
{
    Guard(__func__, [&] {
        if (!IntPairDefined(FMahnungsID))
            return;
        auto dialog = std::make_unique<Tfrmdateianhang>();
        dialog->SetBesitzer(FMahnungsID);
        dialog->SetAenderbar(true);
        if (dialog->ShowModal() != mrOk)
            return;
        // Released in reverse order - list, server, dialog - also when a step fails.
        struct Server {
            QString kontext;
            IQEL_DokumentServerRef ref;
            ~Server() { qel_Guard(kontext, [&] { Glob_WWSServerFactoryClass().DokumentServer_Freigeben(ref); }, false); }
        } server{Kontext(__func__), nullptr};
        Glob_WWSServerFactoryClass().DokumentServer_Holen(server.ref);
        struct Liste {
            TDocListe docs;
            ~Liste() { DocListe_Clear(docs); }
        } liste;
        DocListe_Clear(liste.docs);
        MergeDatItems2DocListe(dialog->DatItems_Get(), liste.docs);
        server.ref->Dokumente_Uebernehmen(liste.docs);
        server.ref->Dokumente_Speichern();
    });
}
