// System data of the suite from the database.
#pragma once

#include "interfaces.h"

class TSystemServer : public IQEL_SystemServer {
public:
    bool Benutzer_Hat_Recht(const QString& benutzer, int recht) override;
    bool Benutzer_Existiert(const QString& benutzer) override;
    bool Rechner_Lesen(int rechnerNr, QString& bezeichnung, int& filiale) override;
    QVector<TDruckLayout> Layouts_Lesen(const QString& art) override;
    bool Logo_Lesen(const QString& name, QByteArray& bild, QString& mime) override;
    bool OrgeMerkmale_Lesen(const TIntPair& mandant, const TIntPair& orgeNr, TQEL_OrgeMerkmale& m) override;
    bool Anschrift_Lesen(const TIntPair& orgeNr, TAnschrift& a) override;
    bool Kontaktperson_Lesen(const TIntPair& id, TKontaktperson& k) override;
    bool Partnernummer_Lesen(const TIntPair& gepNr, int& nr) override;
    QString Einstellung_Lesen(const QString& schluessel) override;
    bool Einstellung_Schreiben(const QString& schluessel, const QString& wert) override;
    bool Einstellungen_Loeschen(const QString& praefix) override;
};
