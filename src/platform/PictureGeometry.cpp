#include "platform/PictureGeometry.h"

#include <QImage>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define MIRT_AVX2_PATH 1
#endif

#include "common/BlendBytes.h"
#include "common/ScreenSize.h"

namespace mirt {
namespace {

// A scale counts as whole when it is within rounding of an integer.
bool Whole(double s) { return std::abs(s - std::round(s)) < 1e-6; }

PictureGeometry FromDevice(int dl, int dt, int dw, int dh, double dpr, ScaleFilter filter) {
  PictureGeometry g;
  g.deviceLeft = dl;
  g.deviceTop = dt;
  g.deviceWidth = dw;
  g.deviceHeight = dh;
  g.left = dl / dpr;
  g.top = dt / dpr;
  g.width = dw / dpr;
  g.height = dh / dpr;
  const double sx = double(dw) / kScreenWidth, sy = double(dh) / kScreenHeight;
  g.smooth = !(Whole(sx) && Whole(sy)) && filter == ScaleFilter::Smooth;
  return g;
}

}  // namespace

bool ParseScaleFilter(const std::string& text, ScaleFilter* out) {
  if (text == "nearest") {
    *out = ScaleFilter::Nearest;
  } else if (text == "smooth") {
    *out = ScaleFilter::Smooth;
  } else {
    return false;
  }
  return true;
}

const char* ScaleFilterName(ScaleFilter f) {
  return f == ScaleFilter::Nearest ? "nearest" : "smooth";
}

int PictureGeometry::ClientX(double x) const {
  return int(std::floor((x - left) * kScreenWidth / width + 1e-9));
}

int PictureGeometry::ClientY(double y) const {
  return int(std::floor((y - top) * kScreenHeight / height + 1e-9));
}

PictureGeometry WindowGeometry(int scale, double dpr, ScaleFilter filter) {
  scale = std::clamp(scale, kMinWindowScale, kMaxWindowScale);
  if (!(dpr > 0)) dpr = 1;
  const int dw = int(std::lround(kScreenWidth * scale * dpr));
  const int dh = int(std::lround(kScreenHeight * scale * dpr));
  return FromDevice(0, 0, dw, dh, dpr, filter);
}

PictureGeometry FullScreenGeometry(int areaWidth, int areaHeight, double dpr, ScaleFilter filter) {
  if (!(dpr > 0)) dpr = 1;
  const int aw = std::max(1, int(std::lround(areaWidth * dpr)));
  const int ah = std::max(1, int(std::lround(areaHeight * dpr)));
  // The largest 4:3 size: whichever side runs out first decides.
  int dw, dh;
  if (int64_t(aw) * kScreenHeight <= int64_t(ah) * kScreenWidth) {
    dw = aw;
    dh = int(int64_t(aw) * kScreenHeight / kScreenWidth);
  } else {
    dh = ah;
    dw = int(int64_t(ah) * kScreenWidth / kScreenHeight);
  }
  return FromDevice((aw - dw) / 2, (ah - dh) / 2, dw, dh, dpr, filter);
}

namespace {

// Per frame column of the picture's rectangle (indices from deviceLeft):
// for nearest pixels the picture column shown; for the smooth filter the
// left tap's column and, four lanes each, the weights of the left and the
// right tap (256 - w, w).
struct ColumnTables {
  int deviceLeft = 0, deviceWidth = 0;
  bool smooth = false;
  std::vector<int> column;
  std::vector<uint16_t> weights;  // smooth only: 8 a column
};

inline uint32_t Lerp(uint32_t a, uint32_t b, uint32_t w) {
  const uint32_t iw = 256 - w;
  const uint32_t rb = (((a & 0xFF00FFu) * iw + (b & 0xFF00FFu) * w) >> 8) & 0xFF00FFu;
  const uint32_t ag = ((((a >> 8) & 0xFF00FFu) * iw + ((b >> 8) & 0xFF00FFu) * w)) & 0xFF00FF00u;
  return rb | ag;
}

// Source coordinate of an output pixel centre, 24.8 fixed point, clamped
// so that both taps lie inside the source.
inline int SourcePos(int out, int outSize, int srcSize) {
  const int64_t num = (2 * int64_t(out) + 1) * srcSize * 256 / (2 * int64_t(outSize)) - 128;
  return int(std::clamp<int64_t>(num, 0, int64_t(srcSize - 1) * 256));
}

void BuildTables(const PictureGeometry& g, ColumnTables* t) {
  t->deviceLeft = g.deviceLeft;
  t->deviceWidth = g.deviceWidth;
  t->smooth = g.smooth;
  const size_t n = size_t(g.deviceWidth);
  t->column.resize(n);
  t->weights.clear();
  if (!g.smooth) {
    for (size_t i = 0; i < n; ++i) t->column[i] = int(int64_t(i) * kScreenWidth / g.deviceWidth);
    return;
  }
  t->weights.resize(8 * n);
  for (size_t i = 0; i < n; ++i) {
    const int pos = SourcePos(int(i), g.deviceWidth, kScreenWidth);
    const int x0 = std::min(pos >> 8, kScreenWidth - 2);
    const uint16_t w = uint16_t(pos - (x0 << 8));
    t->column[i] = x0;
    for (int k = 0; k < 4; ++k) {
      t->weights[8 * i + size_t(k)] = uint16_t(256 - w);
      t->weights[8 * i + 4 + size_t(k)] = w;
    }
  }
}

// The frame's pixels, taken once on the calling thread (scanLine() on a
// non-const image counts a detach each call).
struct Pixels {
  uint8_t* bits;
  size_t stride;
  uint32_t* Row(int y) const { return reinterpret_cast<uint32_t*>(bits + size_t(y) * stride); }
};

bool TablesFit(const ColumnTables& t, const PictureGeometry& g) {
  return t.deviceLeft == g.deviceLeft && t.deviceWidth == g.deviceWidth && t.smooth == g.smooth &&
         t.column.size() == size_t(g.deviceWidth);
}

// Copies n pixels to a frame row. The frame is far larger than the caches
// and is not read again here: past the first aligned pixel the stores go
// around the cache, which spares reading each line of the frame in before
// writing it.
void StoreRow(uint32_t* out, const uint32_t* from, size_t n) {
  size_t i = 0;
#ifdef __SSE2__
  for (; i < n && (reinterpret_cast<uintptr_t>(out + i) & 15); ++i) out[i] = from[i];
  for (; i + 4 <= n; i += 4)
    _mm_stream_si128(reinterpret_cast<__m128i*>(out + i),
                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i)));
#endif
  for (; i < n; ++i) out[i] = from[i];
}

