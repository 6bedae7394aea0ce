#include "mailnachricht.h"

#include "suite/core/types.h"

#include <QRandomGenerator>

namespace {

const QByteArray kCrlf = "\r\n";
constexpr int kZeile = 76;  // longest line of encoded text (RFC 2045, RFC 2047)

QString einzeilig(QString t)
{
    // A line break in a header would end it: the rest could forge headers of its own.
    for (QChar& c : t)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    return t.trimmed();
}

bool druckbaresAscii(const QString& t)
{
    for (QChar c : t)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    return true;
}

char hex(int n) { return "0123456789ABCDEF"[n & 15]; }

// Q encoding of one character's UTF-8 bytes, with only the characters a phrase may carry (RFC 2047 5.3).
QByteArray qZeichen(const QString& zeichen)
{
    QByteArray aus;
    for (unsigned char b : zeichen.toUtf8()) {
        if (b == ' ')
            aus += '_';
        else if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '!' || b == '*'
                 || b == '+' || b == '-' || b == '/')
            aus += char(b);
        else {
            aus += '=';
            aus += hex(b >> 4);
            aus += hex(b);
        }
    }
    return aus;
}

// Characters of a string, surrogate pairs kept together.
QStringList zeichenVon(const QString& t)
{
    QStringList z;
    for (int i = 0; i < t.size(); ++i) {
        if (t.at(i).isHighSurrogate() && i + 1 < t.size()) {
            z << t.mid(i, 2);
            ++i;
        } else
            z << t.mid(i, 1);
    }
    return z;
}

QByteArray encodedWords(const QString& text, int used)
{
    const QByteArray anfang = "=?UTF-8?Q?";
    const QByteArray ende = "?=";
    QByteArray aus;
    QByteArray wort;
    int platz = kZeile - used;  // room of the current line
    auto abschliessen = [&] {
        aus += anfang + wort + ende;
        wort.clear();
    };
    for (const QString& z : zeichenVon(text)) {
        const QByteArray q = qZeichen(z);
        // Words are never split inside a character, so every word decodes on its own.
        if (!wort.isEmpty() && anfang.size() + wort.size() + q.size() + ende.size() > std::min(75, platz)) {
            abschliessen();
            aus += kCrlf + ' ';
            platz = kZeile - 1;
        }
        wort += q;
    }
    if (!wort.isEmpty() || aus.isEmpty())
        abschliessen();
    return aus;
}

QByteArray quotedString(const QString& t)
{
    QByteArray aus = "\"";
    for (char c : t.toLatin1()) {
        if (c == '"' || c == '\\')
            aus += '\\';
        aus += c;
    }
    return aus + '"';
}

bool atomText(const QString& t)
{
    for (QChar c : t)
        if (!(c.isLetterOrNumber() || c == QLatin1Char(' ') || c == QLatin1Char('-')) || c.unicode() > 0x7e)
            return false;
    return true;
}

// "Name <address>", the name encoded where needed, folded before the address when the line gets long.
QByteArray adresskopf(const char* feld, const QString& nameRoh, const QString& adresse)
{
    const QString name = einzeilig(nameRoh);
    QByteArray zeile = QByteArray(feld) + ": ";
    if (name.isEmpty())
        return zeile + adresse.toLatin1();
    QByteArray phrase;
    if (druckbaresAscii(name))
        phrase = atomText(name) ? name.toLatin1() : quotedString(name);
    else
        phrase = encodedWords(name, zeile.size());
    zeile += phrase;
    const int letzte = zeile.size() - (zeile.lastIndexOf('\n') + 1);
    const QByteArray adr = '<' + adresse.toLatin1() + '>';
    if (letzte + 1 + adr.size() > 78)
        zeile += kCrlf;
    return zeile + ' ' + adr;
}

