// The mail core: messages read back by an independent MIME parser, and SMTP against the loopback server
// with its faults (login, TLS, refused recipient, dropped connection, silence, size limit).
#include "suite/core/types.h"
#include "suite/mail/mailkonfiguration.h"
#include "suite/mail/mailnachricht.h"
#include "suite/mail/smtpversand.h"
#include "support/smtptestserver.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray zufallsBytes(int n)
{
    QByteArray b(n, Qt::Uninitialized);
    for (char& c : b)
        c = char(QRandomGenerator::global()->bounded(256));
    return b;
}

TMailNachricht beispiel()
{
    TMailNachricht n;
    n.AbsenderName = QStringLiteral("Müller & Söhne GmbH, Buchhaltung");
    n.AbsenderAdresse = QStringLiteral("buchhaltung@mueller-soehne.de");
    n.EmpfaengerName = QStringLiteral("Bäckerei Köhler \"Zur Brezel\"");
    n.EmpfaengerAdresse = QStringLiteral("rechnung@baeckerei-koehler.de");
    n.Betreff = QStringLiteral("Mahnung AOP 17-2026 3 – Ihre Rechnungen über 1.234,56 € (Größe, Straße, Grüße)");
    n.Text = QStringLiteral("Sehr geehrte Frau Köhler,\r\n\r\nbitte überweisen Sie 1.234,56 € bis zum 22.12.2026.\n"
                            ".Diese Zeile beginnt mit einem Punkt\nFrom here on a line that starts with From   \n") +
             QString(200, QChar(0x00e4)) + QStringLiteral("\n\nMit freundlichen Grüßen");
    n.Datum = QDateTime(QDate(2026, 12, 8), QTime(10, 30, 5), Qt::OffsetFromUTC, 3600);
    n.Anhaenge.append({QStringLiteral("Mahnung AOP 17-2026 3 Bäckerei Köhler Überlänge des Dateinamens mit Umlauten äöüß.pdf"),
                       "application/pdf", zufallsBytes(70000)});
    return n;
}

}  // namespace

TEST(MailNachricht, IndependentParserReadsHeadersTextAndAttachmentBackExactly)
{
    const TMailNachricht n = beispiel();
    const QByteArray roh = n.Erzeugen();
    // Transport form: 7-bit, CRLF only, no line over 78 characters.
    for (char c : roh)
        ASSERT_LT((unsigned char)c, 128u);
    const QList<QByteArray> zeilen = roh.split('\n');
    for (int i = 0; i + 1 < zeilen.size(); ++i) {
        ASSERT_TRUE(zeilen.at(i).endsWith('\r')) << "line " << i << " has a bare LF";
        ASSERT_LE(zeilen.at(i).size() - 1, 78) << zeilen.at(i).toStdString();
    }
    EXPECT_FALSE(roh.contains("\r\r"));
    EXPECT_TRUE(roh.endsWith("--\r\n"));

    const QJsonObject m = qel_MimeLesen(roh);
    EXPECT_TRUE(m.value(QStringLiteral("defects")).toArray().isEmpty());
    EXPECT_EQ(m.value(QStringLiteral("subject")).toString(), n.Betreff);
    EXPECT_EQ(m.value(QStringLiteral("from_name")).toString(), n.AbsenderName);
    EXPECT_EQ(m.value(QStringLiteral("from_addr")).toString(), n.AbsenderAdresse);
    EXPECT_EQ(m.value(QStringLiteral("to_name")).toString(), n.EmpfaengerName);
    EXPECT_EQ(m.value(QStringLiteral("to_addr")).toString(), n.EmpfaengerAdresse);
    EXPECT_EQ(m.value(QStringLiteral("date")).toString(), QStringLiteral("Tue, 08 Dec 2026 10:30:05 +0100"));
    EXPECT_TRUE(m.value(QStringLiteral("message_id")).toString().endsWith(QStringLiteral("@mueller-soehne.de>")));
    EXPECT_EQ(m.value(QStringLiteral("content_type")).toString(), QStringLiteral("multipart/mixed"));

    const QJsonArray teile = m.value(QStringLiteral("parts")).toArray();
    ASSERT_EQ(teile.size(), 2);
    const QJsonObject text = teile.at(0).toObject();
    EXPECT_EQ(text.value(QStringLiteral("type")).toString(), QStringLiteral("text/plain"));
    QString erwartet = n.Text;
    erwartet.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_EQ(text.value(QStringLiteral("text")).toString().replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
              erwartet);
    const QJsonObject pdf = teile.at(1).toObject();
    EXPECT_EQ(pdf.value(QStringLiteral("type")).toString(), QStringLiteral("application/pdf"));
    EXPECT_EQ(pdf.value(QStringLiteral("disposition")).toString(), QStringLiteral("attachment"));
    EXPECT_EQ(pdf.value(QStringLiteral("filename")).toString(), n.Anhaenge.front().Dateiname);
    EXPECT_TRUE(pdf.value(QStringLiteral("defects")).toArray().isEmpty());
    EXPECT_EQ(pdf.value(QStringLiteral("sha256")).toString(),
              QString::fromLatin1(QCryptographicHash::hash(n.Anhaenge.front().Inhalt, QCryptographicHash::Sha256).toHex()));
}

