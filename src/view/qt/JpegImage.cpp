#include "view/qt/JpegImage.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>

namespace bx::view {

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return: it jumps
// back into the function that made the failing call. Only plain C structures live in
// those functions, so the jump skips no destructor.
struct Decoder {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  std::jmp_buf jump;
};

[[noreturn]] void OnError(j_common_ptr cinfo) { std::longjmp(static_cast<Decoder*>(cinfo->client_data)->jump, 1); }

void Quiet(j_common_ptr, int) {}  // warnings (a truncated file, say) are not shown

// A picture larger than this is not a logo: refuse it rather than allocate for it.
constexpr JDIMENSION kMaxSide = 8192;

bool Start(Decoder* d, const unsigned char* data, unsigned long size) {
  if (setjmp(d->jump)) return false;
  jpeg_create_decompress(&d->cinfo);
  d->cinfo.client_data = d;
  jpeg_mem_src(&d->cinfo, data, size);
  if (jpeg_read_header(&d->cinfo, TRUE) != JPEG_HEADER_OK) return false;
  d->cinfo.out_color_space = JCS_RGB;
  if (d->cinfo.image_width > kMaxSide || d->cinfo.image_height > kMaxSide) return false;
  jpeg_start_decompress(&d->cinfo);
  return d->cinfo.output_components == 3;
}

bool ReadRows(Decoder* d, unsigned char* pixels, qsizetype stride) {
  if (setjmp(d->jump)) return false;
  while (d->cinfo.output_scanline < d->cinfo.output_height) {
    JSAMPROW row = pixels + static_cast<qsizetype>(d->cinfo.output_scanline) * stride;
    if (jpeg_read_scanlines(&d->cinfo, &row, 1) != 1) return false;
  }
  jpeg_finish_decompress(&d->cinfo);
  return true;
}

}  // namespace

QImage DecodeJpeg(std::string_view bytes) {
  if (bytes.empty()) return {};
  Decoder d{};
  d.cinfo.err = jpeg_std_error(&d.err);
  d.err.error_exit = OnError;
  d.err.emit_message = Quiet;
  d.cinfo.client_data = &d;
  struct Release {
    Decoder& d;
    ~Release() { jpeg_destroy_decompress(&d.cinfo); }
  } release{d};
  if (!Start(&d, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size())))
    return {};
  QImage image(static_cast<int>(d.cinfo.output_width), static_cast<int>(d.cinfo.output_height), QImage::Format_RGB888);
  if (image.isNull() || !ReadRows(&d, image.bits(), image.bytesPerLine())) return {};
  return image;
}

}  // namespace bx::view
