// Reads semicolon-separated files line by line with bounded memory: UTF-8 (with or without BOM) or
// Windows-1252, told apart by the bytes; line ends \n, \r\n or \r in any mix; fields in double quotes
// with "" for a quote. Also writes such files (Windows-1252 for the accounting).
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

struct TCsvZeile {
    qint64 Nr = 0;        // line number in the file, from 1
    QStringList Felder;
    QString Fehler;       // the line cannot be read (encoding, quotes, length); Felder is then empty
    bool Leer() const { return Felder.size() == 1 && Felder.first().isEmpty(); }
};

class TCsvLeser {
public:
    // Raises EQELError when the file cannot be opened or is no text in a supported encoding.
    explicit TCsvLeser(const QString& pfad, int maxZeilenLaenge = 65536);

    // False at the end of the file.
    bool Lesen(TCsvZeile& zeile);
    QString Kodierung() const;  // "UTF-8", "Windows-1252" or "" while only ASCII was seen
    qint64 GeleseneBytes() const { return m_gelesen; }

private:
    bool rohzeile(QByteArray& zeile, bool& zuLang);
    bool nachfuellen();

    QFile m_datei;
    QByteArray m_puffer;
    qsizetype m_pos = 0;
    qint64 m_gelesen = 0;
    qint64 m_nr = 0;
    int m_max;
    enum class TKodierung { Offen, Utf8, Cp1252 } m_kodierung = TKodierung::Offen;
    bool m_ende = false;
    bool m_crVorher = false;  // the last line ended with \r: a following \n belongs to it
};

// Splits one decoded line at semicolons outside quotes; false when a quote is left open.
bool qel_CsvFelder(const QString& zeile, QStringList& felder, QChar trenner = QLatin1Char(';'));
// A field for writing: quoted when it holds the separator, a quote or begins with a blank.
QString qel_CsvFeld(const QString& wert);
QString qel_Cp1252Dekodieren(const QByteArray& bytes);
// Characters Windows-1252 lacks become '?'.
QByteArray qel_Cp1252Kodieren(const QString& text);
