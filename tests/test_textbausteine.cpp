// Text blocks of the dunning editor: the block dialog, the server's table and the letter's placeholders.
#include "editor_testbasis.h"
#include "selektionsfrm.h"
#include "suite/ui/dialogs/kopftextpopup.h"
#include "suite/core/servers/database_intern.h"

#include <QTest>

namespace editortest {
namespace {

class Textbausteine : public EditorTest {
protected:
    // The clerk fills the block dialog and presses OK.
    void imDialog(const QString& kurztext, const QString& text, int ergebnis = mrOk)
    {
        umg.BeiModal<Tkopftextpopupfrm>([=](Tkopftextpopupfrm* d) {
            d->SetKurztext(kurztext);
            d->SetText(text);
            return ergebnis;
        });
    }

    void anlegen(TfrmMahnungSchreiben* e, const QString& kurztext, const QString& text)
    {
        imDialog(kurztext, text);
        e->btnneu->click();
    }

    static QStringList kurztexte(TfrmMahnungSchreiben* e)
    {
        QStringList k;
        TVTVRList* vt = e->vtTextbausteine;
        for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n))
            k << vt->GetCellValueAsString(n, 0);
        return k;
    }

    static void auswaehlen(TfrmMahnungSchreiben* e, const QString& kurztext)
    {
        TVTVRList* vt = e->vtTextbausteine;
        for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n))
            if (vt->GetCellValueAsString(n, 0) == kurztext)
                vt->SetSelected(n, true);
    }

    static QString gewaehlt(TfrmMahnungSchreiben* e)
    {
        TVirtualNode* n = e->vtTextbausteine->GetFirstSelected();
        return n ? e->vtTextbausteine->GetCellValueAsString(n, 0) : QString();
    }

    static QString gespeicherterText(const QString& kurztext)
    {
        return TTempSuite::Wert(QStringLiteral("SELECT text FROM textbaustein WHERE kurztext = ?"), {kurztext}).toString();
    }
};

TEST_F(Textbausteine, CreatingStoresListsInGermanOrderAndChoosesTheNewBlock)
{
    auto e = oeffnen({"A1"});
    umg.BeiModal<Tkopftextpopupfrm>([](Tkopftextpopupfrm* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Neuen Textbaustein erstellen"));
        EXPECT_TRUE(d->MitKurztext());
        EXPECT_TRUE(d->MitPlatzhaltern());
        EXPECT_TRUE(d->Kurztext().isEmpty());
        d->SetKurztext(QStringLiteral("Zweite Mahnung"));
        d->SetText(QStringLiteral("Stand: #Heute"));
        return mrOk;
    });
    e->btnneu->click();
    EXPECT_EQ(umg.Recorder->Texte(), QStringList{QStringLiteral("Buchen des Textbausteins erfolgreich.")});
    EXPECT_EQ(umg.Recorder->Meldungen[0].Nr, 997);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("textbaustein"), QStringLiteral("kurztext_norm = 'zweite mahnung'")), 1);
    EXPECT_EQ(e->MahnungsText(), QStringLiteral("Stand: #Heute"));
    EXPECT_EQ(e->redtKopfText->toPlainText(), QStringLiteral("Stand: 08.12.2026"));

    anlegen(e.get(), QStringLiteral("Anfang"), QStringLiteral("a"));
    anlegen(e.get(), QStringLiteral("Ärger"), QStringLiteral("ä"));
    EXPECT_EQ(kurztexte(e.get()), (QStringList{"Anfang", "Ärger", "Zweite Mahnung"}));
    // The new block is chosen although it is not the last row.
    EXPECT_EQ(gewaehlt(e.get()), QStringLiteral("Ärger"));
    EXPECT_EQ(e->MahnungsText(), QStringLiteral("ä"));
    // Only the short text is a visible column.
    EXPECT_TRUE(e->vtTextbausteine->GetColumnVisible(0));
    EXPECT_FALSE(e->vtTextbausteine->GetColumnVisible(1));
    EXPECT_EQ(e->vtTextbausteine->Columns().GetItem(0).GetWidth(), e->vtTextbausteine->VorgabeBreite(0, 147));
    EXPECT_TRUE(umg.Recorder->Exceptions.empty());
}

