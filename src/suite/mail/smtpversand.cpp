#include "smtpversand.h"

#include "suite/core/types.h"

#include <QLocale>
#include <QSysInfo>
#include <curl/curl.h>

struct TSmtpVersand::TSitzung {
    CURL* curl = nullptr;
    // What the last transfer said and did, from libcurl's protocol trace.
    QByteArray letzterBefehl;
    QByteArray letzteAntwort;   // the last complete reply (all its lines)
    QByteArray antwortLaeuft;   // lines of a multi-line reply not finished yet
    bool serverGehoert = false;
    bool beendet = false;       // QUIT sent: later answers are not the transfer's
    qint64 groesse = -1;        // SIZE of the last EHLO
    QByteArray daten;
    qint64 gelesen = 0;
};

namespace {

void curlEinmal()
{
    static const bool bereit = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!bereit)
        throw EQELError(QStringLiteral("Die Bibliothek für den E-Mail-Versand kann nicht gestartet werden."));
}

int trace(CURL*, curl_infotype art, char* data, size_t size, void* nutzer)
{
    auto* s = static_cast<TSmtpVersand::TSitzung*>(nutzer);
    const QByteArray text(data, int(size));
    if (art == CURLINFO_HEADER_OUT) {
        // libcurl closes a failed session with QUIT; the failure is what came before.
        if (text.startsWith("QUIT"))
            s->beendet = true;
        // Never keep the login's secret.
        else if (!s->beendet)
            s->letzterBefehl = text.startsWith("AUTH") ? QByteArray("AUTH") : text.trimmed();
    } else if (art == CURLINFO_HEADER_IN && !s->beendet) {
        s->serverGehoert = true;
        const QByteArray zeile = text.trimmed();
        s->antwortLaeuft += (s->antwortLaeuft.isEmpty() ? "" : "\n") + zeile;
        if (zeile.startsWith("250-SIZE") || zeile.startsWith("250 SIZE")) {
            bool ok = false;
            const qint64 n = zeile.mid(9).trimmed().toLongLong(&ok);
            s->groesse = ok ? n : 0;
        }
        // "250-..." continues a reply, "250 ..." ends it.
        if (zeile.size() < 4 || zeile.at(3) != '-') {
            s->letzteAntwort = s->antwortLaeuft;
            s->antwortLaeuft.clear();
        }
    }
    return 0;
}

size_t lesen(char* puffer, size_t groesse, size_t anzahl, void* nutzer)
{
    auto* s = static_cast<TSmtpVersand::TSitzung*>(nutzer);
    const qint64 n = std::min<qint64>(qint64(groesse * anzahl), s->daten.size() - s->gelesen);
    memcpy(puffer, s->daten.constData() + s->gelesen, size_t(n));
    s->gelesen += n;
    return size_t(n);
}

int antwortCode(const QByteArray& antwort)
{
    const QByteArray letzte = antwort.mid(antwort.lastIndexOf('\n') + 1);
    return letzte.left(3).toInt();
}

QString mb(qint64 bytes) { return QLocale(QLocale::German).toString(double(bytes) / (1024.0 * 1024.0), 'f', 1); }

}  // namespace

TSmtpVersand::TSmtpVersand(const TMailKonfiguration& konf) : m_konf(konf), m_sitzung(std::make_unique<TSitzung>())
{
    curlEinmal();
    if (m_konf.Host.isEmpty())
        throw EQELError(QStringLiteral("Für diesen Arbeitsplatz ist kein Mailserver eingerichtet (EMail/Host in der "
                                       "Einstellungsdatei der Suite)."));
    m_passwort = m_konf.Passwort();
    m_sitzung->curl = curl_easy_init();
    if (!m_sitzung->curl)
        throw EQELError(QStringLiteral("Die Bibliothek für den E-Mail-Versand kann nicht gestartet werden."));
}

TSmtpVersand::~TSmtpVersand()
{
    // Ends the session politely (QUIT) when the connection is still open.
    if (m_sitzung && m_sitzung->curl)
        curl_easy_cleanup(m_sitzung->curl);
}

