#include "logodatei.h"

#include "suite/core/types.h"

#include <QFile>
#include <QImage>
#include <QMimeDatabase>

namespace admin {

TLogoDatei LogoDatei_Lesen(const QString& pfad)
{
    QFile f(pfad);
    if (!f.open(QIODevice::ReadOnly))
        throw EQELError(QStringLiteral("Die Bilddatei kann nicht gelesen werden: %1").arg(pfad));
    TLogoDatei l;
    l.bild = f.readAll();
    QImage probe;
    if (!probe.loadFromData(l.bild))
        throw EQELError(QStringLiteral("Die Datei ist kein lesbares Bild: %1").arg(pfad));
    l.mime = QMimeDatabase().mimeTypeForData(l.bild).name();
    l.breite = probe.width();
    l.hoehe = probe.height();
    return l;
}

}  // namespace admin
