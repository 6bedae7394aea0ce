-- Suite database, version 7: the letter of a dunning as it was first sent, kept with the dunning.
-- Archived letters live with the attachments (archiv = 1) and are never listed or removed as such.
ALTER TABLE anhang ADD COLUMN archiv INTEGER NOT NULL DEFAULT 0;
CREATE UNIQUE INDEX anhang_brief ON anhang (besitzer_rnr, besitzer_lnr) WHERE archiv = 1;
-- 1 while the dunning's letter has not been output yet. Dunnings booked before this version were
-- printed back then without an archive: their later prints are copies.
ALTER TABLE mahnung ADD COLUMN brief_offen INTEGER NOT NULL DEFAULT 1;
UPDATE mahnung SET brief_offen = 0;
