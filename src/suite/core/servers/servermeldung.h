// How a server tells the clerk why it refused an operation, without depending on any window code.
#pragma once

#include <QString>
#include <functional>

using TServerMeldungSink = std::function<void(const QString& text)>;
// The program object routes these to the message service; unset, they go to the log.
void qel_SetServerMeldung(TServerMeldungSink sink);
void qel_ServerMeldung(const QString& text);
