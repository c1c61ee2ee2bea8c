#include "graphics/JpegDecoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "graphics/BmpDecoder.h"

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

namespace mirt {

namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
  bool damaged;  // a warning that means truncated or corrupt data
};

void OnError(j_common_ptr cinfo) {
  ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level) {
  ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (level < 0) {
    const int code = err->pub.msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HUFF_BAD_CODE || code == JWRN_BOGUS_PROGRESSION)
      err->damaged = true;
    ++err->pub.num_warnings;
  }
  // No output: the library's default writes to stderr.
}

// Everything between setjmp and the last library call lives in this frame
// or in the caller's objects, so that a longjmp skips no destructor. Returns
// false on any failure; *img holds the pixels on success.
bool Decompress(const uint8_t* data, size_t size, QImage* img, std::vector<JSAMPLE>* cmykRow) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnError;
  err.pub.emit_message = OnMessage;
  err.damaged = false;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK ||
      !PictureSizeAcceptable(cinfo.image_width, cinfo.image_height)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
  jpeg_start_decompress(&cinfo);
  const int w = int(cinfo.output_width), h = int(cinfo.output_height);
  if (!PictureSizeAcceptable(w, h) || cinfo.output_components != 4) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  *img = QImage(w, h, QImage::Format_RGB32);
  if (img->isNull()) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  if (cmyk) cmykRow->resize(size_t(w) * 4);
  // Adobe writes CMYK inverted (0 = full ink); others plain.
  const bool inverted = cinfo.saw_Adobe_marker;
  while (cinfo.output_scanline < cinfo.output_height && !err.damaged) {
    const int y = int(cinfo.output_scanline);
    QRgb* line = reinterpret_cast<QRgb*>(img->scanLine(y));
    JSAMPROW rows[1] = {cmyk ? cmykRow->data() : reinterpret_cast<JSAMPLE*>(line)};
    if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) break;
    if (cmyk) {
      const JSAMPLE* s = cmykRow->data();
      for (int x = 0; x < w; ++x, s += 4) {
        int c = s[0], m = s[1], ye = s[2], k = s[3];
        if (!inverted) {
          c = 255 - c;
          m = 255 - m;
          ye = 255 - ye;
          k = 255 - k;
        }
        line[x] = qRgb(c * k / 255, m * k / 255, ye * k / 255);
      }
    } else {
      for (int x = 0; x < w; ++x) line[x] |= 0xFF000000u;
    }
  }
  const bool complete = cinfo.output_scanline == cinfo.output_height && !err.damaged;
  if (complete) jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return complete;
}

}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, QImage& out) {
  if (data == nullptr || size == 0) return false;
  QImage img;
  std::vector<JSAMPLE> cmykRow;
  if (!Decompress(data, size, &img, &cmykRow)) return false;
  out = img;
  return true;
}

std::vector<uint8_t> EncodeJpeg(const QImage& src, int quality) {
  if (src.isNull()) return {};
  const QImage img = src.convertToFormat(QImage::Format_RGB888);
  jpeg_compress_struct c;
  jpeg_error_mgr e;
  c.err = jpeg_std_error(&e);
  jpeg_create_compress(&c);
  unsigned char* buf = nullptr;
  unsigned long len = 0;
  jpeg_mem_dest(&c, &buf, &len);
  c.image_width = JDIMENSION(img.width());
  c.image_height = JDIMENSION(img.height());
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPLE*>(img.constScanLine(int(c.next_scanline)));
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  std::vector<uint8_t> out(buf, buf + len);
  jpeg_destroy_compress(&c);
  std::free(buf);
  return out;
}

}  // namespace mirt
