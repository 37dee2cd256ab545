#pragma once
// The seam between the network device list and the UDP search: the list starts and
// stops a search through NetworkSearcher and hears what it finds, and what it shows as it
// goes, through SearchSink. The Network page draws it into its controls; the command line
// and the Python module keep it.
// Both sides live on the main thread; the search calls the sink from its own timer
// ticks, never from another thread, and never after Stop has returned.
#include <string>

#include "links/NetDevice.h"

namespace bx {

class SearchSink {
 public:
  virtual ~SearchSink() = default;
  // One answer that reads as a device line; the list records it as new.
  virtual void DeviceFound(const NetDevice& device) = 0;
  // A search has begun (its socket is bound).
  virtual void SearchStarted() = 0;
  // The search is over (its passes done, or stopped); called once per started search.
  virtual void SearchEnded() = 0;
  // The search's log: every Start empties it; each destination sent to, each answer read
  // and each failure is a line.
  virtual void ClearLog() = 0;
  virtual void Line(const std::string& text) = 0;
  // The ticks of the pass done, of `ticks` a pass.
  virtual void PassProgress(int done, int ticks) = 0;
};

class NetworkSearcher {
 public:
  virtual ~NetworkSearcher() = default;
  // Target: "255.255.255.255" for the whole local network, or one device's IP text.
  // A search that cannot open its socket does not start (Running stays false).
  virtual void Start(const std::string& target) = 0;
  virtual void Stop() = 0;
  virtual bool Running() const = 0;
};

}  // namespace bx
