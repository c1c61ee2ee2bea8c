// Sixteen bytes at a time: (a * wa + b * wb) >> 8 for each byte, in SSE2.
// With wa + wb = 256 every 16-bit lane holds its sum exactly (at most
// 255 * 256). Shared by the cross-fade and the smooth scaling.
#pragma once

#ifdef __SSE2__
#include <emmintrin.h>

namespace mirt {

inline __m128i BlendBytes(__m128i a, __m128i b, __m128i wa, __m128i wb) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(a, zero), wa),
                                                  _mm_mullo_epi16(_mm_unpacklo_epi8(b, zero), wb)),
                                    8);
  const __m128i hi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(a, zero), wa),
                                                  _mm_mullo_epi16(_mm_unpackhi_epi8(b, zero), wb)),
                                    8);
  return _mm_packus_epi16(lo, hi);
}

}  // namespace mirt
#endif
