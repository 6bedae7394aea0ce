// The suite's message service and the exception guard every handler runs under.
#pragma once

#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <memory>
#include <utility>

class QWidget;

// Message kinds.
enum : int {
    CMeldung_Hinweis = 0,  // notice, OK button
    CMeldung_Frage = 4,    // question, "Ja"/"Nein"
};
// Answers.
enum : int {
    mrOk = 1,
    mrCancel = 2,
    mrYes = 6,
    mrNo = 7,
};

// Where messages go: message boxes in the program, a recorder in tests.
class IMeldungSink {
public:
    virtual ~IMeldungSink() = default;
    virtual int Meldung(int art, const QString& text, int nr, const QString& katalog) = 0;
    virtual void Hinweis(const QString& text, const QString& ueberschrift) = 0;
    virtual void Exception(const QString& kontext, const QString& text, bool anzeigen) = 0;
    // A window's error context ends (its destruction is complete).
    virtual void Terminate(const QString& kontext) { (void)kontext; }
};

class TQELInfo {
public:
    static TQELInfo& Instance();

    // kind, arguments, parent form, control, number, catalogue, then reserved values. Returns the button.
    int ShowMeldung(int art, const QStringList& args, QWidget* form, QWidget* control, int nr,
                    const QString& katalog, const QString& s1, int i1, int i2, const QString& s2, bool b);
    // Logs the exception with its context; shows it when flag is true.
    void RegisterException(const QString& kontext, const std::exception_ptr& e, bool flag);
    // Closes the error context of a window's destruction; logs failures registered during it.
    void FehlerTerminate(const QString& kontext, int i, const QString& s1, const QString& s2, int j, int k);

    void SetSink(std::shared_ptr<IMeldungSink> sink);
    std::shared_ptr<IMeldungSink> Sink() const { return m_sink; }

    // Text of any exception, for logs and boxes.
    static QString ExceptionText(const std::exception_ptr& e);

    // How many messages and exceptions went to the clerk so far: a handler that reported something
    // has not simply taken its input.
    int Meldungszaehler() const { return m_meldungen; }

private:
    TQELInfo();
    std::shared_ptr<IMeldungSink> m_sink;
    int m_meldungen = 0;
};

inline TQELInfo& QELInfo() { return TQELInfo::Instance(); }

// A plain hint box (text, heading).
void QELHinweisBox(const QString& text, const QString& ueberschrift);

// Shows a message in the house form: the text as the single argument, catalogue "STANDARD".
int qel_Meldung(int art, int nr, const QString& text);

// Runs body; any exception goes to RegisterException with the context. Returns false on an exception.
template <class F>
bool qel_Guard(const QString& kontext, F&& body, bool flag = true)
{
    try {
        std::forward<F>(body)();
        return true;
    } catch (...) {
        QELInfo().RegisterException(kontext, std::current_exception(), flag);
        return false;
    }
}

// The sink of the program: message boxes and the suite's error log.
class TMessageBoxSink : public IMeldungSink {
public:
    int Meldung(int art, const QString& text, int nr, const QString& katalog) override;
    void Hinweis(const QString& text, const QString& ueberschrift) override;
    void Exception(const QString& kontext, const QString& text, bool anzeigen) override;
};

// Appends a line to the suite's error log (see TQELProgramm::LogDatei).
void qel_LogSchreiben(const QString& zeile);
