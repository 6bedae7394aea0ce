#include "mahnregeln.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {
const QStringList kLaender{QStringLiteral("BW"), QStringLiteral("BY"), QStringLiteral("BE"), QStringLiteral("BB"),
                           QStringLiteral("HB"), QStringLiteral("HH"), QStringLiteral("HE"), QStringLiteral("MV"),
                           QStringLiteral("NI"), QStringLiteral("NW"), QStringLiteral("RP"), QStringLiteral("SL"),
                           QStringLiteral("SN"), QStringLiteral("ST"), QStringLiteral("SH"), QStringLiteral("TH")};

bool in(const QString& land, std::initializer_list<const char*> laender)
{
    for (const char* l : laender)
        if (land == QLatin1String(l))
            return true;
    return false;
}

// Holidays of a state only; statewide ones, not those of single towns or mainly Catholic communities.
bool landesFeiertag(const QDate& d, const QString& land, const QDate& ostern)
{
    const int m = d.month(), t = d.day(), j = d.year();
    if (m == 1 && t == 6)
        return in(land, {"BW", "BY", "ST"});
    if (m == 3 && t == 8)
        return (land == QLatin1String("BE") && j >= 2019) || (land == QLatin1String("MV") && j >= 2023);
    if (m == 5 && t == 8)  // 75th and 80th anniversary of the end of the war
        return land == QLatin1String("BE") && (j == 2020 || j == 2025);
    if (d == ostern.addDays(60))  // Corpus Christi
        return in(land, {"BW", "BY", "HE", "NW", "RP", "SL"});
    if (m == 8 && t == 15)
        return land == QLatin1String("SL");
    if (m == 9 && t == 20)
        return land == QLatin1String("TH") && j >= 2019;
    if (m == 10 && t == 31)
        return in(land, {"BB", "MV", "SN", "ST", "TH"}) || (in(land, {"HB", "HH", "NI", "SH"}) && j >= 2018);
    if (m == 11 && t == 1)
        return in(land, {"BW", "BY", "NW", "RP", "SL"});
    if (m == 11 && t >= 16 && t <= 22 && d.dayOfWeek() == Qt::Wednesday)  // Day of Repentance and Prayer
        return land == QLatin1String("SN");
    return false;
}

QString datumText(const QDate& d) { return d.toString(QStringLiteral("dd.MM.yyyy")); }
}  // namespace

bool qel_BundeslandGueltig(const QString& kuerzel) { return kLaender.contains(kuerzel); }
QStringList qel_Bundeslaender() { return kLaender; }

QDate qel_Ostersonntag(int jahr)
{
    // Anonymous Gregorian algorithm (Meeus/Jones/Butcher).
    const int a = jahr % 19, b = jahr / 100, c = jahr % 100, d = b / 4, e = b % 4;
    const int f = (b + 8) / 25, g = (b - f + 1) / 3, h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4, k = c % 4, l = (32 + 2 * e + 2 * i - h - k) % 7, m = (a + 11 * h + 22 * l) / 451;
    const int monat = (h + l - 7 * m + 114) / 31, tag = (h + l - 7 * m + 114) % 31 + 1;
    return QDate(jahr, monat, tag);
}

bool qel_IstFeiertag(const QDate& tag, const QString& bundesland)
{
    if (!tag.isValid())
        return false;
    const int m = tag.month(), t = tag.day();
    if ((m == 1 && t == 1) || (m == 5 && t == 1) || (m == 10 && t == 3) || (m == 12 && (t == 25 || t == 26)))
        return true;
    if (m == 10 && t == 31 && tag.year() == 2017)  // 500 years of the Reformation, nationwide once
        return true;
    const QDate ostern = qel_Ostersonntag(tag.year());
    const qint64 abstand = ostern.daysTo(tag);
    if (abstand == -2 || abstand == 1 || abstand == 39 || abstand == 50)
        return true;
    return landesFeiertag(tag, bundesland, ostern);
}

bool qel_IstWerktag(const QDate& tag, const QString& bundesland)
{
    return tag.dayOfWeek() < Qt::Saturday && !qel_IstFeiertag(tag, bundesland);
}

QDate qel_NaechsterWerktag(const QDate& tag, const QString& bundesland)
{
    QDate d = tag;
    while (!qel_IstWerktag(d, bundesland))
        d = d.addDays(1);
    return d;
}

// --- settings --------------------------------------------------------------------------------

