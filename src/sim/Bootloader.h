#pragma once
// The adapter's bootloader: answers the connect request "<" with "+", checks the header
// frame's checksum, reports page size, serial number and ID, then asks for the pages one by
// one ("." + number), checks every page frame's checksum (a bad one is answered "-" and
// asked for again), acknowledges each written page ("+" 2 + number) and, on the end frame,
// stores the image and acknowledges 0xFFFF. Transport-independent; time comes with the bytes.
#include <functional>
#include <optional>

#include "core/Bytes.h"
#include "sim/AdapterModel.h"
#include "sim/SimTime.h"

namespace bx::sim {

class Bootloader {
 public:
  using Emit = std::function<void(Bytes bytes, SimTime at)>;

  // `start` is when the bootloader took over; the optional prompt is timed from it.
  Bootloader(AdapterModel& model, Emit emit, SimTime start);

  void Feed(char c, SimTime t);
  bool AtBoundary() const;  // between frames, where a "!" starts an adapter command
  std::optional<SimTime> Deadline() const;
  void Expire(SimTime now);  // handles every deadline not later than `now`
  bool Finished() const { return state_ == State::Done; }

  static constexpr std::size_t kHeaderBytes = 80;
  static constexpr std::size_t kExtensionBytes = 184;

 private:
  enum class State { Idle, Connected, Header, Extension, WaitPage, Frame, Flashing, Done };

  void Connect(SimTime t);
  void HeaderDone(SimTime t);
  void HeaderReply(SimTime t);
  void PageDone(SimTime t);
  void EndFrame(SimTime t);
  void Ack(SimTime t);
  void Nak(uint16_t rerequest, SimTime t, const std::string& why);
  void Send(Bytes b, SimTime t) { emit_(std::move(b), t); }
  static Bytes Plus(const Bytes& data);
  static Bytes Request(uint16_t page);

  AdapterModel& m_;
  Emit emit_;
  State state_ = State::Idle;
  std::optional<SimTime> promptAt_;
  SimTime lastByte_{};
  SimTime flashDoneAt_{};
  Bytes frame_;
  Bytes header_, extension_, image_;
  uint16_t expected_ = 0;
  uint16_t flashing_ = 0;
  int pageSize_;
};

uint16_t PageChecksum(std::string_view data);

}  // namespace bx::sim
