-- Suite database, version 13: a dunning cancelled after its fees went to the accounting is reversed
-- there once; this is when the reversal went out (0: not yet).
ALTER TABLE mahnung_export ADD COLUMN storno_exportiert_am DOUBLE PRECISION NOT NULL DEFAULT 0;
