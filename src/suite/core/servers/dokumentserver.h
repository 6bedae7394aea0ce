// The attachment server: files stored with a document, content kept in the suite database.
#pragma once

#include "interfaces.h"

class TDokumentServer : public IQEL_DokumentServer {
public:
    // Largest attachment the suite stores.
    static constexpr qint64 MaxGroesse = 50LL * 1024 * 1024;

    // Takes the list to store; replaces one taken before.
    void Dokumente_Uebernehmen(const TDocListe& liste) override;
    // Stores the new attachments and removes the marked ones, all or nothing. Raises EQELError with
    // a German text when an attachment is refused (too large, unreadable, a name with path parts).
    bool Dokumente_Speichern() override;
    // The attachments of a document, oldest first; the content only when asked for.
    TDocListe Dokumente_Lesen(const TIntPair& besitzer, bool mitInhalt) override;
    bool Brief_Offen(const TQEL_Mahnungsnummer& nummer) override;
    bool Brief_Lesen(const TQEL_Mahnungsnummer& nummer, QByteArray& pdf) override;
    bool Brief_Archivieren(const TQEL_Mahnungsnummer& nummer, const QString& dateiname, const QByteArray& pdf) override;

    // True for a bare file name (no folder part, not "." or "..").
    static bool IstBlosserDateiname(const QString& name);
    // Whether a file on disk may be attached under this name; raises EQELError with the reason.
    static void Datei_Pruefen(const QString& name, const QString& pfad);

private:
    TDocListe m_liste;
};
