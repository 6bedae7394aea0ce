#include "info.h"

#include "programm.h"
#include "suite/core/servers/datenbankfehler.h"
#include "suite/core/types.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTextStream>
#include <cstdio>

TQELInfo::TQELInfo() : m_sink(std::make_shared<TMessageBoxSink>()) {}

TQELInfo& TQELInfo::Instance()
{
    static TQELInfo info;
    return info;
}

void TQELInfo::SetSink(std::shared_ptr<IMeldungSink> sink)
{
    m_sink = sink ? std::move(sink) : std::make_shared<TMessageBoxSink>();
}

int TQELInfo::ShowMeldung(int art, const QStringList& args, QWidget*, QWidget*, int nr, const QString& katalog,
                          const QString&, int, int, const QString&, bool)
{
    // The catalogue "STANDARD" passes the argument through as the whole text.
    const QString text = args.join(QLatin1Char('\n'));
    ++m_meldungen;
    return m_sink->Meldung(art, text, nr, katalog);
}

QString TQELInfo::ExceptionText(const std::exception_ptr& e)
{
    if (!e)
        return QStringLiteral("Unbekannter Fehler.");
    try {
        std::rethrow_exception(e);
    } catch (const EQELError& err) {
        return err.Text();
    } catch (const std::exception& err) {
        return QString::fromLocal8Bit(err.what());
    } catch (...) {
        return QStringLiteral("Unbekannter Fehler.");
    }
}

void TQELInfo::RegisterException(const QString& kontext, const std::exception_ptr& e, bool flag)
{
    const QString text = ExceptionText(e);
    // Driver text and statement go to the log only.
    QString detail;
    try {
        if (e)
            std::rethrow_exception(e);
    } catch (const EDatenbankFehler& f) {
        detail = QLatin1Char('\n') + f.Detail();
    } catch (...) {
    }
    qel_LogSchreiben(QStringLiteral("%1: %2%3").arg(kontext, text, detail));
    if (flag)
        ++m_meldungen;
    m_sink->Exception(kontext, text, flag);
}

void TQELInfo::FehlerTerminate(const QString& kontext, int, const QString&, const QString&, int, int)
{
    m_sink->Terminate(kontext);
}

void QELHinweisBox(const QString& text, const QString& ueberschrift) { QELInfo().Sink()->Hinweis(text, ueberschrift); }

int qel_Meldung(int art, int nr, const QString& text)
{
    return QELInfo().ShowMeldung(art, QStringList{text}, nullptr, nullptr, nr, QStringLiteral("STANDARD"), QString(), 0,
                                 0, QString(), false);
}

void qel_LogSchreiben(const QString& zeile)
{
    QString pfad = QELProgramm().Konfiguration().LogDatei;
    if (pfad.isEmpty())
        pfad = QDir::tempPath() + QStringLiteral("/qel-suite-fehler.log");
    QDir().mkpath(QFileInfo(pfad).absolutePath());
    QFile f(pfad);
    if (!f.open(QIODevice::Append | QIODevice::Text))
        return;
    QTextStream out(&f);
    out << QDateTime::currentDateTime().toString(Qt::ISODate) << ' ' << QELProgramm().ProgrammName() << ' '
        << QELProgramm().Benutzer() << ": " << zeile << '\n';
}

// --- message boxes of the program -------------------------------------------

// Unattended runs (scripts, CI) write messages to stderr instead of waiting for a clerk.
static bool unbeaufsichtigt() { return !qEnvironmentVariableIsEmpty("QEL_SUITE_UNBEAUFSICHTIGT"); }

static void aufStderr(const QString& art, const QString& text)
{
    fprintf(stderr, "%s: %s\n", qPrintable(art), qPrintable(text));
}

static QWidget* aktivesFenster()
{
    QWidget* w = QApplication::activeModalWidget();
    return w ? w : QApplication::activeWindow();
}

int TMessageBoxSink::Meldung(int art, const QString& text, int nr, const QString&)
{
    if (unbeaufsichtigt()) {
        aufStderr(QStringLiteral("Meldung %1").arg(nr), text);
        return art == CMeldung_Frage ? mrNo : mrOk;
    }
    QMessageBox box(aktivesFenster());
    box.setWindowTitle(QApplication::applicationName().isEmpty() ? QStringLiteral("Mahnwesen")
                                                                 : QApplication::applicationName());
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    if (art == CMeldung_Frage) {
        box.setIcon(QMessageBox::Question);
        QPushButton* ja = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
        QPushButton* nein = box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
        box.setDefaultButton(ja);
        box.setEscapeButton(nein);
        box.exec();
        return box.clickedButton() == ja ? mrYes : mrNo;
    }
    box.setIcon(nr == 991 ? QMessageBox::Critical : nr == 997 ? QMessageBox::Information : QMessageBox::Warning);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
    return mrOk;
}

void TMessageBoxSink::Hinweis(const QString& text, const QString& ueberschrift)
{
    if (unbeaufsichtigt()) {
        aufStderr(QStringLiteral("Hinweis"), text);
        return;
    }
    QMessageBox box(aktivesFenster());
    box.setWindowTitle(ueberschrift.isEmpty() ? QStringLiteral("Hinweis") : ueberschrift);
    box.setIcon(QMessageBox::Information);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

void TMessageBoxSink::Exception(const QString& kontext, const QString& text, bool anzeigen)
{
    if (!anzeigen)
        return;
    if (unbeaufsichtigt()) {
        aufStderr(QStringLiteral("Fehler (%1)").arg(kontext), text);
        return;
    }
    QMessageBox box(aktivesFenster());
    // Where it happened is for the error log; the clerk learns what failed and what to do.
    box.setWindowTitle(QStringLiteral("Fehler"));
    box.setIcon(QMessageBox::Critical);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setInformativeText(QStringLiteral("Bitte versuchen Sie es noch einmal. Tritt der Fehler wieder auf, wenden Sie "
                                          "sich an Ihre Systembetreuung; die Einzelheiten stehen im Fehlerprotokoll."));
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}
