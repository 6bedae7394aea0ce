#include "admin.h"

#include <QProcess>

TAdminLauf Admin_Aufrufen(const QStringList& args, bool keepConfig)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!keepConfig)
        env.remove(QStringLiteral("QEL_SUITE_CONFIG"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(MAHNWESEN_ADMIN_EXE), args);
    TAdminLauf l;
    if (!p.waitForFinished(180000))
        return l;
    l.rc = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    l.fehler = QString::fromUtf8(p.readAllStandardError());
    l.ausgabe = QString::fromUtf8(p.readAllStandardOutput());
    return l;
}
