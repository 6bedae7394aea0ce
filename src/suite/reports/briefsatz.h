// A letter laid out from its template: data gathered from the suite, pages painted on any paged device.
#pragma once

#include "qelreport.h"
#include "suite/core/servers/interfaces.h"

#include <QImage>
#include <QString>
#include <memory>

class QPagedPaintDevice;
class QTextDocument;

class TBriefsatz {
public:
    // Reads addresses, contact persons and the logo the parameters name. Raises EQELError when the
    // template is malformed.
    TBriefsatz(const QString& vorlagePfad, const QString& vorlage, const std::vector<TMOLA_PrintEditServer_Record>& zeilen,
               const TQELReport& report);
    ~TBriefsatz();

    // Sets the device's page, lays the letter out and paints every page. Raises EQELError when the
    // margins leave no room for the letter.
    void Zeichnen(QPagedPaintDevice* geraet);
    int Seiten() const { return m_seiten; }
    QString Titel() const { return m_titel; }
    // The filled template before layout (HTML).
    QString Html() const { return m_html; }
    const QVector<QPair<QString, QString>>& Parameter() const { return m_parameter; }
    const IReport& Seite() const { return m_seite; }
    // Name of the logo that is drawn; empty when none.
    QString LogoName() const { return m_logoName; }

    // Marks the start of the part of a template that is painted at the foot of every page.
    static const QString CFussMarke;

    // The compiled template (shared by the letters of one file).
    struct TVorlage;

private:
    void datenSammeln(const std::vector<TMOLA_PrintEditServer_Record>& zeilen, const TQELReport& report);
    QString fussHtml(int seite, int seiten) const;
    void dokumentVorbereiten(QTextDocument& doc, QPagedPaintDevice* geraet, double breite) const;

    std::shared_ptr<TVorlage> m_vorlage;
    struct TFussDaten;
    std::shared_ptr<TFussDaten> m_fussDaten;
    QString m_html;
    QString m_titel;
    QImage m_logo;
    QString m_logoUrl;
    QString m_logoName;
    QVector<QPair<QString, QString>> m_parameter;
    IReport m_seite;
    int m_seiten = 0;
};

// Letter text as HTML: special characters escaped, line breaks (CR LF, LF, CR and the two characters
// backslash and n) kept.
QString qel_TextAlsHtml(const QString& text);
