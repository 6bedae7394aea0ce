// Common types of the suite: keys, date-time values, the clock and formatting helpers.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>
#include <stdexcept>

// Days since 30.12.1899, time of day as the fraction (38353.0 = 01.01.2005).
using TDateTime = double;

// Base of all failures the suite raises; the text is shown to the clerk.
class EQELError : public std::runtime_error {
public:
    explicit EQELError(const QString& text) : std::runtime_error(text.toStdString()) {}
    QString Text() const { return QString::fromStdString(what()); }
};

// A value could not be converted (bad date, bad number, bad key text).
class EConvertError : public EQELError {
public:
    using EQELError::EQELError;
};

// An operation of the suite that this installation does not offer (yet).
class ENichtVerfuegbar : public EQELError {
public:
    using EQELError::EQELError;
};

struct TIntPair {
    int32_t RNr = 0;
    int32_t LNr = 0;
    void Clear() { RNr = 0; LNr = 0; }
};

inline constexpr TIntPair CLeeresIntPair{0, 0};

// A never-set, all-zero pair is the empty pair.
bool IntPairDefined(const TIntPair& p);
bool IntPairEqual(const TIntPair& a, const TIntPair& b);
// Text form "RNr;LNr"; the empty pair reads and writes as "".
QString qel_TIntPair2String(const TIntPair& p);
TIntPair qel_String2TIntPair(const QString& text);  // raises EConvertError

struct TIntTrio {
    int32_t RechnerNummer = 0;
    int32_t TransaktionsNummer = 0;
    int32_t LfdNummer = 0;
};
// The key of the document a trio belongs to: computer and transaction number.
TIntPair PairAusTrio(const TIntTrio& trio);

// --- date-time values -------------------------------------------------------
inline constexpr TDateTime CDatum_01_01_2005 = 38353.0;

TDateTime qel_DateTimeFromQDateTime(const QDateTime& dt);
TDateTime qel_DateFromQDate(const QDate& d);
QDateTime qel_ToQDateTime(TDateTime v);
QDate qel_ToQDate(TDateTime v);
TDateTime qel_EncodeDate(int year, int month, int day);
// Whole days (fraction dropped).
TDateTime qel_DateOf(TDateTime v);

// The suite's clock. Tests fix it; the program reads the system time.
TDateTime qel_Now();
void qel_SetNow(TDateTime fixed);
void qel_ResetNow();

// German short date "dd.MM.yyyy".
QString DateToStr(TDateTime v);
// Reads "d.M.yyyy", "dd.MM.yy", "ddMMyyyy"; raises EConvertError on anything else.
TDateTime StrToDate(const QString& text);

// "#,##0.00" with German separators: 1234.5 -> "1.234,50".
QString qel_FormatMoney(double value);
// Reads "1.234,50", "1234,5", "1234.50" and the like; raises EConvertError.
double qel_StrToFloat(const QString& text);
// Same, but yields 0 for text that is no number.
double qel_StrToFloatDef(const QString& text, double def);

// Millimetres to twips (1 inch = 25.4 mm = 1440 twips), rounded.
int qel_mmToTwips(double mm);

// The suite's case- and blank-insensitive string comparison.
bool qel_strmatch(const QString& a, const QString& b);

// Document number text: phase, running number, "-", fiscal year, computer number ("AOP 4711-2026 1").
QString Formatiere_Belegnummer_String(const QString& phase, int lfdNr, int wirtschaftsJahr, int rNr, int i = 0,
                                      const QString& s = QString(), int j = 0);