TEST(MailNachricht, PlainAsciiStaysReadableAndHeaderInjectionIsDefused)
{
    TMailNachricht n;
    n.AbsenderName = QStringLiteral("Alpha GmbH");
    n.AbsenderAdresse = QStringLiteral("a@alpha.de");
    n.EmpfaengerAdresse = QStringLiteral("b@beta.de");
    n.Betreff = QStringLiteral("Mahnung AOP 1-2026 1\r\nBcc: opfer@example.org");
    n.Text = QStringLiteral("Hallo");
    const QByteArray roh = n.Erzeugen();
    EXPECT_TRUE(roh.contains("From: Alpha GmbH <a@alpha.de>\r\n"));
    EXPECT_TRUE(roh.contains("To: b@beta.de\r\n"));
    EXPECT_FALSE(roh.contains("\r\nBcc:"));
    const QJsonObject m = qel_MimeLesen(roh);
    EXPECT_EQ(m.value(QStringLiteral("subject")).toString(), QStringLiteral("Mahnung AOP 1-2026 1  Bcc: opfer@example.org"));
}

TEST(MailNachricht, AddressesWithoutAtOrWithBlanksAreRefused)
{
    for (const char* gut : {"a@b.de", "vorname.nachname+mahnung@firma.example.com"})
        EXPECT_TRUE(qel_MailAdresseGueltig(QString::fromLatin1(gut))) << gut;
    for (const char* schlecht : {"", "buchhaltung.firma.de", "@firma.de", "a@", "a@b@c.de", "a b@c.de", "a@localhost",
                                 "<a@b.de>", "a@b.de,c@d.de", "a@.de", "a@b..de"})
        EXPECT_FALSE(qel_MailAdresseGueltig(QString::fromLatin1(schlecht))) << schlecht;
    TMailNachricht n;
    n.AbsenderAdresse = QStringLiteral("a@alpha.de");
    n.EmpfaengerAdresse = QStringLiteral("buchhaltung.beta.de");
    try {
        n.Erzeugen();
        FAIL() << "no exception";
    } catch (const EQELError& e) {
        EXPECT_EQ(e.Text(), QStringLiteral("Die Empfängeradresse „buchhaltung.beta.de“ ist keine gültige E-Mail-Adresse."));
    }
}

TEST(MailNachricht, QuotedPrintableKeepsLinesShortAndProtectsTrailingBlanksAndDots)
{
    const QByteArray qp = qel_QuotedPrintable(QStringLiteral("ende mit blank \n.punkt\n") + QString(100, QLatin1Char('x')));
    EXPECT_TRUE(qp.startsWith("ende mit blank=20\r\n=2Epunkt\r\n"));
    for (const QByteArray& z : qp.split('\n'))
        EXPECT_LE(z.size(), 77);  // 76 and the CR
}

// --- settings and password file ------------------------------------------------------------------

