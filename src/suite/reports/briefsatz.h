// A letter laid out from its template: data gathered from the suite, pages painted on any paged device.
//
// The constructor reads everything from the database (addresses, contact persons, logo) and fills the
// template's zones; Zeichnen only lays out and paints, touches no database and may run on a worker
// thread, one letter per thread.
#pragma once

#include "qelreport.h"
#include "suite/core/servers/interfaces.h"

#include <QImage>
#include <QPageLayout>
#include <QPair>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <map>
#include <memory>

class QPagedPaintDevice;
class QPainter;
class QThread;
class QTextDocument;

// Placeholders of the letter text. The editor fills them in its preview and folds them back; the letter
// fills what is still left per letter.
namespace Platzhalter {
inline const QString Heute = QStringLiteral("#Heute");
inline const QString Beruecksichtigt = QStringLiteral("#Berücksichtigt");
inline const QString Anrede = QStringLiteral("#Anrede");
inline const QString Zahlungsziel = QStringLiteral("#Zahlungsziel");
inline const QString Gesamtbetrag = QStringLiteral("#Gesamtbetrag");
// Where the list of invoices stands in the letter; not filled in the editor.
inline const QString Aufstellung = QStringLiteral("#Aufstellung");
}  // namespace Platzhalter

class TBriefsatz {
public:
    // Zones the letters painted on one device by one thread have in common, laid out once for them.
    class TZonenSpeicher;

    // Reads addresses, contact persons and the logo the parameters name. Raises EQELError when the
    // template is malformed.
    TBriefsatz(const QString& vorlagePfad, const QString& vorlage, const std::vector<TMOLA_PrintEditServer_Record>& zeilen,
               const TQELReport& report);
    ~TBriefsatz();

    // Sets the device's page, lays the letter out and paints every page. Raises EQELError when the
    // margins leave no room for the letter.
    void Zeichnen(QPagedPaintDevice* geraet);
    // The same in two steps, so that a worker thread can lay out and another thread paint. Setzen lays
    // the letter out for the device's resolution; the device must live until the letter is painted.
    void Setzen(QPagedPaintDevice* geraet);
    // Paints the laid-out pages on a device of the same resolution: begins the painter on the first
    // page, or starts a new page when it is active already (the next letter of a run).
    void Malen(QPagedPaintDevice* geraet, QPainter& p, TZonenSpeicher* speicher = nullptr) const;
    // Hands the laid-out pages to the thread that will paint and free them.
    void InDenThread(QThread* ziel);
    // Frees the laid-out pages; on the thread they were handed to.
    void SatzFreigeben();
    int Seiten() const { return m_seiten; }
    QString Titel() const { return m_titel; }
    // The filled flowing part of the template before layout (HTML).
    QString Html() const { return m_html; }
    const QVector<QPair<QString, QString>>& Parameter() const { return m_parameter; }
    const IReport& Seite() const { return m_seite; }
    // Name of the logo that is drawn; empty when none.
    QString LogoName() const { return m_logoName; }
    // The salutation the letter's text got for "#Anrede".
    QString Anrede() const { return m_anrede; }

    // Marks the start of the part of a template that is painted at the foot of every page.
    static const QString CFussMarke;

    // The compiled template (shared by the letters of one file).
    struct TVorlage;


private:
    void datenSammeln(const std::vector<TMOLA_PrintEditServer_Record>& zeilen, const TQELReport& report);
    void dokumentVorbereiten(QTextDocument& doc, QPagedPaintDevice* geraet) const;
    // A zone's HTML laid out at the width, in smaller type when it is wider than that or taller than
    // the height (when one is given).
    struct TZone {
        std::shared_ptr<QTextDocument> Doc;  // null: nothing to paint, unless Html names a common zone
        double Faktor = 1.0, Hoehe = 0, Breite = 0;
        bool Begrenzt = false;
        // A zone the letters of a run have in common (letterhead, return line, header and foot of
        // later pages): measured once per thread and laid out once where it is painted.
        QString Html;
        double Grenze = 0;
        bool Da() const { return Doc || !Html.isEmpty(); }
    };

public:
    class TZonenSpeicher {
    private:
        friend class TBriefsatz;
        std::map<QString, TZone> m_zonen;
    };

private:
    TZone zoneSetzen(QPagedPaintDevice* geraet, const QString& html, double breite, double hoehe = 0) const;
    TZone gemeinsameZone(QPagedPaintDevice* geraet, const QString& html, double breite, double hoehe = 0) const;
    QString zonenSchluessel(const QString& html, double breite, double hoehe, double dpi) const;
    void zoneZeichnen(QPainter& p, const TZone& z, const QPointF& ort) const;
    // What one page paints, in order: a zone, the fold and hole marks, or the cut of the body.
    struct TStueck {
        enum { Zone, Marken, Text } Art;
        TZone Inhalt;
        QPointF Ort;
        QRectF Ausschnitt;
    };
    struct TGesetzt {
        QPageLayout Layout;
        QPagedPaintDevice* Geraet = nullptr;
        std::vector<std::vector<TStueck>> Seiten;
    };
    std::shared_ptr<TGesetzt> m_gesetzt;

    std::shared_ptr<TVorlage> m_vorlage;
    QString m_html;
    // Zones of the first page; the header of later pages and the foot with "@@SEITE@@" and "@@SEITEN@@"
    // for the page numbers, in a one-page and a longer variant.
    QString m_kopf, m_ruecksende, m_anschrift, m_info;
    QString m_folgekopf[2], m_fuss[2];
    QString m_titel;
    QString m_anrede;
    QImage m_logo;
    QString m_logoUrl;
    QString m_logoName;
    QVector<QPair<QString, QString>> m_parameter;
    IReport m_seite;
    int m_seiten = 0;
};

// Salutation of a letter to a contact person: "Sehr geehrte Frau Franke," and "Sehr geehrter Herr
// Becker,"; "Sehr geehrte Damen und Herren," when the person is not known as woman or man by name.
QString qel_Briefanrede(const QString& anrede, const QString& nachname);

// The letter text before and after the list of invoices: split at "#Aufstellung", else before the
// closing formula ("Mit freundlichen Grüßen" and the like), else the list follows the whole text.
QPair<QString, QString> qel_BriefTextTeilen(const QString& text);

// Letter text as HTML: special characters escaped, line breaks (CR LF, LF, CR and the two characters
// backslash and n) kept.
QString qel_TextAlsHtml(const QString& text);
