#pragma once
// The Update page: choosing a firmware file, starting and stopping an upload, and the
// adapter reset. The page only gathers the user's choices and starts adapter exchanges;
// the upload itself is the firmware updater's, which reports into this page's progress
// bar, status edit and log.
#include <memory>

#include "exchange/ExchangeHooks.h"
#include "firmware/Unitfwupdate.h"

namespace bx {

class AdapterSession;
class Exchange;
class WindowServices;
struct UpdateControls;
struct StatusControls;

class UpdatePage : public UploadStarter {
 public:
  // Run needs an identified adapter, which the session knows; the page ends the
  // session's upload with the updater's result.
  UpdatePage(UpdateControls& controls, StatusControls& status, WindowServices& window, Exchange& exchange,
             AdapterSession& session);
  ~UpdatePage();

  // The page's one updater, and the exchange's way to start and watch it. Destroyed
  // before the links go: a running upload is stopped while its link still exists.
  void CreateUpdater();
  void DestroyUpdater();
  FirmwareUpdater* Updater() const { return updater_.get(); }

  // The Run-button rule: with "Do not Search" a chosen file is enough, otherwise an
  // adapter must have been identified too. Also called by the exchange at every ending.
  void UpdateRunButton();

  // Whether btUpdateRun stops the running upload ("Stop") rather than starting one.
  bool OffersStop() const { return !runOffered_; }

  void rbUploadFWClick();
  void btFW_FileClick();
  void btUpdateRunClick();
  void btResetClick();

  // The exchange's upload: the updater on its link, or the adapter's refusal.
  bool StartUpdater(Link& link) override;
  void UpdateRefused(const Bytes& answer) override;

 private:
  bool UploadRunning() const;
  // The file checks that need no bootloader; false after the updater's message.
  bool FileUploadable();
  // The result of a Run or a Reset, in the page's log.
  void UploadEnded();
  void ResetEnded(int commandsBefore);
  // Run or Stop on the button: what a click on it does.
  void ShowRun(bool run);
  // What the chosen image holds, before Run: its size, its pages, its header's version.
  void ShowImage();

  // The page's controls as the updater's report; the upload's end goes to the exchange,
  // which then gives the window back.
  class PageReport : public ControlsReport {
   public:
    PageReport(UpdateControls& c, Exchange& ex);
    void Ended(bool ok) override;

   private:
    Exchange& ex_;
  };

  UpdateControls& c_;
  StatusControls& status_;
  WindowServices& window_;
  Exchange& ex_;
  AdapterSession& session_;
  PageReport report_;
  std::unique_ptr<FirmwareUpdater> updater_;
  bool runOffered_ = true;
};

}  // namespace bx