TEST(MailKonfiguration, ReadsTheSectionAndRefusesBadValuesAndOpenPasswordFiles)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("suite.ini"));
    {
        QSettings s(ini, QSettings::IniFormat);
        s.setValue(QStringLiteral("EMail/Host"), QStringLiteral("mail.firma.de"));
        s.setValue(QStringLiteral("EMail/Sicherheit"), QStringLiteral("tls"));
        s.setValue(QStringLiteral("EMail/Benutzer"), QStringLiteral("mahnung"));
        s.setValue(QStringLiteral("EMail/Passwortdatei"), QStringLiteral("mail.pw"));
    }
    TMailKonfiguration k = TMailKonfiguration::Laden(ini);
    EXPECT_EQ(k.Sicherheit, TMailSicherheit::Tls);
    EXPECT_EQ(k.WirksamerPort(), 465);
    EXPECT_EQ(k.Url(), QStringLiteral("smtps://mail.firma.de:465"));
    EXPECT_EQ(k.PasswortDatei, dir.filePath(QStringLiteral("mail.pw")));
    EXPECT_EQ(k.TimeoutSek, 30);

    auto fehlerVon = [&] {
        try {
            k.Passwort();
        } catch (const EQELError& e) {
            return e.Text();
        }
        return QString();
    };
    EXPECT_TRUE(fehlerVon().contains(QStringLiteral("wurde nicht gefunden")));
    QFile f(k.PasswortDatei);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("geheim\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    EXPECT_TRUE(fehlerVon().contains(QStringLiteral("ist auch für andere Benutzer lesbar")));
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(k.Passwort(), QStringLiteral("geheim"));

    for (const auto& [schluessel, wert, text] :
         {std::tuple{"EMail/Sicherheit", "SSL", "Unbekannte Verschlüsselung „SSL“"},
          std::tuple{"EMail/Port", "70000", "Der Port des Mailservers"},
          std::tuple{"EMail/TimeoutSek", "0", "Die Wartezeit auf den Mailserver"}}) {
        QSettings s(ini, QSettings::IniFormat);
        const QVariant alt = s.value(QString::fromLatin1(schluessel));
        s.setValue(QString::fromLatin1(schluessel), QString::fromLatin1(wert));
        s.sync();
        try {
            TMailKonfiguration::Laden(ini);
            ADD_FAILURE() << schluessel;
        } catch (const EQELError& e) {
            EXPECT_TRUE(e.Text().startsWith(QString::fromUtf8(text))) << e.Text().toStdString();
        }
        if (alt.isValid())
            s.setValue(QString::fromLatin1(schluessel), alt);
        else
            s.remove(QString::fromLatin1(schluessel));
    }
}

// --- SMTP against the loopback server -------------------------------------------------------------

