// Dunning list: sending failed dunning mails again.
#include "selektionsfrm.h"

#include "suite/mail/mahnmaillauf.h"
#include "suite/ui/programm.h"

#include <QCoreApplication>
#include <QHBoxLayout>

void TfrmSelektion::Mail_Aufbauen(QHBoxLayout* knoepfe)
{
    btnMailSenden = new TResBitBtn(QStringLiteral("E-Mail senden"), QKeySequence(Qt::Key_F11), spnlButtons);
    btnMailSenden->setToolTip(QStringLiteral("Gewählte Mahnungen, deren E-Mail nicht versendet wurde, erneut senden (F11)"));
    btnMailSenden->setMinimumWidth(110);
    knoepfe->insertWidget(knoepfe->indexOf(btnSuchen), btnMailSenden);
    connect(btnMailSenden, &QPushButton::clicked, this, &TfrmSelektion::btnMailSendenClick);
}

void TfrmSelektion::btnMailSendenClick()
{
    Guard(__func__, [&] { Mahnungen_Erneut_Senden(); });
}

void TfrmSelektion::Mahnungen_Erneut_Senden()
{
    Guard(__func__, [&] {
        IQEL_MahnungEditServer* s = FMahnungEditServer.get();
        std::vector<TIntPair> ids;
        if (TVirtualNode* n = vtMahnungen->GetFirstSelected())
            ids.push_back(qel_String2TIntPair(vtMahnungen->GetCellValueAsString(n, s->Spalte_MahnungsID())));
        if (ids.empty()) {
            qel_Meldung(CMeldung_Hinweis, 994, QStringLiteral("Bitte zuerst eine Mahnung auswählen!"));
            return;
        }
        TMahnMailLauf lauf(TMailKonfiguration::Laden(), QELProgramm().GetWaehrung());
        IQEL_MahnVersandServerRef versand;
        MahnVersandServer_Holen(versand);
        QStringList zeilen;
        bool fehler = false;
        for (const TIntPair& id : ids) {
            const TMahnMailDaten d = lauf.Daten(id);
            TMahnVersand letzter;
            const bool versucht = versand->Letzter_Versand(id, letzter);
            if (versucht && letzter.Angenommen) {
                zeilen << QStringLiteral("%1 (%2): wurde bereits am %3 an „%4“ versendet.")
                              .arg(d.GepName, d.Belegnummer(),
                                   qel_ToQDateTime(letzter.Zeit).toString(QStringLiteral("dd.MM.yyyy HH:mm")),
                                   letzter.Empfaenger);
                continue;
            }
            if (!versucht || letzter.Pdf.isEmpty()) {
                zeilen << QStringLiteral("%1 (%2): wurde noch nicht per E-Mail versendet; bitte über den Druck der Mahnung "
                                         "senden.")
                              .arg(d.GepName, d.Belegnummer());
                fehler = true;
                continue;
            }
            const TMahnMailErgebnis e = lauf.Erneut_Senden(id);
            fehler = fehler || !e.Versendet;
            zeilen << QStringLiteral("%1 (%2): %3").arg(d.GepName, d.Belegnummer(), e.Meldung);
            QCoreApplication::processEvents();
        }
        MahnVersandServer_Freigeben(versand);
        Mahnungen_Laden();
        qel_Meldung(CMeldung_Hinweis, fehler ? 991 : 997, zeilen.join(QLatin1Char('\n')));
    });
}
