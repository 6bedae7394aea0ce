// Reading a logo file for the letterhead (the logo command and the clients' --logo option).
#pragma once

#include <QByteArray>
#include <QString>

namespace admin {

struct TLogoDatei {
    QByteArray bild;
    QString mime;
    int breite = 0;
    int hoehe = 0;
};

// Raises EQELError when the file cannot be read or is no image.
TLogoDatei LogoDatei_Lesen(const QString& pfad);

}  // namespace admin
