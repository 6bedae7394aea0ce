// Program entry of the dunning module.
#include "hauptmnufrm.h"
#include "suite/ui/programm.h"

#include <QApplication>
#include <QLocale>
#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    std::unique_ptr<TfrmHauptmnu> hauptmenue;
    bool gestartet = false;
    try {
        QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
        QApplication::setApplicationDisplayName(QStringLiteral("Mahnwesen"));
        QApplication::setApplicationName(QStringLiteral("Mahnwesen"));
        if (!UserRechtePruefen({202, 203}, QString(), TZIM_Rect_FnktType_Erw, false, TZIM_Rect_ReaktionKeinRecht)) {
            QELProgramm().Terminate();
            return 1;
        }
        hauptmenue = std::make_unique<TfrmHauptmnu>();
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