// Frame columns x0..x1 (absolute) of rows y0..y1, nearest pixels; `row`
// holds one widened picture row (x1 - x0 pixels).
void ScaleNearest(const QImage& src, const Pixels& dst, const PictureGeometry& g,
                  const ColumnTables& t, int x0, int y0, int x1, int y1, uint32_t* row) {
  const size_t n = size_t(x1 - x0);
  const int* sx = t.column.data() + (x0 - g.deviceLeft);
  // A whole number of frame pixels per picture pixel across.
  const int whole = g.deviceWidth % kScreenWidth == 0 ? g.deviceWidth / kScreenWidth : 0;
  int lastSy = -1;
  const uint32_t* shown = nullptr;  // the frame row's pixels for picture row lastSy
  for (int y = y0; y < y1; ++y) {
    const int sy = int(int64_t(y - g.deviceTop) * kScreenHeight / g.deviceHeight);
    if (sy != lastSy) {  // rows below the first showing a picture row copy it
      const auto* in = reinterpret_cast<const uint32_t*>(src.constScanLine(sy));
      if (whole == 1) {
        shown = in + sx[0];
      } else if (whole == 2 || whole == 3) {  // each picture pixel k times, from a boundary
        size_t i = 0;
        for (; i < n && (x0 - g.deviceLeft + int(i)) % whole; ++i) row[i] = in[sx[i]];
        const uint32_t* p = in + (i < n ? sx[i] : 0);
        if (whole == 2) {
          for (; i + 2 <= n; i += 2, ++p) row[i] = row[i + 1] = *p;
        } else {
          for (; i + 3 <= n; i += 3, ++p) row[i] = row[i + 1] = row[i + 2] = *p;
        }
        for (; i < n; ++i) row[i] = in[sx[i]];
        shown = row;
      } else {
        for (size_t i = 0; i < n; ++i) row[i] = in[sx[i]];
        shown = row;
      }
      lastSy = sy;
    }
    StoreRow(dst.Row(y) + x0, shown, n);
  }
}

