#pragma once
// The Windows headers for the win32 backends, in the order Winsock needs, without the
// macros that would rename this program's own functions; and small helpers they share.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#undef MessageBox

#include <string>

namespace bx::win32 {

// The system's text for an error code, without its trailing line end ("Access is
// denied."); the number when the system has no text for it.
std::string ErrorText(DWORD code);

// An owned kernel handle (file, event, thread): closed once, by the owner.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { Reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle(Handle&& o) noexcept : h_(o.Release()) {}
  Handle& operator=(Handle&& o) noexcept {
    if (this != &o) Reset(o.Release());
    return *this;
  }
  HANDLE get() const { return h_; }
  bool Valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  HANDLE Release() {
    HANDLE h = h_;
    h_ = nullptr;
    return h;
  }
  void Reset(HANDLE h = nullptr) {
    if (Valid()) ::CloseHandle(h_);
    h_ = h;
  }

 private:
  HANDLE h_ = nullptr;
};

// Winsock 2.2 for as long as the object lives; the calls nest, so every user of sockets
// holds one of its own.
class WinsockUse {
 public:
  WinsockUse();
  ~WinsockUse();
  WinsockUse(const WinsockUse&) = delete;
  WinsockUse& operator=(const WinsockUse&) = delete;
  bool Started() const { return started_; }

 private:
  bool started_ = false;
};

}  // namespace bx::win32
