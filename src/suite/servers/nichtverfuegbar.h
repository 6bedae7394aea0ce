// Servers of later versions report every call instead of pretending to work.
#pragma once

#include "../types.h"

[[noreturn]] inline void qel_NichtVerfuegbar(const char* server, const char* operation)
{
    throw ENichtVerfuegbar(QStringLiteral("„%1“ (%2) ist in dieser Version noch nicht verfügbar.")
                               .arg(QString::fromUtf8(operation), QString::fromUtf8(server)));
}
