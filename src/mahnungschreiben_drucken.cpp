// Dunning editor: printing the letters.
#include "mahnungschreiben.h"

#include "suite/servers/nichtverfuegbar.h"

void TfrmMahnungSchreiben::actDruckenExecute()
{
    qel_Guard(QStringLiteral("TfrmMahnungSchreiben.actDruckenExecute"), [&] { Drucken_Struktur(); });
}

void TfrmMahnungSchreiben::Drucken_Struktur()
{
    qel_Guard(QStringLiteral("TfrmMahnungSchreiben.Drucken_Struktur"),
              [&] { qel_NichtVerfuegbar("Mahnwesen", "Drucken der Mahnungen"); });
}

QString TfrmMahnungSchreiben::getBlobText(const QString&, int)
{
    qel_NichtVerfuegbar("Mahnwesen", "getBlobText");
}
