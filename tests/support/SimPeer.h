#pragma once
// The simulated adapter as the far end of a scripted link, in the virtual time of the
// current event loop: what the program writes reaches the simulator's engine at once,
// and what the engine sends arrives on the link once the loop's clock has passed the time
// it leaves (a 1 ms pump timer). Bytes sent while the link is closed are lost, as on a
// real port; the adapter itself (its mode, its bootloader) lives on.
//
//   AdapterWorld w;
//   w.StartWithPort();
//   SimPeer adapter(w.link);          // takes over link.onWrite
//   w.form->btSearch.Click();
//   w.RunExchange();                  // the simulator has answered
#include "sim/AdapterModel.h"
#include "sim/Engine.h"
#include "support/ScriptedLink.h"
#include "ui/Controls.h"

namespace bx::test {

class SimPeer {
 public:
  explicit SimPeer(ScriptedLink& link, sim::Scenario scenario = sim::Scenario());
  ~SimPeer();
  SimPeer(const SimPeer&) = delete;
  SimPeer& operator=(const SimPeer&) = delete;

  bool InBootloader() const { return engine_.InBootloader(); }
  sim::AdapterModel model;

 private:
  sim::SimTime Now() const;
  void Pump();

  ScriptedLink& link_;
  sim::Engine engine_;
  ui::TTimer pump_{"tmrSimPeer", 1, false};
};

}  // namespace bx::test