// RFC 2231 file name, cut into continuations so that no line grows beyond the limit.
QByteArray dateinameParameter(const QString& name)
{
    if (druckbaresAscii(name) && !name.contains(QLatin1Char('"')) && !name.contains(QLatin1Char('\\'))
        && name.size() <= 60)
        return "filename=\"" + name.toLatin1() + '"';
    QStringList stuecke;
    QString stueck;
    for (const QString& z : zeichenVon(name)) {
        QString kodiert;
        for (unsigned char b : z.toUtf8()) {
            if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '.' || b == '-'
                || b == '_')
                kodiert += QChar(b);
            else
            {
                kodiert += QLatin1Char('%');
                kodiert += QLatin1Char(hex(b >> 4));
                kodiert += QLatin1Char(hex(b));
            }
        }
        if (stueck.size() + kodiert.size() > 50) {
            stuecke << stueck;
            stueck.clear();
        }
        stueck += kodiert;
    }
    stuecke << stueck;
    QByteArray aus;
    for (int i = 0; i < stuecke.size(); ++i) {
        if (i > 0)
            aus += ";" + kCrlf + ' ';
        aus += "filename*" + QByteArray::number(i) + "*=" + (i == 0 ? "UTF-8''" : "") + stuecke.at(i).toLatin1();
    }
    return aus;
}

QByteArray zufall(int bytes)
{
    QByteArray b(bytes, Qt::Uninitialized);
    for (char& c : b)
        c = char(QRandomGenerator::system()->bounded(256));
    return b.toHex();
}

}  // namespace

bool qel_MailAdresseGueltig(const QString& adresse)
{
    const int at = adresse.indexOf(QLatin1Char('@'));
    if (at <= 0 || at != adresse.lastIndexOf(QLatin1Char('@')) || at == adresse.size() - 1 || adresse.size() > 254)
        return false;
    for (QChar c : adresse)
        if (c.unicode() <= 0x20 || c.unicode() > 0x7e || c == QLatin1Char('<') || c == QLatin1Char('>')
            || c == QLatin1Char(',') || c == QLatin1Char(';') || c == QLatin1Char('"') || c == QLatin1Char('\\'))
            return false;
    const QString domain = adresse.mid(at + 1);
    return domain.contains(QLatin1Char('.')) && !domain.startsWith(QLatin1Char('.')) && !domain.endsWith(QLatin1Char('.'))
           && !domain.contains(QLatin1String(".."));
}

QByteArray qel_MailKopfText(const QString& roh, int used)
{
    const QString text = einzeilig(roh);
    if (druckbaresAscii(text) && used + text.size() <= 78 && !text.contains(QLatin1String("=?")))
        return text.toLatin1();
    return encodedWords(text, used);
}

QByteArray qel_QuotedPrintable(const QString& text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QByteArray aus;
    const QStringList zeilen = t.split(QLatin1Char('\n'));
    for (int z = 0; z < zeilen.size(); ++z) {
        const QByteArray bytes = zeilen.at(z).toUtf8();
        QByteArray zeile;
        for (int i = 0; i < bytes.size(); ++i) {
            const unsigned char b = bytes.at(i);
            const bool letztes = i == bytes.size() - 1;
            QByteArray stueck;
            // A dot or "From " at a line's start are touched by some mail transports; encoded they pass.
            const bool zeilenanfang = zeile.isEmpty();
            if ((b == ' ' || b == '\t') && letztes)
                stueck = QByteArray("=") + hex(b >> 4) + hex(b);
            else if (zeilenanfang && (b == '.' || (b == 'F' && bytes.mid(i, 5) == "From ")))
                stueck = QByteArray("=") + hex(b >> 4) + hex(b);
            else if ((b >= 33 && b <= 126 && b != '=') || b == ' ' || b == '\t')
                stueck = QByteArray(1, char(b));
            else
                stueck = QByteArray("=") + hex(b >> 4) + hex(b);
            // Soft break: the line keeps room for its "=" (at most 76 characters with it).
            if (zeile.size() + stueck.size() > kZeile - 1 && !(letztes && zeile.size() + stueck.size() <= kZeile)) {
                aus += zeile + '=' + kCrlf;
                zeile.clear();
                if (stueck.size() == 1 && (b == '.' || b == 'F'))
                    stueck = QByteArray("=") + hex(b >> 4) + hex(b);
            }
            zeile += stueck;
        }
        aus += zeile + kCrlf;
    }
    return aus;
}