namespace {
template <typename T>
const T* eintragBis(const std::map<int, T>& m, int stufe)
{
    auto it = m.upper_bound(stufe);
    if (it == m.begin())
        return nullptr;
    return &std::prev(it)->second;
}
}  // namespace

double TMahnEinstellungen::Gebuehr(int bisherigeStufe) const
{
    if (const double* g = eintragBis(GebuehrJeStufe, bisherigeStufe + 1))
        return std::min(*g, MaxGebuehr);
    return std::min(qel_MahngebuehrVorgabe(bisherigeStufe), MaxGebuehr);
}

TIntPair TMahnEinstellungen::Textbaustein(int neueStufe) const
{
    if (const TIntPair* t = eintragBis(TextbausteinJeStufe, neueStufe))
        return *t;
    return CLeeresIntPair;
}

TDateTime TMahnEinstellungen::Zahlungsziel(TDateTime mahnungsdatum, int bisherigeStufe) const
{
    TDateTime ziel = mahnungsdatum + (bisherigeStufe == 0 ? ZielTageErste : ZielTageWeitere);
    if (NurWerktage) {
        const QDate tag = qel_ToQDate(ziel);
        ziel += double(tag.daysTo(qel_NaechsterWerktag(tag, Bundesland)));
    }
    return ziel;
}

void TMahnEinstellungen::Pruefen() const
{
    if (!std::isfinite(MaxGebuehr) || MaxGebuehr < 0 || MaxGebuehr > 9999.99)
        throw EMahnRegel(QStringLiteral("Die Höchstgebühr muss zwischen 0,00 und 9.999,99 liegen."));
    if (ZielTageErste < 0 || ZielTageErste > 365 || ZielTageWeitere < 0 || ZielTageWeitere > 365)
        throw EMahnRegel(QStringLiteral("Die Tage bis zum neuen Zahlungsziel müssen zwischen 0 und 365 liegen."));
    if (MindestTage < 0 || MindestTage > 365)
        throw EMahnRegel(QStringLiteral("Der Mindestabstand zwischen zwei Mahnungen muss zwischen 0 und 365 Tagen liegen."));
    if (!Bundesland.isEmpty() && !qel_BundeslandGueltig(Bundesland))
        throw EMahnRegel(QStringLiteral("Unbekanntes Bundesland „%1“. Erlaubt sind: %2.")
                            .arg(Bundesland, kLaender.join(QStringLiteral(", "))));
    for (const auto& [stufe, gebuehr] : GebuehrJeStufe) {
        if (stufe < 1 || stufe > 99)
            throw EMahnRegel(QStringLiteral("Die Mahnstufe %1 liegt nicht zwischen 1 und 99.").arg(stufe));
        if (!std::isfinite(gebuehr) || gebuehr < 0 || gebuehr > MaxGebuehr)
            throw EMahnRegel(QStringLiteral("Die Gebühr der Mahnstufe %1 muss zwischen 0,00 und der Höchstgebühr %2 liegen.")
                                .arg(stufe)
                                .arg(qel_FormatMoney(MaxGebuehr)));
    }
    for (const auto& [stufe, tb] : TextbausteinJeStufe)
        if (stufe < 1 || stufe > 99)
            throw EMahnRegel(QStringLiteral("Die Mahnstufe %1 liegt nicht zwischen 1 und 99.").arg(stufe));
}

// --- base rate and interest ------------------------------------------------------------------

double qel_ZinssatzLesen(const QString& text)
{
    static const QRegularExpression muster(QStringLiteral("^-?\\d{1,2}([.,]\\d{1,4})?$"));
    const QString t = text.trimmed();
    if (!muster.match(t).hasMatch())
        throw EConvertError(QStringLiteral("„%1“ ist kein Zinssatz.").arg(t));
    return QString(t).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
}

