// The clients of the suite for the client dialog.
#pragma once

#include "interfaces.h"

class TMandListeServer : public IQEL_MandListeServer {
public:
    QVector<TMandantInfo> Mandanten_Lesen() override;
};
