#include "smtptestserver.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QMutex>
#include <QProcess>
#include <QSemaphore>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>

namespace {

class TSitzung : public QObject {
public:
    TSitzung(qintptr deskriptor, TSmtpTestServer::TIntern& server, int nummer);

private:
    void lesen();
    void zeile(const QByteArray& z);
    void datenZeile(const QByteArray& z);
    void antworten(const QByteArray& text) { m_socket->write(text + "\r\n"); }
    void tlsStarten();

    QSslSocket* m_socket;
    TSmtpTestServer::TIntern& m_server;
    int m_nummer;
    QByteArray m_puffer;
    bool m_daten = false;
    bool m_authPlainWartet = false;
    bool m_angemeldet = false;
    bool m_schweigen = false;
    TSmtpTestServer::TNachricht m_nachricht;
};

class TServer : public QTcpServer {
public:
    explicit TServer(TSmtpTestServer::TIntern& i) : m_intern(i) {}

protected:
    void incomingConnection(qintptr deskriptor) override;

private:
    TSmtpTestServer::TIntern& m_intern;
};

}  // namespace

struct TSmtpTestServer::TIntern {
    TVerhalten Verhalten;
    QThread Thread;
    TServer* Server = nullptr;
    quint16 Port = 0;
    mutable QMutex Sperre;
    QVector<TNachricht> Nachrichten;
    int Verbindungen = 0;
    int DatenBegonnen = 0;  // DATA commands over all connections
};

namespace {

void TServer::incomingConnection(qintptr deskriptor)
{
    int nummer;
    {
        QMutexLocker l(&m_intern.Sperre);
        nummer = ++m_intern.Verbindungen;
    }
    new TSitzung(deskriptor, m_intern, nummer);
}

TSitzung::TSitzung(qintptr deskriptor, TSmtpTestServer::TIntern& server, int nummer)
    : QObject(server.Server), m_socket(new QSslSocket(this)), m_server(server), m_nummer(nummer)
{
    m_socket->setSocketDescriptor(deskriptor);
    connect(m_socket, &QSslSocket::readyRead, this, &TSitzung::lesen);
    connect(m_socket, &QSslSocket::disconnected, this, &QObject::deleteLater);
    connect(m_socket, &QSslSocket::errorOccurred, this, [this] {
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            deleteLater();
    });
    if (m_server.Verhalten.ImpliziteTls) {
        tlsStarten();
        connect(m_socket, &QSslSocket::encrypted, this, [this] { antworten("220 test.local ESMTP bereit"); });
    } else
        antworten("220 test.local ESMTP bereit");
}

void TSitzung::tlsStarten()
{
    QSslConfiguration c = m_socket->sslConfiguration();
    QFile z(m_server.Verhalten.Zertifikat), s(m_server.Verhalten.Schluessel);
    z.open(QIODevice::ReadOnly);
    s.open(QIODevice::ReadOnly);
    c.setLocalCertificate(QSslCertificate(z.readAll()));
    c.setPrivateKey(QSslKey(s.readAll(), QSsl::Rsa));
    c.setPeerVerifyMode(QSslSocket::VerifyNone);
    m_socket->setSslConfiguration(c);
    m_socket->startServerEncryption();
}

void TSitzung::lesen()
{
    m_puffer += m_socket->readAll();
    if (m_daten && m_server.Verhalten.AbbruchBeiNachricht > 0) {
        QMutexLocker l(&m_server.Sperre);
        if (m_server.DatenBegonnen == m_server.Verhalten.AbbruchBeiNachricht) {
            l.unlock();
            m_socket->abort();
            return;
        }
    }
    int ende;
    while (m_socket && (ende = m_puffer.indexOf("\r\n")) >= 0) {
        const QByteArray z = m_puffer.left(ende);
        m_puffer.remove(0, ende + 2);
        if (m_daten)
            datenZeile(z);
        else
            zeile(z);
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            return;
    }
}

void TSitzung::datenZeile(const QByteArray& z)
{
    if (z == ".") {
        m_daten = false;
        if (m_schweigen)
            return;
        const qint64 grenze = m_server.Verhalten.Groesse;
        if (grenze > 0 && m_nachricht.Daten.size() > grenze) {
            antworten("552 5.3.4 Message size exceeds fixed maximum message size");
            return;
        }
        m_nachricht.Verbindung = m_nummer;
        int n;
        {
            QMutexLocker l(&m_server.Sperre);
            m_server.Nachrichten.append(m_nachricht);
            n = m_server.Nachrichten.size();
        }
        antworten("250 2.0.0 Ok: queued as Q" + QByteArray::number(n));
        return;
    }
    m_nachricht.Daten += (z.startsWith('.') ? z.mid(1) : z) + "\r\n";
}

void TSitzung::zeile(const QByteArray& roh)
{
    const TSmtpTestServer::TVerhalten& v = m_server.Verhalten;
    const QByteArray befehl = roh.left(4).toUpper();
    const bool tls = m_socket->isEncrypted();
    const bool anmeldungNoetig = !v.Benutzer.isEmpty();
    if (m_authPlainWartet) {
        m_authPlainWartet = false;
        const QList<QByteArray> teile = QByteArray::fromBase64(roh).split('\0');
        m_angemeldet = teile.size() == 3 && teile.at(1) == v.Benutzer && teile.at(2) == v.Passwort;
        antworten(m_angemeldet ? "235 2.7.0 Authentication successful" : "535 5.7.8 Authentication credentials invalid");
        return;
    }
    if (befehl == "EHLO" || befehl == "HELO") {
        QByteArrayList l{"250-test.local"};
        if (v.Groesse > 0)
            l << "250-SIZE " + QByteArray::number(v.Groesse);
        if (v.StartTls && !tls)
            l << "250-STARTTLS";
        if (anmeldungNoetig && (tls || !v.StartTls))
            l << "250-AUTH PLAIN";
        l << "250 8BITMIME";
        antworten(l.join("\r\n"));
    } else if (befehl == "STAR" && v.StartTls && !tls) {
        antworten("220 2.0.0 Ready to start TLS");
        m_socket->flush();
        tlsStarten();
    } else if (befehl == "AUTH") {
        const QList<QByteArray> teile = roh.split(' ');
        if (teile.size() >= 3) {
            m_authPlainWartet = true;
            zeile(teile.at(2));
        } else {
            m_authPlainWartet = true;
            antworten("334 ");
        }
    } else if (befehl == "MAIL") {
        if (anmeldungNoetig && !m_angemeldet) {
            antworten("530 5.7.0 Authentication required");
            return;
        }
        const int pos = roh.toUpper().indexOf("SIZE=");
        if (pos >= 0 && v.Groesse > 0 && roh.mid(pos + 5).toLongLong() > v.Groesse) {
            antworten("552 5.3.4 Message size exceeds fixed maximum message size");
            return;
        }
        m_nachricht = TSmtpTestServer::TNachricht();
        m_nachricht.Von = roh.mid(roh.indexOf('<') + 1, roh.indexOf('>') - roh.indexOf('<') - 1);
        antworten("250 2.1.0 Ok");
    } else if (befehl == "RCPT") {
        const QByteArray an = roh.mid(roh.indexOf('<') + 1, roh.indexOf('>') - roh.indexOf('<') - 1);
        if (v.AbgelehnteEmpfaenger.contains(an)) {
            antworten("550 5.1.1 <" + an + ">: Recipient address rejected: User unknown in virtual mailbox table");
            return;
        }
        m_nachricht.An << an;
        antworten("250 2.1.5 Ok");
    } else if (befehl == "DATA") {
        int n;
        {
            QMutexLocker l(&m_server.Sperre);
            n = ++m_server.DatenBegonnen;
        }
        m_daten = true;
        m_schweigen = n == v.SchweigenBeiNachricht;
        antworten("354 End data with <CR><LF>.<CR><LF>");
    } else if (befehl == "RSET" || befehl == "NOOP") {
        antworten("250 2.0.0 Ok");
    } else if (befehl == "QUIT") {
        antworten("221 2.0.0 Bye");
        m_socket->disconnectFromHost();
    } else {
        antworten("502 5.5.2 Error: command not recognized");
    }
}

}  // namespace

