// Import server: business partners, open items and payments from files of the accounting (the
// documented CSV format and the DATEV format), and the export of booked dunning fees back to it.
// An import is one transaction; its files are read as streams.
#pragma once

#include "../types.h"

#include <QString>
#include <QStringList>
#include <QVector>

struct TImportOptionen {
    int MandantNr = 0;
    bool Abgleich = false;       // open items missing from the files are closed
    bool Pruefen = false;        // dry run: everything is checked and counted, nothing is kept
    bool Ueberspringen = false;  // good lines are imported, bad ones only listed
    int MaxGelisteteFehler = 1000;
    // Item lines matched in memory; a larger file goes through a table, so memory stays bounded.
    qint64 ZeilenImSpeicher = 200000;
};

struct TImportFehler {
    QString Datei;
    qint64 Zeile = 0;  // 0: the file as a whole
    QString Spalte;    // empty: the line as a whole
    QString Grund;
    QString Text() const;  // "datei, Zeile 5, Spalte Betrag: Grund"
};

struct TImportErgebnis {
    QVector<TImportFehler> Fehler;  // the first MaxGelisteteFehler
    qint64 FehlerGesamt = 0;
    qint64 Zeilen = 0;  // data lines read
    int PartnerNeu = 0, PartnerGeaendert = 0, PartnerUnveraendert = 0;
    qint64 PostenNeu = 0, PostenGeaendert = 0, PostenUnveraendert = 0;
    qint64 PostenAusgeglichen = 0;  // paid in full by this import
    qint64 PostenAbgeglichen = 0;   // closed because a full export lacks them
    QStringList Aenderungen;        // one line per change of an item, in file order
    QStringList Hinweise;
    bool Gespeichert = false;
};

// Imports the files (kinds told apart by their first lines) for the client. Partner files are read
// before item files. Raises EQELError only when the run cannot start (no client, unreadable file);
// bad lines are in the result.
TImportErgebnis Import_Ausfuehren(const QStringList& dateien, const TImportOptionen& optionen);

// Writes the client's partners and items in the CSV format (UTF-8); for a round trip or a hand-over.
void Export_CsvPartner(int mandantNr, const QString& pfad);
void Export_CsvPosten(int mandantNr, const QString& pfad);

struct TDatevExportOptionen {
    int MandantNr = 0;
    TDateTime Von = 0, Bis = 0;  // dunning dates; 0: no limit
    bool Erneut = false;         // dunnings exported before are written again
};
struct TDatevExportErgebnis {
    int Mahnungen = 0;
    int Stornos = 0;       // exported dunnings cancelled since, reversed in this batch
    int Buchungen = 0;
    qint64 SummeCent = 0;  // reversals counted negative
};
// Fees and interest of booked dunnings as a DATEV posting batch (Windows-1252, CRLF). Each dunning
// goes out once unless Erneut is set; a dunning cancelled after it went out is reversed once (on its
// cancellation date). Nothing is marked when the file cannot be written.
TDatevExportErgebnis Export_DatevGebuehren(const TDatevExportOptionen& optionen, const QString& pfad);