TBasiszinsTabelle TBasiszinsTabelle::AusText(const QString& text)
{
    TBasiszinsTabelle tabelle;
    const QStringList zeilen = text.split(QLatin1Char('\n'));
    for (int i = 0; i < zeilen.size(); ++i) {
        const QString zeile = zeilen[i].section(QLatin1Char('#'), 0, 0).trimmed();
        if (zeile.isEmpty())
            continue;
        const QString ort = QStringLiteral("Basiszinssätze, Zeile %1: ").arg(i + 1);
        const QStringList felder = zeile.split(QLatin1Char(';'));
        if (felder.size() != 3)
            throw EMahnRegel(ort + QStringLiteral("erwartet „gültig ab;gültig bis;Satz“."));
        TBasiszinsPeriode p;
        p.Ab = QDate::fromString(felder[0].trimmed(), QStringLiteral("dd.MM.yyyy"));
        p.Bis = QDate::fromString(felder[1].trimmed(), QStringLiteral("dd.MM.yyyy"));
        if (!p.Ab.isValid() || !p.Bis.isValid())
            throw EMahnRegel(ort + QStringLiteral("kein gültiges Datum."));
        try {
            p.Satz = qel_ZinssatzLesen(felder[2]);
        } catch (const EConvertError& e) {
            throw EMahnRegel(ort + e.Text());
        }
        try {
            tabelle.Anhaengen(p);
        } catch (const EMahnRegel& e) {
            throw EMahnRegel(ort + e.Text());
        }
    }
    if (tabelle.m_perioden.isEmpty())
        throw EMahnRegel(QStringLiteral("Die Tabelle der Basiszinssätze ist leer."));
    return tabelle;
}

void TBasiszinsTabelle::Anhaengen(const TBasiszinsPeriode& p)
{
    if (!p.Ab.isValid() || !p.Bis.isValid() || p.Bis < p.Ab)
        throw EMahnRegel(QStringLiteral("Der Zeitraum %1 bis %2 ist leer.").arg(datumText(p.Ab), datumText(p.Bis)));
    if (!std::isfinite(p.Satz) || std::fabs(p.Satz) > 99)
        throw EMahnRegel(QStringLiteral("Der Satz %1 ist kein gültiger Zinssatz.").arg(p.Satz));
    if (!m_perioden.isEmpty()) {
        const QDate naechster = m_perioden.last().Bis.addDays(1);
        if (p.Ab > naechster)
            throw EMahnRegel(QStringLiteral("Lücke: vom %1 bis %2 ist kein Basiszinssatz angegeben.")
                                .arg(datumText(naechster), datumText(p.Ab.addDays(-1))));
        if (p.Ab < naechster)
            throw EMahnRegel(QStringLiteral("Überschneidung: ab %1 ist bereits ein Basiszinssatz angegeben.")
                                .arg(datumText(p.Ab)));
    }
    m_perioden.append(p);
    m_anfaenge.append(p.Ab.toJulianDay());
}

QDate TBasiszinsTabelle::Anfang() const { return m_perioden.isEmpty() ? QDate() : m_perioden.first().Ab; }
QDate TBasiszinsTabelle::Ende() const { return m_perioden.isEmpty() ? QDate() : m_perioden.last().Bis; }

double TBasiszinsTabelle::Verzugszins(double betrag, const QDate& faellig, const QDate& bis, double punkte) const
{
    if (!faellig.isValid() || !bis.isValid() || faellig >= bis || !(betrag > 0))
        return 0.0;
    const qint64 erster = faellig.toJulianDay() + 1, letzter = bis.toJulianDay();
    if (m_perioden.isEmpty() || erster < m_anfaenge.first())
        throw EMahnRegel(QStringLiteral("Für Tage vor dem %1 ist kein Basiszinssatz hinterlegt; die Verzugszinsen ab dem "
                                       "%2 können nicht berechnet werden.")
                            .arg(datumText(Anfang()), datumText(QDate::fromJulianDay(erster))));
    if (letzter > Ende().toJulianDay())
        throw EMahnRegel(QStringLiteral("Der Basiszinssatz ab dem %1 ist noch nicht hinterlegt. Bitte mit "
                                       "„mahnwesen-admin basiszins add“ nachtragen.")
                            .arg(datumText(Ende().addDays(1))));
    // Percent-days summed per period, divided once: the day-exact sum without a rounding per day.
    int i = int(std::upper_bound(m_anfaenge.begin(), m_anfaenge.end(), erster) - m_anfaenge.begin()) - 1;
    double prozentTage = 0;
    for (qint64 tag = erster; tag <= letzter; ++i) {
        const qint64 ende = std::min<qint64>(letzter, m_perioden[i].Bis.toJulianDay());
        prozentTage += double(ende - tag + 1) * (m_perioden[i].Satz + punkte);
        tag = ende + 1;
    }
    const double zins = betrag * prozentTage / 100.0 / 365.0;
    return std::max(0.0, std::round(zins * 100.0) / 100.0);
}
