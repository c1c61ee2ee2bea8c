// The packed decoder reads several codes per table lookup; these cases aim
// at the seams: codes around the lookup width, streams that end part-way
// through a run of short codes, and the deepest trees.
#include <gtest/gtest.h>

#include <bit>
#include <random>
#include <string>

#include "common/LittleEndian.h"
#include "graphics/PackedPicture.h"

using namespace mirt;

namespace {

struct Bits {
  std::vector<uint8_t> v;
  void Put(uint64_t x, int n) {
    for (int i = n - 1; i >= 0; --i) v.push_back(uint8_t((x >> i) & 1));
  }
  void PutOnes(int n) { v.insert(v.end(), size_t(n), 1); }
  // The file: header with length L, then the bits packed first bit highest.
  std::vector<uint8_t> File(uint32_t length) const {
    std::vector<uint8_t> f = {'A', 'R', 'C', '1'};
    AppendLe32(f, length);
    for (size_t i = 0; i < v.size(); i += 8) {
      uint8_t b = 0;
      for (size_t k = 0; k < 8; ++k) b = uint8_t(b << 1 | (i + k < v.size() ? v[i + k] : 0));
      f.push_back(b);
    }
    return f;
  }
};

// A plain bit-at-a-time decoder to hold the table-driven one against.
struct Reference {
  explicit Reference(const std::vector<uint8_t>& file) : f(file) {}
  const std::vector<uint8_t>& f;
  size_t bit = 64;  // past the 8-byte header
  std::vector<int> left, right;

  bool Next(int& b) {
    if (bit >= f.size() * 8) return false;
    b = (f[bit / 8] >> (7 - bit % 8)) & 1;
    ++bit;
    return true;
  }
  PackedStatus Tree(int& node) {
    int b;
    if (!Next(b)) return PackedStatus::kTruncated;
    if (b == 0) {
      node = 0;
      for (int i = 0; i < 8; ++i) {
        if (!Next(b)) return PackedStatus::kTruncated;
        node = node << 1 | b;
      }
      return PackedStatus::kOk;
    }
    if (left.size() == 255) return PackedStatus::kBadTree;
    const size_t n = left.size();
    left.push_back(0);
    right.push_back(0);
    int l, r;
    if (PackedStatus s = Tree(l); s != PackedStatus::kOk) return s;
    if (PackedStatus s = Tree(r); s != PackedStatus::kOk) return s;
    left[n] = l;
    right[n] = r;
    node = 256 + int(n);
    return PackedStatus::kOk;
  }
  PackedStatus Run(std::vector<uint8_t>& out) {
    const uint32_t length = ReadLe32(f.data() + 4);
    int root;
    if (PackedStatus s = Tree(root); s != PackedStatus::kOk) return s;
    std::vector<uint8_t> o;
    for (uint32_t i = 0; i < length; ++i) {
      int node = root;
      while (node >= 256) {
        int b;
        if (!Next(b)) return PackedStatus::kTruncated;
        node = b ? right[size_t(node - 256)] : left[size_t(node - 256)];
      }
      o.push_back(uint8_t(node));
    }
    out = o;
    return PackedStatus::kOk;
  }
};

// Decodes f with both decoders and compares status and bytes; the output
// of a failed decode must be the sentinel it started as.
void ExpectLikeReference(const std::vector<uint8_t>& f, const std::string& what) {
  std::vector<uint8_t> want = {0xEE}, got = {0xEE};
  const PackedStatus ws = Reference(f).Run(want);
  const PackedStatus gs = UnpackPacked(f.data(), f.size(), got);
  ASSERT_EQ(gs, ws) << what;
  ASSERT_EQ(got, want) << what;
}

void SetLength(std::vector<uint8_t>& f, uint32_t length) {
  for (int i = 0; i < 4; ++i) f[size_t(4 + i)] = uint8_t(length >> (8 * i));
}

}  // namespace