#ifdef MIRT_AVX2_PATH
// The same arithmetic as the SSE2 loops below, 32 bytes at a time where the
// processor has AVX2; each returns how far it came.
bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

__attribute__((target("avx2"))) size_t WidenRowAvx2(const uint32_t* in, const int* x0s,
                                                    const uint16_t* weights, size_t n,
                                                    uint32_t* out) {
  const __m256i zero = _mm256_setzero_si256();
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    __m256i sums[2];
    for (int k = 0; k < 2; ++k) {
      const size_t b = i + size_t(4 * k);
      auto pair = [&](size_t c) {
        return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + x0s[c]));
      };
      // Lanes: [taps of b, b + 1] [taps of b + 2, b + 3].
      const __m256i v =
          _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_unpacklo_epi64(pair(b), pair(b + 1))),
                                  _mm_unpacklo_epi64(pair(b + 2), pair(b + 3)), 1);
      const __m256i w01 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights + 8 * b));
      const __m256i w23 =
          _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights + 8 * (b + 2)));
      const __m256i ma = _mm256_mullo_epi16(_mm256_unpacklo_epi8(v, zero),
                                            _mm256_permute2x128_si256(w01, w23, 0x20));
      const __m256i mb = _mm256_mullo_epi16(_mm256_unpackhi_epi8(v, zero),
                                            _mm256_permute2x128_si256(w01, w23, 0x31));
      sums[k] = _mm256_srli_epi16(
          _mm256_add_epi16(_mm256_unpacklo_epi64(ma, mb), _mm256_unpackhi_epi64(ma, mb)), 8);
    }
    // Lanes [i, i+1, i+4, i+5] [i+2, i+3, i+6, i+7] back into order.
    const __m256i packed = _mm256_packus_epi16(sums[0], sums[1]);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                        _mm256_permute4x64_epi64(packed, 0xD8));
  }
  return i;
}

// From i, with out + i aligned to 32 bytes.
__attribute__((target("avx2"))) size_t BlendRowsAvx2(const uint8_t* a8, const uint8_t* b8,
                                                     uint16_t wa, uint16_t wb, size_t i,
                                                     size_t bytes, uint8_t* out) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i va = _mm256_set1_epi16(short(wa)), vb = _mm256_set1_epi16(short(wb));
  for (; i + 32 <= bytes; i += 32) {
    const __m256i pa = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a8 + i));
    const __m256i pb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b8 + i));
    const __m256i lo =
        _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(pa, zero), va),
                                           _mm256_mullo_epi16(_mm256_unpacklo_epi8(pb, zero), vb)),
                          8);
    const __m256i hi =
        _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(pa, zero), va),
                                           _mm256_mullo_epi16(_mm256_unpackhi_epi8(pb, zero), vb)),
                          8);
    _mm256_stream_si256(reinterpret_cast<__m256i*>(out + i), _mm256_packus_epi16(lo, hi));
  }
  return i;
}
#endif

// One picture row widened to frame columns x0..x1 with the smooth filter's
// horizontal taps.
void WidenRow(const uint32_t* in, const int* x0s, const uint16_t* weights, size_t n,
              uint32_t* out) {
  size_t i = 0;
#ifdef MIRT_AVX2_PATH
  if (HasAvx2()) i = WidenRowAvx2(in, x0s, weights, n, out);
#endif
#ifdef __SSE2__
  const __m128i zero = _mm_setzero_si128();
  for (; i + 4 <= n; i += 4) {
    __m128i half[2];
    for (int k = 0; k < 2; ++k) {
      const size_t a = i + size_t(2 * k), b = a + 1;
      // Both taps of two frame pixels: [p0 p1 q0 q1].
      const __m128i v =
          _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + x0s[a])),
                             _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + x0s[b])));
      const __m128i ma =
          _mm_mullo_epi16(_mm_unpacklo_epi8(v, zero),
                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + 8 * a)));
      const __m128i mb =
          _mm_mullo_epi16(_mm_unpackhi_epi8(v, zero),
                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + 8 * b)));
      half[k] =
          _mm_srli_epi16(_mm_add_epi16(_mm_unpacklo_epi64(ma, mb), _mm_unpackhi_epi64(ma, mb)), 8);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(half[0], half[1]));
  }
