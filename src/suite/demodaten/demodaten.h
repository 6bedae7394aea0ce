// Realistic, reproducible demo data for a fresh suite database.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <functional>

struct TDemoOptionen {
    quint64 Seed = 4711;
    int GrossMandantOP = 0;  // > 0: that many open items for one extra benchmark client
    QString Benutzer;        // gets rights 202 and 203; default: the OS user
    // Draws a logo as PNG (logo name, company name, colour 0xRRGGBB). Unset: a plain generated logo.
    std::function<QByteArray(const QString& name, const QString& firma, quint32 farbe)> LogoErzeugen;
};

// Writes clients, branches, computers, partners, open items, text blocks, layouts, logos and users in
// one transaction. Raises EQELError when the database already holds clients.
void DemoDaten_Erzeugen(const TDemoOptionen& optionen);

// A small PNG: a coloured mark and bar on white.
QByteArray DemoDaten_EinfachesLogo(int breite, int hoehe, quint32 farbe);
