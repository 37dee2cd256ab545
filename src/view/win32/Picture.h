#pragma once
// Pictures decoded with the platform's imaging component: the About page logo (JPEG) and
// the state images of the lists (PNG).
#include <string>
#include <string_view>
#include <vector>

#include "view/win32/WinApi.h"

namespace bx::view {

// An owned bitmap (a 32-bit top-down DIB section with premultiplied alpha).
class Picture {
 public:
  Picture() = default;
  ~Picture();
  Picture(Picture&& o) noexcept;
  Picture& operator=(Picture&& o) noexcept;
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  // An empty picture when the bytes are not a picture the imaging component can decode.
  // COM must be initialised on the calling thread.
  static Picture Decode(std::string_view bytes);
  bool Empty() const { return bitmap_ == nullptr; }
  HBITMAP Bitmap() const { return bitmap_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Paints the picture with its top left corner at (x, y), blended over what is there.
  void Draw(HDC dc, int x, int y) const;

 private:
  HBITMAP bitmap_ = nullptr;
  int width_ = 0, height_ = 0;
};

// The list of state images (image 0 blank, state image i as image i + 1), 16 x 16, from
// the embedded pictures named in `names`.
HIMAGELIST MakeStateImages(const std::vector<std::string>& names);

}  // namespace bx::view