#endif
  for (; i < n; ++i) out[i] = Lerp(in[x0s[i]], in[x0s[i] + 1], weights[8 * i + 4]);
}

// out = (a * (256 - w) + b * w) >> 8 for every byte.
void BlendRows(const uint8_t* a8, const uint8_t* b8, uint32_t w, size_t bytes, uint8_t* out) {
  const uint16_t wb = uint16_t(w), wa = uint16_t(256 - w);
  size_t i = 0;
#ifdef __SSE2__
  const __m128i va = _mm_set1_epi16(short(wa)), vb = _mm_set1_epi16(short(wb));
#ifdef MIRT_AVX2_PATH
  const uintptr_t align = HasAvx2() ? 31 : 15;
#else
  const uintptr_t align = 15;
#endif
  for (; i < bytes && (reinterpret_cast<uintptr_t>(out + i) & align); ++i)
    out[i] = uint8_t((a8[i] * wa + b8[i] * wb) >> 8);
#ifdef MIRT_AVX2_PATH
  if (align == 31) i = BlendRowsAvx2(a8, b8, wa, wb, i, bytes, out);
#endif
  for (; i + 16 <= bytes; i += 16) {
    const __m128i pa = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a8 + i));
    const __m128i pb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b8 + i));
    _mm_stream_si128(reinterpret_cast<__m128i*>(out + i),
                     BlendBytes(pa, pb, va, vb));  // as StoreRow
  }
#endif
  for (; i < bytes; ++i) out[i] = uint8_t((a8[i] * wa + b8[i] * wb) >> 8);
}

// Frame columns x0..x1 of rows y0..y1 with the smooth filter; `rows` holds
// two widened picture rows (2 x (x1 - x0) pixels).
void ScaleSmooth(const QImage& src, const Pixels& dst, const PictureGeometry& g,
                 const ColumnTables& t, int x0, int y0, int x1, int y1, uint32_t* rows) {
  const size_t n = size_t(x1 - x0);
  const size_t from = size_t(x0 - g.deviceLeft);
  const int* x0s = t.column.data() + from;
  const uint16_t* weights = t.weights.data() + 8 * from;
  // Picture rows widened once each, as the output rows come to need them.
  int have[2] = {-1, -1};
  auto widened = [&](int sy) -> const uint32_t* {
    for (int k = 0; k < 2; ++k)
      if (have[k] == sy) return rows + size_t(k) * n;
    const int k = have[0] == -1 || (have[1] != -1 && have[0] < have[1]) ? 0 : 1;
    have[k] = sy;
    uint32_t* out = rows + size_t(k) * n;
    WidenRow(reinterpret_cast<const uint32_t*>(src.constScanLine(sy)), x0s, weights, n, out);
    return out;
  };
  for (int y = y0; y < y1; ++y) {
    const int pos = SourcePos(y - g.deviceTop, g.deviceHeight, kScreenHeight);
    const int sy = std::min(pos >> 8, kScreenHeight - 2);
    const uint32_t w = uint32_t(pos - (sy << 8));
    auto* out = reinterpret_cast<uint8_t*>(dst.Row(y) + x0);
    const auto* a8 = reinterpret_cast<const uint8_t*>(widened(sy));
    if (w == 0) {
      StoreRow(reinterpret_cast<uint32_t*>(out), reinterpret_cast<const uint32_t*>(a8), n);
      continue;
    }
    BlendRows(a8, reinterpret_cast<const uint8_t*>(widened(sy + 1)), w, 4 * n, out);
  }
}