TEST_F(Textbausteine, DuplicateOrEmptyShortTextKeepsTheDialogOpen)
{
    auto e = oeffnen({"A1"});
    anlegen(e.get(), QStringLiteral("Erste Mahnung"), QStringLiteral("Text 1"));
    umg.Recorder->Leeren();

    // Case and blanks do not make a new name; the dialog comes back with the input kept.
    imDialog(QStringLiteral(" erste  MAHNUNG "), QStringLiteral("Text 2"));
    umg.BeiModal<Tkopftextpopupfrm>([](Tkopftextpopupfrm* d) {
        EXPECT_EQ(d->Kurztext(), QStringLiteral(" erste  MAHNUNG "));
        EXPECT_EQ(d->Text(), QStringLiteral("Text 2"));
        d->SetKurztext(QStringLiteral("Erste Mahnung, zweiter Versuch"));
        return mrOk;
    });
    e->btnneu->click();
    EXPECT_EQ(umg.Recorder->Texte(), (QStringList{QStringLiteral("Der Kurztext ist bereits vorhanden!"),
                                                  QStringLiteral("Buchen des Textbausteins erfolgreich.")}));
    EXPECT_EQ(gespeicherterText(QStringLiteral("Erste Mahnung, zweiter Versuch")), QStringLiteral("Text 2"));

    // Cancel on the repeated dialog stores nothing.
    umg.Recorder->Leeren();
    imDialog(QStringLiteral("   "), QStringLiteral("x"));
    imDialog(QStringLiteral("   "), QStringLiteral("x"), mrCancel);
    e->btnneu->click();
    EXPECT_EQ(umg.Recorder->Texte(), QStringList{QStringLiteral("Der Kurztext darf nicht leer sein!")});
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("textbaustein")), 2);

    // The server refuses a duplicate by itself, with its reason and without an exception.
    IQEL_MahnungEditServerRef server;
    Glob_ServerFactoryClass().MahnungEditServer_Holen(server);
    umg.Recorder->Leeren();
    EXPECT_FALSE(server->Textbaustein_Anlegen(QStringLiteral("ERSTE mahnung"), QStringLiteral("y")));
    EXPECT_FALSE(server->Textbaustein_Anlegen(QString(121, QLatin1Char('k')), QStringLiteral("y")));
    EXPECT_EQ(umg.Recorder->Meldungen.size(), 2u);
    EXPECT_TRUE(umg.Recorder->Texte().first().contains(QStringLiteral("Der Kurztext ist bereits vorhanden!")));
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("textbaustein")), 2);
    Glob_ServerFactoryClass().MahnungEditServer_Freigeben(server);
}

TEST_F(Textbausteine, EmptyTextIsStoredOnlyAfterYes)
{
    auto e = oeffnen({"A1"});
    imDialog(QStringLiteral("Leer"), QString());
    imDialog(QStringLiteral("Leer"), QString());
    umg.Recorder->Antworten = {mrNo, mrYes};
    e->btnneu->click();
    EXPECT_EQ(umg.Recorder->Texte(), (QStringList{QStringLiteral("Der Text ist leer. Trotzdem speichern?"),
                                                  QStringLiteral("Der Text ist leer. Trotzdem speichern?"),
                                                  QStringLiteral("Buchen des Textbausteins erfolgreich.")}));
    EXPECT_EQ(umg.Recorder->Meldungen[0].Nr, 981);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("textbaustein"), QStringLiteral("kurztext = 'Leer' AND text = ''")), 1);
}

