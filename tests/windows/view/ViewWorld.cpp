#include "ViewWorld.h"
#include "support/TimeScale.h"

#include <objbase.h>
#include <wincodec.h>

#include <cstdlib>
#include <vector>

namespace bx::test {

namespace {

template <class T>
struct Com {
  T* p = nullptr;
  ~Com() {
    if (p) p->Release();
  }
  T* operator->() const { return p; }
};

std::vector<unsigned char> ClientPixels(HWND hwnd, int& w, int& h) {
  RECT r{};
  ::GetClientRect(hwnd, &r);
  w = r.right - r.left;
  h = r.bottom - r.top;
  std::vector<unsigned char> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
  if (w <= 0 || h <= 0) return {};
  ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  HDC dc = ::GetDC(hwnd);
  HDC mem = ::CreateCompatibleDC(dc);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof bi.bmiHeader, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(mem, bitmap);
  // The window as drawn on the screen, its controls included.
  ::BitBlt(mem, 0, 0, w, h, dc, 0, 0, SRCCOPY);
  ::GdiFlush();
  std::copy_n(static_cast<unsigned char*>(bits), pixels.size(), pixels.begin());
  ::SelectObject(mem, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(mem);
  ::ReleaseDC(hwnd, dc);
  for (std::size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 0xFF;  // GDI leaves alpha at 0
  return pixels;
}

}  // namespace

void UseCom() {
  static const bool once = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  (void)once;
}

bool PumpUntil(const std::function<bool()>& pred, int timeoutMs, view::MainWindow* window) {
  const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(ScaledMs(timeoutMs));
  while (!pred()) {
    if (::GetTickCount64() >= end) return pred();
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    PumpPending(window);
  }
  return true;
}

void PumpPending(view::MainWindow* window) {
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (window && window->PreTranslate(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}

std::string TextOf(HWND hwnd) {
  std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(hwnd)) + 1, '\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

bool ShowsSomething(HWND hwnd) {
  int w = 0, h = 0;
  const std::vector<unsigned char> px = ClientPixels(hwnd, w, h);
  for (std::size_t i = 4; i < px.size(); i += 4)
    if (px[i] != px[0] || px[i + 1] != px[1] || px[i + 2] != px[2]) return true;
  return false;
}

std::string ScreenshotFolder() {
  const char* dir = std::getenv("BX_SCREENSHOT_DIR");
  return dir && *dir ? std::string(dir) : std::string("screenshots-win");
}

bool SavePicture(HWND hwnd, const std::string& path) {
  int w = 0, h = 0;
  std::vector<unsigned char> px = ClientPixels(hwnd, w, h);
  if (px.empty()) return false;
  const std::wstring wide(path.begin(), path.end());  // the test's own ASCII names
  Com<IWICImagingFactory> factory;
  Com<IWICStream> stream;
  Com<IWICBitmapEncoder> encoder;
  Com<IWICBitmapFrameEncode> frame;
  Com<IPropertyBag2> props;
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  const UINT stride = static_cast<UINT>(w) * 4;
  return SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                      reinterpret_cast<void**>(&factory.p))) &&
         SUCCEEDED(factory->CreateStream(&stream.p)) &&
         SUCCEEDED(stream->InitializeFromFilename(wide.c_str(), GENERIC_WRITE)) &&
         SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder.p)) &&
         SUCCEEDED(encoder->Initialize(stream.p, WICBitmapEncoderNoCache)) &&
         SUCCEEDED(encoder->CreateNewFrame(&frame.p, &props.p)) && SUCCEEDED(frame->Initialize(props.p)) &&
         SUCCEEDED(frame->SetSize(static_cast<UINT>(w), static_cast<UINT>(h))) &&
         SUCCEEDED(frame->SetPixelFormat(&format)) &&
         SUCCEEDED(frame->WritePixels(static_cast<UINT>(h), stride, stride * static_cast<UINT>(h), px.data())) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

}  // namespace bx::test