TVersandErgebnis TSmtpVersand::Senden(const QString& von, const QString& an, const QByteArray& nachricht)
{
    TVersandErgebnis e;
    const QString server = QStringLiteral("%1:%2").arg(m_konf.Host).arg(m_konf.WirksamerPort());
    if (m_groesseGrenze > 0 && nachricht.size() > m_groesseGrenze) {
        e.Fehler = TVersandFehler::Groesse;
        e.Meldung = QStringLiteral("Die E-Mail an „%1“ ist mit %2 MB größer, als der Mailserver %3 annimmt (%4 MB). "
                                   "Sie wurde nicht versendet.")
                        .arg(an, mb(nachricht.size()), server, mb(m_groesseGrenze));
        return e;
    }
    TSitzung& s = *m_sitzung;
    CURL* c = s.curl;
    s.daten = nachricht;
    s.gelesen = 0;
    s.letzterBefehl.clear();
    s.letzteAntwort.clear();
    s.antwortLaeuft.clear();
    s.serverGehoert = false;
    s.beendet = false;

    const QByteArray url = (m_konf.Url() + QLatin1Char('/') + QSysInfo::machineHostName()).toUtf8();
    const QByteArray mailFrom = '<' + von.toUtf8() + '>';
    const QByteArray benutzer = m_konf.Benutzer.toUtf8();
    const QByteArray passwort = m_passwort.toUtf8();
    const QByteArray ca = m_konf.Zertifikate.toLocal8Bit();
    curl_slist* empfaenger = curl_slist_append(nullptr, ('<' + an.toUtf8() + '>').constData());
    const long sek = m_konf.TimeoutSek;

    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, mailFrom.constData());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, empfaenger);
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, &lesen);
    curl_easy_setopt(c, CURLOPT_READDATA, &s);
    // The size lets libcurl announce it (SIZE) so the server refuses an oversized message at once.
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, curl_off_t(nachricht.size()));
    curl_easy_setopt(c, CURLOPT_USE_SSL,
                     m_konf.Sicherheit == TMailSicherheit::Keine ? long(CURLUSESSL_NONE) : long(CURLUSESSL_ALL));
    if (!benutzer.isEmpty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, benutzer.constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, passwort.constData());
    }
    if (!ca.isEmpty())
        curl_easy_setopt(c, CURLOPT_CAINFO, ca.constData());
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, sek);
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, sek);
    // A server that stops reading in the middle of the data.
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, sek);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &trace);
    curl_easy_setopt(c, CURLOPT_DEBUGDATA, &s);

    const CURLcode rc = curl_easy_perform(c);
    curl_slist_free_all(empfaenger);
    long neu = 0;
    curl_easy_getinfo(c, CURLINFO_NUM_CONNECTS, &neu);
    m_verbindungen += int(neu);
    if (s.groesse >= 0)
        m_groesseGrenze = s.groesse;
    s.daten.clear();

    e.ServerAntwort = QString::fromUtf8(s.letzteAntwort);
    const int code = antwortCode(s.letzteAntwort);
    const QString antwort = e.ServerAntwort.isEmpty() ? QStringLiteral("(keine Antwort)") : e.ServerAntwort;
    if (rc == CURLE_OK) {
        e.Angenommen = true;
        e.Meldung = QStringLiteral("Die E-Mail an „%1“ wurde vom Mailserver angenommen.").arg(an);
        return e;
    }
    auto fehler = [&](TVersandFehler f, const QString& text) {
        e.Fehler = f;
        e.Meldung = text;
    };
    const QByteArray befehl = s.letzterBefehl.toUpper();
    switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
        fehler(TVersandFehler::NichtErreichbar,
               QStringLiteral("Der Mailserver %1 ist nicht erreichbar. Die E-Mail an „%2“ wurde nicht versendet.").arg(server, an));
        break;
    case CURLE_LOGIN_DENIED:
        fehler(TVersandFehler::Anmeldung, QStringLiteral("Der Mailserver %1 hat die Anmeldung als „%2“ abgelehnt: %3")
                                              .arg(server, m_konf.Benutzer, antwort));
        break;
    case CURLE_USE_SSL_FAILED:
        fehler(TVersandFehler::Tls, QStringLiteral("Der Mailserver %1 bietet keine verschlüsselte Verbindung (STARTTLS) "
                                                   "an. Die E-Mail an „%2“ wurde nicht versendet.")
                                        .arg(server, an));
        break;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ENGINE_NOTFOUND:
        fehler(TVersandFehler::Tls, QStringLiteral("Die verschlüsselte Verbindung zum Mailserver %1 ist gescheitert "
                                                   "(%2). Die E-Mail an „%3“ wurde nicht versendet.")
                                        .arg(server, QString::fromUtf8(curl_easy_strerror(rc)), an));
        break;
    case CURLE_OPERATION_TIMEDOUT:
        if (!s.serverGehoert)
            fehler(TVersandFehler::NichtErreichbar, QStringLiteral("Der Mailserver %1 antwortet nicht (nach %2 Sekunden). "
                                                                   "Die E-Mail an „%3“ wurde nicht versendet.")
                                                        .arg(server)
                                                        .arg(sek)
                                                        .arg(an));
        else
            fehler(TVersandFehler::Zeitueberschreitung,
                   QStringLiteral("Der Mailserver %1 hat während des Versands nicht mehr geantwortet (nach %2 Sekunden). "
                                  "Die E-Mail an „%3“ wurde nicht versendet.")
                       .arg(server)
                       .arg(sek)
                       .arg(an));
        break;
    default:
        if (code >= 400 && befehl.startsWith("RCPT"))
            fehler(TVersandFehler::Empfaenger,
                   QStringLiteral("Der Mailserver hat den Empfänger „%1“ abgelehnt: %2").arg(an, antwort));
        else if (code == 552 || (code >= 400 && antwort.contains(QLatin1String("5.3.4"))))
            fehler(TVersandFehler::Groesse, QStringLiteral("Die E-Mail an „%1“ ist mit %2 MB größer, als der Mailserver "
                                                           "annimmt: %3")
                                                .arg(an, mb(nachricht.size()), antwort));
        else if (code >= 400 && befehl.startsWith("MAIL"))
            fehler(TVersandFehler::Abgelehnt,
                   QStringLiteral("Der Mailserver hat den Absender „%1“ abgelehnt: %2").arg(von, antwort));
        else if (code >= 400 && s.gelesen == nachricht.size())
            fehler(TVersandFehler::Abgelehnt,
                   QStringLiteral("Der Mailserver hat die E-Mail an „%1“ abgelehnt: %2").arg(an, antwort));
        else
            fehler(TVersandFehler::Verbindung,
                   QStringLiteral("Die Verbindung zum Mailserver %1 wurde während des Versands unterbrochen. Die E-Mail "
                                  "an „%2“ wurde nicht versendet.")
                       .arg(server, an));
        break;
    }
    return e;
}