TEST_F(Textbausteine, EditingKeepsOrChangesTheShortTextButRefusesAnotherBlocksName)
{
    auto e = oeffnen({"A1"});
    anlegen(e.get(), QStringLiteral("Erste Mahnung"), QStringLiteral("alt"));
    anlegen(e.get(), QStringLiteral("Letzte Mahnung"), QStringLiteral("letzte"));
    umg.Recorder->Leeren();
    e->vtTextbausteine->SetSelected(e->vtTextbausteine->GetFirstSelected(), false);
    e->btnbearbeiten->click();
    EXPECT_EQ(umg.Recorder->Texte(), QStringList{QStringLiteral("Bitte selektieren Sie zunächst einen Textbaustein.")});

    umg.Recorder->Leeren();
    auswaehlen(e.get(), QStringLiteral("Erste Mahnung"));
    umg.BeiModal<Tkopftextpopupfrm>([](Tkopftextpopupfrm* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Textbaustein Bearbeiten"));
        EXPECT_EQ(d->Kurztext(), QStringLiteral("Erste Mahnung"));
        EXPECT_EQ(d->Text(), QStringLiteral("alt"));
        d->SetText(QStringLiteral("neu"));
        return mrOk;
    });
    e->btnbearbeiten->click();
    EXPECT_EQ(umg.Recorder->Texte(), QStringList{QStringLiteral("Buchen des Textbausteins erfolgreich.")});
    EXPECT_EQ(gespeicherterText(QStringLiteral("Erste Mahnung")), QStringLiteral("neu"));
    EXPECT_EQ(gewaehlt(e.get()), QStringLiteral("Erste Mahnung"));
    EXPECT_EQ(e->MahnungsText(), QStringLiteral("neu"));

    // Renaming onto the other block is refused; a new name is accepted and the block stays chosen.
    umg.Recorder->Leeren();
    imDialog(QStringLiteral("letzte mahnung"), QStringLiteral("neu"));
    umg.BeiModal<Tkopftextpopupfrm>([](Tkopftextpopupfrm* d) {
        d->SetKurztext(QStringLiteral("Zahlungserinnerung"));
        return mrOk;
    });
    e->vtTextbausteineDblClick();
    EXPECT_EQ(umg.Recorder->Texte().first(), QStringLiteral("Der Kurztext ist bereits vorhanden!"));
    EXPECT_EQ(kurztexte(e.get()), (QStringList{"Letzte Mahnung", "Zahlungserinnerung"}));
    EXPECT_EQ(gewaehlt(e.get()), QStringLiteral("Zahlungserinnerung"));
    EXPECT_EQ(gespeicherterText(QStringLiteral("Letzte Mahnung")), QStringLiteral("letzte"));
}

TEST_F(Textbausteine, DeletingAsksFirstAndEmptiesTheLetter)
{
    auto e = oeffnen({"A1"});
    anlegen(e.get(), QStringLiteral("Erste Mahnung"), QStringLiteral("Text"));
    anlegen(e.get(), QStringLiteral("Zweite Mahnung"), QStringLiteral("Text 2"));
    e->vtTextbausteine->SetSelected(e->vtTextbausteine->GetFirstSelected(), false);
    umg.Recorder->Leeren();
    e->btnloeschenClick();
    EXPECT_EQ(umg.Recorder->Texte(), QStringList{QStringLiteral("Bitte zunächst einen Textbaustein selektieren!")});

    auswaehlen(e.get(), QStringLiteral("Erste Mahnung"));
    umg.Recorder->Leeren();
    e->btnloeschenClick();  // answered No
    EXPECT_EQ(umg.Recorder->Texte(), QStringList{QStringLiteral("Textbaustein Erste Mahnung wirklich löschen?")});
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("textbaustein")), 2);

    umg.Recorder->Antworten = {mrYes};
    e->btnloeschenClick();
    EXPECT_EQ(umg.Recorder->Texte().last(), QStringLiteral("Der Textbaustein wurde gelöscht!"));
    EXPECT_EQ(umg.Recorder->Meldungen.back().Nr, 997);
    EXPECT_EQ(kurztexte(e.get()), QStringList{QStringLiteral("Zweite Mahnung")});
    EXPECT_TRUE(e->MahnungsText().isEmpty());
    EXPECT_TRUE(e->redtKopfText->toPlainText().isEmpty());

    // A block removed meanwhile at another workstation: the letter stays.
    auswaehlen(e.get(), QStringLiteral("Zweite Mahnung"));
    TSqlAbfrage(QStringLiteral("DELETE FROM textbaustein")).Exec();
    umg.Recorder->Leeren();
    umg.Recorder->Antworten = {mrYes};
    e->btnloeschenClick();
    EXPECT_EQ(umg.Recorder->Texte().last(), QStringLiteral("Fehler beim Löschen des Textbausteins!"));
    EXPECT_EQ(e->MahnungsText(), QStringLiteral("Text 2"));
    EXPECT_EQ(kurztexte(e.get()), QStringList{QStringLiteral("Zweite Mahnung")});
}

