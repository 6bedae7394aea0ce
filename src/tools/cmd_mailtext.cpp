// mailtext: the text of dunning mails, a text block of its own kind.
#include "befehl.h"

#include "suite/core/servers/mahnversandserver.h"
#include "suite/core/servers/servermeldung.h"

#include <QFile>

namespace admin {
namespace {

int mailtextZeigen(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Zeigt den Text der Mahnungen per E-Mail (mit Platzhaltern)."));
    z.Lesen();
    z.DatenbankOeffnen();
    IQEL_MahnVersandServerRef s;
    MahnVersandServer_Holen(s);
    out() << s->Mailtext() << '\n';
    return kOk;
}

int mailtextSetzen(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Speichert den Text der Mahnungen per E-Mail aus einer Textdatei (UTF-8). Platzhalter: "
                                      "#Anrede, #Heute, #Berücksichtigt, #Zahlungsziel, #Gesamtbetrag."));
    z.Argument(QStringLiteral("DATEI"), QStringLiteral("Textdatei."));
    z.Option({QStringLiteral("kurztext")}, QStringLiteral("Kurztext des Textbausteins (Vorgabe „E-Mail Mahnung“)."),
             QStringLiteral("TEXT"));
    z.Lesen();
    QFile f(z.Argument(0));
    if (!f.open(QIODevice::ReadOnly))
        throw EQELError(QStringLiteral("Die Datei „%1“ kann nicht gelesen werden.").arg(z.Argument(0)));
    const QString text = QString::fromUtf8(f.readAll());
    z.DatenbankOeffnen();
    QString meldung;
    qel_SetServerMeldung([&meldung](const QString& t) { meldung = t; });
    IQEL_MahnVersandServerRef s;
    MahnVersandServer_Holen(s);
    const bool ok = s->Mailtext_Speichern(
        z.Gesetzt(QStringLiteral("kurztext")) ? z.Wert(QStringLiteral("kurztext")) : QStringLiteral("E-Mail Mahnung"), text);
    qel_SetServerMeldung(nullptr);
    if (!ok)
        throw EQELError(meldung);
    err() << QStringLiteral("Text der Mahnungen per E-Mail gespeichert.\n");
    return kOk;
}

int befehlMailtext(const TAdminAufruf& a)
{
    return Aktion_Ausfuehren(a, QStringLiteral("Text der Mahnungen per E-Mail."),
                             {{"show", "Text zeigen", mailtextZeigen}, {"set", "Text aus einer Datei speichern", mailtextSetzen}});
}

const TAdminBefehl mailtext("mailtext", "Text der Mahnungen per E-Mail zeigen und setzen", befehlMailtext);

}  // namespace
}  // namespace admin
