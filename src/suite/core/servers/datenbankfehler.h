// A failure of the database whose technical cause (driver text, statement) belongs in the error log,
// never in a message box: the clerk reads the German text, the administrator the log.
#pragma once

#include "suite/core/types.h"

class EDatenbankFehler : public EQELError {
public:
    EDatenbankFehler(const QString& text, const QString& detail) : EQELError(text), m_detail(detail) {}
    QString Detail() const { return m_detail; }

private:
    QString m_detail;
};