TSmtpTestServer::TSmtpTestServer(const TVerhalten& v) : d(std::make_unique<TIntern>())
{
    d->Verhalten = v;
    QSemaphore bereit;
    d->Server = new TServer(*d);
    d->Server->moveToThread(&d->Thread);
    QObject::connect(&d->Thread, &QThread::started, d->Server, [this, &bereit] {
        d->Server->listen(QHostAddress::LocalHost, 0);
        d->Port = d->Server->serverPort();
        bereit.release();
    });
    QObject::connect(&d->Thread, &QThread::finished, d->Server, &QObject::deleteLater);
    d->Thread.start();
    bereit.acquire();
}

TSmtpTestServer::TSmtpTestServer() : TSmtpTestServer(TVerhalten()) {}

TSmtpTestServer::~TSmtpTestServer()
{
    d->Thread.quit();
    d->Thread.wait();
}

quint16 TSmtpTestServer::Port() const { return d->Port; }

QVector<TSmtpTestServer::TNachricht> TSmtpTestServer::Nachrichten() const
{
    QMutexLocker l(&d->Sperre);
    return d->Nachrichten;
}

int TSmtpTestServer::Verbindungen() const
{
    QMutexLocker l(&d->Sperre);
    return d->Verbindungen;
}

bool TSmtpTestServer::TestZertifikat(QString& zertifikat, QString& schluessel)
{
    static QTemporaryDir ordner;
    static const bool ok = [] {
        QProcess p;
        p.start(QStringLiteral("openssl"),
                {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
                 QStringLiteral("-nodes"), QStringLiteral("-keyout"), ordner.filePath(QStringLiteral("key.pem")),
                 QStringLiteral("-out"), ordner.filePath(QStringLiteral("cert.pem")), QStringLiteral("-days"),
                 QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                 QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost")});
        return p.waitForFinished(60000) && p.exitCode() == 0;
    }();
    zertifikat = ok ? ordner.filePath(QStringLiteral("cert.pem")) : QString();
    schluessel = ok ? ordner.filePath(QStringLiteral("key.pem")) : QString();
    return ok;
}

QJsonObject qel_MimeLesen(const QByteArray& nachricht, const QString& ordner)
{
    QProcess p;
    QStringList argumente{QStringLiteral(MAHNWESEN_MIME_LESEN)};
    if (!ordner.isEmpty())
        argumente << ordner;
    p.start(QStringLiteral("python3"), argumente);
    p.write(nachricht);
    p.closeWriteChannel();
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        qWarning("mime_lesen.py: %s", p.readAllStandardError().constData());
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}
