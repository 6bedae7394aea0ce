// layout: print layouts and the report files they name.
#include "befehl.h"

#include "suite/core/servers/database.h"
#include "suite/core/servers/verwaltung.h"

#include <QDir>
#include <QFileInfo>

namespace admin {
namespace {

int layoutImport(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Trägt ein Drucklayout mit dem Namen seiner Berichtsdatei ein. Die Datei selbst\n"
                                      "gehört in den Berichtsordner; gespeichert wird nur ihr Name."));
    z.Argument(QStringLiteral("DATEI"), QStringLiteral("Berichtsdatei des Layouts."));
    z.Option({QStringLiteral("art")}, QStringLiteral("Art des Layouts, z. B. KMAHN."), QStringLiteral("ART"));
    z.Option({QStringLiteral("name")}, QStringLiteral("Bezeichnung des Layouts."), QStringLiteral("NAME"));
    z.Option({QStringLiteral("standard")}, QStringLiteral("Das Layout wird das Standardlayout seiner Art."));
    z.Option({QStringLiteral("einstellung")}, QStringLiteral("Einstellung des Layouts (mehrfach möglich)."),
             QStringLiteral("NAME=WERT"));
    z.Lesen();
    if (!z.Gesetzt(QStringLiteral("art")) || !z.Gesetzt(QStringLiteral("name")))
        z.Falsch(QStringLiteral("layout import braucht --art und --name."));
    const QString art = z.Wert(QStringLiteral("art"));
    const QString name = z.Wert(QStringLiteral("name"));
    QStringList einstellungen = z.Werte(QStringLiteral("einstellung"));
    if (einstellungen.isEmpty())
        einstellungen = Verwaltung_StandardLayoutEinstellungen(QString());
    const TSuiteKonfiguration k = z.DatenbankOeffnen();
    // Only the file name is kept: letters look the file up in the report folder.
    const QString datei = QFileInfo(z.Argument(0)).fileName();
    const TIntPair id = Verwaltung_LayoutRegistrieren(art, name, datei, einstellungen, z.Gesetzt(QStringLiteral("standard")), k.Rechner);
    err() << QStringLiteral("Drucklayout \"%1\" (%2) mit der Berichtsdatei %3 eingetragen, Schlüssel %4.\n")
                 .arg(name, art, datei, qel_TIntPair2String(id));
    if (!QFileInfo::exists(QDir(k.BerichtsOrdner).filePath(datei)))
        err() << QStringLiteral("Hinweis: %1 liegt nicht im Berichtsordner %2.\n").arg(datei, k.BerichtsOrdner);
    return kOk;
}

int befehlLayout(const TAdminAufruf& a)
{
    return Aktion_Ausfuehren(a, QStringLiteral("Drucklayouts der Briefe."),
                             {{"import", "Drucklayout mit dem Namen seiner Berichtsdatei eintragen", layoutImport}});
}

const TAdminBefehl layout("layout", "Drucklayouts eintragen", befehlLayout);

}  // namespace
}  // namespace admin
