#include "servermeldung.h"

#include <QtGlobal>

namespace {
TServerMeldungSink& sink()
{
    static TServerMeldungSink s;
    return s;
}
}  // namespace

void qel_SetServerMeldung(TServerMeldungSink s) { sink() = std::move(s); }

void qel_ServerMeldung(const QString& text)
{
    if (sink())
        sink()(text);
    else
        qWarning("%s", qPrintable(text));
}
