// demo: fills an empty database with demo clients, partners, open items and dunnings.
#include "befehl.h"

#include "suite/core/servers/database.h"
#include "suite/demodaten/demodaten.h"
#include "suite/core/servers/verwaltung.h"
#include "suite/mail/mailkonfiguration.h"

#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>

namespace admin {
namespace {

// Letterhead logo: a coloured mark with the company's initials and its name beside it.
QByteArray logoZeichnen(const QString& name, const QString& firma, quint32 farbe)
{
    Q_UNUSED(name);
    QImage bild(480, 160, QImage::Format_ARGB32);
    bild.fill(Qt::white);
    {
        QPainter p(&bild);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor c(QRgb(0xFF000000u | farbe));
        p.setBrush(c);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(12, 12, 136, 136), 18, 18);
        QString initialen;
        for (const QString& wort : firma.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            if (initialen.size() < 2 && wort.at(0).isUpper())
                initialen += wort.at(0);
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setBold(true);
        f.setPixelSize(64);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(12, 12, 136, 136), Qt::AlignCenter, initialen);
        f.setPixelSize(30);
        p.setFont(f);
        p.setPen(c.darker(130));
        p.drawText(QRectF(168, 12, 300, 136), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap, firma);
    }
    QByteArray png;
    QBuffer puffer(&png);
    puffer.open(QIODevice::WriteOnly);
    bild.save(&puffer, "PNG");
    return png;
}

// The demo partners' addresses reach no one; without a mail server the demo's mails go to files.
void probelaufEinrichten(const QString& pfad)
{
    TMailKonfiguration m = TMailKonfiguration::Laden(pfad);
    if (m.Eingerichtet())
        return;
    m.Probelaufordner = QStringLiteral("mail-probelauf");
    m.Speichern(pfad);
    err() << QStringLiteral("Mahnungen per E-Mail werden im Probelauf als Dateien in den Ordner „mail-probelauf“ neben der "
                            "Einstellungsdatei geschrieben (ändern: mahnwesen-admin mail set).\n");
}

int befehlDemo(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Schreibt Demodaten in eine Datenbank ohne Mandanten."));
    z.Option({QStringLiteral("seed")}, QStringLiteral("Startwert des Zufallsgenerators."), QStringLiteral("N"));
    z.Option({QStringLiteral("gross")}, QStringLiteral("Zahl der offenen Posten des großen Mandanten."), QStringLiteral("N"));
    z.Option({QStringLiteral("benutzer")}, QStringLiteral("Benutzer, der die Rechte 202 und 203 bekommt."), QStringLiteral("NAME"));
    z.Lesen();
    TDemoOptionen opt;
    if (z.Gesetzt(QStringLiteral("seed"))) {
        bool ok = false;
        opt.Seed = z.Wert(QStringLiteral("seed")).toULongLong(&ok);
        if (!ok)
            z.Falsch(QStringLiteral("--seed braucht eine nicht negative ganze Zahl, nicht '%1'.").arg(z.Wert(QStringLiteral("seed"))));
    }
    opt.GrossMandantOP = z.Ganzzahl(QStringLiteral("gross"), 0, 5000000, opt.GrossMandantOP);
    const TSuiteKonfiguration k = z.Konfiguration();
    opt.Benutzer = z.Gesetzt(QStringLiteral("benutzer")) ? z.Wert(QStringLiteral("benutzer")) : k.Benutzer;
    opt.LogoErzeugen = logoZeichnen;
    Admin_DatenbankAnlegen(k);
    if (Verwaltung_MandantenAnzahl() > 0) {
        err() << QStringLiteral("Die Datenbank enthält bereits Mandanten; es werden keine Demodaten geschrieben.\n");
        return kFehler;
    }
    DemoDaten_Erzeugen(opt);
    Admin_LayoutsInstallieren(k);
    probelaufEinrichten(z.KonfigPfad());
    err() << QStringLiteral("Demodaten geschrieben (Startwert %1). Benutzer mit den Rechten 202 und 203: %2, demo.\n")
                 .arg(opt.Seed)
                 .arg(opt.Benutzer);
    return kOk;
}

const TAdminBefehl demo("demo", "Demodaten in eine Datenbank ohne Mandanten schreiben", befehlDemo);

}  // namespace
}  // namespace admin
