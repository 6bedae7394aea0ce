#include "umgebung.h"

#include "suite/ui/programm.h"

#include <QApplication>
#include <gtest/gtest.h>

int TMeldungRecorder::Meldung(int art, const QString& text, int nr, const QString& katalog)
{
    Meldungen.push_back({art, nr, text, katalog});
    if (art == CMeldung_Frage) {
        if (Antworten.empty())
            return mrNo;
        const int a = Antworten.front();
        Antworten.pop_front();
        return a;
    }
    return mrOk;
}

void TMeldungRecorder::Hinweis(const QString& text, const QString& ueberschrift)
{
    Hinweise << (ueberschrift + QLatin1Char('|') + text);
}

void TMeldungRecorder::Exception(const QString& kontext, const QString& text, bool anzeigen)
{
    Exceptions.push_back({kontext, text, anzeigen});
}

QStringList TMeldungRecorder::Texte() const
{
    QStringList t;
    for (const auto& m : Meldungen)
        t << m.Text;
    return t;
}

bool TMeldungRecorder::Enthaelt(const QString& text) const { return Texte().contains(text); }

void TMeldungRecorder::Leeren()
{
    Meldungen.clear();
    Hinweise.clear();
    Exceptions.clear();
    Terminates.clear();
}

QString qel_KlassenName(const QObject* o) { return o ? QString::fromLatin1(o->metaObject()->className()) : QString(); }

TTestUmgebung::TTestUmgebung(TDateTime jetzt) : Recorder(std::make_shared<TMeldungRecorder>())
{
    qel_SetNow(jetzt);
    QELInfo().SetSink(Recorder);
    QELProgramm().ResetTerminate();
    TQELProgramm::SetTerminateAktion({});
    qel_SetModalHandler([this](QDialog* d) -> int {
        ModalVerlauf << qel_KlassenName(d);
        if (m_schritte.empty()) {
            ADD_FAILURE() << "Unerwartetes modales Fenster: " << qel_KlassenName(d).toStdString();
            return mrCancel;
        }
        TSchritt schritt = std::move(m_schritte.front());
        m_schritte.pop_front();
        d->show();
        QApplication::processEvents();
        const int ergebnis = schritt(d);
        d->hide();
        return ergebnis;
    });
}

TTestUmgebung::~TTestUmgebung()
{
    qel_SetModalHandler({});
    QELInfo().SetSink(nullptr);
    qel_ResetNow();
    QELProgramm().ResetTerminate();
    EXPECT_TRUE(m_schritte.empty()) << m_schritte.size() << " vorgesehene modale Fenster wurden nicht gezeigt";
}

void TTestUmgebung::BeiModal(TSchritt schritt) { m_schritte.push_back(std::move(schritt)); }

void TTestUmgebung::melde_falsches_fenster(QDialog* d)
{
    ADD_FAILURE() << "Anderes modales Fenster als erwartet: " << qel_KlassenName(d).toStdString();
}
