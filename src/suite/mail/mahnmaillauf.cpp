#include "mahnmaillauf.h"

#include "mailnachricht.h"
#include "smtpversand.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

// As the letter greets: with the comma, "Herrn" of the address line as "Herr".
QString anrede(const TMahnMailDaten& d)
{
    const QString a = d.Anrede.simplified();
    if (!d.Kontakt.isEmpty() && (a == QLatin1String("Herr") || a == QLatin1String("Herrn")))
        return QStringLiteral("Sehr geehrter Herr %1,").arg(d.Kontakt);
    if (!d.Kontakt.isEmpty() && a == QLatin1String("Frau"))
        return QStringLiteral("Sehr geehrte Frau %1,").arg(d.Kontakt);
    return QStringLiteral("Sehr geehrte Damen und Herren,");
}

QString dateiSicher(QString name)
{
    static const QString verboten = QStringLiteral("/\\:*?\"<>|");
    for (QChar& c : name)
        if (verboten.contains(c) || c.unicode() < 0x20)
            c = QLatin1Char('_');
    return name.simplified();
}

}  // namespace

QString qel_MailtextFuellen(const QString& text, const TMahnMailDaten& d, const QString& waehrung)
{
    QString t = text;
    t.replace(QStringLiteral("#Berücksichtigt"), DateToStr(d.Beruecksichtigt));
    t.replace(QStringLiteral("#Heute"), DateToStr(d.Mahnungsdatum));
    t.replace(QStringLiteral("#Anrede"), anrede(d));
    t.replace(QStringLiteral("#Zahlungsziel"), DateToStr(d.Zahlungsziel));
    t.replace(QStringLiteral("#Gesamtbetrag"), qel_FormatMoney(d.Gesamtbetrag) + QLatin1Char(' ') + waehrung);
    return t;
}

QString qel_MahnungDateiname(const TMahnMailDaten& d, const QString& endung)
{
    return dateiSicher(QStringLiteral("%1 %2 %3").arg(d.Art(), d.Belegnummer(), d.GepName)).left(120) + endung;
}

TMahnMailLauf::TMahnMailLauf(const TMailKonfiguration& konf, const QString& waehrung) : m_konf(konf), m_waehrung(waehrung)
{
    if (!m_konf.Eingerichtet())
        throw EQELError(QStringLiteral("Für diesen Arbeitsplatz ist kein Mailserver eingerichtet. Bitte lassen Sie den "
                                       "Abschnitt [EMail] der Einstellungsdatei der Suite ausfüllen."));
    if (Probelauf() && !QDir().mkpath(m_konf.Probelaufordner))
        throw EQELError(QStringLiteral("Der Ordner für den Probelauf „%1“ kann nicht angelegt werden.").arg(m_konf.Probelaufordner));
    MahnVersandServer_Holen(m_server);
    m_mailtext = m_server->Mailtext();
}

TMahnMailLauf::~TMahnMailLauf() { MahnVersandServer_Freigeben(m_server); }

int TMahnMailLauf::Verbindungen() const { return m_smtp ? m_smtp->Verbindungen() : 0; }

TMahnMailDaten TMahnMailLauf::Daten(const TIntPair& mahnungsId)
{
    TMahnMailDaten d;
    if (!m_server->Mahnung_Maildaten(mahnungsId, d))
        throw EQELError(QStringLiteral("Die Daten der Mahnung für die E-Mail können nicht gelesen werden."));
    return d;
}

TMahnMailDaten TMahnMailLauf::Daten(const TIntPair& mandant, int lfdNr, int wirtschaftsJahr, int rNr)
{
    TIntPair id;
    if (!m_server->Mahnung_Id(mandant, lfdNr, wirtschaftsJahr, rNr, id))
        throw EQELError(QStringLiteral("Die Mahnung %1 ist nicht gebucht und kann nicht per E-Mail versendet werden.")
                            .arg(Formatiere_Belegnummer_String(QStringLiteral("AOP"), lfdNr, wirtschaftsJahr, rNr)));
    return Daten(id);
}

TMahnMailErgebnis TMahnMailLauf::Senden(const TMahnMailDaten& d, const QByteArray& pdf)
{
    return senden(d, pdf, QStringLiteral("%1 %2").arg(d.Art(), d.Belegnummer()), qel_MailtextFuellen(m_mailtext, d, m_waehrung));
}

