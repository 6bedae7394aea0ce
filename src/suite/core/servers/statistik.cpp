#include "statistik.h"

#include "database_intern.h"

void qel_StatistikAktualisieren() { TSqlAbfrage(QStringLiteral("ANALYZE")).Exec(); }
