#include "belegeditserver.h"
#include "database_intern.h"
#include "dokumentserver.h"
#include "gplistenserver.h"
#include "interfaces.h"
#include "mahnungeditserver.h"
#include "mandlisteserver.h"
#include "printeditserver.h"
#include "systemserver.h"
#include "zahlungeditserver.h"

namespace {

// Every server works on the open suite connection; without it none is handed out.
template <class Impl, class Ref>
void holen(Ref& s)
{
    if (!TSuiteDatenbank::Offen())
        throw EQELError(QStringLiteral("Die Datenbank der Suite ist nicht geöffnet; es steht kein Server zur Verfügung."));
    s = std::make_shared<Impl>();
}

}  // namespace

void TGlobServerFactory::ZahlungEditServer_Holen(IQEL_ZahlungEditServerRef& s) { holen<TZahlungEditServer>(s); }
void TGlobServerFactory::ZahlungEditServer_Freigeben(IQEL_ZahlungEditServerRef& s) { s.reset(); }
void TGlobServerFactory::MahnungEditServer_Holen(IQEL_MahnungEditServerRef& s) { holen<TMahnungEditServer>(s); }
void TGlobServerFactory::MahnungEditServer_Freigeben(IQEL_MahnungEditServerRef& s) { s.reset(); }

void TGlobWWSServerFactory::GPListenServer_Holen(IQEL_GPListenServerRef& s) { holen<TGPListenServer>(s); }
void TGlobWWSServerFactory::GPListenServer_Freigeben(IQEL_GPListenServerRef& s) { s.reset(); }
void TGlobWWSServerFactory::PrintEditServer_Holen(IQEL_PrintEditServerRef& s) { holen<TPrintEditServer>(s); }
void TGlobWWSServerFactory::PrintEditServer_Freigeben(IQEL_PrintEditServerRef& s) { s.reset(); }
void TGlobWWSServerFactory::BelegEditServer_Holen(IQEL_BelegEditServerRef& s) { holen<TBelegEditServer>(s); }
void TGlobWWSServerFactory::BelegEditServer_Freigeben(IQEL_BelegEditServerRef& s) { s.reset(); }
void TGlobWWSServerFactory::DokumentServer_Holen(IQEL_DokumentServerRef& s) { holen<TDokumentServer>(s); }
void TGlobWWSServerFactory::DokumentServer_Freigeben(IQEL_DokumentServerRef& s) { s.reset(); }
void TGlobWWSServerFactory::MandListeServer_Holen(IQEL_MandListeServerRef& s) { holen<TMandListeServer>(s); }
void TGlobWWSServerFactory::MandListeServer_Freigeben(IQEL_MandListeServerRef& s, const QString& aufrufer)
{
    // The caller's context only names who gave the server back; nothing is kept per caller.
    Q_UNUSED(aufrufer);
    s.reset();
}
void TGlobWWSServerFactory::SystemServer_Holen(IQEL_SystemServerRef& s) { holen<TSystemServer>(s); }
void TGlobWWSServerFactory::SystemServer_Freigeben(IQEL_SystemServerRef& s) { s.reset(); }

TGlobServerFactory& Glob_ServerFactoryClass()
{
    static TGlobServerFactory factory;
    return factory;
}

TGlobWWSServerFactory& Glob_WWSServerFactoryClass()
{
    static TGlobWWSServerFactory factory;
    return factory;
}
