-- Suite database, version 3: dunning rules of a client, the base rates added after the shipped table,
-- dunning blocks, the flat fee of a position and cancelled dunnings.
CREATE TABLE mahn_einstellung (
    mandant_rnr INTEGER NOT NULL,
    mandant_lnr INTEGER NOT NULL,
    max_gebuehr_cent BIGINT NOT NULL DEFAULT 250,
    ziel_tage_erste INTEGER NOT NULL DEFAULT 14,
    ziel_tage_weitere INTEGER NOT NULL DEFAULT 5,
    nur_werktage INTEGER NOT NULL DEFAULT 0,
    bundesland VARCHAR(2) NOT NULL DEFAULT '',
    mindest_tage INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (mandant_rnr, mandant_lnr)
);
CREATE TABLE mahn_stufe (
    mandant_rnr INTEGER NOT NULL,
    mandant_lnr INTEGER NOT NULL,
    stufe INTEGER NOT NULL,
    gebuehr_cent BIGINT,
    tb_rnr INTEGER,
    tb_lnr INTEGER,
    PRIMARY KEY (mandant_rnr, mandant_lnr, stufe)
);
CREATE TABLE basiszins (
    gueltig_ab DOUBLE PRECISION NOT NULL PRIMARY KEY,
    gueltig_bis DOUBLE PRECISION NOT NULL,
    satz_hundertstel INTEGER NOT NULL
);
CREATE TABLE mahnsperre (
    rnr INTEGER NOT NULL,
    lnr INTEGER NOT NULL,
    mandant_rnr INTEGER NOT NULL,
    mandant_lnr INTEGER NOT NULL,
    gep_rnr INTEGER NOT NULL DEFAULT 0,
    gep_lnr INTEGER NOT NULL DEFAULT 0,
    op_rechner_nr INTEGER NOT NULL DEFAULT 0,
    op_trans_nr INTEGER NOT NULL DEFAULT 0,
    op_lfd_nr INTEGER NOT NULL DEFAULT 0,
    grund VARCHAR(200) NOT NULL,
    bis DOUBLE PRECISION NOT NULL,
    benutzer VARCHAR(80) NOT NULL DEFAULT '',
    angelegt DOUBLE PRECISION NOT NULL,
    aufgehoben DOUBLE PRECISION NOT NULL DEFAULT 0,
    PRIMARY KEY (rnr, lnr)
);
CREATE INDEX mahnsperre_mandant ON mahnsperre (mandant_rnr, mandant_lnr, bis);
ALTER TABLE mahnung_position ADD COLUMN pauschale_cent BIGINT NOT NULL DEFAULT 0;
DROP INDEX mahnung_position_summe;
CREATE INDEX mahnung_position_summe ON mahnung_position (mahnung_rnr, mahnung_lnr, mahnstufe, saldo_cent,
    mahngebuehren_cent, verzugszins_cent, pauschale_cent);
ALTER TABLE mahnung ADD COLUMN storniert_am DOUBLE PRECISION NOT NULL DEFAULT 0;
ALTER TABLE mahnung ADD COLUMN storniert_von VARCHAR(80) NOT NULL DEFAULT '';
ALTER TABLE mahnung ADD COLUMN storno_grund VARCHAR(200) NOT NULL DEFAULT '';
