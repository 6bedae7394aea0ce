-- Suite database, version 2: the list of booked dunnings reads its sums from indexes alone.
CREATE INDEX mahnung_liste ON mahnung (mandant_rnr, mandant_lnr, mahnungsdatum, beleg_rnr, rnr, lnr);
CREATE INDEX mahnung_position_summe ON mahnung_position (mahnung_rnr, mahnung_lnr, mahnstufe, saldo_cent,
    mahngebuehren_cent, verzugszins_cent);
