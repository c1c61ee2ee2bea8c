#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <random>
#include <vector>

#include "sound/SmfParser.h"

namespace mirt {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes smf(std::initializer_list<Bytes> tracks, uint16_t format = 1, uint16_t division = 480) {
  Bytes b = {'M',
             'T',
             'h',
             'd',
             0,
             0,
             0,
             6,
             0,
             uint8_t(format),
             0,
             uint8_t(tracks.size()),
             uint8_t(division >> 8),
             uint8_t(division)};
  for (const Bytes& t : tracks) {
    uint32_t n = uint32_t(t.size());
    b.insert(b.end(),
             {'M', 'T', 'r', 'k', uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
    b.insert(b.end(), t.begin(), t.end());
  }
  return b;
}

struct Entry {
  uint32_t tick;  // absolute
  uint32_t msg;
  bool operator==(const Entry&) const = default;
};

std::vector<Entry> entries(const CPlayData& p) {
  std::vector<Entry> r;
  uint32_t t = 0;
  for (uint32_t i = 0; i < p.eventCount(); ++i) {
    const PlayEvent& e = p.events()[i];
    t += e.delta;
    r.push_back({t, uint32_t(e.status) | e.d1 << 8 | e.d2 << 16});
  }
  return r;
}

std::vector<Entry> parse(const Bytes& b) {
  CPlayData p;
  EXPECT_EQ(p.load(b.data(), b.size()), 1);
  return entries(p);
}

void load(CPlayData& p, const Bytes& file) { p.load(file.data(), file.size()); }

const Bytes kEot = {0x00, 0xFF, 0x2F, 0x00};

Bytes cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(SmfParser, MergesTracksOneEventPerTrackPerStep) {
  Bytes t0 = cat({0x00, 0x90, 0x3C, 0x40, 0x00, 0x3E, 0x40, 0x60, 0x80, 0x3C, 0x00}, kEot);
  Bytes t1 = cat({0x00, 0x91, 0x30, 0x40, 0x00, 0x32, 0x40, 0x30, 0x81, 0x30, 0x00}, kEot);
  CPlayData p;
  load(p, smf({t0, t1}));
  EXPECT_EQ(p.division(), 480);
  std::vector<Entry> want = {{0, 0x403C90}, {0, 0x403091},    {0, 0x403E90},
                             {0, 0x403291}, {0x30, 0x003081}, {0x60, 0x003C80}};
  EXPECT_EQ(entries(p), want);
  // The slot after the last entry is never played and carries the end mark.
  EXPECT_EQ(p.events()[p.eventCount()].delta, 0xFFFFFFFFu);
}

TEST(SmfParser, DroppedEventsCarryTheirTimeAndEndOfTrackTimeIsLost) {
  // A text event alone at tick 100, a note at 150, end of track at 1000.
  Bytes t = {0x64, 0xFF, 0x01, 0x02, 'h',  'i',  0x32, 0x90,
             0x3C, 0x40, 0x87, 0x04, 0xFF, 0x2F, 0x00};
  CPlayData p;
  load(p, smf({t}));
  ASSERT_EQ(p.eventCount(), 1u);
  EXPECT_EQ(p.events()[0].delta, 150u);
  EXPECT_EQ(p.events()[1].delta, 0xFFFFFFFFu);
}

TEST(SmfParser, Format0AndFormat1GiveTheSameTiming) {
  Bytes f0 = smf({cat({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0x90, 0x3C, 0x40, 0x10, 0x91,
                       0x40, 0x40, 0x20, 0x80, 0x3C, 0x00},
                      kEot)},
                 0);
  Bytes f1 = smf({cat({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}, kEot),
                  cat({0x00, 0x90, 0x3C, 0x40, 0x30, 0x80, 0x3C, 0x00}, kEot),
                  cat({0x10, 0x91, 0x40, 0x40}, kEot)});
  EXPECT_EQ(parse(f0), parse(f1));
  ASSERT_EQ(parse(f0).size(), 5u);
}

TEST(SmfParser, TempoBecomesTwoEntriesOfAnyLength) {
  Bytes f = smf({{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x05, 0xFF, 0x51, 0x04, 0x12, 0x34,
                  0x56, 0x78, 0x00, 0xFF, 0x2F, 0x00}});
  CPlayData p;
  p.load(f.data(), f.size());
  ASSERT_EQ(p.eventCount(), 4u);
  const PlayEvent* e = p.events();
  EXPECT_EQ(e[0].status, 0xFF);
  EXPECT_EQ(e[0].d1 | e[0].d2 << 8, 0xA120);
  EXPECT_EQ(e[1].delta, 0u);
  EXPECT_EQ(e[1].status, 0);
  EXPECT_EQ(e[1].d1 | e[1].d2 << 8, 0x0007);
  EXPECT_EQ(e[2].delta, 5u);
  EXPECT_EQ(e[2].d1 | e[2].d2 << 8, 0x5678);
  EXPECT_EQ(e[3].d1 | e[3].d2 << 8, 0x1234);
}

TEST(SmfParser, SingleTrackEntries) {
  struct Case {
    const char* what;
    Bytes track;
    std::vector<Entry> want;
  };
  const Case cases[] = {
      // unfilled counted slots are not played
      {"zero tempo is dropped and its time carried",
       cat({0x10, 0xFF, 0x51, 0x03, 0, 0, 0, 0x10, 0x90, 0x3C, 0x40}, kEot),
       {{0x20, 0x403C90}}},
      // running status over a dropped meta event; program change has one
      // data byte; 0xF7 and system-common statuses take two
      {"running status and message lengths",
       cat({0x00, 0xC2, 0x05, 0x00, 0x06, 0x00, 0xFF, 0x01, 0x00, 0x00, 0xB1, 0x07,
            0x64, 0x00, 0x0A, 0x40, 0x00, 0xF7, 0x01, 0x02, 0x00, 0xF2, 0x03, 0x04},
           kEot),
       {{0, 0x0005C2}, {0, 0x0006C2}, {0, 0x6407B1}, {0, 0x400AB1}, {0, 0x0201F7}, {0, 0x0403F2}}},
      // after the meta event, 0x2F is taken as the meta type under running 0xFF
      {"data byte after a meta event is read with status FF",
       {0x00, 0xFF, 0x01, 0x00, 0x00, 0x2F, 0x00, 0x00, 0x90, 0x3C, 0x40},
       {{0, 0x403C90}}},
      {"a long delta keeps its low 32 bits",
       cat({0x81, 0x80, 0x80, 0x80, 0x80, 0x05, 0x90, 0x3C, 0x40}, kEot),
       {{5, 0x403C90}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(parse(smf({c.track})), c.want);
  }
}

TEST(SmfParser, SysExBuffersInFileOrder) {
  Bytes t0 = cat({0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7}, kEot);
  Bytes t1 = cat({0x00, 0xF0, 0x02, 0x41, 0xF7}, kEot);
  CPlayData p;
  load(p, smf({t0, t1}));
  ASSERT_EQ(p.eventCount(), 2u);
  ASSERT_EQ(p.exclusiveCount(), 2u);
  EXPECT_EQ(p.events()[1].status, 0xF0);
  EXPECT_EQ(p.events()[1].d1, 1);
  EXPECT_EQ(p.exclusive(0)->data, (Bytes{0xF0, 0x7E, 0x7F, 0xF7}));
  EXPECT_EQ(p.exclusive(1)->data, (Bytes{0xF0, 0x41, 0xF7}));
  EXPECT_EQ(p.exclusive(2), nullptr);
}

TEST(SmfParser, EmptyAndReleasedSongs) {
  CPlayData p;
  EXPECT_FALSE(p.hasSong());
  Bytes f = smf({});
  p.load(f.data(), f.size());
  EXPECT_TRUE(p.hasSong());
  EXPECT_EQ(p.eventCount(), 0u);
  EXPECT_FALSE(p.notFinished());
  p.release();
  EXPECT_FALSE(p.hasSong());
  EXPECT_EQ(p.division(), 0);
  EXPECT_EQ(p.load(nullptr, 0), 1);
  EXPECT_EQ(p.eventCount(), 0u);
}

TEST(SmfParser, TruncatedAndInconsistentFilesStayInBounds) {
  Bytes t0 = cat({0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7, 0x00, 0xFF, 0x51, 0x03,
                  0x07, 0xA1, 0x20, 0x00, 0x90, 0x3C, 0x40, 0x10, 0xC0, 0x01},
                 kEot);
  Bytes full = smf({t0, t0});
  // Every prefix, copied so that ASan sees reads past its end.
  for (size_t n = 0; n <= full.size(); ++n) {
    std::vector<uint8_t> cut(full.begin(), full.begin() + n);
    CPlayData p;
    p.load(cut.data(), cut.size());
    EXPECT_LE(p.eventCount(), 10u);
  }
  // Chunk length far past the end; SysEx length far past the end.
  Bytes big = smf({{0x00, 0x90, 0x3C, 0x40, 0x00, 0xF0, 0x8F, 0xFF, 0xFF, 0x7F, 0x01}});
  big[21] = 0x7F;
  CPlayData p;
  p.load(big.data(), big.size());
  ASSERT_EQ(p.eventCount(), 2u);
  EXPECT_EQ(p.exclusive(0)->data, (Bytes{0xF0, 0x01}));
  // Absurd track count, header length past the end.
  Bytes hdr = smf({});
  hdr[10] = hdr[11] = 0xFF;
  p.load(hdr.data(), hdr.size());
  EXPECT_EQ(p.eventCount(), 0u);
  hdr[4] = 0xFF;
  p.load(hdr.data(), hdr.size());
  EXPECT_EQ(p.eventCount(), 0u);
}

TEST(SmfParser, RandomBytesAreSafe) {
  std::mt19937 rng(7);
  for (int round = 0; round < 2000; ++round) {
    Bytes b = smf({});
    b[11] = uint8_t(rng() % 4);
    size_t n = rng() % 200;
    for (size_t k = 0; k < n; ++k) b.push_back(uint8_t(rng()));
    CPlayData p;
    p.load(b.data(), b.size());
    ASSERT_LE(p.eventCount(), b.size());
    for (uint32_t i = 0; i < p.eventCount(); ++i) {
      const PlayEvent& e = p.events()[i];
      if (e.status == 0xF0) {
        ASSERT_NE(p.exclusive(e.d1 | e.d2 << 8), nullptr);
      }
    }
  }
}

}  // namespace
}  // namespace mirt