TMahnMailErgebnis TMahnMailLauf::Erneut_Senden(const TIntPair& mahnungsId)
{
    const TMahnMailDaten d = Daten(mahnungsId);
    TMahnVersand alt;
    if (!m_server->Letzter_Versand(mahnungsId, alt) || alt.Pdf.isEmpty())
        throw EQELError(QStringLiteral("Zur Mahnung %1 ist kein Brief für einen erneuten Versand gespeichert.").arg(d.Belegnummer()));
    return senden(d, alt.Pdf, alt.Betreff, alt.Mailtext);
}

TMahnMailErgebnis TMahnMailLauf::senden(const TMahnMailDaten& d, const QByteArray& pdf, const QString& betreff,
                                        const QString& text)
{
    TMahnMailErgebnis e;
    e.MahnungsId = d.MahnungsId;
    e.GepName = d.GepName;
    e.Belegnummer = d.Belegnummer();
    e.Empfaenger = d.Email;
    e.Probelauf = Probelauf();
    if (d.Email.isEmpty()) {
        e.OhneAdresse = true;
        e.Meldung = QStringLiteral("%1 hat keine E-Mail-Adresse für Mahnungen.").arg(d.GepName);
        return e;
    }
    if (!qel_MailAdresseGueltig(d.Absender.Adresse))
        throw EQELError(QStringLiteral("Für den Mandanten ist keine gültige Absenderadresse für E-Mails eingetragen. "
                                       "Es wurde keine Mahnung per E-Mail versendet."));

    TMailNachricht n;
    n.AbsenderName = d.Absender.Name;
    n.AbsenderAdresse = d.Absender.Adresse;
    n.EmpfaengerName = d.GepName;
    n.EmpfaengerAdresse = d.Email;
    n.Betreff = betreff;
    n.Text = text;
    n.Datum = qel_ToQDateTime(qel_Now());
    n.Anhaenge.append({qel_MahnungDateiname(d, QStringLiteral(".pdf")), "application/pdf", pdf});

    TMahnVersand v;
    v.MahnungsId = d.MahnungsId;
    v.Zeit = qel_Now();
    v.Empfaenger = d.Email;
    v.Betreff = betreff;
    v.Mailtext = text;
    v.PdfName = n.Anhaenge.front().Dateiname;
    v.Pdf = pdf;
    v.EmlName = dateiSicher(QStringLiteral("E-Mail %1 %2").arg(d.Belegnummer(),
                                                               qel_ToQDateTime(v.Zeit).toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"))))
                + QStringLiteral(".eml");

    if (!qel_MailAdresseGueltig(d.Email)) {
        e.Meldung = d.Email.contains(QLatin1Char('@'))
                        ? QStringLiteral("Die E-Mail-Adresse „%1“ von %2 ist ungültig. Die Mahnung wurde nicht versendet.")
                              .arg(d.Email, d.GepName)
                        : QStringLiteral("Die E-Mail-Adresse „%1“ von %2 enthält kein „@“. Die Mahnung wurde nicht versendet.")
                              .arg(d.Email, d.GepName);
        v.Meldung = e.Meldung;
        if (!e.Probelauf)
            m_server->Versand_Buchen(v);
        return e;
    }
    v.Eml = n.Erzeugen();

    if (e.Probelauf) {
        e.Datei = QDir(m_konf.Probelaufordner).filePath(v.EmlName);
        QSaveFile f(e.Datei);
        if (!f.open(QIODevice::WriteOnly) || f.write(v.Eml) != v.Eml.size() || !f.commit())
            throw EQELError(QStringLiteral("Die Datei „%1“ kann nicht geschrieben werden.").arg(e.Datei));
        e.Meldung = QStringLiteral("Probelauf: die E-Mail an „%1“ wurde als Datei geschrieben, nicht versendet.").arg(d.Email);
        return e;
    }

    if (!m_smtp)
        m_smtp = std::make_unique<TSmtpVersand>(m_konf);
    const TVersandErgebnis r = m_smtp->Senden(d.Absender.Adresse, d.Email, v.Eml);
    v.Angenommen = r.Angenommen;
    v.Antwort = r.ServerAntwort;
    v.Meldung = r.Angenommen ? QString() : r.Meldung;
    e.Meldung = r.Meldung;
    const bool gebucht = m_server->Versand_Buchen(v);
    e.Versendet = r.Angenommen && gebucht;
    if (r.Angenommen && !gebucht)
        e.Meldung = QStringLiteral("Die E-Mail an „%1“ wurde versendet, der Nachweis konnte aber nicht gespeichert werden.")
                        .arg(d.Email);
    return e;
}
