// Printing dunning letters: one document to the preview or printer, or a run of several to one output.
// Used by the dunning editor and by the dunning list's reprint of several dunnings.
#pragma once

#include "suite/core/servers/interfaces.h"
#include "suite/reports/ausgabedialog.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class TQEL_OrgeMerkmaleDM;

// One document with the text and dates of its letter.
struct TMahnungsDruck {
    TQEL_Mahnung_Beleg Beleg;
    QString Text;  // the letter text as printed, line ends CR LF
    TDateTime Mahnungsdatum = 0;
    TDateTime Beruecksichtigt = 0;
    QString StornoText;  // empty while the dunning stands
    QString Partner;     // name of the business partner, for progress, files and messages
};

class TMahnungsDrucker {
public:
    // The servers and the organisation attributes stay the caller's; kontext names the caller for the
    // error log.
    TMahnungsDrucker(IQEL_PrintEditServerRef& druckServer, IQEL_GPListenServer& gpServer,
                     std::unique_ptr<TQEL_OrgeMerkmaleDM>& merkmale, const QString& kontext);
    ~TMahnungsDrucker();

    // One letter: the preview, or the printer straight away. Raises on failure (the job is ended).
    void Einzeln(const TMahnungsDruck& d, bool vorschau);
    // Several letters: the output is chosen once, the layout until the clerk keeps it for the rest, a
    // failing letter is listed and the run goes on; at the end one summary.
    void Lauf(const std::vector<TMahnungsDruck>& belege, bool mitEMail = true);

    // What a run did: letters output, and per letter that was not, its name and why.
    struct TLaufErgebnis {
        int Ausgegeben = 0;
        QStringList Fehler;
        bool Abgebrochen = false;
        bool OhneLayout = false;
    };
    // The letters to the chosen output, with progress and the layout choice. versenden, when set, takes
    // each finished letter (PDF) and answers whether it went out; only those originals are archived.
    TLaufErgebnis Ausgeben(const std::vector<TMahnungsDruck>& belege, const TLaufWahl& wahl,
                           const std::function<bool(int nr, const QByteArray& pdf)>& versenden = nullptr);
    // By e-mail (mahnungsmail.cpp): partners with a dunning address get their letter as a PDF attachment,
    // the others are listed and output as the clerk chooses next. One summary of the mails.
    void PerMail(const std::vector<TMahnungsDruck>& belege);

private:
    struct TDaten;
    std::unique_ptr<TDaten> d;
};
