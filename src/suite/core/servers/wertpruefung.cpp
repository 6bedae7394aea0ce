#include "wertpruefung.h"

#include <QDate>
#include <QLocale>
#include <cmath>

QString qel_WertText(double betrag)
{
    if (std::isnan(betrag))
        return QStringLiteral("keine Zahl");
    if (std::isinf(betrag))
        return betrag > 0 ? QStringLiteral("unendlich") : QStringLiteral("minus unendlich");
    return QLocale(QLocale::German, QLocale::Germany).toString(betrag, 'f', 2);
}

void qel_BetragPruefen(const QString& feld, double betrag)
{
    // Half a cent of slack: the value is rounded to cents when it is stored.
    if (std::isfinite(betrag) && std::fabs(betrag) < CQEL_MaxBetrag + 0.005)
        return;
    throw EWertUngueltig(QStringLiteral("Der Betrag im Feld „%1“ ist ungültig: %2.\n"
                                        "Erlaubt sind Beträge von -999.999.999,99 bis 999.999.999,99.")
                             .arg(feld, qel_WertText(betrag)));
}

static QString datumText(TDateTime datum)
{
    if (!std::isfinite(datum))
        return qel_WertText(datum);
    // QDate reaches far beyond the stored range; farther out only the number is meaningful.
    if (std::fabs(datum) < 1e9) {
        const QDate d = QDate(1899, 12, 30).addDays(qint64(std::floor(datum)));
        if (d.isValid())
            return d.toString(QStringLiteral("dd.MM.yyyy"));
    }
    return QLocale(QLocale::German, QLocale::Germany).toString(datum, 'g', 12);
}

void qel_DatumPruefen(const QString& feld, TDateTime datum)
{
    if (std::isfinite(datum) && datum >= CQEL_MinDatum && datum < CQEL_MaxDatum)
        return;
    throw EWertUngueltig(QStringLiteral("Das Datum im Feld „%1“ ist ungültig: %2.\n"
                                        "Erlaubt sind Daten vom 01.01.1900 bis 31.12.9999.")
                             .arg(feld, datumText(datum)));
}

void qel_DatumOderLeerPruefen(const QString& feld, TDateTime datum)
{
    if (datum != 0)
        qel_DatumPruefen(feld, datum);
}

void qel_StufePruefen(const QString& feld, qint64 stufe, int von, int bis)
{
    if (stufe >= von && stufe <= bis)
        return;
    throw EWertUngueltig(QStringLiteral("Die Mahnstufe im Feld „%1“ ist ungültig: %2.\nErlaubt sind die Stufen %3 bis %4.")
                             .arg(feld)
                             .arg(stufe)
                             .arg(von)
                             .arg(bis));
}

int qel_TextLaenge(const QString& text)
{
    // A surrogate pair is one character for both engines.
    int n = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        ++n;
    }
    return n;
}

QString qel_OhneNul(const QString& text)
{
    if (!text.contains(QChar(0)))
        return text;
    QString t = text;
    t.remove(QChar(0));
    return t;
}

QString qel_TextPruefen(const QString& feld, const QString& text, int maxZeichen)
{
    const QString t = qel_OhneNul(text);
    const int laenge = qel_TextLaenge(t);
    if (laenge <= maxZeichen)
        return t;
    QString anfang = t.left(40);
    if (anfang.size() < t.size())
        anfang += QStringLiteral("…");
    throw EWertUngueltig(QStringLiteral("Der Text im Feld „%1“ ist zu lang: %2 Zeichen, erlaubt sind höchstens %3.\n„%4“")
                             .arg(feld)
                             .arg(laenge)
                             .arg(maxZeichen)
                             .arg(anfang));
}
