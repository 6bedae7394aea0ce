// Checks of the values a server stores: whatever the caller hands over, the database receives only
// values both engines keep exactly, and a refusal tells the clerk which field and value were wrong.
#pragma once

#include "../types.h"

#include <QString>

// A value a server refuses to store; the text names the field and the value.
class EWertUngueltig : public EQELError {
public:
    using EQELError::EQELError;
};

// Largest amount the suite stores: 999.999.999,99 in either direction.
inline constexpr double CQEL_MaxBetrag = 999999999.99;
// Dates the suite stores: 01.01.1900 up to the last moment of 31.12.9999.
inline constexpr TDateTime CQEL_MinDatum = 2.0;
inline constexpr TDateTime CQEL_MaxDatum = 2958466.0;  // exclusive: 01.01.10000
inline constexpr int CQEL_MaxMahnstufe = 9;

// Raise EWertUngueltig unless the value is storable.
void qel_BetragPruefen(const QString& feld, double betrag);
void qel_DatumPruefen(const QString& feld, TDateTime datum);
// A date that may be 0 for "none".
void qel_DatumOderLeerPruefen(const QString& feld, TDateTime datum);
void qel_StufePruefen(const QString& feld, qint64 stufe, int von = 0, int bis = CQEL_MaxMahnstufe);

// Length of a text as the database counts it (characters, not UTF-16 units).
int qel_TextLaenge(const QString& text);
// The text without NUL characters (PostgreSQL cannot store them, so neither engine gets them).
QString qel_OhneNul(const QString& text);
// The text without NULs; raises EWertUngueltig when it is longer than maxZeichen characters.
QString qel_TextPruefen(const QString& feld, const QString& text, int maxZeichen);

// "1.234,56", "keine Zahl", "unendlich": a value as the clerk reads it in a message.
QString qel_WertText(double betrag);
