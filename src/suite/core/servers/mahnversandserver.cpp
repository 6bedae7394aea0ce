#include "mahnversandserver.h"

#include "database_intern.h"
#include "dokumentserver.h"
#include "servermeldung.h"
#include "wertpruefung.h"

const QString CQEL_StandardMailtext = QStringLiteral(
    "#Anrede\n\n"
    "im Anhang erhalten Sie unser heutiges Schreiben vom #Heute als PDF-Datei. Bitte begleichen Sie den offenen "
    "Betrag von #Gesamtbetrag bis zum #Zahlungsziel. Zahlungen, die bis zum #Berücksichtigt bei uns eingegangen "
    "sind, haben wir berücksichtigt.\n\n"
    "Sollten Sie die Zahlung inzwischen geleistet haben, betrachten Sie dieses Schreiben bitte als gegenstandslos.\n\n"
    "Mit freundlichen Grüßen");

namespace {

bool abgelehnt(const QString& was, const EQELError& e)
{
    qel_ServerMeldung(QStringLiteral("%1\n%2").arg(was, e.Text()));
    return false;
}

class TMahnVersandServer : public IQEL_MahnVersandServer {
public:
    bool Mahnung_Maildaten(const TIntPair& id, TMahnMailDaten& d) override;
    bool Mahnung_Id(const TIntPair& mandant, int lfdNr, int wirtschaftsJahr, int rNr, TIntPair& id) override;
    QString Mailtext() override;
    bool Mailtext_Speichern(const QString& kurztext, const QString& text) override;
    bool Versand_Buchen(TMahnVersand& v) override;
    bool Letzter_Versand(const TIntPair& mahnungsId, TMahnVersand& v) override;
};

bool TMahnVersandServer::Mahnung_Maildaten(const TIntPair& id, TMahnMailDaten& d)
{
    try {
        TSqlAbfrage q(QStringLiteral(
            "SELECT m.mandant_rnr, m.mandant_lnr, m.gep_rnr, m.gep_lnr, g.name, g.mahn_email, m.beleg_lfdnr, "
            "m.wirtschaftsjahr, m.beleg_rnr, m.mahnungsdatum, m.beruecksichtigt, md.mail_absender_name, "
            "md.mail_absender_adresse, o.kontakt_rnr, o.kontakt_lnr FROM mahnung m "
            "JOIN geschaeftspartner g ON g.rnr = m.gep_rnr AND g.lnr = m.gep_lnr "
            "JOIN mandant md ON md.rnr = m.mandant_rnr AND md.lnr = m.mandant_lnr "
            "LEFT JOIN organisation o ON o.rnr = g.orge_rnr AND o.lnr = g.orge_lnr "
            "WHERE m.rnr = ? AND m.lnr = ?"));
        q.Bind({id.RNr, id.LNr}).Exec();
        if (!q.Next())
            throw EQELError(QStringLiteral("Die Mahnung gibt es nicht (mehr)."));
        d = TMahnMailDaten();
        d.MahnungsId = id;
        d.Mandant = {q.Int(0), q.Int(1)};
        d.GepNr = {q.Int(2), q.Int(3)};
        d.GepName = q.Text(4);
        d.Email = q.Text(5).trimmed();
        d.LfdNr = q.Int(6);
        d.WirtschaftsJahr = q.Int(7);
        d.RNr = q.Int(8);
        d.Mahnungsdatum = q.Double(9);
        d.Beruecksichtigt = q.Double(10);
        d.Absender = {q.Text(11), q.Text(12)};
        const TIntPair kontakt{q.Int(13), q.Int(14)};
        if (IntPairDefined(kontakt)) {
            TSqlAbfrage k(QStringLiteral("SELECT anrede, vorname, nachname FROM mitarbeiter WHERE rnr = ? AND lnr = ?"));
            k.Bind({kontakt.RNr, kontakt.LNr}).Exec();
            if (k.Next()) {
                d.Anrede = k.Text(0);
                d.Kontakt = k.Text(2).trimmed();
            }
        }
        TSqlAbfrage p(QStringLiteral("SELECT MIN(mahnstufe), MAX(mahnstufe), "
                                     "SUM(saldo_cent + mahngebuehren_cent + verzugszins_cent + pauschale_cent), "
                                     "MAX(zahlbar_bis) FROM mahnung_position WHERE mahnung_rnr = ? AND mahnung_lnr = ?"));
        p.Bind({id.RNr, id.LNr}).Exec();
        if (p.Next()) {
            d.MinStufe = p.Int(0);
            d.MaxStufe = p.Int(1);
            d.Gesamtbetrag = qel_Betrag(p.Int64(2));
            d.Zahlungsziel = p.Double(3);
        }
        return true;
    } catch (const EQELError& e) {
        return abgelehnt(QStringLiteral("Die Daten der Mahnung für die E-Mail können nicht gelesen werden."), e);
    }
}

bool TMahnVersandServer::Mahnung_Id(const TIntPair& mandant, int lfdNr, int wirtschaftsJahr, int rNr, TIntPair& id)
{
    TSqlAbfrage q(QStringLiteral("SELECT rnr, lnr FROM mahnung WHERE mandant_rnr = ? AND mandant_lnr = ? AND beleg_lfdnr = ? "
                                 "AND wirtschaftsjahr = ? AND beleg_rnr = ?"));
    q.Bind({mandant.RNr, mandant.LNr, lfdNr, wirtschaftsJahr, rNr}).Exec();
    if (!q.Next())
        return false;
    id = TIntPair{q.Int(0), q.Int(1)};
    return true;
}

QString TMahnVersandServer::Mailtext()
{
    TSqlAbfrage q(QStringLiteral("SELECT text FROM textbaustein WHERE art = 'EMAIL' ORDER BY kurztext_norm, rnr, lnr"));
    q.Exec();
    return q.Next() ? q.Text(0) : CQEL_StandardMailtext;
}

bool TMahnVersandServer::Mailtext_Speichern(const QString& kurztextRoh, const QString& text)
{
    try {
        const QString kurztext = qel_TextPruefen(QStringLiteral("Kurztext"), kurztextRoh.trimmed(), 120);
        if (kurztext.isEmpty())
            throw EQELError(QStringLiteral("Der Kurztext darf nicht leer sein!"));
        if (text.trimmed().isEmpty())
            throw EQELError(QStringLiteral("Der Text der E-Mail darf nicht leer sein."));
        TTransaktion t;
        TSqlAbfrage q(QStringLiteral("SELECT rnr, lnr, art FROM textbaustein WHERE kurztext_norm = ?"));
        q.Bind(qel_TextNorm(kurztext)).Exec();
        if (q.Next()) {
            if (q.Text(2) != QLatin1String("EMAIL"))
                throw EQELError(QStringLiteral("Der Kurztext „%1“ gehört schon zu einem Textbaustein des Briefs.").arg(kurztext));
            const TIntPair id{q.Int(0), q.Int(1)};
            TSqlAbfrage(QStringLiteral("UPDATE textbaustein SET kurztext = ?, text = ? WHERE rnr = ? AND lnr = ?"))
                .Bind({kurztext, qel_OhneNul(text), id.RNr, id.LNr})
                .Exec();
        } else {
            const TIntPair id = qel_NeuerSchluessel(QStringLiteral("TEXTBAUSTEIN"), TSuiteDatenbank::RechnerNr());
            TSqlAbfrage(QStringLiteral("INSERT INTO textbaustein (rnr, lnr, kurztext, kurztext_norm, text, art) "
                                       "VALUES (?, ?, ?, ?, ?, 'EMAIL')"))
                .Bind({id.RNr, id.LNr, kurztext, qel_TextNorm(kurztext), qel_OhneNul(text)})
                .Exec();
        }
        t.Commit();
        return true;
    } catch (const EQELError& e) {
        return abgelehnt(QStringLiteral("Der Text der E-Mail wurde nicht gespeichert."), e);
    }
}

// Keeps the head of a long server or clerk text within its column.
QString gekuerzt(const QString& t, int max) { return qel_TextLaenge(t) <= max ? t : t.left(max - 1) + QChar(0x2026); }

bool TMahnVersandServer::Versand_Buchen(TMahnVersand& v)
{
    try {
        if (!IntPairDefined(v.MahnungsId))
            throw EQELError(QStringLiteral("Der Versand gehört zu keiner Mahnung."));
        qel_DatumPruefen(QStringLiteral("Versandzeit"), v.Zeit);
        const QString empfaenger = qel_TextPruefen(QStringLiteral("Empfänger"), v.Empfaenger.trimmed(), 254);
        const QString betreff = qel_TextPruefen(QStringLiteral("Betreff"), v.Betreff, 200);
        if (v.Angenommen && v.Eml.isEmpty())
            throw EQELError(QStringLiteral("Zu einer versendeten E-Mail fehlt die Nachricht."));
        if (v.Angenommen && !TDokumentServer::IstBlosserDateiname(v.EmlName))
            throw EQELError(QStringLiteral("Der Dateiname „%1“ ist nicht erlaubt.").arg(v.EmlName));
        if (!v.Angenommen && !v.PdfName.isEmpty() && !TDokumentServer::IstBlosserDateiname(v.PdfName))
            throw EQELError(QStringLiteral("Der Dateiname „%1“ ist nicht erlaubt.").arg(v.PdfName));
        if (v.Eml.size() > TDokumentServer::MaxGroesse || v.Pdf.size() > TDokumentServer::MaxGroesse)
            throw EQELError(QStringLiteral("Die E-Mail ist größer als 50 MB und wird nicht gespeichert."));
        v.Benutzer = TSuiteDatenbank::Benutzer();

        TTransaktion t;
        TSqlAbfrage m(QStringLiteral("SELECT mandant_rnr, mandant_lnr FROM mahnung WHERE rnr = ? AND lnr = ?"));
        m.Bind({v.MahnungsId.RNr, v.MahnungsId.LNr}).Exec();
        if (!m.Next())
            throw EQELError(QStringLiteral("Die Mahnung gibt es nicht (mehr)."));
        const TIntPair mandant{m.Int(0), m.Int(1)};
        TIntPair anhang;
        if (v.Angenommen) {
            anhang = qel_NeuerSchluessel(QStringLiteral("ANHANG"), TSuiteDatenbank::RechnerNr());
            TSqlAbfrage(QStringLiteral("INSERT INTO anhang (rnr, lnr, besitzer_rnr, besitzer_lnr, dateiname, groesse, "
                                       "zeit, benutzer, inhalt) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"))
                .Bind({anhang.RNr, anhang.LNr, v.MahnungsId.RNr, v.MahnungsId.LNr, v.EmlName, qint64(v.Eml.size()),
                       v.Zeit, v.Benutzer, v.Eml})
                .Exec();
            // Sent: earlier failed attempts no longer need their copy of the letter.
            TSqlAbfrage(QStringLiteral("UPDATE mahnung_versand SET pdf = NULL WHERE mahnung_rnr = ? AND mahnung_lnr = ?"))
                .Bind({v.MahnungsId.RNr, v.MahnungsId.LNr})
                .Exec();
        }
        v.Id = qel_NeuerSchluessel(QStringLiteral("MAHNVERSAND"), TSuiteDatenbank::RechnerNr());
        TSqlAbfrage(QStringLiteral("INSERT INTO mahnung_versand (rnr, lnr, mahnung_rnr, mahnung_lnr, mandant_rnr, "
                                   "mandant_lnr, zeit, empfaenger, angenommen, meldung, antwort, benutzer, betreff, "
                                   "mailtext, pdf_name, pdf, anhang_rnr, anhang_lnr) "
                                   "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"))
            .Bind({v.Id.RNr, v.Id.LNr, v.MahnungsId.RNr, v.MahnungsId.LNr, mandant.RNr, mandant.LNr, v.Zeit, empfaenger,
                   v.Angenommen ? 1 : 0, gekuerzt(qel_OhneNul(v.Meldung), 1000), gekuerzt(qel_OhneNul(v.Antwort), 1000),
                   v.Benutzer, betreff, qel_OhneNul(v.Mailtext), v.Angenommen ? QString() : v.PdfName,
                   v.Angenommen || v.Pdf.isEmpty() ? QVariant(QMetaType(QMetaType::QByteArray)) : QVariant(v.Pdf),
                   anhang.RNr, anhang.LNr})
            .Exec();
        t.Commit();
        return true;
    } catch (const EQELError& e) {
        v.Id.Clear();
        return abgelehnt(QStringLiteral("Der Versand der Mahnung konnte nicht gespeichert werden."), e);
    }
}

bool TMahnVersandServer::Letzter_Versand(const TIntPair& mahnungsId, TMahnVersand& v)
{
    TSqlAbfrage q(QStringLiteral("SELECT rnr, lnr, zeit, empfaenger, angenommen, meldung, antwort, benutzer, betreff, "
                                 "mailtext, pdf_name, pdf FROM mahnung_versand WHERE mahnung_rnr = ? AND mahnung_lnr = ? "
                                 "ORDER BY zeit DESC, rnr DESC, lnr DESC"));
    q.Bind({mahnungsId.RNr, mahnungsId.LNr}).Exec();
    if (!q.Next())
        return false;
    v = TMahnVersand();
    v.Id = {q.Int(0), q.Int(1)};
    v.MahnungsId = mahnungsId;
    v.Zeit = q.Double(2);
    v.Empfaenger = q.Text(3);
    v.Angenommen = q.Int(4) != 0;
    v.Meldung = q.Text(5);
    v.Antwort = q.Text(6);
    v.Benutzer = q.Text(7);
    v.Betreff = q.Text(8);
    v.Mailtext = q.Text(9);
    v.PdfName = q.Text(10);
    v.Pdf = q.Wert(11).toByteArray();
    return true;
}

}  // namespace

QString TMahnMailDaten::Belegnummer() const
{
    return Formatiere_Belegnummer_String(QStringLiteral("AOP"), LfdNr, WirtschaftsJahr, RNr);
}

QString TMahnMailDaten::Art() const
{
    return MaxStufe <= 1 ? QStringLiteral("Zahlungserinnerung") : QStringLiteral("Mahnung");
}

void MahnVersandServer_Holen(IQEL_MahnVersandServerRef& s)
{
    if (!TSuiteDatenbank::Offen())
        throw EQELError(QStringLiteral("Die Datenbank der Suite ist nicht geöffnet; es steht kein Server zur Verfügung."));
    s = std::make_shared<TMahnVersandServer>();
}

void MahnVersandServer_Freigeben(IQEL_MahnVersandServerRef& s) { s.reset(); }