// The clip within the picture's rectangle and the frame; false when empty.
bool ClipToPicture(const QImage& picture, const QImage& frame, const PictureGeometry& g, int clipX,
                   int clipY, int clipWidth, int clipHeight, int* x0, int* y0, int* x1, int* y1) {
  if (picture.width() != kScreenWidth || picture.height() != kScreenHeight ||
      picture.depth() != 32 || frame.depth() != 32 || g.deviceWidth <= 0 || g.deviceHeight <= 0)
    return false;
  *x0 = std::max({clipX, g.deviceLeft, 0});
  *y0 = std::max({clipY, g.deviceTop, 0});
  *x1 = std::min({clipX + clipWidth, g.deviceLeft + g.deviceWidth, frame.width()});
  *y1 = std::min({clipY + clipHeight, g.deviceTop + g.deviceHeight, frame.height()});
  return *x0 < *x1 && *y0 < *y1;
}

void ScaleRows(const QImage& picture, const Pixels& frame, const PictureGeometry& g,
               const ColumnTables& t, int x0, int y0, int x1, int y1, std::vector<uint32_t>& rows) {
  rows.resize(2 * size_t(x1 - x0));
  if (g.smooth) {
    ScaleSmooth(picture, frame, g, t, x0, y0, x1, y1, rows.data());
  } else {
    ScaleNearest(picture, frame, g, t, x0, y0, x1, y1, rows.data());
  }
#ifdef __SSE2__
  _mm_sfence();  // the stores around the cache are seen before the frame is used
#endif
}

}  // namespace

void ScalePicture(const QImage& picture, QImage& frame, const PictureGeometry& g, int clipX,
                  int clipY, int clipWidth, int clipHeight) {
  int x0, y0, x1, y1;
  if (!ClipToPicture(picture, frame, g, clipX, clipY, clipWidth, clipHeight, &x0, &y0, &x1, &y1))
    return;
  ColumnTables t;
  BuildTables(g, &t);
  std::vector<uint32_t> rows;
  ScaleRows(picture, Pixels{frame.bits(), size_t(frame.bytesPerLine())}, g, t, x0, y0, x1, y1,
            rows);
}

// A large rectangle is cut into bands of rows that the calling thread and
// the helper take in turn until none are left. When the helper is slow to
// wake (the machine busy with other work) the calling thread takes every
// band itself and the helper's turn is called off, so sharing never waits
// on it.
struct PictureScaler::Impl {
  ColumnTables tables;
  std::vector<uint32_t> rows, helperRows;
  int64_t threshold = 200000;

  std::mutex mutex;
  std::condition_variable wake, done;
  std::thread helper;
  bool quit = false;
  bool pending = false;  // a job waits for the helper to take it up
  bool busy = false;     // the helper is taking bands
  // The job: rows y0..y1 of columns x0..x1, in `bands` bands.
  const QImage* picture = nullptr;
  Pixels frame{nullptr, 0};
  PictureGeometry g;
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0, bands = 0;
  std::atomic<int> next{0};

  void TakeBands(std::vector<uint32_t>& scratch) {
    const int height = y1 - y0;
    for (int b = next.fetch_add(1); b < bands; b = next.fetch_add(1))
      ScaleRows(*picture, frame, g, tables, x0, y0 + height * b / bands, x1,
                y0 + height * (b + 1) / bands, scratch);
  }

  void Run() {
    std::unique_lock lock(mutex);
    for (;;) {
      wake.wait(lock, [&] { return quit || pending; });
      if (quit) return;
      pending = false;
      busy = true;
      lock.unlock();
      TakeBands(helperRows);
      lock.lock();
      busy = false;
      done.notify_one();
    }
  }
};

PictureScaler::PictureScaler() : impl_(std::make_unique<Impl>()) {}

PictureScaler::~PictureScaler() {
  if (impl_->helper.joinable()) {
    {
      std::lock_guard lock(impl_->mutex);
      impl_->quit = true;
    }
    impl_->wake.notify_one();
    impl_->helper.join();
  }
}

void PictureScaler::SetShareThreshold(int64_t pixels) { impl_->threshold = pixels; }

