// What a test replaces: the human (messages, modal windows) and the clock.
#pragma once

#include "suite/ui/forms.h"
#include "suite/ui/info.h"
#include "suite/core/types.h"

#include <QDialog>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

struct TAufgezeichneteMeldung {
    int Art = 0;
    int Nr = 0;
    QString Text;
    QString Katalog;
};

struct TAufgezeichneteException {
    QString Kontext;
    QString Text;
    bool Anzeigen = false;
};

// Keeps every message and answers questions from a script (default: No).
class TMeldungRecorder : public IMeldungSink {
public:
    int Meldung(int art, const QString& text, int nr, const QString& katalog) override;
    void Hinweis(const QString& text, const QString& ueberschrift) override;
    void Exception(const QString& kontext, const QString& text, bool anzeigen) override;
    void Terminate(const QString& kontext) override { Terminates << kontext; }

    std::vector<TAufgezeichneteMeldung> Meldungen;
    QStringList Hinweise;  // "heading|text"
    std::vector<TAufgezeichneteException> Exceptions;
    QStringList Terminates;
    std::deque<int> Antworten;

    QStringList Texte() const;
    bool Enthaelt(const QString& text) const;
    void Leeren();
};

// Installs the recorder, a fixed clock, a scripted modal handler and a terminate flag without quitting.
// Modal windows are answered in order by the scripted steps; an unscripted one fails the test with Cancel.
class TTestUmgebung {
public:
    explicit TTestUmgebung(TDateTime jetzt = 46364.4375 /* 08.12.2026 10:30 */);
    ~TTestUmgebung();

    std::shared_ptr<TMeldungRecorder> Recorder;

    using TSchritt = std::function<int(QDialog*)>;
    void BeiModal(TSchritt schritt);
    // Typed step: fails the test when a window of another class comes.
    template <class T>
    void BeiModal(std::function<int(T*)> schritt)
    {
        BeiModal([schritt](QDialog* d) -> int {
            auto* t = dynamic_cast<T*>(d);
            if (!t) {
                melde_falsches_fenster(d);
                return mrCancel;
            }
            return schritt(t);
        });
    }
    QStringList ModalVerlauf;  // class names of the modal windows shown
    int OffeneSchritte() const { return int(m_schritte.size()); }

private:
    static void melde_falsches_fenster(QDialog* d);
    std::deque<TSchritt> m_schritte;
};

// Class name of a window, for messages.
QString qel_KlassenName(const QObject* o);