TEST_F(Textbausteine, PlaceholdersAreFilledInAndFoldedBack)
{
    auto e = oeffnen({"A1"});
    anlegen(e.get(), QStringLiteral("Stand"), QStringLiteral("Zahlungen bis #Berücksichtigt, Stand #Heute, #heute."));
    // Considered date is today: both dates look alike and fold to "#Berücksichtigt".
    EXPECT_EQ(e->redtKopfText->toPlainText(), QStringLiteral("Zahlungen bis 08.12.2026, Stand 08.12.2026, #heute."));
    emit e->redtKopfText->Exit(e->redtKopfText);
    EXPECT_EQ(e->MahnungsText(), QStringLiteral("Zahlungen bis #Berücksichtigt, Stand #Berücksichtigt, #heute."));

    anlegen(e.get(), QStringLiteral("Stand 2"), QStringLiteral("Zahlungen bis #Berücksichtigt, Stand #Heute."));
    verlassen(e->edtBeruecksichtigt, QStringLiteral("01.12.2026"));
    EXPECT_EQ(e->redtKopfText->toPlainText(), QStringLiteral("Zahlungen bis 01.12.2026, Stand 08.12.2026."));
    emit e->redtKopfText->Exit(e->redtKopfText);
    EXPECT_EQ(e->MahnungsText(), QStringLiteral("Zahlungen bis #Berücksichtigt, Stand #Heute."));

    e->btnPlatzhalter->click();
    EXPECT_EQ(umg.Recorder->Hinweise,
              QStringList{QStringLiteral("Platzhalter:|'#Heute' wird zum heutigen Datum.\r\n"
                                         "'#Berücksichtigt' wird zum Berücksichtigungsdatum.\r\n"
                                         "'#Anrede' wird zur Anrede des Ansprechpartners beim Kunden.\r\n"
                                         "'#Zahlungsziel' wird zum spätesten neuen Zahlungsziel.\r\n"
                                         "'#Gesamtbetrag' wird zum zu zahlenden Gesamtbetrag.\r\n"
                                         "'#Aufstellung' markiert, wo im Brief die Aufstellung der Rechnungen steht.\r\n")});
}

// The letter's placeholders in the preview: the contact person named on the first item, the latest new
// payment term and the total; typed text around them survives, and they fold back when the clerk leaves.
TEST_F(Textbausteine, LetterPlaceholdersShowThePartnersValuesAndFoldBack)
{
    const TIntPair kontakt = qel_NeuerSchluessel(QStringLiteral("MITARBEITER"), 1);
    TSqlAbfrage(QStringLiteral("INSERT INTO mitarbeiter (rnr, lnr, orge_rnr, orge_lnr, anrede, vorname, nachname, telefon, "
                               "email) VALUES (?, ?, 0, 0, 'Frau', 'Monika', 'Franke', '', '')"))
        .Bind({kontakt.RNr, kontakt.LNr})
        .Exec();
    TSqlAbfrage(QStringLiteral("UPDATE offener_posten SET kontakt_rnr = ?, kontakt_lnr = ?"))
        .Bind({kontakt.RNr, kontakt.LNr})
        .Exec();
    const QString vorlage = QStringLiteral("#Anrede\nbitte zahlen Sie #Gesamtbetrag bis zum #Zahlungsziel.\n#Aufstellung\nGruß");

    auto e = oeffnen({"A1", "A2"});
    // The block dialog's buttons put the placeholders where the cursor is.
    umg.BeiModal<Tkopftextpopupfrm>([](Tkopftextpopupfrm* d) {
        d->SetKurztext(QStringLiteral("Frist"));
        d->redtText->setFocus();
        for (TResBitBtn* b : {d->btnAnrede, d->btnZahlungsziel, d->btnGesamtbetrag, d->btnAufstellung})
            b->click();
        EXPECT_EQ(d->Text(), QStringLiteral("#Anrede#Zahlungsziel#Gesamtbetrag#Aufstellung"));
        d->SetText(QStringLiteral("#Anrede\nbitte zahlen Sie #Gesamtbetrag bis zum #Zahlungsziel.\n#Aufstellung\nGruß"));
        return mrOk;
    });
    e->btnneu->click();
    const QString gesamt = e->dspGesamt->text();
    ASSERT_FALSE(gesamt.isEmpty());
    // A1 is at level 0 (14 days), A2 above it (5 days): the later term is the deadline.
    const QString gefuellt = QStringLiteral("Sehr geehrte Frau Franke,\nbitte zahlen Sie %1 bis zum 22.12.2026.\n#Aufstellung\nGruß")
                                 .arg(gesamt);
    EXPECT_EQ(e->redtKopfText->toPlainText(), gefuellt);

    e->redtKopfText->setFocus();
    e->redtKopfText->moveCursor(QTextCursor::End);
    QTest::keyClicks(e->redtKopfText, QStringLiteral(" und Dank"));
    emit e->redtKopfText->Exit(e->redtKopfText);
    EXPECT_EQ(e->MahnungsText(), vorlage + QStringLiteral(" und Dank"));

    // Booked and viewed again from the dunning list, the preview greets as the letter did.
    umg.Recorder->Antworten = {mrNo};  // booked; not printed
    e->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(e.get()));
    QTest::keyClick(e.get(), Qt::Key_F5);
    ASSERT_TRUE(e->Gebucht());
    TfrmSelektion liste;
    liste.SetSelectedMandant(mandant.Id);
    liste.SetSelectedMandant_Bez(mandant.Name);
    liste.show();
    liste.btnSuchen->click();
    ASSERT_NE(liste.vtMahnungen->GetFirst(), nullptr);
    liste.vtMahnungen->SetSelected(liste.vtMahnungen->GetFirst(), true);
    QString angezeigt;
    umg.BeiModal<TfrmMahnungSchreiben>([&](TfrmMahnungSchreiben* v) {
        angezeigt = v->redtKopfText->toPlainText();
        return mrCancel;
    });
    liste.btnAnzeigen->click();
    EXPECT_EQ(angezeigt, gefuellt + QStringLiteral(" und Dank"));

    // Several partners: each letter fills its own, the preview keeps the placeholders.
    e.reset();
    auto zwei = oeffnen({"A1", "B1"});
    imDialog(QStringLiteral("Frist 2"), vorlage);
    zwei->btnneu->click();
    EXPECT_EQ(zwei->redtKopfText->toPlainText(), vorlage);
}

