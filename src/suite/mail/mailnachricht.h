// An e-mail as the suite sends it: a text with attachments, written as an RFC 5322 message with MIME.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>

struct TMailAnhang {
    QString Dateiname;
    QByteArray MimeTyp = "application/pdf";
    QByteArray Inhalt;
};

struct TMailNachricht {
    QString AbsenderName;
    QString AbsenderAdresse;
    QString EmpfaengerName;
    QString EmpfaengerAdresse;
    QString Betreff;
    QString Text;  // plain text; line ends of any kind
    QVector<TMailAnhang> Anhaenge;
    QDateTime Datum;       // invalid: now
    QByteArray MessageId;  // without angle brackets; empty: made from time, random and the sender's domain

    // The complete message, CRLF line ends, no line longer than 78 characters, 7-bit only.
    // Raises EQELError when an address is unusable.
    QByteArray Erzeugen() const;
};

// Whether an address can go into a mail header and an SMTP envelope: one "@" with text on both sides,
// a dot in the domain, no blanks, no control characters, no angle brackets.
bool qel_MailAdresseGueltig(const QString& adresse);
// Header text as RFC 2047 encoded-words where it is not plain ASCII; folded with CRLF and a blank.
// used: characters of the header line before the text (for the first line's length).
QByteArray qel_MailKopfText(const QString& text, int used);
// Body text as quoted-printable (RFC 2045) from UTF-8, CRLF line ends.
QByteArray qel_QuotedPrintable(const QString& text);
// Base64 in lines of 76 characters, each ended by CRLF.
QByteArray qel_Base64Zeilen(const QByteArray& daten);
// Date header value (RFC 5322), English day and month names whatever the locale.
QByteArray qel_MailDatum(const QDateTime& zeit);
