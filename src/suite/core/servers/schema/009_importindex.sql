-- Suite database, version 9: the import reads its staged lines in the index's own order, so a slice
-- stops after its rows instead of sorting every staged line again.
DROP INDEX import_zeile_beleg;
CREATE INDEX import_zeile_beleg ON import_zeile (lauf_rnr, lauf, beleg, rate, datei, zeile);
