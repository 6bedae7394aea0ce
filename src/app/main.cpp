// Program entry of the dunning module.
#include "hauptmnufrm.h"
#include "suite/ui/forms.h"
#include "suite/ui/programm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLocale>
#include <QTimer>
#include <cstdio>
#include <memory>

namespace {

// Start check of an installed package (QEL_SUITE_TEST_START_ENDE set): answers each dialog of the
// start with Enter as a clerk would, reports the main menu with its client on standard output and
// ends the program; exit code 3 when no main menu appears within a minute.
void startpruefungEinrichten(const std::unique_ptr<TfrmHauptmnu>& menue)
{
    if (qEnvironmentVariableIsEmpty("QEL_SUITE_TEST_START_ENDE"))
        return;
    auto* takt = new QTimer(qApp);
    auto uhr = std::make_shared<QElapsedTimer>();
    uhr->start();
    QObject::connect(takt, &QTimer::timeout, takt, [takt, &menue, uhr] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != menue.get()) {
            QWidget* ziel = modal->focusWidget() ? modal->focusWidget() : modal;
            QCoreApplication::postEvent(ziel, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
            QCoreApplication::postEvent(ziel, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier));
        } else if (menue && menue->isVisible() && !menue->SelectedMandant_Bez().isEmpty()) {
            takt->stop();
            std::printf("Hauptmenü bereit, Mandant: %s\n", qUtf8Printable(menue->SelectedMandant_Bez()));
            std::fflush(stdout);
            menue->close();
        } else if (uhr->elapsed() > 60000) {
            std::fprintf(stderr, "Das Hauptmenü erschien nicht.\n");
            QCoreApplication::exit(3);
        }
    });
    takt->start(100);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    std::unique_ptr<TfrmHauptmnu> hauptmenue;
    bool gestartet = false;
    try {
        QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
        // Only the name: a display name would be appended to every window caption.
        QApplication::setApplicationName(QStringLiteral("Mahnwesen"));
        qel_QtUebersetzungLaden();
        if (!UserRechtePruefen({202, 203}, QString(), TZIM_Rect_FnktType_Erw, false, TZIM_Rect_ReaktionKeinRecht)) {
            QELProgramm().Terminate();
            return 1;
        }
        hauptmenue = std::make_unique<TfrmHauptmnu>();
        startpruefungEinrichten(hauptmenue);
        hauptmenue->show();
        gestartet = true;
    } catch (...) {
        QELProgramm().ShowException(std::current_exception(), false);
    }
    // Without a main menu there is nothing to wait for: end instead of running an empty loop.
    if (!gestartet)
        return 1;
    return app.exec();
}
