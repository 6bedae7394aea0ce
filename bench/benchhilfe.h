// What every benchmark needs: a throw-away suite, medians, CPU time, peak memory and the verdict line.
#pragma once

#include "suite/ui/programm.h"
#include "suite/core/servers/database.h"
#include "suite/demodaten/demodaten.h"
#include "suite/core/servers/verwaltung.h"
#include "suite/core/servers/interfaces.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace bench {

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

inline double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Median wall-clock milliseconds of `laeufe` runs; `vorher` runs untimed before each; the median CPU time
// goes to *cpu (on a shared machine the two differ).
inline double messen(int laeufe, const std::function<void()>& vorher, const std::function<void()>& schritt,
                     double* cpu = nullptr)
{
    std::vector<double> ms, cpuZeiten;
    for (int i = 0; i < laeufe; ++i) {
        if (vorher)
            vorher();
        QElapsedTimer t;
        t.start();
        const double c0 = cpuMs();
        schritt();
        QApplication::processEvents();
        ms.push_back(t.nsecsElapsed() / 1e6);
        cpuZeiten.push_back(cpuMs() - c0);
    }
    if (cpu)
        *cpu = median(cpuZeiten);
    return median(ms);
}

// Peak resident memory of this process in MB.
inline double spitzeMb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& zeile : f.readAll().split('\n'))
        if (zeile.startsWith("VmHWM:"))
            return zeile.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

// The one-minute load average: on a shared machine a figure means little without it.
inline double last()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return f.readAll().split(' ').value(0).toDouble();
}

// Decimals that show a target: a scaled-down run's 0.15 s must not print as 0.
inline int stellen(double ziel) { return ziel >= 10 || ziel <= 0 ? 0 : ziel >= 1 ? 1 : ziel >= 0.1 ? 2 : 3; }

inline bool pruefe(const char* name, double wert, double ziel, const char* einheit = "ms")
{
    std::printf("%-56s %9.1f %s  (Ziel <= %.*f %s, Last %.2f)%s\n", name, wert, einheit, stellen(ziel), ziel, einheit,
                last(), wert <= ziel ? "" : "  VERFEHLT");
    std::fflush(stdout);
    return wert <= ziel;
}

// Wall-clock time checked against the target, with the process's CPU time beside it.
inline bool pruefe(const char* name, double wandMs, double cpuMs, double ziel)
{
    std::printf("%-56s %9.1f ms  CPU %9.1f ms  (Ziel <= %.*f ms, Last %.2f)%s\n", name, wandMs, cpuMs, stellen(ziel), ziel, last(),
                wandMs <= ziel ? "" : "  VERFEHLT");
    std::fflush(stdout);
    return wandMs <= ziel;
}

// A suite database in a temporary folder, opened by the program object like at start-up.
class TBenchSuite {
public:
    // postgres: a fresh database in the cluster of QEL_TEST_PG_* (see TPostgresCluster).
    explicit TBenchSuite(const TDemoOptionen* demo = nullptr, bool postgres = false)
    {
        Konfiguration.Datenbank = m_dir.filePath(QStringLiteral("suite.db"));
        if (postgres) {
            Konfiguration.Treiber = QStringLiteral("QPSQL");
            Konfiguration.Datenbank = QStringLiteral("qel_bench_%1").arg(QCoreApplication::applicationPid());
            Konfiguration.Host = qEnvironmentVariable("QEL_TEST_PG_HOST");
            Konfiguration.Port = qEnvironmentVariableIntValue("QEL_TEST_PG_PORT");
            Konfiguration.DbBenutzer = qEnvironmentVariable("QEL_TEST_PG_USER");
            TSuiteDatenbank::PostgresDatenbankLoeschen(Konfiguration);
        }
        Konfiguration.Benutzer = QStringLiteral("bench");
        qputenv("QEL_SUITE_TEST_BENUTZER", "bench");
        Konfiguration.LogDatei = m_dir.filePath(QStringLiteral("fehler.log"));
        Konfiguration.BerichtsOrdner = m_dir.filePath(QStringLiteral("berichte"));
        const QString ini = m_dir.filePath(QStringLiteral("suite.ini"));
        Konfiguration.Speichern(ini);
        qputenv("QEL_SUITE_CONFIG", ini.toLocal8Bit());
        TSuiteDatenbank::AnlegenOderAktualisieren(Konfiguration);
        Verwaltung_BenutzerAnlegen(Konfiguration.Benutzer, QString(), {202, 203});
        if (demo) {
            TDemoOptionen opt = *demo;
            opt.Benutzer = Konfiguration.Benutzer;
            DemoDaten_Erzeugen(opt);
        }
        QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
    }
    QString Ordner() const { return m_dir.path(); }
    TSuiteKonfiguration Konfiguration;

private:
    QTemporaryDir m_dir;
};

// A private cluster for the run, unless one is configured.
class TPostgresCluster {
public:
    TPostgresCluster()
    {
        if (!qEnvironmentVariableIsEmpty("QEL_TEST_PG_HOST")) {
            m_bereit = true;
            return;
        }
        const QString skript = QStringLiteral(MAHNWESEN_SOURCE_DIR "/scripts/pg-cluster.sh");
        QProcess p;
        p.start(skript, {QStringLiteral("start"), m_ordner.path()});
        if (!p.waitForFinished(120000) || p.exitCode() != 0) {
            m_hinweis = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
            return;
        }
        for (const QByteArray& zeile : p.readAllStandardOutput().split('\n')) {
            const int gleich = zeile.indexOf('=');
            if (gleich > 0)
                qputenv(zeile.left(gleich).constData(), zeile.mid(gleich + 1));
        }
        m_eigener = true;
        m_bereit = true;
    }
    ~TPostgresCluster()
    {
        if (m_eigener)
            QProcess::execute(QStringLiteral(MAHNWESEN_SOURCE_DIR "/scripts/pg-cluster.sh"),
                              {QStringLiteral("stop"), m_ordner.path()});
    }
    bool Bereit() const { return m_bereit; }
    QString Hinweis() const { return m_hinweis; }

private:
    QTemporaryDir m_ordner;
    bool m_bereit = false;
    bool m_eigener = false;
    QString m_hinweis;
};

// The demo's benchmark client (number 99).
inline TMandantInfo benchmarkMandant()
{
    IQEL_MandListeServerRef mandanten;
    Glob_WWSServerFactoryClass().MandListeServer_Holen(mandanten);
    TMandantInfo gross;
    for (const TMandantInfo& m : mandanten->Mandanten_Lesen())
        if (m.Nr == 99)
            gross = m;
    Glob_WWSServerFactoryClass().MandListeServer_Freigeben(mandanten, QStringLiteral("bench"));
    return gross;
}

}  // namespace bench