TEST_F(Textbausteine, TypedLetterSurvivesLeavingThePreviewAndGoesWhenABlockIsChosen)
{
    auto e = oeffnen({"A1"});
    anlegen(e.get(), QStringLiteral("Vorlage"), QStringLiteral("Vorlage"));
    e->redtKopfText->setPlainText(QStringLiteral("Eigener Brief vom 01.12.2026"));
    emit e->redtKopfText->Exit(e->redtKopfText);
    EXPECT_EQ(e->MahnungsText(), QStringLiteral("Eigener Brief vom 01.12.2026"));
    // Other inputs refresh the preview from the letter text: the typed letter stays.
    verlassen(e->edtZinssatz, QStringLiteral("1,00"));
    EXPECT_EQ(e->redtKopfText->toPlainText(), QStringLiteral("Eigener Brief vom 01.12.2026"));

    anlegen(e.get(), QStringLiteral("Andere"), QStringLiteral("Andere Vorlage"));
    auswaehlen(e.get(), QStringLiteral("Vorlage"));
    EXPECT_EQ(e->MahnungsText(), QStringLiteral("Vorlage"));
    EXPECT_EQ(e->redtKopfText->toPlainText(), QStringLiteral("Vorlage"));
}

TEST_F(Textbausteine, LongAndUnusualTextsRoundTripUnchanged)
{
    auto e = oeffnen({"A1"});
    const QString sql = QStringLiteral("'); DELETE FROM textbaustein; -- \"Zitat\" \\ %_ ?");
    QString lang = QStringLiteral("Grüße, Straße – 10 € · 𝄞 Ünïcödé\u00a0geschützt\tTab\n");
    while (lang.size() < 100000)
        lang += QStringLiteral("Zeile %1 mit Text.\n").arg(lang.size());
    lang.truncate(100000);

    anlegen(e.get(), sql, sql);
    anlegen(e.get(), QStringLiteral("Lang"), lang);
    EXPECT_EQ(gespeicherterText(sql), sql);
    EXPECT_EQ(gespeicherterText(QStringLiteral("Lang")), lang);
    EXPECT_EQ(e->MahnungsText(), lang);
    emit e->redtKopfText->Exit(e->redtKopfText);
    EXPECT_EQ(e->MahnungsText(), lang);

    auswaehlen(e.get(), sql);
    EXPECT_EQ(e->MahnungsText(), sql);
    // The edit dialog shows both texts exactly as stored.
    umg.BeiModal<Tkopftextpopupfrm>([&](Tkopftextpopupfrm* d) {
        EXPECT_EQ(d->Kurztext(), sql);
        EXPECT_EQ(d->Text(), sql);
        return mrCancel;
    });
    e->btnbearbeiten->click();
    auswaehlen(e.get(), QStringLiteral("Lang"));
    umg.BeiModal<Tkopftextpopupfrm>([&](Tkopftextpopupfrm* d) {
        EXPECT_EQ(d->Text(), lang);
        return mrOk;
    });
    e->btnbearbeiten->click();
    EXPECT_EQ(gespeicherterText(QStringLiteral("Lang")), lang);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("textbaustein")), 2);
}

}  // namespace
}  // namespace editortest
