// Dunning rules of a client: fees, payment terms on working days, the base rate and default interest
// by law. Plain computations; the dunning server reads and stores the data.
#pragma once

#include "mahnungtypes.h"
#include "suite/core/types.h"

#include <QDate>
#include <QString>
#include <QVector>
#include <map>

// A rule or a value of the dunning rules refused; the text tells the clerk why. Database failures
// stay plain EQELError.
class EMahnRegel : public EQELError {
public:
    using EQELError::EQELError;
};

// The flat fee for business debtors in default (§ 288 (5) BGB), once per invoice.
inline constexpr double CMahnregel_Pauschale = 40.0;

// The German federal states by their usual two-letter codes ("BW", "BY", ... "TH").
bool qel_BundeslandGueltig(const QString& kuerzel);
QStringList qel_Bundeslaender();

QDate qel_Ostersonntag(int jahr);
// Public holidays: the nationwide ones and, with a federal state, that state's own.
bool qel_IstFeiertag(const QDate& tag, const QString& bundesland);
bool qel_IstWerktag(const QDate& tag, const QString& bundesland);
// The day itself when it is a working day, else the next one.
QDate qel_NaechsterWerktag(const QDate& tag, const QString& bundesland);

struct TMahnEinstellungen {
    double MaxGebuehr = CMahngebuehr_Hoechstbetrag;  // the cap when the client stored none
    int ZielTageErste = 14;   // new payment term of an item not dunned before
    int ZielTageWeitere = 5;  // of an item dunned before
    bool NurWerktage = false; // a term on a weekend or holiday moves to the next working day
    QString Bundesland;       // empty: nationwide holidays only
    int MindestTage = 0;      // days between two dunnings of one item; 0 = no minimum
    // Preset fee and text block by the level the dunning raises an item to; a level without an entry
    // takes the entry of the highest level below it.
    std::map<int, double> GebuehrJeStufe;
    std::map<int, TIntPair> TextbausteinJeStufe;

    // The fee preset for an item that has reached bisherigeStufe so far: none for the first two
    // dunnings, the cap from the third on, unless the client stored its own.
    double Gebuehr(int bisherigeStufe) const;
    TIntPair Textbaustein(int neueStufe) const;
    // The new payment term from the dunning date (time of day kept).
    TDateTime Zahlungsziel(TDateTime mahnungsdatum, int bisherigeStufe) const;
    // Raises EQELError with a German text for a value out of range.
    void Pruefen() const;
};

// One half-year (or longer) in which the base rate (§ 247 BGB) held, in percent.
struct TBasiszinsPeriode {
    QDate Ab;
    QDate Bis;
    double Satz = 0;
};

class TBasiszinsTabelle {
public:
    // Lines "dd.mm.yyyy;dd.mm.yyyy;satz" (from, to, percent with a decimal comma); '#' starts a comment.
    // Raises EQELError naming the line of a gap, an overlap or a value that is no date or number.
    static TBasiszinsTabelle AusText(const QString& text);
    // A further period: it must start the day after the table ends (no gap, no overlap).
    void Anhaengen(const TBasiszinsPeriode& p);
    const QVector<TBasiszinsPeriode>& Perioden() const { return m_perioden; }
    QDate Anfang() const;
    QDate Ende() const;

    // Default interest on betrag from the day after the due date up to and including the dunning date,
    // day by day at (base rate + punkte) percent a year, divided by 365 (act/365), rounded to cents.
    // 0 when the due date is not before the dunning date or the amount is not positive. Raises EQELError
    // when a day of the span lies outside the table.
    double Verzugszins(double betrag, const QDate& faellig, const QDate& bis, double punkte) const;

private:
    QVector<TBasiszinsPeriode> m_perioden;
    QVector<qint64> m_anfaenge;  // Julian day of each period's start, for the search
};

// A dunning block of a partner (Posten all zero) or of one open item.
struct TMahnsperre {
    TIntPair Mandant;
    TIntPair GepNr;
    TIntTrio Posten;
    QString Grund;
    TDateTime Bis = 0;  // last day of the block
    QString Benutzer;
};
// One listed item whose default interest the dunning server computes.
struct TZinsPosten {
    int RNr = 0, TransNr = 0, LfdNr = 0;
    double Saldo = 0;
    QString Belegnummer;  // names the item in messages
    double Zins = 0;      // the result
};

// Percentage points above the base rate by law: 9 for a business debtor, 5 for a consumer.
inline double qel_Verzugszins_Punkte(bool verbraucher) { return verbraucher ? 5.0 : 9.0; }

// "2,57" or "-0,88" or "1.27": a rate in percent; raises EConvertError.
double qel_ZinssatzLesen(const QString& text);
