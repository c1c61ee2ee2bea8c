#include "sound/SmfParser.h"

#include <algorithm>
#include <cstring>

#include "common/BigEndian.h"

namespace mirt {
namespace {

struct SmfTrack {
  const uint8_t* data = nullptr;  // chunk data start
  uint32_t totalTicks = 0;
  uint8_t runningStatus = 0;
  uint32_t remaining = 0;
  const uint8_t* cursor = nullptr;
  const uint8_t* end = nullptr;  // clipped to the image
  uint32_t entryCount = 0;
  uint32_t exclusiveCount = 0;

  bool active() const { return end - cursor >= 2; }
  uint8_t byte() { return cursor < end ? *cursor++ : 0; }
  void skip(uint32_t n) { cursor += std::min<size_t>(n, size_t(end - cursor)); }
  // Any number of bytes; the value keeps its low 32 bits.
  uint32_t vlq() {
    uint32_t v = 0;
    while (cursor < end) {
      uint8_t b = *cursor++;
      v = v * 128 + (b & 0x7F);
      if (!(b & 0x80)) break;
    }
    return v;
  }
  uint8_t status() {
    if (cursor < end && *cursor >= 0x80) runningStatus = *cursor++;
    return runningStatus;
  }
};

}  // namespace

void CPlayData::release() {
  events_.reset();
  exclusives_.clear();
  exclusives_.shrink_to_fit();
  division_ = 0;
  eventCount_ = 0;
  position_ = 0;
}

int CPlayData::load(const uint8_t* image, size_t size) {
  release();
  std::vector<SmfTrack> tracks;
  if (image && size >= 14) {
    uint64_t headerLength = ReadBe32(image + 4);
    uint16_t trackCount = ReadBe16(image + 10);
    division_ = ReadBe16(image + 12);
    // Chunks that do not start inside the image hold no data; stop there.
    uint64_t chunk = 8 + headerLength;
    for (uint32_t k = 0; k < trackCount && chunk + 8 <= size; ++k) {
      SmfTrack t;
      uint64_t length = ReadBe32(image + chunk + 4);
      t.data = image + chunk + 8;
      t.end = image + std::min<uint64_t>(chunk + 8 + length, size);
      tracks.push_back(t);
      chunk += 8 + length;
    }
  }

  // Pass 1: count entries and SysEx messages per track.
  uint64_t eventCount = 0, exclusiveCount = 0;
  for (SmfTrack& t : tracks) {
    t.cursor = t.data;
    while (t.active()) {
      t.totalTicks += t.vlq();
      uint8_t s = t.status();
      uint8_t hi = s & 0xF0;
      if (hi == 0xC0 || hi == 0xD0) {
        t.skip(1);
        t.entryCount += 1;
      } else if (s == 0xFE) {
      } else if (s == 0xFF) {
        uint8_t type = t.byte();
        t.skip(t.vlq());
        if (type == 0x51) t.entryCount += 2;
      } else if (s == 0xF0) {
        t.skip(t.vlq());
        t.entryCount += 1;
        t.exclusiveCount += 1;
      } else {
        t.skip(2);
        t.entryCount += 1;
      }
    }
    eventCount += t.entryCount;
    exclusiveCount += t.exclusiveCount;
  }
  // Every counted entry consumed at least one byte of the image, so these
  // are bounded by its size.
  const size_t capacity = size_t(eventCount) + 16;
  events_ = std::make_unique<PlayEvent[]>(capacity);  // value-initialised: zero
  exclusives_.resize(size_t(exclusiveCount));

  // Pass 2: merge.
  for (SmfTrack& t : tracks) {
    t.cursor = t.data;
    t.remaining = 0;
    t.runningStatus = 0;  // pass 2 reads the track exactly as pass 1 did
    t.remaining += t.vlq();
  }
  size_t i = 0, c = 0;
  uint32_t pending = 0;
  for (;;) {
    bool any = false;
    uint32_t d = 0xFFFFFFFF;
    for (const SmfTrack& t : tracks)
      if (t.active()) {
        any = true;
        d = std::min(d, t.remaining);
      }
    if (i >= capacity) break;
    if (!any) {
      events_[i].delta = 0xFFFFFFFF;  // end mark, never played
      break;
    }
    events_[i].delta = pending + d;
    for (SmfTrack& t : tracks) {
      if (!t.active() || t.remaining != d) continue;
      if (i + 1 >= capacity) break;  // cannot happen with consistent counts
      PlayEvent& e = events_[i];
      uint8_t s = t.status();
      e.status = s;
      uint8_t hi = s & 0xF0;
      bool stored = true;
      if (hi == 0xC0 || hi == 0xD0) {
        e.d1 = t.byte();
        e.d2 = 0;
      } else if (s == 0xF0) {
        uint32_t n = t.vlq();
        size_t avail = std::min<size_t>(n, size_t(t.end - t.cursor));
        if (c < exclusives_.size()) {
          CMdExclusive& x = exclusives_[c];
          x.data.resize(avail + 1);
          x.data[0] = 0xF0;
          if (avail) std::memcpy(x.data.data() + 1, t.cursor, avail);
        }
        t.skip(n);
        e.d1 = uint8_t(c);
        e.d2 = uint8_t(c >> 8);
        c += 1;
      } else if (s == 0xFF) {
        uint8_t type = t.byte();
        uint32_t n = t.vlq();
        if (type == 0x51) {
          uint32_t value = 0;
          size_t avail = std::min<size_t>(n, size_t(t.end - t.cursor));
          for (size_t k = 0; k < avail; ++k) value = value << 8 | t.cursor[k];
          t.skip(n);
          if (value != 0) {
            e.d1 = uint8_t(value);
            e.d2 = uint8_t(value >> 8);
            PlayEvent& h = events_[i + 1];
            h.delta = 0;
            h.status = 0;
            h.d1 = uint8_t(value >> 16);
            h.d2 = uint8_t(value >> 24);
            i += 1;
          } else {
            stored = false;  // a zero tempo would divide by zero when played
          }
        } else {
          t.skip(n);
          stored = false;
        }
      } else if (s == 0xFE) {
        stored = false;
      } else {
        e.d1 = t.byte();
        e.d2 = t.byte();
      }
      if (stored) {
        i += 1;
        pending = 0;
      } else {
        pending = e.delta;
      }
      if (t.active()) t.remaining += t.vlq();
    }
    for (SmfTrack& t : tracks)
      if (t.active()) t.remaining -= d;
  }
  // Slots that pass 1 counted but pass 2 did not fill (zero tempos, events
  // cut off by the end of a chunk) are never played.
  eventCount_ = uint32_t(std::min<size_t>(i, eventCount));
  return 1;
}

}  // namespace mirt
