#include "demodaten.h"

#include "suite/core/konfiguration.h"
#include "suite/core/servers/database_intern.h"
#include "suite/core/servers/mahnungeditserver.h"
#include "suite/core/servers/verwaltung.h"

#include <QBuffer>
#include <QDate>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <array>
#include <vector>

namespace {

// splitmix64: small, fast and the same on every platform, unlike std distributions.
class TZufall {
public:
    explicit TZufall(quint64 seed) : m_s(seed) {}
    quint64 Naechste()
    {
        quint64 z = (m_s += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // 0 .. n-1
    int Bis(int n) { return n <= 1 ? 0 : int(Naechste() % quint64(n)); }
    int Zwischen(int von, int bis) { return von + Bis(bis - von + 1); }
    // [0, 1)
    double Anteil() { return double(Naechste() >> 11) * (1.0 / 9007199254740992.0); }
    bool Chance(double p) { return Anteil() < p; }
    template <class T, size_t N>
    const T& Aus(const std::array<T, N>& a)
    {
        return a[size_t(Bis(int(N)))];
    }

private:
    quint64 m_s;
};

struct TOrt {
    const char* plz;
    const char* ort;
    const char* vorwahl;
    const char* land;
};

const std::array<TOrt, 50> kOrte = {{
    {"10115", "Berlin", "030", "Deutschland"},        {"20095", "Hamburg", "040", "Deutschland"},
    {"80331", "München", "089", "Deutschland"},       {"50667", "Köln", "0221", "Deutschland"},
    {"60311", "Frankfurt am Main", "069", "Deutschland"}, {"70173", "Stuttgart", "0711", "Deutschland"},
    {"40213", "Düsseldorf", "0211", "Deutschland"},   {"44135", "Dortmund", "0231", "Deutschland"},
    {"45127", "Essen", "0201", "Deutschland"},        {"28195", "Bremen", "0421", "Deutschland"},
    {"04109", "Leipzig", "0341", "Deutschland"},      {"01067", "Dresden", "0351", "Deutschland"},
    {"30159", "Hannover", "0511", "Deutschland"},     {"90402", "Nürnberg", "0911", "Deutschland"},
    {"47051", "Duisburg", "0203", "Deutschland"},     {"44787", "Bochum", "0234", "Deutschland"},
    {"42103", "Wuppertal", "0202", "Deutschland"},    {"33602", "Bielefeld", "0521", "Deutschland"},
    {"53111", "Bonn", "0228", "Deutschland"},         {"48143", "Münster", "0251", "Deutschland"},
    {"76133", "Karlsruhe", "0721", "Deutschland"},    {"68159", "Mannheim", "0621", "Deutschland"},
    {"86150", "Augsburg", "0821", "Deutschland"},     {"65183", "Wiesbaden", "0611", "Deutschland"},
    {"38100", "Braunschweig", "0531", "Deutschland"}, {"24103", "Kiel", "0431", "Deutschland"},
    {"09111", "Chemnitz", "0371", "Deutschland"},     {"06108", "Halle (Saale)", "0345", "Deutschland"},
    {"39104", "Magdeburg", "0391", "Deutschland"},    {"79098", "Freiburg im Breisgau", "0761", "Deutschland"},
    {"23552", "Lübeck", "0451", "Deutschland"},       {"99084", "Erfurt", "0361", "Deutschland"},
    {"18055", "Rostock", "0381", "Deutschland"},      {"55116", "Mainz", "06131", "Deutschland"},
    {"34117", "Kassel", "0561", "Deutschland"},       {"66111", "Saarbrücken", "0681", "Deutschland"},
    {"93047", "Regensburg", "0941", "Deutschland"},   {"26122", "Oldenburg", "0441", "Deutschland"},
    {"49074", "Osnabrück", "0541", "Deutschland"},    {"89073", "Ulm", "0731", "Deutschland"},
    {"97070", "Würzburg", "0931", "Deutschland"},     {"37073", "Göttingen", "0551", "Deutschland"},
    {"71634", "Ludwigsburg", "07141", "Deutschland"}, {"73728", "Esslingen am Neckar", "0711", "Deutschland"},
    {"72070", "Tübingen", "07071", "Deutschland"},    {"83022", "Rosenheim", "08031", "Deutschland"},
    {"1010", "Wien", "+43 1", "Österreich"},          {"5020", "Salzburg", "+43 662", "Österreich"},
    {"8001", "Zürich", "+41 44", "Schweiz"},          {"4051", "Basel", "+41 61", "Schweiz"},
}};
constexpr int kOrteInland = 46;  // the first entries lie in Germany

const std::array<const char*, 26> kStrassen = {
    "Hauptstraße",   "Bahnhofstraße", "Gartenstraße",    "Schulstraße",        "Dorfstraße",   "Lindenstraße",
    "Industriestraße", "Am Markt",    "Kirchweg",        "Goethestraße",       "Schillerstraße", "Mühlenweg",
    "Gewerbering",   "Friedrich-Ebert-Straße", "Berliner Allee", "Rosenweg",    "Kastanienallee", "Im Gewerbepark",
    "Hafenstraße",   "Ringstraße",    "Waldstraße",      "Bergstraße",         "Am Sportplatz", "Talstraße",
    "Brückenstraße", "Poststraße",
};

const std::array<const char*, 80> kNachnamen = {
    "Müller",   "Schmidt",  "Schneider", "Fischer",  "Weber",    "Meyer",     "Wagner",   "Becker",   "Schulz",
    "Hoffmann", "Schäfer",  "Koch",      "Bauer",    "Richter",  "Klein",     "Wolf",     "Schröder", "Neumann",
    "Schwarz",  "Zimmermann", "Braun",   "Krüger",   "Hofmann",  "Hartmann",  "Lange",    "Schmitt",  "Werner",
    "Schmitz",  "Krause",   "Meier",     "Lehmann",  "Schmid",   "Schulze",   "Maier",    "Köhler",   "Herrmann",
    "König",    "Walter",   "Mayer",     "Huber",    "Kaiser",   "Fuchs",     "Peters",   "Lang",     "Scholz",
    "Möller",   "Weiß",     "Jung",      "Hahn",     "Schubert", "Vogel",     "Friedrich", "Keller",  "Günther",
    "Frank",    "Berger",   "Winkler",   "Roth",     "Beck",     "Lorenz",    "Baumann",  "Franke",   "Albrecht",
    "Schuster", "Simon",    "Ludwig",    "Böhm",     "Winter",   "Kraus",     "Martin",   "Schumacher", "Krämer",
    "Vogt",     "Stein",    "Jäger",     "Otto",     "Sommer",   "Groß",      "Seidel",   "Heinrich",
};

const std::array<const char*, 20> kVornamenM = {
    "Thomas", "Michael", "Andreas", "Stefan", "Frank",  "Jürgen", "Klaus",   "Peter",   "Markus", "Christian",
    "Jörg",   "Uwe",     "Ralf",    "Martin", "Sven",   "Tobias", "Jan",     "Lukas",   "Florian", "Matthias",
};
const std::array<const char*, 20> kVornamenW = {
    "Sabine", "Petra",  "Claudia", "Andrea", "Susanne",   "Birgit", "Monika", "Nicole",  "Stefanie", "Katrin",
    "Julia",  "Anja",   "Sandra",  "Christina", "Jana",   "Laura",  "Melanie", "Ute",    "Heike",    "Jessica",
};

const std::array<const char*, 30> kGewerke = {
    "Metallbau",   "Elektrotechnik", "Sanitär",      "Holzbau",       "Dachdeckerei", "Malerbetrieb",
    "Gartenbau",   "Fliesenfachbetrieb", "Bauunternehmung", "Autohaus", "Getränkehandel", "Druckerei",
    "Schreinerei", "Transporte",     "Gebäudereinigung", "Bürotechnik", "Hausverwaltung", "Immobilien",
    "Landtechnik", "Heizungsbau",    "Zimmerei",     "Stahlbau",      "Kfz-Technik",  "Feinkost",
    "Logistik",    "Gerüstbau",      "Glaserei",     "Haustechnik",   "Baustoffe",    "Objekteinrichtung",
};
const std::array<const char*, 9> kRechtsformen = {
    "GmbH", "GmbH", "GmbH & Co. KG", "e.K.", "KG", "OHG", "AG", "UG (haftungsbeschränkt)", "",
};
const std::array<const char*, 14> kGastronomie = {
    "Gasthof Zur Linde",      "Gasthaus Zum Hirschen", "Hotel Am Stadtpark", "Restaurant Ratskeller",
    "Café Sonnenschein",      "Landgasthof Krone",     "Hotel Garni Seeblick", "Pension Waldfrieden",
    "Bistro Mühlenhof",       "Weinstube Alte Kelter", "Brauhaus Zum Anker",  "Hotel Zur Post",
    "Kantine Technologiepark", "Kindertagesstätte Sonnenblume",
};

const std::array<const char*, 12> kKommentare = {
    "Kunde hat Ratenzahlung angefragt",
    "Reklamation: Lieferung unvollständig",
    "Zahlung laut Kunde angewiesen",
    "Rechnung erneut per E-Mail zugesandt",
    "Ansprechpartner hat gewechselt",
    "Skonto unberechtigt abgezogen",
    "Lastschrift zurückgegeben",
    "Vor einer Mahnung Rücksprache mit dem Vertrieb",
    "Kunde bittet um Rechnungskopie",
    "Gutschrift für Retoure beantragt",
    "Zahlungsavis liegt vor",
    "Neue Bankverbindung des Kunden erfragen",
};

struct TDemoStandort {
    const char* name2;
    const char* strasse;
    int ort;  // index into kOrte
    const char* telefon;
    const char* telefax;
};

struct TDemoFirma {
    int nr;
    const char* name;
    const char* strasse;
    int ort;
    const char* telefon;
    const char* telefax;
    const char* domain;
    const char* bank;
    const char* blz;
    const char* bic;
    const char* ustId;
    quint32 farbe;
    TDemoStandort nord, sued;
    std::array<const char*, 4> kostenstellen;
    const char* erloeskonto;
    int partner;  // number of partners
    int belege;   // number of invoices
};

const std::array<TDemoFirma, 3> kFirmen = {{
    {1, "Müller Haustechnik GmbH", "Industriestraße 12", 3, "0221 749300", "0221 7493199", "mueller-haustechnik.de",
     "Sparkasse KölnBonn", "37050198", "COLSDE33XXX", "DE812345671", 0x1F5FA8,
     {"Niederlassung Hamburg", "Wandsbeker Chaussee 48", 1, "040 6894120", "040 6894129"},
     {"Niederlassung München", "Landsberger Straße 120", 2, "089 5402770", "089 5402779"},
     {"KST 100", "KST 200", "KST 310", "KST 420"}, "8400", 320, 3200},
    {2, "Bäckerei Schäfer KG", "Marktplatz 3", 5, "0711 2264150", "0711 2264159", "baeckerei-schaefer.de",
     "Baden-Württembergische Bank", "60050101", "SOLADEST600", "DE298765431", 0xB5651D,
     {"Filiale Ludwigsburg", "Myliusstraße 7", 42, "07141 928340", "07141 928349"},
     {"Filiale Esslingen", "Pliensaustraße 21", 43, "0711 3969120", "0711 3969129"},
     {"KST 10", "KST 20", "KST 30", "KST 40"}, "8300", 260, 2600},
    {3, "Nordlicht Elektro AG", "Am Sandtorkai 40", 1, "040 3289110", "040 3289119", "nordlicht-elektro.de",
     "Hamburger Sparkasse", "20050550", "HASPDEHHXXX", "DE311122233", 0x0E8A6D,
     {"Niederlassung Kiel", "Holstenstraße 88", 25, "0431 5578900", "0431 5578909"},
     {"Niederlassung Hannover", "Podbielskistraße 166", 12, "0511 8563220", "0511 8563229"},
     {"KST 1000", "KST 2000", "KST 3000", "KST 4000"}, "8400", 380, 3600},
}};

const TDemoFirma kBenchmarkFirma = {
    99, "Benchmark GmbH", "Messeallee 1", 10, "0341 6780000", "0341 6780099", "benchmark-gmbh.de",
    "Sparkasse Leipzig", "86055592", "WELADE8LXXX", "DE199988877", 0x6A3D9A,
    {"Niederlassung Berlin", "Friedrichstraße 200", 0, "030 2094100", "030 2094109"},
    {"Niederlassung Nürnberg", "Königstraße 50", 13, "0911 2366100", "0911 2366109"},
    {"KST 1", "KST 2", "KST 3", "KST 4"}, "8400", 2000, 0};

QString txt(const char* s) { return QString::fromUtf8(s); }

// Umlauts spelled out, lower case, only letters and digits joined by '-': the part of a web address.
QString adressTeil(const QString& text)
{
    QString s = text.toLower();
    s.replace(QStringLiteral("ä"), QStringLiteral("ae"));
    s.replace(QStringLiteral("ö"), QStringLiteral("oe"));
    s.replace(QStringLiteral("ü"), QStringLiteral("ue"));
    s.replace(QStringLiteral("ß"), QStringLiteral("ss"));
    s.replace(QStringLiteral("é"), QStringLiteral("e"));
    QString r;
    bool strich = false;
    for (QChar c : s) {
        if ((c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))) {
            if (strich && !r.isEmpty())
                r += QLatin1Char('-');
            r += c;
            strich = false;
        } else {
            strich = true;
        }
    }
    return r;
}

QString domainAusName(const QString& firmenname)
{
    static const QStringList formen = {QStringLiteral("GmbH & Co. KG"), QStringLiteral("UG (haftungsbeschränkt)"),
                                       QStringLiteral("GmbH"), QStringLiteral("e.K."), QStringLiteral("KG"),
                                       QStringLiteral("OHG"), QStringLiteral("AG")};
    QString n = firmenname;
    for (const QString& f : formen)
        if (n.endsWith(QLatin1Char(' ') + f)) {
            n.chop(f.size() + 1);
            break;
        }
    return adressTeil(n) + QStringLiteral(".de");
}

// German IBAN from bank code and account number with its mod-97 check digits, in groups of four.
QString iban(const QString& blz, quint64 konto)
{
    const QString bban = blz + QStringLiteral("%1").arg(konto, 10, 10, QLatin1Char('0'));
    const QString pruef = bban + QStringLiteral("131400");  // "DE00"
    int rest = 0;
    for (QChar c : pruef)
        rest = (rest * 10 + c.digitValue()) % 97;
    const QString voll = QStringLiteral("DE%1").arg(98 - rest, 2, 10, QLatin1Char('0')) + bban;
    QString mitLuecken;
    for (int i = 0; i < voll.size(); i += 4) {
        if (i)
            mitLuecken += QLatin1Char(' ');
        mitLuecken += voll.mid(i, 4);
    }
    return mitLuecken;
}

QString telefon(TZufall& z, const char* vorwahl) { return txt(vorwahl) + QLatin1Char(' ') + QString::number(z.Zwischen(200000, 9899999)); }

QString hausnummer(TZufall& z)
{
    QString n = QString::number(z.Zwischen(1, 140));
    if (z.Chance(0.08))
        n += QChar(QLatin1Char('a').unicode() + z.Bis(3));
    return n;
}

// The demo's dunnings are booked by its user, who holds the rights; whoever worked before goes on after.
class TBuchenderBenutzer {
public:
    explicit TBuchenderBenutzer(const QString& benutzer) : m_vorher(TSuiteDatenbank::Benutzer())
    {
        TSuiteDatenbank::SetBenutzer(benutzer);
    }
    ~TBuchenderBenutzer() { TSuiteDatenbank::SetBenutzer(m_vorher); }
    TBuchenderBenutzer(const TBuchenderBenutzer&) = delete;
    TBuchenderBenutzer& operator=(const TBuchenderBenutzer&) = delete;

private:
    QString m_vorher;
};

// --- writing ---------------------------------------------------------------------------------------

// Prepared statements used for every row, and the key blocks they draw from.
class TSchreiber {
public:
    TSchreiber()
        : m_org(QStringLiteral("INSERT INTO organisation (rnr, lnr, name1, name2, strasse, plz, ort, land, telefon, "
                               "telefax, email, internet, bank, iban, bic, ust_id, logo_name, kontakt_rnr, kontakt_lnr) "
                               "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")),
          m_mita(QStringLiteral("INSERT INTO mitarbeiter (rnr, lnr, orge_rnr, orge_lnr, anrede, vorname, nachname, "
                                "telefon, email) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)")),
          m_gep(QStringLiteral("INSERT INTO geschaeftspartner (rnr, lnr, mandant_rnr, mandant_lnr, nr, name, orge_rnr, "
                               "orge_lnr, aktiv, mahn_email) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")),
          m_op(QStringLiteral("INSERT INTO offener_posten (rechner_nr, trans_nr, lfd_nr, mandant_rnr, mandant_lnr, "
                              "gep_rnr, gep_lnr, belegart, belegnummer, belegdatum, soll_cent, haben_cent, zahlungsziel, "
                              "kommentar, mahnstufe, zentralreguliert, waehrung, buchungsperiode, kostenstelle, konto, "
                              "skonto_cent, skonto_bis, kontakt_rnr, kontakt_lnr, letzte_zahlung) "
                              "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"))
    {
    }

