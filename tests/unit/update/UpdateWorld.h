#pragma once
// A window with one scripted port whose adapter answers the search, enters its bootloader
// on "!dulMAR_SC_U" and from then on is a scripted bootloader.
#include <filesystem>
#include <memory>

#include "firmware/Unitfwupdate.h"
#include "exchange/Identity.h"
#include "update/UpdatePage.h"
#include "window/Modules.h"
#include "support/AdapterWorld.h"
#include "support/ScriptedBootloader.h"
#include "support/TempFile.h"

namespace bx::test {

inline const std::string kEnterBoot = "!dulMAR_SC_U";
inline const std::string kReset = "!dulMAR_SC_R";

struct UpdateWorld : AdapterWorld {
  std::unique_ptr<ScriptedBootloader> boot = std::make_unique<ScriptedBootloader>(link);
  TempFolder folder;
  bool inBoot = false;      // the adapter is in its bootloader
  int promptAfterMs = 300;  // the bootloader's ">" after entering it; -1: none
  Bytes enterReply = Frame({"Bootloader"});

  // The window goes first: a running upload still needs the link when the window closes.
  ~UpdateWorld() { form.reset(); }

  TfrmMain& StartAdapter(std::vector<std::string> args = {}) {
    TfrmMain& f = StartWithPort("/dev/ttyACM0", "/sys/x", std::move(args));
    replies["!dulMAR_SC_I"] = Frame({"SN:BX240017", "FW:3.2.1.7", "01 - OBD"});
    link.onWrite = [this](const Bytes& b) {
      if (b == kReset) {  // the restart brings the firmware back, from the bootloader too
        commands.push_back(b);
        NewBootloader();
        return;
      }
      if (inBoot) return boot->Feed(b);
      commands.push_back(b);
      if (b == kEnterBoot) {
        link.Receive(enterReply, false);
        EnterBootloader();
        return;
      }
      if (auto it = replies.find(b); it != replies.end()) link.Receive(it->second, false);
    };
    return f;
  }
  void EnterBootloader() {
    inBoot = true;
    if (promptAfterMs >= 0) boot->PromptAfter(promptAfterMs);
  }
  // A fresh adapter, back in its firmware.
  void NewBootloader() {
    boot = std::make_unique<ScriptedBootloader>(link);
    inBoot = false;
  }

  bool Identify() {
    form->btSearch.Click();
    return RunExchange() && !form->edSerial.Text().empty();
  }
  // Writes the file and chooses it through the file dialog.
  std::string ChooseFile(const Bytes& contents, const std::string& name = "image.rfw") {
    const std::string path = folder.Write(name, contents);
    dialogs.files.push_back(path);
    form->btFW_File.Click();
    return path;
  }
  FirmwareUpdater& Updater() { return *form->Modules->update->Updater(); }
  std::vector<std::string> Log() const { return form->memUpdate.Lines(); }
};

}  // namespace bx::test
