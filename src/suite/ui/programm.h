// The program object of the suite: registration, configuration, current client, computer and rights.
#pragma once

#include "suite/core/konfiguration.h"
#include "suite/core/types.h"

#include <QString>
#include <QVector>
#include <exception>
#include <functional>

class TQELProgramm {
public:
    static TQELProgramm& Instance();

    // Registers the module. Reads the suite configuration and opens the suite database.
    void Init(const QString& programmName, int prozessTyp, int instanceCount, int i, bool flag);
    bool Initialisiert() const { return m_init; }

    int GetRId() const { return m_konf.Rechner; }
    QString GetWaehrung() const { return m_konf.Waehrung; }
    QString Benutzer() const { return m_konf.Benutzer; }
    QString ProgrammName() const { return m_name; }
    const TSuiteKonfiguration& Konfiguration() const { return m_konf; }
    void SetKonfiguration(const TSuiteKonfiguration& k);

    // Current client of the program.
    TIntPair AktMandant() const { return m_aktMandant; }
    void SetAktMandant(const TIntPair& m) { m_aktMandant = m; }

    // Start-up failures: logged and shown.
    void ShowException(const std::exception_ptr& e, bool flag);

    // The program ends when control returns to the message loop.
    void Terminate();
    // What Terminate does besides setting the flag (tests replace the quit of the application).
    static void SetTerminateAktion(std::function<void()> aktion);
    bool TerminateRequested() const { return m_terminate; }
    void ResetTerminate() { m_terminate = false; }

private:
    TQELProgramm() = default;
    bool m_init = false;
    bool m_terminate = false;
    QString m_name;
    TSuiteKonfiguration m_konf;
    TIntPair m_aktMandant;
};

inline TQELProgramm& QELProgramm() { return TQELProgramm::Instance(); }

// Folders of the suite.
enum TQELFolder : int {
    qfProgramm = 0,
    qfDaten = 1,
    qfBerichte = 19,  // report layouts
};
// Folder names by TQELFolder ordinal.
QString C_QELFolder_Value(TQELFolder folder);
// The path of a file in a folder of the suite, from the program's configuration. mussExistieren: raises EQELError when the file is
// missing. A name that would lead out of the folder is refused.
QString GetDirWwsByName(TQELFolder folder, const QString& name, bool mussExistieren);

// Rights of the suite.
using TZIM_WPF_Recht = quint16;
enum : int { TZIM_Rect_FnktType_Erw = 1 };
enum : int { TZIM_Rect_ReaktionKeinRecht = 0 };
// True when the signed-in user holds every right of the list; otherwise shows why and returns false.
bool UserRechtePruefen(const QVector<TZIM_WPF_Recht>& rechte, const QString& s, int fnktType, bool flag,
                       int reaktion);

// Whether the signed-in user holds the right; asks silently.
bool UserHatRecht(TZIM_WPF_Recht recht);

// Computer range record of the computer table.
struct TRVRInfoUmfang {
    int RechnerNr = 0;
    QString Bezeichnung;
    int Filiale = 0;  // > 0: the computer belongs to this branch
};

class TRVRTab {
public:
    static TRVRTab& Instance();
    // Raises EQELError when the computer is unknown.
    TRVRInfoUmfang GetRNrUmfang(int rechnerNr);
};

inline TRVRTab& RVRTab() { return TRVRTab::Instance(); }
