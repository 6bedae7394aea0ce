// Administration of the suite's system data: users, rights, computers, layouts and logos.
#pragma once

#include "suite/core/types.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// Creates the user when missing and grants the rights it lacks. True when the user was new.
bool Verwaltung_BenutzerAnlegen(const QString& name, const QString& vollname, const QVector<int>& rechte);
// Enters or changes a computer of the computer table. True when the computer was new.
bool Verwaltung_RechnerEintragen(int rechnerNr, const QString& bezeichnung, int filiale);
// Enters the workstation (without a branch) unless it is there; an entry made before stays as it is.
bool Verwaltung_RechnerAnlegenFallsNeu(int rechnerNr, const QString& bezeichnung);
// Registers a print layout (kind, name, report file name, settings name=value). Returns its key.
TIntPair Verwaltung_LayoutRegistrieren(const QString& art, const QString& bezeichnung, const QString& berichtsdatei,
                                       const QStringList& einstellungen, bool standard, int rechnerNr);
// Stores a logo under its name, replacing one of the same name. True when the name was new.
bool Verwaltung_LogoSpeichern(const QString& name, const QString& mime, const QByteArray& bild);
int Verwaltung_MandantenAnzahl();
// Settings of a dunning layout with logo, sender line and 20/25/20 mm margins.
QStringList Verwaltung_StandardLayoutEinstellungen(const QString& logoName);
// Registers the shipped dunning letter as the standard layout of kind KMAHN unless the database has
// one of that kind already. True when it was registered.
bool Verwaltung_StandardLayoutSicherstellen(int rechnerNr, const QString& logoName = QString());
// The standard letter texts (reminder, first and second dunning) unless the database has letter texts
// already; returns how many were entered.
int Verwaltung_StandardTextbausteineSicherstellen(int rechnerNr);
// The text of one of them: 0 reminder, 1 first, 2 second dunning.
QString Verwaltung_StandardBrieftext(int nr);
