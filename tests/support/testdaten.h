// Small, exactly known suite data for window tests.
#pragma once

#include "suite/core/types.h"

#include <QString>

struct TTestPosten {
    QString Beleg;
    TDateTime Datum = 0;
    double Soll = 0;
    double Haben = 0;
    TDateTime Ziel = 0;
    int Mahnstufe = 0;
    bool Zentral = false;
    QString Kommentar;
};

// A client with its own organisation; partners and open items are added to it.
class TTestMandant {
public:
    TTestMandant(int nr, const QString& name);
    TIntPair Id;
    int Nr;
    QString Name;
    TIntPair Partner(const QString& name, bool aktiv = true, const QString& ort = QStringLiteral("Bremen"));
    TIntTrio Posten(const TIntPair& partner, const TTestPosten& p);
};
