#pragma once
// Decodes the JPEG pictures of image controls (the About page logo) with libjpeg.
#include <QImage>
#include <string_view>

namespace bx::view {

// A null image when the bytes are not a JPEG picture this program can show.
QImage DecodeJpeg(std::string_view bytes);

}  // namespace bx::view
