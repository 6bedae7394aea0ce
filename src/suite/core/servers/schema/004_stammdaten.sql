-- Suite database, version 4: master data kept by the administration tool and the import.
-- Letterhead data a client's letters need beyond the address.
ALTER TABLE organisation ADD COLUMN steuernummer VARCHAR(20) NOT NULL DEFAULT '';
ALTER TABLE organisation ADD COLUMN geschaeftsfuehrer VARCHAR(200) NOT NULL DEFAULT '';
ALTER TABLE organisation ADD COLUMN registergericht VARCHAR(80) NOT NULL DEFAULT '';
ALTER TABLE organisation ADD COLUMN registernummer VARCHAR(40) NOT NULL DEFAULT '';
-- Default term of imported items without a due date, and the exchange with the accounting.
ALTER TABLE mandant ADD COLUMN zahlungsziel_tage INTEGER NOT NULL DEFAULT 14;
ALTER TABLE mandant ADD COLUMN datev_berater INTEGER NOT NULL DEFAULT 0;
ALTER TABLE mandant ADD COLUMN datev_mandant INTEGER NOT NULL DEFAULT 0;
ALTER TABLE mandant ADD COLUMN sachkontenlaenge INTEGER NOT NULL DEFAULT 4;
ALTER TABLE mandant ADD COLUMN konto_gebuehren INTEGER NOT NULL DEFAULT 0;
ALTER TABLE mandant ADD COLUMN konto_zinsen INTEGER NOT NULL DEFAULT 0;
ALTER TABLE geschaeftspartner ADD COLUMN mahn_email VARCHAR(120) NOT NULL DEFAULT '';
ALTER TABLE geschaeftspartner ADD COLUMN verbraucher INTEGER NOT NULL DEFAULT 0;
ALTER TABLE geschaeftspartner ADD COLUMN zentralreguliert INTEGER NOT NULL DEFAULT 0;
CREATE UNIQUE INDEX geschaeftspartner_nr ON geschaeftspartner (mandant_rnr, mandant_lnr, nr);
-- Imports find an item by client and document number.
CREATE INDEX offener_posten_beleg ON offener_posten (mandant_rnr, mandant_lnr, belegnummer);
-- Dunnings whose fees and interest went to the accounting, and when.
CREATE TABLE mahnung_export (
    mahnung_rnr INTEGER NOT NULL,
    mahnung_lnr INTEGER NOT NULL,
    exportiert_am DOUBLE PRECISION NOT NULL,
    benutzer VARCHAR(80) NOT NULL DEFAULT '',
    PRIMARY KEY (mahnung_rnr, mahnung_lnr)
);
-- Lines of a running import, checked and matched by set; emptied before the import commits.
CREATE TABLE import_zeile (
    lauf_rnr INTEGER NOT NULL,
    lauf INTEGER NOT NULL,
    datei INTEGER NOT NULL,
    zeile BIGINT NOT NULL,
    art CHAR(1) NOT NULL,
    beleg VARCHAR(40) NOT NULL,
    rate INTEGER NOT NULL,
    partner_nr INTEGER NOT NULL,
    datum DOUBLE PRECISION NOT NULL,
    faellig DOUBLE PRECISION NOT NULL,
    betrag_cent BIGINT NOT NULL,
    kommentar VARCHAR(200) NOT NULL,
    kostenstelle VARCHAR(20) NOT NULL,
    konto VARCHAR(20) NOT NULL,
    waehrung VARCHAR(3) NOT NULL,
    skonto_cent BIGINT NOT NULL,
    skonto_bis DOUBLE PRECISION NOT NULL,
    zentral INTEGER NOT NULL,
    mahnstufe INTEGER NOT NULL,
    periode INTEGER NOT NULL,
    PRIMARY KEY (lauf_rnr, lauf, datei, zeile)
);
CREATE INDEX import_zeile_beleg ON import_zeile (lauf_rnr, lauf, beleg, rate);
-- What each accounting period's posting batch contributed to an item: a batch read again replaces
-- its period's share, so batches of several periods add up without counting one twice.
CREATE TABLE import_anteil (
    mandant_rnr INTEGER NOT NULL,
    mandant_lnr INTEGER NOT NULL,
    beleg VARCHAR(40) NOT NULL,
    zeitraum VARCHAR(20) NOT NULL,
    soll_cent BIGINT NOT NULL,
    haben_cent BIGINT NOT NULL,
    PRIMARY KEY (mandant_rnr, mandant_lnr, beleg, zeitraum)
);
