#include "csvleser.h"

#include "../types.h"

#include <QFileInfo>
#include <QStringDecoder>

namespace {

constexpr qsizetype kBlock = 1 << 16;

// 0x80..0x9F of Windows-1252; 0 where the code page leaves the byte undefined.
const char16_t kCp1252[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                              0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                              0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool nurAscii(const QByteArray& b)
{
    for (char c : b)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

bool utf8Gueltig(const QByteArray& b, QString& text)
{
    QStringDecoder d(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = d.decode(b);
    return !d.hasError();
}

}  // namespace

QString qel_Cp1252Dekodieren(const QByteArray& bytes)
{
    QString s;
    s.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b <= 0x9F)
            s += QChar(kCp1252[b - 0x80] ? kCp1252[b - 0x80] : 0xFFFD);
        else
            s += QChar(b);
    }
    return s;
}

QByteArray qel_Cp1252Kodieren(const QString& text)
{
    QByteArray b;
    b.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            b += char(u);
            continue;
        }
        char ersatz = '?';
        for (int i = 0; i < 32; ++i)
            if (kCp1252[i] == u && u != 0)
                ersatz = char(0x80 + i);
        b += ersatz;
    }
    return b;
}

// Runs of plain characters are copied at once: a file of a hundred thousand lines has a million fields.
bool qel_CsvFelder(const QString& zeile, QStringList& felder, QChar trenner)
{
    felder.clear();
    const QChar* d = zeile.constData();
    const qsizetype n = zeile.size();
    auto bisTrenner = [&](qsizetype i) {
        while (i < n && d[i] != trenner)
            ++i;
        return i;
    };
    qsizetype i = 0;
    for (;;) {
        qsizetype k = i;
        while (k < n && d[k] != trenner && d[k].isSpace())
            ++k;
        qsizetype ende;
        if (k < n && d[k] == QLatin1Char('"')) {
            // Quoted: "" is a quote; what follows the closing quote up to the separator is kept as it is.
            QString feld;
            qsizetype j = k + 1;
            for (;;) {
                qsizetype q = j;
                while (q < n && d[q] != QLatin1Char('"'))
                    ++q;
                if (q >= n) {
                    felder << feld.append(d + j, n - j);
                    return false;
                }
                feld.append(d + j, q - j);
                if (q + 1 < n && d[q + 1] == QLatin1Char('"')) {
                    feld += QLatin1Char('"');
                    j = q + 2;
                    continue;
                }
                j = q + 1;
                break;
            }
            ende = bisTrenner(j);
            felder << feld.append(d + j, ende - j);
        } else {
            ende = bisTrenner(k);
            felder << QStringView(d + i, ende - i).trimmed().toString();
        }
        if (ende >= n)
            return true;
        i = ende + 1;
    }
}

QString qel_CsvFeld(const QString& wert)
{
    if (wert.contains(QLatin1Char(';')) || wert.contains(QLatin1Char('"')) || wert.startsWith(QLatin1Char(' '))
        || wert.endsWith(QLatin1Char(' ')))
        return QLatin1Char('"') + QString(wert).replace(QLatin1String("\""), QLatin1String("\"\"")) + QLatin1Char('"');
    return wert;
}

TCsvLeser::TCsvLeser(const QString& pfad, int maxZeilenLaenge) : m_datei(pfad), m_max(maxZeilenLaenge)
{
    // A named pipe or device would block the import forever on open or read.
    const QFileInfo info(pfad);
    if (info.exists() && !info.isFile())
        throw EQELError(QStringLiteral("%1 ist keine gewöhnliche Datei (sondern ein Ordner, eine benannte Pipe oder ein "
                                       "Gerät) und kann nicht eingelesen werden.")
                            .arg(pfad));
    if (!m_datei.open(QIODevice::ReadOnly))
        throw EQELError(QStringLiteral("Die Datei %1 kann nicht gelesen werden: %2").arg(pfad, m_datei.errorString()));
    nachfuellen();
    if (m_puffer.startsWith("\xEF\xBB\xBF")) {
        m_kodierung = TKodierung::Utf8;
        m_pos = 3;
    } else if (m_puffer.startsWith("\xFF\xFE") || m_puffer.startsWith("\xFE\xFF")) {
        throw EQELError(QStringLiteral("Die Datei %1 ist in UTF-16 kodiert; lesbar sind UTF-8 und Windows-1252.").arg(pfad));
    } else if (m_puffer.left(4096).contains('\0')) {
        throw EQELError(QStringLiteral("Die Datei %1 ist keine Textdatei (sie enthält Nullbytes); lesbar sind UTF-8 und "
                                       "Windows-1252.")
                            .arg(pfad));
    }
}