QByteArray qel_Base64Zeilen(const QByteArray& daten)
{
    const QByteArray b = daten.toBase64();
    QByteArray aus;
    aus.reserve(b.size() + b.size() / kZeile * 2 + 2);
    for (int i = 0; i < b.size(); i += kZeile)
        aus += b.mid(i, kZeile) + kCrlf;
    return aus;
}

QByteArray qel_MailDatum(const QDateTime& zeit)
{
    static const char* const tage[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static const char* const monate[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDate d = zeit.date();
    const QTime t = zeit.time();
    const int offset = zeit.offsetFromUtc() / 60;
    const int betrag = std::abs(offset);
    return QStringLiteral("%1, %2 %3 %4 %5:%6:%7 %8%9%10")
        .arg(QLatin1String(tage[d.dayOfWeek() - 1]))
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(monate[d.month() - 1]))
        .arg(d.year())
        .arg(t.hour(), 2, 10, QLatin1Char('0'))
        .arg(t.minute(), 2, 10, QLatin1Char('0'))
        .arg(t.second(), 2, 10, QLatin1Char('0'))
        .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(betrag / 60, 2, 10, QLatin1Char('0'))
        .arg(betrag % 60, 2, 10, QLatin1Char('0'))
        .toLatin1();
}

QByteArray TMailNachricht::Erzeugen() const
{
    const QString von = AbsenderAdresse.trimmed();
    const QString an = EmpfaengerAdresse.trimmed();
    if (!qel_MailAdresseGueltig(von))
        throw EQELError(QStringLiteral("Die Absenderadresse „%1“ ist keine gültige E-Mail-Adresse.").arg(von));
    if (!qel_MailAdresseGueltig(an))
        throw EQELError(QStringLiteral("Die Empfängeradresse „%1“ ist keine gültige E-Mail-Adresse.").arg(an));
    const QDateTime zeit = Datum.isValid() ? Datum : QDateTime::currentDateTime();
    QByteArray id = MessageId;
    if (id.isEmpty())
        id = QByteArray::number(zeit.toMSecsSinceEpoch()) + '.' + zufall(8) + '@' + von.section(QLatin1Char('@'), 1).toLatin1();
    const QByteArray grenze = "=_qel_" + zufall(12);

    QByteArray m;
    m += "Date: " + qel_MailDatum(zeit) + kCrlf;
    m += adresskopf("From", AbsenderName, von) + kCrlf;
    m += adresskopf("To", EmpfaengerName, an) + kCrlf;
    m += "Subject: " + qel_MailKopfText(Betreff, 9) + kCrlf;
    m += "Message-ID: <" + id + '>' + kCrlf;
    m += "MIME-Version: 1.0" + kCrlf;
    m += "Content-Type: multipart/mixed;" + kCrlf + " boundary=\"" + grenze + '"' + kCrlf;
    m += kCrlf;
    m += "This is a multi-part message in MIME format." + kCrlf;
    m += "--" + grenze + kCrlf;
    m += "Content-Type: text/plain; charset=UTF-8" + kCrlf;
    m += "Content-Transfer-Encoding: quoted-printable" + kCrlf + kCrlf;
    m += qel_QuotedPrintable(Text);
    for (const TMailAnhang& a : Anhaenge) {
        QString datei = einzeilig(a.Dateiname);
        datei.replace(QLatin1Char('"'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
        m += "--" + grenze + kCrlf;
        m += "Content-Type: " + a.MimeTyp + ';' + kCrlf + " name=\"" + qel_MailKopfText(datei, 7) + '"' + kCrlf;
        m += "Content-Transfer-Encoding: base64" + kCrlf;
        m += "Content-Disposition: attachment;" + kCrlf + ' ' + dateinameParameter(datei) + kCrlf + kCrlf;
        m += qel_Base64Zeilen(a.Inhalt);
    }
    m += "--" + grenze + "--" + kCrlf;
    return m;
}
