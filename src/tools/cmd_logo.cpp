// logo: letterhead logos stored in the database.
#include "befehl.h"

#include "logodatei.h"
#include "suite/core/servers/verwaltung.h"

namespace admin {
namespace {

int logoImport(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Speichert ein Logo (PNG, JPEG, BMP) unter seinem Namen oder ersetzt es."));
    z.Argument(QStringLiteral("NAME"), QStringLiteral("Name, unter dem Layouts und Mandanten das Logo finden."));
    z.Argument(QStringLiteral("DATEI"), QStringLiteral("Bilddatei."));
    z.Lesen();
    const TLogoDatei logo = LogoDatei_Lesen(z.Argument(1));
    z.DatenbankOeffnen();
    const bool neu = Verwaltung_LogoSpeichern(z.Argument(0), logo.mime, logo.bild);
    err() << QStringLiteral("Logo %1 (%2, %3 x %4 Pixel) %5.\n")
                 .arg(z.Argument(0), logo.mime)
                 .arg(logo.breite)
                 .arg(logo.hoehe)
                 .arg(neu ? QStringLiteral("gespeichert") : QStringLiteral("ersetzt"));
    return kOk;
}

int befehlLogo(const TAdminAufruf& a)
{
    return Aktion_Ausfuehren(a, QStringLiteral("Logos für den Briefkopf."),
                             {{"import", "Logo (PNG, JPEG, BMP) speichern oder ersetzen", logoImport}});
}

const TAdminBefehl logo("logo", "Logos speichern oder ersetzen", befehlLogo);

}  // namespace
}  // namespace admin
