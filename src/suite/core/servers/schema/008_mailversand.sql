-- Suite database, version 8: dunning letters by e-mail.
-- The sender of a client's dunning mails.
ALTER TABLE mandant ADD COLUMN mail_absender_name VARCHAR(120) NOT NULL DEFAULT '';
ALTER TABLE mandant ADD COLUMN mail_absender_adresse VARCHAR(120) NOT NULL DEFAULT '';
-- Text blocks of the letter (BRIEF) and of the e-mail that carries it (EMAIL).
ALTER TABLE textbaustein ADD COLUMN art VARCHAR(10) NOT NULL DEFAULT 'BRIEF';
-- Every attempt to mail a dunning: accepted ones keep the message as an attachment of the dunning,
-- refused ones keep the letter so it can be sent again.
CREATE TABLE mahnung_versand (
    rnr INTEGER NOT NULL,
    lnr INTEGER NOT NULL,
    mahnung_rnr INTEGER NOT NULL,
    mahnung_lnr INTEGER NOT NULL,
    mandant_rnr INTEGER NOT NULL,
    mandant_lnr INTEGER NOT NULL,
    zeit DOUBLE PRECISION NOT NULL,
    empfaenger VARCHAR(254) NOT NULL,
    angenommen INTEGER NOT NULL,
    meldung VARCHAR(1000) NOT NULL DEFAULT '',
    antwort VARCHAR(1000) NOT NULL DEFAULT '',
    benutzer VARCHAR(80) NOT NULL DEFAULT '',
    betreff VARCHAR(200) NOT NULL DEFAULT '',
    mailtext TEXT NOT NULL,
    pdf_name VARCHAR(255) NOT NULL DEFAULT '',
    pdf {BLOB},
    anhang_rnr INTEGER NOT NULL DEFAULT 0,
    anhang_lnr INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (rnr, lnr)
);
CREATE INDEX mahnung_versand_mahnung ON mahnung_versand (mahnung_rnr, mahnung_lnr, zeit);
CREATE INDEX mahnung_versand_mandant ON mahnung_versand (mandant_rnr, mandant_lnr, zeit);
