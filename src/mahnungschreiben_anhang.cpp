// Dunning editor: attachments of a booked dunning.
#include "mahnungschreiben.h"

#include "suite/servers/nichtverfuegbar.h"

void TfrmMahnungSchreiben::actAnhangExecute()
{
    qel_Guard(QStringLiteral("TfrmMahnungSchreiben.actAnhangExecute"),
              [&] { qel_NichtVerfuegbar("Mahnwesen", "Anhänge"); });
}
