-- Suite database, version 6: what each user arranged in the windows (column widths, order and sort of the
-- lists, window sizes). Keys name the window and the list; values are the suite's own short text form.
CREATE TABLE benutzer_einstellung (
    benutzer VARCHAR(80) NOT NULL,
    schluessel VARCHAR(200) NOT NULL,
    wert VARCHAR(4000) NOT NULL,
    PRIMARY KEY (benutzer, schluessel)
);
