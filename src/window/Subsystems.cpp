#include "exchange/Exchange.h"
#include "exchange/PortList.h"
#include "update/UpdatePage.h"
#include "window/Unitmain.h"
#include "links/LinkTable.h"
#include "netdev/NetworkPage.h"
#include "netdev/NetworkSearch.h"
#include "passthru/PassThruPage.h"
#include "selftest/SelfTest.h"
#include "window/Modules.h"
#include "window/TableLinks.h"
#include "window/WindowHooks.h"

namespace bx {

namespace {


void CreateLinks(TfrmMain& form) {
  if (!form.ctx.startLinks) return;
  LinkConfig config;
  config.registry = form.ctx.registry;
  config.settingsKey = form.settings.SettingsKey;
  if (form.ctx.serialListing == SerialPortListing::Registry) config.serialSource = SerialSource::Registry;
  config.sysRoot = form.ctx.sysfsRoot;
  config.devRoot = form.ctx.devRoot;
  for (const auto& [name, description] : form.ctx.virtualPorts) config.virtualPorts.push_back({name, description, ""});
  config.trace = form.ctx.trace;
  form.Links = LinksCreate(config);
  LinkTable* links = form.Links.get();
  Exchange& ex = *form.Modules->exchange;
  form.Modules->links = std::make_unique<TableLinks>(*links, form.ctx.sysfsRoot);
  ex.Connect(form.Modules->links.get());
  // The driver transfer opens the chosen port the same way, within its click.
  form.Modules->passThru->Installer().Connect(form.Modules->links.get());
  PortList& ports = *form.Modules->ports;
  ports.Connect(form.Modules->links.get());
  ports.serialPrefix = links->Serial(0).Prefix();
  ports.firstWhenNoneUsed = form.ctx.hasView;
  // The page reads the stored list as the network link has it after its next pass.
  form.Modules->network->Connect(form.Modules->links.get());
}

}  // namespace

void CreateSubsystems(TfrmMain& form) {
  form.Modules->update->CreateUpdater();
  CreateLinks(form);
}

void DestroySubsystems(TfrmMain& form) {
  form.Modules->search->Stop();            // closes its socket
  form.Modules->update->DestroyUpdater();  // before the links: a running upload still holds one
  // Also before the links: the opener thread of an exchange may still be inside Open.
  form.Modules->exchange->DropLinks();
  if (form.Links) {
    form.Modules->passThru->Installer().Connect(nullptr);
    form.Modules->ports->Connect(static_cast<PortFeed*>(nullptr));
    form.Modules->network->Connect(static_cast<SavedDevices*>(nullptr));
    form.Links.reset();  // ends every scan, receive and transmit thread
    form.Modules->links.reset();
  }
}

void LiveOutputTimer(TfrmMain& form) {
  if (form.Modules && form.Modules->selftest) form.Modules->selftest->tmrMemoTimer();
}

}  // namespace bx
