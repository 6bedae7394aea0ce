#include "types.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>
#include <optional>

namespace {
const QDateTime kEpoch(QDate(1899, 12, 30), QTime(0, 0), Qt::LocalTime);
std::optional<TDateTime> g_fixedNow;
constexpr double kMsPerDay = 86400000.0;
}  // namespace

bool IntPairDefined(const TIntPair& p) { return p.RNr != 0 || p.LNr != 0; }

bool IntPairEqual(const TIntPair& a, const TIntPair& b) { return a.RNr == b.RNr && a.LNr == b.LNr; }

QString qel_TIntPair2String(const TIntPair& p)
{
    if (!IntPairDefined(p))
        return QString();
    return QString::number(p.RNr) + QLatin1Char(';') + QString::number(p.LNr);
}

TIntPair qel_String2TIntPair(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return CLeeresIntPair;
    const auto parts = t.split(QLatin1Char(';'));
    bool ok1 = false, ok2 = false;
    TIntPair p;
    if (parts.size() == 2) {
        p.RNr = parts[0].trimmed().toInt(&ok1);
        p.LNr = parts[1].trimmed().toInt(&ok2);
    }
    if (!ok1 || !ok2)
        throw EConvertError(QStringLiteral("'%1' ist kein gültiger Schlüssel.").arg(text));
    return p;
}

TIntPair PairAusTrio(const TIntTrio& trio) { return TIntPair{trio.RechnerNummer, trio.TransaktionsNummer}; }

TDateTime qel_DateTimeFromQDateTime(const QDateTime& dt)
{
    // Count calendar days and the time of day separately so that daylight saving does not shift dates.
    const qint64 days = kEpoch.date().daysTo(dt.date());
    return double(days) + dt.time().msecsSinceStartOfDay() / kMsPerDay;
}

TDateTime qel_DateFromQDate(const QDate& d) { return double(kEpoch.date().daysTo(d)); }

QDateTime qel_ToQDateTime(TDateTime v)
{
    const double day = std::floor(v);
    const qint64 ms = qint64(std::llround((v - day) * kMsPerDay));
    QDate d = kEpoch.date().addDays(qint64(day));
    if (ms >= qint64(kMsPerDay))
        return QDateTime(d.addDays(1), QTime(0, 0));
    return QDateTime(d, QTime::fromMSecsSinceStartOfDay(int(ms)));
}

QDate qel_ToQDate(TDateTime v) { return kEpoch.date().addDays(qint64(std::floor(v))); }

TDateTime qel_EncodeDate(int year, int month, int day)
{
    const QDate d(year, month, day);
    if (!d.isValid())
        throw EConvertError(QStringLiteral("Ungültiges Datum."));
    return qel_DateFromQDate(d);
}

TDateTime qel_DateOf(TDateTime v) { return std::floor(v); }

TDateTime qel_Now()
{
    if (g_fixedNow)
        return *g_fixedNow;
    return qel_DateTimeFromQDateTime(QDateTime::currentDateTime());
}

void qel_SetNow(TDateTime fixed) { g_fixedNow = fixed; }
void qel_ResetNow() { g_fixedNow.reset(); }

QString DateToStr(TDateTime v) { return qel_ToQDate(v).toString(QStringLiteral("dd.MM.yyyy")); }

TDateTime StrToDate(const QString& text)
{
    const QString t = text.trimmed();
    static const QRegularExpression dotted(QStringLiteral("^(\\d{1,2})\\.(\\d{1,2})\\.(\\d{2}|\\d{4})$"));
    static const QRegularExpression compact(QStringLiteral("^(\\d{2})(\\d{2})(\\d{4})$"));
    QRegularExpressionMatch m = dotted.match(t);
    if (!m.hasMatch())
        m = compact.match(t);
    if (m.hasMatch()) {
        int year = m.captured(3).toInt();
        if (m.captured(3).size() == 2)
            year += year < 50 ? 2000 : 1900;
        const QDate d(year, m.captured(2).toInt(), m.captured(1).toInt());
        if (d.isValid())
            return qel_DateFromQDate(d);
    }
    throw EConvertError(QStringLiteral("'%1' ist kein gültiges Datum.").arg(text));
}

QString qel_FormatMoney(double value)
{
    static const QLocale german(QLocale::German, QLocale::Germany);
    // Round half away from zero on cents before formatting, as bookkeeping does.
    const double cents = std::round(value * 100.0) / 100.0;
    QString s = german.toString(cents, 'f', 2);
    if (s == QLatin1String("-0,00"))
        s = QStringLiteral("0,00");
    return s;
}

double qel_StrToFloat(const QString& text)
{
    static const QLocale german(QLocale::German, QLocale::Germany);
    QString t = text.trimmed();
    t.remove(QLatin1Char(' '));
    bool ok = false;
    double v = german.toDouble(t, &ok);
    if (!ok && !t.contains(QLatin1Char(','))) {
        v = QLocale::c().toDouble(t, &ok);
    }
    if (!ok || !std::isfinite(v))
        throw EConvertError(QStringLiteral("'%1' ist keine gültige Zahl.").arg(text));
    return v;
}

double qel_StrToFloatDef(const QString& text, double def)
{
    try {
        return qel_StrToFloat(text);
    } catch (const EConvertError&) {
        return def;
    }
}

int qel_mmToTwips(double mm) { return int(std::lround(mm * 1440.0 / 25.4)); }

bool qel_strmatch(const QString& a, const QString& b)
{
    return a.simplified().compare(b.simplified(), Qt::CaseInsensitive) == 0;
}

QString Formatiere_Belegnummer_String(const QString& phase, int lfdNr, int wirtschaftsJahr, int rNr, int, const QString&,
                                      int)
{
    return QStringLiteral("%1 %2-%3 %4").arg(phase).arg(lfdNr).arg(wirtschaftsJahr).arg(rNr);
}