namespace {

TMailKonfiguration konfiguration(quint16 port, TMailSicherheit sicherheit = TMailSicherheit::Keine)
{
    TMailKonfiguration k;
    k.Host = QStringLiteral("127.0.0.1");
    k.Port = port;
    k.Sicherheit = sicherheit;
    k.TimeoutSek = 5;
    return k;
}

QByteArray nachricht(const QString& an, int groesse = 2000)
{
    TMailNachricht n;
    n.AbsenderAdresse = QStringLiteral("mahnung@alpha.de");
    n.EmpfaengerAdresse = an;
    n.Betreff = QStringLiteral("Zahlungserinnerung AOP 1-2026 1");
    n.Text = QStringLiteral("Grüße");
    n.Anhaenge.append({QStringLiteral("brief.pdf"), "application/pdf", zufallsBytes(groesse)});
    return n.Erzeugen();
}

class PasswortDatei {
public:
    explicit PasswortDatei(const QByteArray& pw)
    {
        QFile f(pfad());
        f.open(QIODevice::WriteOnly);
        f.write(pw + "\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    QString pfad() const { return m_dir.filePath(QStringLiteral("pw")); }

private:
    QTemporaryDir m_dir;
};

}  // namespace

TEST(SmtpVersand, StartTlsWithLoginDeliversABatchUnchangedOverOneConnection)
{
    TSmtpTestServer::TVerhalten v;
    ASSERT_TRUE(TSmtpTestServer::TestZertifikat(v.Zertifikat, v.Schluessel));
    v.StartTls = true;
    v.Benutzer = "mahnwesen";
    v.Passwort = "Grün-123";
    TSmtpTestServer server(v);
    PasswortDatei pw("Grün-123");
    TMailKonfiguration k = konfiguration(server.Port(), TMailSicherheit::StartTls);
    k.Benutzer = QStringLiteral("mahnwesen");
    k.PasswortDatei = pw.pfad();
    k.Zertifikate = v.Zertifikat;
    TSmtpVersand smtp(k);
    QVector<QByteArray> gesendet;
    for (int i = 0; i < 3; ++i) {
        gesendet << nachricht(QStringLiteral("kunde%1@beta.de").arg(i));
        const TVersandErgebnis e = smtp.Senden(QStringLiteral("mahnung@alpha.de"), QStringLiteral("kunde%1@beta.de").arg(i),
                                               gesendet.back());
        ASSERT_TRUE(e.Angenommen) << e.Meldung.toStdString();
        EXPECT_EQ(e.ServerAntwort, QStringLiteral("250 2.0.0 Ok: queued as Q%1").arg(i + 1));
    }
    const auto empfangen = server.Nachrichten();
    ASSERT_EQ(empfangen.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(empfangen[i].Daten, gesendet[i]);
        EXPECT_EQ(empfangen[i].Von, QByteArray("mahnung@alpha.de"));
        EXPECT_EQ(empfangen[i].An, QList<QByteArray>{QStringLiteral("kunde%1@beta.de").arg(i).toLatin1()});
    }
    EXPECT_EQ(smtp.Verbindungen(), 1);
    EXPECT_EQ(server.Verbindungen(), 1);
}

TEST(SmtpVersand, ImplicitTlsWorksAndAnUntrustedCertificateIsATlsFailure)
{
    TSmtpTestServer::TVerhalten v;
    ASSERT_TRUE(TSmtpTestServer::TestZertifikat(v.Zertifikat, v.Schluessel));
    v.ImpliziteTls = true;
    TSmtpTestServer server(v);
    TMailKonfiguration k = konfiguration(server.Port(), TMailSicherheit::Tls);
    k.Zertifikate = v.Zertifikat;
    EXPECT_TRUE(TSmtpVersand(k).Senden(QStringLiteral("a@alpha.de"), QStringLiteral("b@beta.de"), nachricht("b@beta.de")).Angenommen);

    // Not trusting the server's self-made certificate: nothing goes out.
    k.Zertifikate.clear();
    const TVersandErgebnis e = TSmtpVersand(k).Senden(QStringLiteral("a@alpha.de"), QStringLiteral("b@beta.de"), nachricht("b@beta.de"));
    EXPECT_FALSE(e.Angenommen);
    EXPECT_EQ(e.Fehler, TVersandFehler::Tls);
    EXPECT_TRUE(e.Meldung.startsWith(QStringLiteral("Die verschlüsselte Verbindung zum Mailserver 127.0.0.1:"))) << e.Meldung.toStdString();
    EXPECT_EQ(server.Nachrichten().size(), 1);
}

TEST(SmtpVersand, ServerWithoutStartTlsIsRefusedWhenEncryptionIsRequired)
{
    TSmtpTestServer server;
    const TVersandErgebnis e = TSmtpVersand(konfiguration(server.Port(), TMailSicherheit::StartTls))
                                   .Senden(QStringLiteral("a@alpha.de"), QStringLiteral("b@beta.de"), nachricht("b@beta.de"));
    EXPECT_EQ(e.Fehler, TVersandFehler::Tls);
    EXPECT_TRUE(e.Meldung.contains(QStringLiteral("bietet keine verschlüsselte Verbindung (STARTTLS) an")));
    EXPECT_TRUE(server.Nachrichten().isEmpty());
}

TEST(SmtpVersand, RefusedLoginAndUnreachableServerAreToldAndNothingIsSent)
{
    TSmtpTestServer::TVerhalten v;
    v.Benutzer = "mahnwesen";
    v.Passwort = "richtig";
    TSmtpTestServer server(v);
    PasswortDatei pw("falsch");
    TMailKonfiguration k = konfiguration(server.Port());
    k.Benutzer = QStringLiteral("mahnwesen");
    k.PasswortDatei = pw.pfad();
    TVersandErgebnis e = TSmtpVersand(k).Senden(QStringLiteral("a@alpha.de"), QStringLiteral("b@beta.de"), nachricht("b@beta.de"));
    EXPECT_EQ(e.Fehler, TVersandFehler::Anmeldung);
    EXPECT_EQ(e.Meldung, QStringLiteral("Der Mailserver 127.0.0.1:%1 hat die Anmeldung als „mahnwesen“ abgelehnt: "
                                        "535 5.7.8 Authentication credentials invalid")
                             .arg(server.Port()));
    EXPECT_TRUE(server.Nachrichten().isEmpty());

    // A port nobody listens on (taken from a server that is gone again).
    quint16 frei;
    {
        TSmtpTestServer weg;
        frei = weg.Port();
    }
    e = TSmtpVersand(konfiguration(frei)).Senden(QStringLiteral("a@alpha.de"), QStringLiteral("b@beta.de"), nachricht("b@beta.de"));
    EXPECT_EQ(e.Fehler, TVersandFehler::NichtErreichbar);
    EXPECT_EQ(e.Meldung, QStringLiteral("Der Mailserver 127.0.0.1:%1 ist nicht erreichbar. Die E-Mail an „b@beta.de“ wurde "
                                        "nicht versendet.")
                             .arg(frei));
}

TEST(SmtpVersand, RefusedRecipientDroppedConnectionAndSilenceFailOnlyTheirMessage)
{
    TSmtpTestServer::TVerhalten v;
    v.AbgelehnteEmpfaenger = {"unbekannt@beta.de"};
    v.AbbruchBeiNachricht = 2;     // the second DATA dies midway
    v.SchweigenBeiNachricht = 4;   // the fourth is never answered
    TSmtpTestServer server(v);
    TMailKonfiguration k = konfiguration(server.Port());
    k.TimeoutSek = 1;
    TSmtpVersand smtp(k);
    auto senden = [&](const QString& an) { return smtp.Senden(QStringLiteral("a@alpha.de"), an, nachricht(an, 200000)); };

    EXPECT_TRUE(senden(QStringLiteral("k1@beta.de")).Angenommen);
    TVersandErgebnis e = senden(QStringLiteral("unbekannt@beta.de"));
    EXPECT_EQ(e.Fehler, TVersandFehler::Empfaenger);
    EXPECT_EQ(e.Meldung, QStringLiteral("Der Mailserver hat den Empfänger „unbekannt@beta.de“ abgelehnt: 550 5.1.1 "
                                        "<unbekannt@beta.de>: Recipient address rejected: User unknown in virtual mailbox table"));
    e = senden(QStringLiteral("k2@beta.de"));
    EXPECT_EQ(e.Fehler, TVersandFehler::Verbindung) << e.Meldung.toStdString();
    EXPECT_FALSE(e.Angenommen);
    EXPECT_TRUE(senden(QStringLiteral("k3@beta.de")).Angenommen);  // on a new connection
    e = senden(QStringLiteral("k4@beta.de"));
    EXPECT_EQ(e.Fehler, TVersandFehler::Zeitueberschreitung) << e.Meldung.toStdString();
    EXPECT_TRUE(e.Meldung.contains(QStringLiteral("hat während des Versands nicht mehr geantwortet")));
    EXPECT_TRUE(senden(QStringLiteral("k5@beta.de")).Angenommen);

    QStringList angekommen;
    for (const auto& n : server.Nachrichten())
        angekommen << QString::fromLatin1(n.An.join(','));
    EXPECT_EQ(angekommen, (QStringList{QStringLiteral("k1@beta.de"), QStringLiteral("k3@beta.de"), QStringLiteral("k5@beta.de")}));
}

TEST(SmtpVersand, MessagesOverTheServersSizeLimitAreRefusedAsTooLarge)
{
    TSmtpTestServer::TVerhalten v;
    v.Groesse = 50000;
    TSmtpTestServer server(v);
    TSmtpVersand smtp(konfiguration(server.Port()));
    TVersandErgebnis e = smtp.Senden(QStringLiteral("a@alpha.de"), QStringLiteral("b@beta.de"), nachricht("b@beta.de", 60000));
    EXPECT_EQ(e.Fehler, TVersandFehler::Groesse);
    EXPECT_TRUE(e.Meldung.startsWith(QStringLiteral("Die E-Mail an „b@beta.de“ ist mit 0,1 MB größer, als der Mailserver"))) << e.Meldung.toStdString();
    EXPECT_TRUE(smtp.Senden(QStringLiteral("a@alpha.de"), QStringLiteral("b@beta.de"), nachricht("b@beta.de", 1000)).Angenommen);
    // The limit is known now: the next oversized one is not even offered.
    e = smtp.Senden(QStringLiteral("a@alpha.de"), QStringLiteral("c@beta.de"), nachricht("c@beta.de", 60000));
    EXPECT_EQ(e.Fehler, TVersandFehler::Groesse);
    EXPECT_EQ(server.Nachrichten().size(), 1);
}
