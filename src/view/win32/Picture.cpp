#include "view/win32/Picture.h"

#include <wincodec.h>

#include <cstring>
#include <limits>
#include <utility>

#include "Resources.h"

namespace bx::view {

namespace {

// An owned COM interface pointer.
template <class T>
class Com {
 public:
  Com() = default;
  ~Com() {
    if (p_) p_->Release();
  }
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  T** out() { return &p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

constexpr int kIcon = 16;

}  // namespace

Picture::~Picture() {
  if (bitmap_) ::DeleteObject(bitmap_);
}

Picture::Picture(Picture&& o) noexcept
    : bitmap_(std::exchange(o.bitmap_, nullptr)), width_(o.width_), height_(o.height_) {}

Picture& Picture::operator=(Picture&& o) noexcept {
  if (this != &o) {
    if (bitmap_) ::DeleteObject(bitmap_);
    bitmap_ = std::exchange(o.bitmap_, nullptr);
    width_ = o.width_;
    height_ = o.height_;
  }
  return *this;
}

Picture Picture::Decode(std::string_view bytes) {
  Picture pic;
  if (bytes.empty() || bytes.size() > std::numeric_limits<DWORD>::max()) return pic;
  Com<IWICImagingFactory> factory;
  Com<IWICStream> stream;
  Com<IWICBitmapDecoder> decoder;
  Com<IWICBitmapFrameDecode> frame;
  Com<IWICFormatConverter> converter;
  auto* data = reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()));  // read only: the stream never writes
  if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.out()))) ||
      FAILED(factory->CreateStream(stream.out())) ||
      FAILED(stream->InitializeFromMemory(data, static_cast<DWORD>(bytes.size()))) ||
      FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.out())) ||
      FAILED(decoder->GetFrame(0, frame.out())) || FAILED(factory->CreateFormatConverter(converter.out())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)))
    return pic;
  UINT w = 0, h = 0;
  if (FAILED(converter->GetSize(&w, &h)) || w == 0 || h == 0 || w > 8192 || h > 8192) return pic;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = static_cast<LONG>(w);
  bi.bmiHeader.biHeight = -static_cast<LONG>(h);  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return pic;
  const UINT stride = w * 4;
  if (FAILED(converter->CopyPixels(nullptr, stride, stride * h, static_cast<BYTE*>(bits)))) {
    ::DeleteObject(bitmap);
    return pic;
  }
  pic.bitmap_ = bitmap;
  pic.width_ = static_cast<int>(w);
  pic.height_ = static_cast<int>(h);
  return pic;
}

void Picture::Draw(HDC dc, int x, int y) const {
  if (!bitmap_) return;
  HDC mem = ::CreateCompatibleDC(dc);
  HGDIOBJ old = ::SelectObject(mem, bitmap_);
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::GdiAlphaBlend(dc, x, y, width_, height_, mem, 0, 0, width_, height_, blend);
  ::SelectObject(mem, old);
  ::DeleteDC(mem);
}

HIMAGELIST MakeStateImages(const std::vector<std::string>& names) {
  HIMAGELIST list = ImageList_Create(kIcon, kIcon, ILC_COLOR32, static_cast<int>(names.size()) + 1, 1);
  if (!list) return nullptr;
  // Every image goes in at its index, a blank one where a picture is missing or cannot
  // be decoded, so that the indexes stay the models'.
  auto blank = [] {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof bi.bmiHeader, kIcon, -kIcon, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP b = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (b) std::memset(bits, 0, kIcon * kIcon * 4);
    return b;
  };
  HBITMAP empty = blank();
  ImageList_Add(list, empty, nullptr);
  for (const std::string& name : names) {
    const Picture pic = Picture::Decode(res::Find(name));
    const bool fits = !pic.Empty() && pic.Width() == kIcon && pic.Height() == kIcon;
    ImageList_Add(list, fits ? pic.Bitmap() : empty, nullptr);
  }
  ::DeleteObject(empty);
  return list;
}

}  // namespace bx::view