TEST(PackedDecode, DeepestTreeCodesUpTo255Bits) {
  // 255 internal nodes in a right-leaning chain: byte k < 255 has the code
  // of k ones and a zero, byte 255 has 255 ones.
  Bits b;
  for (int k = 0; k < 255; ++k) {
    b.Put(1, 1);
    b.Put(0, 1);
    b.Put(uint64_t(k), 8);
  }
  b.Put(0, 1);
  b.Put(255, 8);
  const size_t treeBits = b.v.size();
  const std::vector<int> bytes = {255, 0, 10, 11, 12, 254, 0, 0, 0, 0,  1,   0, 0,
                                  0,   0, 0,  0,  0,  0,   0, 0, 9, 10, 255, 0};
  std::vector<uint8_t> want;
  for (int k : bytes) {
    b.PutOnes(k);
    if (k < 255) b.Put(0, 1);
    want.push_back(uint8_t(k));
  }
  auto f = b.File(uint32_t(want.size()));
  std::vector<uint8_t> out;
  ASSERT_EQ(UnpackPacked(f.data(), f.size(), out), PackedStatus::kOk);
  EXPECT_EQ(out, want);

  // Cut the stream at every bit boundary among the codes; zero padding
  // after the cut may still decode, so the plain decoder says what to expect.
  for (size_t cut = treeBits; cut <= b.v.size(); cut += 3) {
    Bits c;
    c.v.assign(b.v.begin(), b.v.begin() + ptrdiff_t(cut));
    ExpectLikeReference(c.File(uint32_t(want.size())), "cut at bit " + std::to_string(cut));
  }
  // The 255-bit code of byte 255 alone, one bit short or complete.
  Bits last;
  last.v.assign(b.v.begin(), b.v.begin() + ptrdiff_t(treeBits));
  last.PutOnes(254);
  auto shortFile = last.File(1);
  ASSERT_GT(shortFile.size() * 8 - 64, treeBits + 254);  // padding zeros follow
  std::vector<uint8_t> kept = {7};
  EXPECT_EQ(UnpackPacked(shortFile.data(), shortFile.size(), kept), PackedStatus::kOk);
  EXPECT_EQ(kept, std::vector<uint8_t>{254});  // the padding ends byte 254's code
  last.PutOnes(1);
  auto whole = last.File(1);
  ASSERT_EQ(UnpackPacked(whole.data(), whole.size(), out), PackedStatus::kOk);
  EXPECT_EQ(out, std::vector<uint8_t>{255});
  // Each padding zero is byte 0's code; one byte more runs out of input.
  const uint32_t padding = uint32_t(whole.size() * 8 - 64 - (treeBits + 255));
  SetLength(whole, 2 + padding);
  kept = {7};
  EXPECT_EQ(UnpackPacked(whole.data(), whole.size(), kept), PackedStatus::kTruncated);
  EXPECT_EQ(kept, std::vector<uint8_t>{7});
}

TEST(PackedDecode, RunsOfShortCodesAndCodesAroundTheLookupWidth) {
  std::mt19937 rng(11);
  // Weight patterns: two or three symbols (1-2 bit codes, many per lookup),
  // a skew that gives codes from 1 bit to past the 11-bit lookup, and a
  // near-uniform alphabet (8-bit codes).
  for (int kind = 0; kind < 4; ++kind) {
    for (size_t size : {1u, 7u, 8u, 9u, 17u, 100u, 4099u}) {
      std::vector<uint8_t> data(size);
      for (auto& d : data) {
        const uint32_t r = rng();
        switch (kind) {
          case 0: d = r % 4 == 0 ? 'b' : 'a'; break;
          case 1: d = uint8_t("xyyzzzzz"[r % 8]); break;
          case 2: d = uint8_t(std::countr_zero(r | 0x40000u)); break;  // 2^-k weights, 19 symbols
          default: d = uint8_t(r); break;
        }
      }
      auto f = EncodePacked(data.data(), data.size());
      std::vector<uint8_t> out;
      ASSERT_EQ(UnpackPacked(f.data(), f.size(), out), PackedStatus::kOk) << kind << " " << size;
      ASSERT_EQ(out, data) << kind << " " << size;
      // Streams that end early: drop tail bytes, or claim more bytes than
      // were coded, so the input runs out inside a run of codes.
      for (size_t drop = 1; drop <= std::min<size_t>(f.size() - 8, 12); ++drop) {
        std::vector<uint8_t> g(f.begin(), f.end() - ptrdiff_t(drop));
        ExpectLikeReference(g, "kind " + std::to_string(kind) + " size " + std::to_string(size) +
                                   " drop " + std::to_string(drop));
      }
      for (uint32_t extra : {1u, 2u, 5u, 8u, 9u, 30u}) {
        auto g = f;
        SetLength(g, uint32_t(size) + extra);
        ExpectLikeReference(g, "kind " + std::to_string(kind) + " size " + std::to_string(size) +
                                   " extra " + std::to_string(extra));
      }
    }
  }
}

TEST(PackedDecode, RandomTreesAgreeWithPlainDecoding) {
  // Random tree shapes (not only Huffman ones) with random code bits after
  // them; whatever the bits say, both decoders agree.
  std::mt19937 rng(3);
  for (int round = 0; round < 300; ++round) {
    Bits b;
    const int maxDepth = 1 + int(rng() % 40);
    int internal = 0;
    auto tree = [&](auto& self, int depth) -> void {
      if (depth < maxDepth && internal < 255 && rng() % 100 < 55) {
        ++internal;
        b.Put(1, 1);
        self(self, depth + 1);
        self(self, depth + 1);
      } else {
        b.Put(0, 1);
        b.Put(rng() & 0xFF, 8);
      }
    };
    tree(tree, 0);
    const size_t codeBits = rng() % 2000;
    for (size_t i = 0; i < codeBits; ++i) b.Put(rng() % 4 == 0, 1);  // mostly left
    const uint32_t length = rng() % 400;
    ExpectLikeReference(b.File(length), "round " + std::to_string(round));
  }
}
