#include "mandlisteserver.h"

#include "database_intern.h"

QVector<TMandantInfo> TMandListeServer::Mandanten_Lesen()
{
    TSqlAbfrage q(QStringLiteral("SELECT m.rnr, m.lnr, m.nr, m.name, o.ort FROM mandant m "
                                 "LEFT JOIN organisation o ON o.rnr = m.orge_rnr AND o.lnr = m.orge_lnr "
                                 "ORDER BY m.nr"));
    q.Exec();
    QVector<TMandantInfo> liste;
    while (q.Next()) {
        TMandantInfo m;
        m.Id = TIntPair{q.Int(0), q.Int(1)};
        m.Nr = q.Int(2);
        m.Name = q.Text(3);
        m.Ort = q.Text(4);
        liste << m;
    }
    return liste;
}
