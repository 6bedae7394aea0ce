// A small SMTP server on the loopback address for the mail tests and the benchmark: it runs on its own
// thread (the client under test blocks), speaks ESMTP with SIZE, STARTTLS or implicit TLS and AUTH
// PLAIN, and misbehaves on request.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>

class TSmtpTestServer {
public:
    struct TVerhalten {
        bool StartTls = false;
        bool ImpliziteTls = false;
        QString Zertifikat;  // PEM files for TLS
        QString Schluessel;
        QByteArray Benutzer;  // set: AUTH PLAIN is required
        QByteArray Passwort;
        QSet<QByteArray> AbgelehnteEmpfaenger;  // refused at RCPT with 550
        qint64 Groesse = 0;          // SIZE announced and enforced; 0: none
        int AbbruchBeiNachricht = 0;  // drops the connection inside the DATA of this message (1-based)
        int SchweigenBeiNachricht = 0;  // never answers the end of this message's DATA
    };
    struct TNachricht {
        QByteArray Von;
        QList<QByteArray> An;
        QByteArray Daten;  // as received, dot-stuffing undone
        int Verbindung = 0;
    };

    TSmtpTestServer();
    explicit TSmtpTestServer(const TVerhalten& v);
    ~TSmtpTestServer();

    quint16 Port() const;
    QVector<TNachricht> Nachrichten() const;
    int Verbindungen() const;

    // A self-signed certificate for 127.0.0.1 made with openssl once per process; empty paths when openssl fails.
    static bool TestZertifikat(QString& zertifikat, QString& schluessel);

    struct TIntern;

private:
    std::unique_ptr<TIntern> d;
};


// The message as Python's own e-mail parser reads it (support/mime_lesen.py): decoded headers, and per
// part its type, file name and text or the SHA-256 and size of its content. An independent reader, so
// the mail writer is not judged by its own code.
// ordner: the attachments are written there as well (the part's "file").
QJsonObject qel_MimeLesen(const QByteArray& nachricht, const QString& ordner = QString());
