#include "platform/win32/Win32.h"

namespace bx::win32 {

std::string ErrorText(DWORD code) {
  char* text = nullptr;
  const DWORD n = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
      MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0, nullptr);
  std::string out = n && text ? std::string(text, n) : std::string();
  if (text) ::LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
  if (out.empty()) out = "error " + std::to_string(code);
  return out;
}

WinsockUse::WinsockUse() {
  WSADATA data;
  started_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockUse::~WinsockUse() {
  if (started_) ::WSACleanup();
}

}  // namespace bx::win32
