-- Suite database, version 1. Keys are (computer number, running number) pairs.
-- Dates are days since 30.12.1899 with the time as fraction; money is in cents.
CREATE TABLE schluessel (
    bereich VARCHAR(40) NOT NULL,
    rechner_nr INTEGER NOT NULL,
    letzte_nr INTEGER NOT NULL,
    PRIMARY KEY (bereich, rechner_nr)
);
CREATE TABLE rechner (
    rechner_nr INTEGER NOT NULL PRIMARY KEY,
    bezeichnung VARCHAR(80) NOT NULL,
    filiale INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE benutzer (
    name VARCHAR(80) NOT NULL PRIMARY KEY,
    vollname VARCHAR(120) NOT NULL DEFAULT ''
);
CREATE TABLE benutzer_recht (
    benutzer VARCHAR(80) NOT NULL REFERENCES benutzer(name),
    recht INTEGER NOT NULL,
    PRIMARY KEY (benutzer, recht)
);
CREATE TABLE organisation (
    rnr INTEGER NOT NULL,
    lnr INTEGER NOT NULL,
    name1 VARCHAR(120) NOT NULL,
    name2 VARCHAR(120) NOT NULL DEFAULT '',
    strasse VARCHAR(120) NOT NULL DEFAULT '',
    plz VARCHAR(10) NOT NULL DEFAULT '',
    ort VARCHAR(80) NOT NULL DEFAULT '',
    land VARCHAR(80) NOT NULL DEFAULT '',
    telefon VARCHAR(40) NOT NULL DEFAULT '',
    telefax VARCHAR(40) NOT NULL DEFAULT '',
    email VARCHAR(120) NOT NULL DEFAULT '',
    internet VARCHAR(120) NOT NULL DEFAULT '',
    bank VARCHAR(120) NOT NULL DEFAULT '',
    iban VARCHAR(40) NOT NULL DEFAULT '',
    bic VARCHAR(20) NOT NULL DEFAULT '',
    ust_id VARCHAR(20) NOT NULL DEFAULT '',
    logo_name VARCHAR(80) NOT NULL DEFAULT '',
    kontakt_rnr INTEGER NOT NULL DEFAULT 0,
    kontakt_lnr INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (rnr, lnr)
);
CREATE TABLE mitarbeiter (
    rnr INTEGER NOT NULL,
    lnr INTEGER NOT NULL,
    orge_rnr INTEGER NOT NULL,
    orge_lnr INTEGER NOT NULL,
    anrede VARCHAR(20) NOT NULL DEFAULT '',
    vorname VARCHAR(80) NOT NULL DEFAULT '',
    nachname VARCHAR(80) NOT NULL,
    telefon VARCHAR(40) NOT NULL DEFAULT '',
    email VARCHAR(120) NOT NULL DEFAULT '',
    PRIMARY KEY (rnr, lnr)
);
CREATE TABLE mandant (
    rnr INTEGER NOT NULL,
    lnr INTEGER NOT NULL,
    nr INTEGER NOT NULL UNIQUE,
    name VARCHAR(120) NOT NULL,
    orge_rnr INTEGER NOT NULL,
    orge_lnr INTEGER NOT NULL,
    PRIMARY KEY (rnr, lnr)
);
CREATE TABLE filiale (
    mandant_rnr INTEGER NOT NULL,
    mandant_lnr INTEGER NOT NULL,
    filiale_nr INTEGER NOT NULL,
    orge_rnr INTEGER NOT NULL,
    orge_lnr INTEGER NOT NULL,
    PRIMARY KEY (mandant_rnr, mandant_lnr, filiale_nr)
);
CREATE TABLE geschaeftspartner (
    rnr INTEGER NOT NULL,
    lnr INTEGER NOT NULL,
    mandant_rnr INTEGER NOT NULL,
    mandant_lnr INTEGER NOT NULL,
    nr INTEGER NOT NULL,
    name VARCHAR(120) NOT NULL,
    orge_rnr INTEGER NOT NULL,
    orge_lnr INTEGER NOT NULL,
    aktiv INTEGER NOT NULL DEFAULT 1,
    PRIMARY KEY (rnr, lnr)
);
CREATE INDEX geschaeftspartner_mandant ON geschaeftspartner (mandant_rnr, mandant_lnr, name);
CREATE TABLE offener_posten (
    rechner_nr INTEGER NOT NULL,
    trans_nr INTEGER NOT NULL,
    lfd_nr INTEGER NOT NULL,
    mandant_rnr INTEGER NOT NULL,
    mandant_lnr INTEGER NOT NULL,
    gep_rnr INTEGER NOT NULL,
    gep_lnr INTEGER NOT NULL,
    belegart VARCHAR(20) NOT NULL DEFAULT 'RE',
    belegnummer VARCHAR(40) NOT NULL,
    belegdatum DOUBLE PRECISION NOT NULL,
    soll_cent BIGINT NOT NULL DEFAULT 0,
    haben_cent BIGINT NOT NULL DEFAULT 0,
    zahlungsziel DOUBLE PRECISION NOT NULL,
    kommentar VARCHAR(200) NOT NULL DEFAULT '',
    mahnstufe INTEGER NOT NULL DEFAULT 0,
    zentralreguliert INTEGER NOT NULL DEFAULT 0,
    waehrung VARCHAR(3) NOT NULL DEFAULT 'EUR',
    buchungsperiode INTEGER NOT NULL DEFAULT 0,
    kostenstelle VARCHAR(20) NOT NULL DEFAULT '',
    konto VARCHAR(20) NOT NULL DEFAULT '',
    skonto_cent BIGINT NOT NULL DEFAULT 0,
    skonto_bis DOUBLE PRECISION NOT NULL DEFAULT 0,
    kontakt_rnr INTEGER NOT NULL DEFAULT 0,
    kontakt_lnr INTEGER NOT NULL DEFAULT 0,
    letzte_zahlung DOUBLE PRECISION NOT NULL DEFAULT 0,
    PRIMARY KEY (rechner_nr, trans_nr, lfd_nr)
);
CREATE INDEX offener_posten_mandant ON offener_posten (mandant_rnr, mandant_lnr, belegdatum);
CREATE TABLE mahnung (
    rnr INTEGER NOT NULL,
    lnr INTEGER NOT NULL,
    mandant_rnr INTEGER NOT NULL,
    mandant_lnr INTEGER NOT NULL,
    gep_rnr INTEGER NOT NULL,
    gep_lnr INTEGER NOT NULL,
    orge_rnr INTEGER NOT NULL,
    orge_lnr INTEGER NOT NULL,
    mahnungsdatum DOUBLE PRECISION NOT NULL,
    beruecksichtigt DOUBLE PRECISION NOT NULL,
    mahnungstext TEXT NOT NULL,
    wirtschaftsjahr INTEGER NOT NULL,
    beleg_rnr INTEGER NOT NULL,
    beleg_lfdnr INTEGER NOT NULL,
    gebucht_am DOUBLE PRECISION NOT NULL,
    benutzer VARCHAR(80) NOT NULL DEFAULT '',
    PRIMARY KEY (rnr, lnr),
    UNIQUE (mandant_rnr, mandant_lnr, wirtschaftsjahr, beleg_rnr, beleg_lfdnr)
);
CREATE INDEX mahnung_datum ON mahnung (mandant_rnr, mandant_lnr, mahnungsdatum);
CREATE INDEX mahnung_belegnummer ON mahnung (beleg_lfdnr, wirtschaftsjahr, beleg_rnr);
CREATE TABLE mahnung_position (
    mahnung_rnr INTEGER NOT NULL,
    mahnung_lnr INTEGER NOT NULL,
    pos INTEGER NOT NULL,
    op_rechner_nr INTEGER NOT NULL,
    op_trans_nr INTEGER NOT NULL,
    op_lfd_nr INTEGER NOT NULL,
    zahlbar_bis DOUBLE PRECISION NOT NULL,
    mahnstufe INTEGER NOT NULL,
    saldo_cent BIGINT NOT NULL,
    mahngebuehren_cent BIGINT NOT NULL,
    verzugszins_cent BIGINT NOT NULL,
    belegnummer VARCHAR(40) NOT NULL,
    belegdatum DOUBLE PRECISION NOT NULL,
    PRIMARY KEY (mahnung_rnr, mahnung_lnr, pos)
);
CREATE INDEX mahnung_position_op ON mahnung_position (op_rechner_nr, op_trans_nr, op_lfd_nr);
CREATE TABLE belegnummer_kreis (
    mandant_rnr INTEGER NOT NULL,
    mandant_lnr INTEGER NOT NULL,
    wirtschaftsjahr INTEGER NOT NULL,
    rechner_nr INTEGER NOT NULL,
    letzte_nr INTEGER NOT NULL,
    PRIMARY KEY (mandant_rnr, mandant_lnr, wirtschaftsjahr, rechner_nr)
);
CREATE TABLE textbaustein (
    rnr INTEGER NOT NULL,
    lnr INTEGER NOT NULL,
    kurztext VARCHAR(120) NOT NULL,
    kurztext_norm VARCHAR(120) NOT NULL UNIQUE,
    text TEXT NOT NULL,
    PRIMARY KEY (rnr, lnr)
);
CREATE TABLE logo (
    name VARCHAR(80) NOT NULL PRIMARY KEY,
    mime VARCHAR(40) NOT NULL,
    bild {BLOB} NOT NULL
);
CREATE TABLE drucklayout (
    rnr INTEGER NOT NULL,
    lnr INTEGER NOT NULL,
    art VARCHAR(20) NOT NULL,
    bezeichnung VARCHAR(120) NOT NULL,
    berichtsdatei VARCHAR(200) NOT NULL,
    einstellungen TEXT NOT NULL DEFAULT '',
    standard INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (rnr, lnr)
);
CREATE TABLE druckauftrag (
    auftrag_nr INTEGER NOT NULL PRIMARY KEY,
    prg_id VARCHAR(40) NOT NULL,
    rechner_nr INTEGER NOT NULL,
    benutzer VARCHAR(80) NOT NULL DEFAULT '',
    begonnen DOUBLE PRECISION NOT NULL,
    beendet DOUBLE PRECISION NOT NULL DEFAULT 0
);
CREATE TABLE druckdaten (
    auftrag_nr INTEGER NOT NULL,
    zeile INTEGER NOT NULL,
    inhalt TEXT NOT NULL,
    PRIMARY KEY (auftrag_nr, zeile)
);
CREATE TABLE anhang (
    rnr INTEGER NOT NULL,
    lnr INTEGER NOT NULL,
    besitzer_rnr INTEGER NOT NULL,
    besitzer_lnr INTEGER NOT NULL,
    dateiname VARCHAR(255) NOT NULL,
    groesse BIGINT NOT NULL,
    zeit DOUBLE PRECISION NOT NULL,
    benutzer VARCHAR(80) NOT NULL DEFAULT '',
    inhalt {BLOB} NOT NULL,
    PRIMARY KEY (rnr, lnr)
);
CREATE INDEX anhang_besitzer ON anhang (besitzer_rnr, besitzer_lnr);