    struct TOrg {
        QString name1, name2, strasse, plz, ort, land, telefon, telefax, email, internet, bank, iban, bic, ustId, logo;
        TIntPair kontakt;
    };
    void Organisation(const TIntPair& id, const TOrg& o)
    {
        m_org.Bind({id.RNr, id.LNr, o.name1, o.name2, o.strasse, o.plz, o.ort, o.land, o.telefon, o.telefax, o.email,
                    o.internet, o.bank, o.iban, o.bic, o.ustId, o.logo, o.kontakt.RNr, o.kontakt.LNr})
            .Exec();
    }
    void Mitarbeiter(const TIntPair& id, const TIntPair& orge, const QString& anrede, const QString& vorname,
                     const QString& nachname, const QString& tel, const QString& email)
    {
        m_mita.Bind({id.RNr, id.LNr, orge.RNr, orge.LNr, anrede, vorname, nachname, tel, email}).Exec();
    }
    void Partner(const TIntPair& id, const TIntPair& mandant, int nr, const QString& name, const TIntPair& orge, bool aktiv,
                 const QString& mahnEmail)
    {
        m_gep.Bind({id.RNr, id.LNr, mandant.RNr, mandant.LNr, nr, name, orge.RNr, orge.LNr, aktiv ? 1 : 0, mahnEmail}).Exec();
    }
    TSqlAbfrage& OP() { return m_op; }

private:
    TSqlAbfrage m_org, m_mita, m_gep, m_op;
};

// Consecutive keys of one range, reserved as a block.
class TSchluesselBlock {
public:
    TSchluesselBlock(const QString& bereich, int anzahl) : m_naechster(qel_NeueSchluessel(bereich, 1, anzahl)), m_rest(anzahl) {}
    TIntPair Naechster()
    {
        if (m_rest-- <= 0)
            throw EQELError(QStringLiteral("Interner Fehler: Schlüsselblock erschöpft."));
        TIntPair p = m_naechster;
        ++m_naechster.LNr;
        return p;
    }

private:
    TIntPair m_naechster;
    int m_rest;
};

struct TPartner {
    TIntPair id;
    TIntPair kontakt;
    int nr = 0;
    int zielTage = 14;
    bool aktiv = true;
};

struct TKontakt {
    QString anrede, vorname, nachname;
};

TKontakt kontaktErfinden(TZufall& z)
{
    const bool frau = z.Chance(0.5);
    return {frau ? QStringLiteral("Frau") : QStringLiteral("Herr"), txt(frau ? z.Aus(kVornamenW) : z.Aus(kVornamenM)),
            txt(z.Aus(kNachnamen))};
}

QString kontaktEmail(const TKontakt& k, const QString& domain)
{
    return adressTeil(k.vorname) + QLatin1Char('.') + adressTeil(k.nachname) + QLatin1Char('@') + domain;
}

QString partnerName(TZufall& z)
{
    const int muster = z.Bis(100);
    const QString nach = txt(z.Aus(kNachnamen));
    QString rf = txt(z.Aus(kRechtsformen));
    QString name;
    if (muster < 40)
        name = nach + QLatin1Char(' ') + txt(z.Aus(kGewerke));
    else if (muster < 65)
        name = txt(z.Aus(kGewerke)) + QLatin1Char(' ') + nach;
    else if (muster < 77) {
        name = nach + QStringLiteral(" & ") + txt(z.Aus(kNachnamen));
        static const std::array<const char*, 3> personen = {"OHG", "GbR", "KG"};
        rf = txt(z.Aus(personen));
    } else if (muster < 87) {
        name = txt(z.Aus(kGastronomie));
        rf.clear();
    } else if (muster < 92) {
        name = QStringLiteral("Praxis Dr. ") + nach;
        rf.clear();
    } else if (muster < 96) {
        name = QStringLiteral("Kanzlei ") + nach + QStringLiteral(" & Partner");
        rf = QStringLiteral("mbB");
    } else {
        name = QStringLiteral("Steuerberatung ") + nach;
        rf.clear();
    }
    return rf.isEmpty() ? name : name + QLatin1Char(' ') + rf;
}

struct TMandantDaten {
    TIntPair id;
    std::vector<TPartner> partner;
};

TMandantDaten mandantAnlegen(TSchreiber& w, TZufall& z, const TDemoFirma& f, const TDemoOptionen& opt)
{
    TMandantDaten m;
    const TOrt& ort = kOrte[size_t(f.ort)];
    const QString domain = txt(f.domain);
    const QString firma = txt(f.name);
    TSchluesselBlock orgs(QStringLiteral("ORGANISATION"), 3);
    TSchluesselBlock mitas(QStringLiteral("MITARBEITER"), 3);
    m.id = qel_NeuerSchluessel(QStringLiteral("GEP"), 1);

    // The client's own organisation and its two branches, each with a contact person of its own.
    const QString logo = QStringLiteral("FIRMA%1").arg(f.nr);
    struct TStelle {
        const TDemoStandort* standort;
        QString logo;
        int filiale;
    };
    const TStelle stellen[3] = {{nullptr, logo, 0}, {&f.nord, logo + QStringLiteral("-NORD"), 1},
                                {&f.sued, logo + QStringLiteral("-SUED"), 2}};
    for (const TStelle& s : stellen) {
        const TIntPair orgeId = orgs.Naechster();
        const TIntPair kontaktId = mitas.Naechster();
        const TOrt& o = s.standort ? kOrte[size_t(s.standort->ort)] : ort;
        TSchreiber::TOrg org;
        org.name1 = firma;
        org.name2 = s.standort ? txt(s.standort->name2) : QString();
        org.strasse = s.standort ? txt(s.standort->strasse) : txt(f.strasse);
        org.plz = txt(o.plz);
        org.ort = txt(o.ort);
        org.land = txt(o.land);
        org.telefon = txt(s.standort ? s.standort->telefon : f.telefon);
        org.telefax = txt(s.standort ? s.standort->telefax : f.telefax);
        org.email = (s.standort ? adressTeil(txt(o.ort)) : QStringLiteral("buchhaltung")) + QLatin1Char('@') + domain;
        org.internet = QStringLiteral("www.") + domain;
        org.bank = txt(f.bank);
        org.iban = iban(txt(f.blz), quint64(z.Zwischen(100000, 9999999)) * 100 + quint64(f.nr));
        org.bic = txt(f.bic);
        org.ustId = txt(f.ustId);
        org.logo = s.logo;
        org.kontakt = kontaktId;
        w.Organisation(orgeId, org);
        const TKontakt k = kontaktErfinden(z);
        w.Mitarbeiter(kontaktId, orgeId, k.anrede, k.vorname, k.nachname, org.telefon, kontaktEmail(k, domain));

        QByteArray png = opt.LogoErzeugen ? opt.LogoErzeugen(s.logo, firma, f.farbe)
                                          : DemoDaten_EinfachesLogo(240, 80, f.farbe);
        Verwaltung_LogoSpeichern(s.logo, QStringLiteral("image/png"), png);

        if (s.filiale == 0) {
            TSqlAbfrage(QStringLiteral("INSERT INTO mandant (rnr, lnr, nr, name, orge_rnr, orge_lnr, mail_absender_name, "
                                       "mail_absender_adresse) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"))
                .Bind({m.id.RNr, m.id.LNr, f.nr, firma, orgeId.RNr, orgeId.LNr, firma, org.email})
                .Exec();
            // What the client's letters must name in their foot; fixed, so the random data stay as they were.
            static const char* const kFuehrung[] = {"Dr. Andrea Keller, Thomas Brandt", "Martin Vogel",
                                                    "Sabine Winter, Jens Albrecht", "Claudia Neumann"};
            const bool hra = firma.contains(QLatin1String("e.K.")) || firma.contains(QLatin1String("KG"));
            TSqlAbfrage(QStringLiteral("UPDATE organisation SET geschaeftsfuehrer = ?, registergericht = ?, "
                                       "registernummer = ?, steuernummer = ? WHERE rnr = ? AND lnr = ?"))
                .Bind({hra ? QString() : QString::fromUtf8(kFuehrung[size_t(f.nr) % 4]),
                       QStringLiteral("Amtsgericht ") + txt(o.ort),
                       (hra ? QStringLiteral("HRA ") : QStringLiteral("HRB ")) + QString::number(10000 + 3217 * f.nr),
                       QStringLiteral("%1/%2/0%3").arg(20 + f.nr).arg(100 + 7 * f.nr).arg(4711 + f.nr), orgeId.RNr,
                       orgeId.LNr})
                .Exec();
        } else {
            TSqlAbfrage(QStringLiteral("INSERT INTO filiale (mandant_rnr, mandant_lnr, filiale_nr, orge_rnr, orge_lnr) "
                                       "VALUES (?, ?, ?, ?, ?)"))
                .Bind({m.id.RNr, m.id.LNr, s.filiale, orgeId.RNr, orgeId.LNr})
                .Exec();
        }
    }

    // Business partners: each with its organisation and one contact person.
    TSchluesselBlock geps(QStringLiteral("GEP"), f.partner);
    TSchluesselBlock porgs(QStringLiteral("ORGANISATION"), f.partner);
    TSchluesselBlock pmitas(QStringLiteral("MITARBEITER"), f.partner);
    QSet<QString> namen;
    m.partner.reserve(size_t(f.partner));
    for (int i = 0; i < f.partner; ++i) {
        QString name = partnerName(z);
        for (int versuch = 0; namen.contains(name); ++versuch) {
            name = partnerName(z);
            if (versuch > 20)
                name += QStringLiteral(" (%1)").arg(i + 1);
        }
        namen.insert(name);

        TPartner p;
        p.id = geps.Naechster();
        p.kontakt = pmitas.Naechster();
        p.nr = 10000 + i + 1;
        p.zielTage = z.Chance(0.6) ? 14 : 30;
        p.aktiv = !z.Chance(0.03);
        const TIntPair orgeId = porgs.Naechster();
        const TOrt& o = z.Chance(0.95) ? kOrte[size_t(z.Bis(kOrteInland))] : kOrte[size_t(z.Zwischen(kOrteInland, int(kOrte.size()) - 1))];
        const QString domain = domainAusName(name);
        TSchreiber::TOrg org;
        org.name1 = name;
        org.name2 = z.Chance(0.25) ? QStringLiteral("z. Hd. Buchhaltung") : QString();
        org.strasse = txt(z.Aus(kStrassen)) + QLatin1Char(' ') + hausnummer(z);
        org.plz = txt(o.plz);
        org.ort = txt(o.ort);
        org.land = txt(o.land);
        org.telefon = telefon(z, o.vorwahl);
        org.telefax = z.Chance(0.7) ? telefon(z, o.vorwahl) : QString();
        org.email = QStringLiteral("info@") + domain;
        org.internet = z.Chance(0.6) ? QStringLiteral("www.") + domain : QString();
        if (z.Chance(0.4) && org.land == QLatin1String("Deutschland"))
            org.ustId = QStringLiteral("DE%1").arg(z.Zwischen(100000000, 999999999));
        org.kontakt = p.kontakt;
        w.Organisation(orgeId, org);
        const TKontakt k = kontaktErfinden(z);
        w.Mitarbeiter(p.kontakt, orgeId, k.anrede, k.vorname, k.nachname, org.telefon, kontaktEmail(k, domain));
        // Three of four partners take their dunnings by mail. The reserved top-level domain keeps demo
        // mails out of real mailboxes; chosen by number so the random data stay as they were.
        const QString mahnEmail = i % 4 == 3 ? QString() : QStringLiteral("buchhaltung@") + domain.chopped(3) + QStringLiteral(".example");
        w.Partner(p.id, m.id, p.nr, name, orgeId, p.aktiv, mahnEmail);
        m.partner.push_back(p);
    }
    return m;
}

struct TBeleg {
    int datum;  // whole days
    int partner;
    bool gutschrift;
    qint64 betrag;
    int raten;
};

// Invoices of one client from 01.01.2005 up to today, about half of them in the last year.
// alleOffen: every item stays unpaid (the benchmark client's items all count as open).
void postenAnlegen(TSchreiber& w, TZufall& z, const TDemoFirma& f, const TMandantDaten& m, int anzahl, int heute,
                  bool alleOffen = false)
{
    const int start = int(CDatum_01_01_2005);
    std::vector<TBeleg> belege;
    belege.reserve(size_t(anzahl));
    const int n = int(m.partner.size());
    for (int i = 0; i < anzahl; ++i) {
        TBeleg b;
        b.datum = z.Chance(0.45) ? heute - z.Bis(std::min(365, heute - start + 1)) : z.Zwischen(start, heute);
        // Some partners buy far more often than others.
        const double u = z.Anteil();
        b.partner = std::min(n - 1, int(u * u * n));
        b.gutschrift = z.Chance(0.03);
        const double netto = 15.0 + z.Anteil() * z.Anteil() * z.Anteil() * 9000.0;
        b.betrag = qel_Cent(netto * 1.19);
        b.raten = (!b.gutschrift && b.betrag > 200000 && z.Chance(0.25)) ? 2 : 1;
        belege.push_back(b);
    }
    std::stable_sort(belege.begin(), belege.end(), [](const TBeleg& a, const TBeleg& b) { return a.datum < b.datum; });

    TSchluesselBlock trans(QStringLiteral("TRANSAKTION"), anzahl);
    int jahr = 0, nrRE = 0, nrGS = 0;
    TSqlAbfrage& op = w.OP();
    for (const TBeleg& b : belege) {
        const QDate d = qel_ToQDate(b.datum);
        if (d.year() != jahr) {
            jahr = d.year();
            nrRE = 0;
            nrGS = 0;
        }
        const TPartner& p = m.partner[size_t(b.partner)];
        const QString belegart = b.gutschrift ? QStringLiteral("GS") : QStringLiteral("RE");
        const QString belegnummer = QStringLiteral("%1-%2-%3")
                                        .arg(belegart)
                                        .arg(jahr)
                                        .arg(b.gutschrift ? ++nrGS : ++nrRE, 6, 10, QLatin1Char('0'));
        const TIntPair t = trans.Naechster();
        const int alter = heute - b.datum;
        const bool zentral = z.Chance(0.05);
        const QString kostenstelle = txt(f.kostenstellen[size_t(z.Bis(4))]);
        const int periode = d.year() * 100 + d.month();

        for (int rate = 1; rate <= b.raten; ++rate) {
            const qint64 anteil = b.raten == 1 ? b.betrag : (rate == 1 ? b.betrag / 2 : b.betrag - b.betrag / 2);
            const int ziel = b.datum + p.zielTage + (rate - 1) * 30;
            qint64 soll = b.gutschrift ? 0 : anteil;
            qint64 haben = 0;
            double letzteZahlung = 0;
            QString kommentar;
            int stufe = 0;
            const double bezahlt = alleOffen ? 0.0 : alter > 730 ? 0.85 : alter > 365 ? 0.7 : alter > 60 ? 0.5 : 0.2;
            if (b.gutschrift) {
                haben = anteil;
                if (!alleOffen && z.Chance(0.5)) {
                    soll = anteil;  // settled against an invoice
                    letzteZahlung = std::min(heute, b.datum + z.Zwischen(5, 60));
                }
            } else if (z.Chance(bezahlt)) {
                haben = soll;
                letzteZahlung = std::min(heute, b.datum + z.Zwischen(3, p.zielTage + 40));
                if (letzteZahlung > ziel + 10 && z.Chance(0.5))
                    stufe = 1;
            } else {
                if (z.Chance(0.12)) {
                    haben = qel_Cent(double(soll) / 100.0 * (0.2 + 0.6 * z.Anteil()));
                    letzteZahlung = std::min(heute, b.datum + z.Zwischen(5, 45));
                    kommentar = QStringLiteral("Teilzahlung am %1 erhalten").arg(DateToStr(letzteZahlung));
                }
                const int verzug = heute - ziel;
                if (verzug > 0) {
                    stufe = std::min(3, verzug / 30 + (verzug > 10 ? 1 : 0));
                    if (stufe > 0 && z.Chance(0.3))
                        --stufe;
                }
            }
            if (kommentar.isEmpty() && z.Chance(0.12))
                kommentar = txt(z.Aus(kKommentare));
            qint64 skonto = 0;
            double skontoBis = 0;
            if (!b.gutschrift && p.zielTage == 30) {
                skonto = qel_Cent(double(soll) / 100.0 * 0.02);
                skontoBis = b.datum + 10;
            }
            op.Bind({1, t.LNr, rate, m.id.RNr, m.id.LNr, p.id.RNr, p.id.LNr, belegart, belegnummer, double(b.datum), soll,
                     haben, double(ziel), kommentar, stufe, zentral ? 1 : 0, QStringLiteral("EUR"), periode, kostenstelle,
                     txt(f.erloeskonto), skonto, skontoBis, p.kontakt.RNr, p.kontakt.LNr, letzteZahlung})
                .Exec();
        }
    }
}

// The levels the generated items carry are booked as real dunnings, level by level, through the dunning
// server, so every level has its history, numbers and letters. Dates lie between the term and today.
void mahnungenBuchen(const TIntPair& mandant, int heute)
{
    struct TGemahnt {
        TQEL_Mahnung_Belegpositionen pos;
        TIntPair gep, orge;
        int ziel = 0;
        int stufe = 0;
    };
    std::vector<TGemahnt> posten;
    TSqlAbfrage q(QStringLiteral(
        "SELECT op.rechner_nr, op.trans_nr, op.lfd_nr, op.gep_rnr, op.gep_lnr, gp.orge_rnr, gp.orge_lnr, "
        "op.mahnstufe, op.zahlungsziel, op.belegnummer, op.belegdatum, op.soll_cent - op.haben_cent "
        "FROM offener_posten op JOIN geschaeftspartner gp ON gp.rnr = op.gep_rnr AND gp.lnr = op.gep_lnr "
        "WHERE op.mandant_rnr = ? AND op.mandant_lnr = ? AND op.mahnstufe > 0 AND op.soll_cent - op.haben_cent <> 0 "
        "ORDER BY op.rechner_nr, op.trans_nr, op.lfd_nr"));
    q.Bind({mandant.RNr, mandant.LNr}).Exec();
    while (q.Next()) {
        TGemahnt g;
        Init_TQEL_Mahnung_Belegpositionen(g.pos);
        g.pos.RNr = q.Int(0);
        g.pos.TransNr = q.Int(1);
        g.pos.LfdNr = q.Int(2);
        g.gep = {q.Int(3), q.Int(4)};
        g.orge = {q.Int(5), q.Int(6)};
        g.stufe = q.Int(7);
        g.ziel = int(q.Double(8));
        g.pos.Belegnummer = q.Text(9);
        g.pos.Belegdatum = q.Double(10);
        g.pos.Saldo = qel_Betrag(q.Int64(11));
        posten.push_back(g);
    }
    TSqlAbfrage(QStringLiteral("UPDATE offener_posten SET mahnstufe = 0 WHERE mandant_rnr = ? AND mandant_lnr = ? "
                               "AND mahnstufe > 0 AND soll_cent - haben_cent <> 0"))
        .Bind({mandant.RNr, mandant.LNr})
        .Exec();
    TMahnungEditServer server;
    for (int stufe = 1; stufe <= 3; ++stufe) {
        TQEL_Mahnung_Beleg_Array belege;
        QHash<QString, int> belegJe;  // partner and date -> document
        for (const TGemahnt& g : posten) {
            if (g.stufe < stufe)
                continue;
            // Three weeks between the levels; never later than a few days before today.
            const int datum = std::min(g.ziel + 10 + 21 * (stufe - 1), heute - 3 * (g.stufe - stufe) - 1);
            const QString schluessel = QStringLiteral("%1;%2;%3").arg(g.gep.RNr).arg(g.gep.LNr).arg(datum);
            int i = belegJe.value(schluessel, -1);
            if (i < 0) {
                TQEL_Mahnung_Beleg b;
                b.Mandant = mandant;
                b.GepNr = g.gep;
                b.OrgeNr = g.orge;
                b.Mahnungsdatum = datum + 0.4;
                b.Beruecksichtigt = datum - 1;
                b.MahnungsText = Verwaltung_StandardBrieftext(stufe - 1);
                belege.push_back(b);
                i = int(belege.size()) - 1;
                belegJe.insert(schluessel, i);
            }
            TQEL_Mahnung_Belegpositionen p = g.pos;
            p.Mahnstufe = stufe;
            p.ZahlbarBis = datum + (stufe == 1 ? 14 : 5);
            p.Mahngebuehren = qel_MahngebuehrVorgabe(stufe - 1);
            belege[size_t(i)].Positionen.push_back(p);
        }
        if (!belege.empty() && !server.Mahnungen_Buchen(belege))
            throw EQELError(QStringLiteral("Die Demo-Mahnungen der Stufe %1 konnten nicht gebucht werden.").arg(stufe));
    }
}

void rechnerAnlegen()
{
    struct TRechner {
        int nr;
        const char* name;
        int filiale;
    };
    static const TRechner rechner[] = {{1, "Buchhaltung", 0}, {2, "Filiale Nord", 1}, {3, "Filiale Süd", 2}};
    for (const TRechner& r : rechner) {
        // Computers an administrator entered before are kept as they are.
        TSqlAbfrage q(QStringLiteral("SELECT 1 FROM rechner WHERE rechner_nr = ?"));
        q.Bind(r.nr).Exec();
        if (!q.Next())
            Verwaltung_RechnerEintragen(r.nr, txt(r.name), r.filiale);
    }
}

}  // namespace

void DemoDaten_Erzeugen(const TDemoOptionen& opt)
{
    if (opt.GrossMandantOP < 0)
        throw EQELError(QStringLiteral("Die Zahl der offenen Posten darf nicht negativ sein."));
    TTransaktion t;
    if (Verwaltung_MandantenAnzahl() > 0)
        throw EQELError(QStringLiteral("Die Datenbank enthält bereits Mandanten. Demodaten werden nur in eine "
                                       "Datenbank ohne Mandanten geschrieben."));
    TZufall z(opt.Seed);
    TSchreiber w;
    const int heute = std::max(int(CDatum_01_01_2005) + 1, int(qel_DateOf(qel_Now())));

    rechnerAnlegen();
    const QString benutzer = opt.Benutzer.trimmed().isEmpty() ? qel_AngemeldeterBenutzer() : opt.Benutzer.trimmed();
    Verwaltung_BenutzerAnlegen(benutzer, QString(), {202, 203});
    const TBuchenderBenutzer buchend(benutzer);
    Verwaltung_BenutzerAnlegen(QStringLiteral("demo"), QStringLiteral("Demo-Benutzer"), {202, 203});
    Verwaltung_BenutzerAnlegen(QStringLiteral("praktikant"), QStringLiteral("Praktikant ohne Rechte"), {});

    for (const TDemoFirma& f : kFirmen) {
        const TMandantDaten m = mandantAnlegen(w, z, f, opt);
        postenAnlegen(w, z, f, m, f.belege, heute);
        mahnungenBuchen(m.id, heute);
    }
    if (opt.GrossMandantOP > 0) {
        const TMandantDaten m = mandantAnlegen(w, z, kBenchmarkFirma, opt);
        postenAnlegen(w, z, kBenchmarkFirma, m, opt.GrossMandantOP, heute, true);
    }

    Verwaltung_StandardTextbausteineSicherstellen(1);
    Verwaltung_LayoutRegistrieren(QStringLiteral("KMAHN"), QStringLiteral("Mahnung Standard"), QStringLiteral("mahnung.html"),
                                  Verwaltung_StandardLayoutEinstellungen(QStringLiteral("FIRMA1")), true, 1);
    QStringList ohneLogo = Verwaltung_StandardLayoutEinstellungen(QString());
    ohneLogo.replaceInStrings(QStringLiteral("AltLogo=N"), QStringLiteral("AltLogo=J"));
    Verwaltung_LayoutRegistrieren(QStringLiteral("KMAHN"), QStringLiteral("Mahnung ohne Logo"), QStringLiteral("mahnung.html"),
                                  ohneLogo, false, 1);
    t.Commit();
}

QByteArray DemoDaten_EinfachesLogo(int breite, int hoehe, quint32 farbe)
{
    breite = std::max(8, breite);
    hoehe = std::max(8, hoehe);
    QImage bild(breite, hoehe, QImage::Format_RGB32);
    bild.fill(Qt::white);
    {
        // Shapes only: no font is needed, so this works without a GUI application object.
        QPainter p(&bild);
        const QColor c(QRgb(0xFF000000u | farbe));
        const int rand = hoehe / 8;
        p.fillRect(rand, rand, hoehe - 2 * rand, hoehe - 2 * rand, c);
        if (breite > hoehe + rand)
            p.fillRect(hoehe + rand, hoehe / 2 - hoehe / 10, breite - hoehe - rand, 2 * (hoehe / 10), c);
    }
    QByteArray png;
    QBuffer puffer(&png);
    puffer.open(QIODevice::WriteOnly);
    if (!bild.save(&puffer, "PNG"))
        throw EQELError(QStringLiteral("Das Logo kann nicht als PNG gespeichert werden."));
    return png;
}
