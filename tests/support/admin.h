// Runs mahnwesen-admin as a program, the way an administrator or a script calls it.
#pragma once

#include <QString>
#include <QStringList>

struct TAdminLauf {
    int rc = -1;  // -1: did not end normally
    QString fehler;   // standard error
    QString ausgabe;  // standard output
    QString Alles() const { return fehler + ausgabe; }
};

// QEL_SUITE_CONFIG is removed from its environment unless keepConfig: tests pass --config.
TAdminLauf Admin_Aufrufen(const QStringList& args, bool keepConfig = false);