QString TCsvLeser::Kodierung() const
{
    switch (m_kodierung) {
    case TKodierung::Utf8:
        return QStringLiteral("UTF-8");
    case TKodierung::Cp1252:
        return QStringLiteral("Windows-1252");
    case TKodierung::Offen:
        break;
    }
    return QString();
}

bool TCsvLeser::nachfuellen()
{
    if (m_ende)
        return false;
    if (m_pos > 0) {
        m_puffer.remove(0, m_pos);
        m_pos = 0;
    }
    const QByteArray neu = m_datei.read(kBlock);
    if (neu.isEmpty()) {
        m_ende = true;
        return false;
    }
    m_gelesen += neu.size();
    m_puffer += neu;
    return true;
}

// The next line's bytes without its end. A line longer than the limit is skipped to its end, so the
// buffer never holds more than the limit and one block.
bool TCsvLeser::rohzeile(QByteArray& zeile, bool& zuLang)
{
    zeile.clear();
    zuLang = false;
    for (;;) {
        qsizetype i = m_pos;
        const qsizetype n = m_puffer.size();
        if (m_crVorher && i < n) {
            m_crVorher = false;
            if (m_puffer.at(i) == '\n')
                m_pos = ++i;
        }
        while (i < n && m_puffer.at(i) != '\n' && m_puffer.at(i) != '\r')
            ++i;
        if (i < n) {
            if (!zuLang)
                zeile += m_puffer.mid(m_pos, i - m_pos);
            m_crVorher = m_puffer.at(i) == '\r';
            m_pos = i + 1;
            if (zeile.size() > m_max)
                zuLang = true;
            return true;
        }
        // No line end in the buffer: keep what there is (unless too long) and read on.
        if (!zuLang)
            zeile += m_puffer.mid(m_pos);
        if (zeile.size() > m_max) {
            zuLang = true;
            zeile.clear();
        }
        m_pos = n;
        if (!nachfuellen())
            return !zeile.isEmpty() || zuLang;
    }
}

bool TCsvLeser::Lesen(TCsvZeile& z)
{
    QByteArray roh;
    bool zuLang = false;
    z.Felder.clear();
    z.Fehler.clear();
    if (!rohzeile(roh, zuLang))
        return false;
    z.Nr = ++m_nr;
    if (zuLang) {
        z.Fehler = QStringLiteral("Die Zeile ist länger als %1 Zeichen.").arg(m_max);
        return true;
    }
    QString text;
    if (m_kodierung == TKodierung::Cp1252 || nurAscii(roh)) {
        text = m_kodierung == TKodierung::Cp1252 ? qel_Cp1252Dekodieren(roh) : QString::fromLatin1(roh);
    } else if (utf8Gueltig(roh, text)) {
        m_kodierung = TKodierung::Utf8;
    } else if (m_kodierung == TKodierung::Utf8) {
        z.Fehler = QStringLiteral("Die Zeile enthält Zeichen, die kein UTF-8 sind, obwohl die Datei bisher UTF-8 war.");
        return true;
    } else {
        m_kodierung = TKodierung::Cp1252;
        text = qel_Cp1252Dekodieren(roh);
    }
    if (text.contains(QChar(0xFFFD)) && m_kodierung == TKodierung::Cp1252) {
        z.Fehler = QStringLiteral("Die Zeile enthält Bytes, die in Windows-1252 kein Zeichen sind.");
        return true;
    }
    if (!qel_CsvFelder(text, z.Felder)) {
        z.Felder.clear();
        z.Fehler = QStringLiteral("Ein Anführungszeichen wird nicht geschlossen (Zeile abgeschnitten?).");
    }
    return true;
}
