// Start-up to the shown main menu on the demo database, measured as whole child processes.
// The child does what the program does (register, rights, main menu) and answers the client dialog
// with the first client at once; the parent measures from process start to "BEREIT".
#include "hauptmnufrm.h"
#include "suite/ui/dialogs/manddialog.h"
#include "suite/ui/programm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

static int kind(int argc, char** argv)
{
    QApplication app(argc, argv);
    qel_SetModalHandler([](QDialog* d) -> int {
        if (auto* wahl = dynamic_cast<TfrmMandantWahl*>(d)) {
            wahl->Waehlen(0);
            return mrOk;
        }
        return mrCancel;
    });
    QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
    if (!UserRechtePruefen({202, 203}, QString(), TZIM_Rect_FnktType_Erw, false, TZIM_Rect_ReaktionKeinRecht))
        return 3;
    auto menue = std::make_unique<TfrmHauptmnu>();
    menue->show();
    app.processEvents();
    if (!menue->isVisible() || menue->SelectedMandant_Bez().isEmpty())
        return 4;
    std::printf("BEREIT\n");
    std::fflush(stdout);
    return 0;
}

static bool lauf(const QString& exe, const QStringList& args, const QProcessEnvironment& env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(exe, args);
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

int main(int argc, char** argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "--kind")
        return kind(argc, argv);
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString konfig = dir.filePath(QStringLiteral("suite.ini"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QEL_SUITE_CONFIG"), konfig);
    const QString admin = QStringLiteral(MAHNWESEN_ADMIN_EXE);
    if (!lauf(admin, {QStringLiteral("--config"), konfig, QStringLiteral("init"), QStringLiteral("--db"),
                      QStringLiteral("suite.db")},
              env) ||
        !lauf(admin, {QStringLiteral("--config"), konfig, QStringLiteral("demo")}, env)) {
        std::fprintf(stderr, "Demo-Datenbank konnte nicht angelegt werden\n");
        return 2;
    }
    std::vector<double> ms;
    for (int i = 0; i < 10; ++i) {
        QProcess p;
        p.setProcessEnvironment(env);
        QElapsedTimer t;
        t.start();
        p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--kind")});
        bool bereit = false;
        while (p.waitForReadyRead(30000)) {
            if (p.readAll().contains("BEREIT")) {
                bereit = true;
                break;
            }
        }
        const double dauer = t.nsecsElapsed() / 1e6;
        p.waitForFinished(30000);
        if (!bereit) {
            std::fprintf(stderr, "Kindprozess meldete nicht BEREIT (Exit %d): %s\n", p.exitCode(),
                         p.readAllStandardError().constData());
            return 2;
        }
        ms.push_back(dauer);
    }
    std::sort(ms.begin(), ms.end());
    const double median = (ms[4] + ms[5]) / 2;
    std::printf("Start bis Hauptmenü (Median aus 10): %.1f ms (min %.1f, max %.1f), Ziel <= 500 ms\n", median,
                ms.front(), ms.back());
    return median <= 500 ? 0 : 1;
}