void PictureScaler::Scale(const QImage& picture, QImage& frame, const PictureGeometry& g, int clipX,
                          int clipY, int clipWidth, int clipHeight) {
  int x0, y0, x1, y1;
  if (!ClipToPicture(picture, frame, g, clipX, clipY, clipWidth, clipHeight, &x0, &y0, &x1, &y1))
    return;
  Impl& d = *impl_;
  if (!TablesFit(d.tables, g)) BuildTables(g, &d.tables);
  const Pixels out{frame.bits(), size_t(frame.bytesPerLine())};
  const int64_t pixels = int64_t(x1 - x0) * (y1 - y0);
  if (pixels < d.threshold || y1 - y0 < 2) {
    ScaleRows(picture, out, g, d.tables, x0, y0, x1, y1, d.rows);
    return;
  }
  {
    std::lock_guard lock(d.mutex);
    if (!d.helper.joinable()) d.helper = std::thread([&d] { d.Run(); });
    d.picture = &picture;
    d.frame = out;
    d.g = g;
    d.x0 = x0;
    d.y0 = y0;
    d.x1 = x1;
    d.y1 = y1;
    d.bands = std::min(16, (y1 - y0) / 2);
    d.next.store(0);
    d.pending = true;
  }
  d.wake.notify_one();
  d.TakeBands(d.rows);
  std::unique_lock lock(d.mutex);
  d.pending = false;  // not taken up yet: nothing left for it
  d.done.wait(lock, [&] { return !d.busy; });
}

void FillOutsidePicture(QImage& frame, const PictureGeometry& g, int clipX, int clipY,
                        int clipWidth, int clipHeight) {
  if (frame.depth() != 32) return;
  const int x0 = std::max(clipX, 0), y0 = std::max(clipY, 0);
  const int x1 = std::min(clipX + clipWidth, frame.width());
  const int y1 = std::min(clipY + clipHeight, frame.height());
  if (x0 >= x1 || y0 >= y1) return;
  const int pl = g.deviceLeft, pt = g.deviceTop;
  const int pr = g.deviceLeft + g.deviceWidth, pb = g.deviceTop + g.deviceHeight;
  const uint32_t black = 0xFF000000u;
  for (int y = y0; y < y1; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(frame.scanLine(y));
    if (y < pt || y >= pb) {
      std::fill(row + x0, row + x1, black);
      continue;
    }
    if (x0 < pl) std::fill(row + x0, row + std::min(x1, pl), black);
    if (x1 > pr) std::fill(row + std::max(x0, pr), row + x1, black);
  }
}

bool ChangedArea(const QImage& before, const QImage& after, int* x, int* y, int* w, int* h) {
  *x = *y = 0;
  *w = after.width();
  *h = after.height();
  if (before.size() != after.size() || before.format() != after.format() || after.depth() != 32)
    return !after.isNull();
  if (before.constBits() == after.constBits()) return false;  // the same pixels, shared
  const size_t width = size_t(after.width());
  int top = -1, bottom = -1, left = after.width(), right = -1;
  for (int row = 0; row < after.height(); ++row) {
    const auto* a = reinterpret_cast<const uint32_t*>(before.constScanLine(row));
    const auto* b = reinterpret_cast<const uint32_t*>(after.constScanLine(row));
    if (std::memcmp(a, b, width * 4) == 0) continue;
    if (top < 0) top = row;
    bottom = row;
    int l = 0;
    while (a[l] == b[l]) ++l;
    int r = int(width) - 1;
    while (a[r] == b[r]) --r;
    left = std::min(left, l);
    right = std::max(right, r);
  }
  if (top < 0) return false;
  *x = left;
  *y = top;
  *w = right - left + 1;
  *h = bottom - top + 1;
  return true;
}

void DeviceRectFor(const PictureGeometry& g, int x, int y, int w, int h, int* dx, int* dy, int* dw,
                   int* dh) {
  const int grow = g.smooth ? 1 : 0;
  auto edge = [](int c, int size, int srcSize, int origin) {
    return origin + int((int64_t(c) * size + srcSize - 1) / srcSize);  // first pixel showing c
  };
  const int l = edge(std::max(0, x - grow), g.deviceWidth, kScreenWidth, g.deviceLeft);
  const int t = edge(std::max(0, y - grow), g.deviceHeight, kScreenHeight, g.deviceTop);
  const int r =
      edge(std::min(kScreenWidth, x + w + grow), g.deviceWidth, kScreenWidth, g.deviceLeft);
  const int b =
      edge(std::min(kScreenHeight, y + h + grow), g.deviceHeight, kScreenHeight, g.deviceTop);
  *dx = l;
  *dy = t;
  *dw = std::max(0, r - l);
  *dh = std::max(0, b - t);
}

}  // namespace mirt
