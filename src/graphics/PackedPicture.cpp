#include "graphics/PackedPicture.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <queue>

#include "common/LittleEndian.h"
#include "graphics/BmpDecoder.h"

namespace mirt {

namespace {

constexpr int kFirstNode = 256;
constexpr int kNodeLimit = 511;  // node numbers run 256..510
constexpr int kLookupBits = 11;

// Bits most significant first, held left-aligned in a 64-bit accumulator;
// bits below `bits` are zero or already the stream's next bits.
class BitReader {
 public:
  BitReader(const uint8_t* p, size_t n) : p_(p), n_(n) {}

  void Refill() {
    if (n_ - pos_ >= 8) {
      uint64_t v = 0;
      for (int i = 0; i < 8; ++i) v = (v << 8) | p_[pos_ + i];
      acc_ |= v >> bits_;
      pos_ += size_t(63 - bits_) >> 3;
      bits_ |= 56;
    } else {
      while (bits_ <= 56 && pos_ < n_) {
        acc_ |= uint64_t(p_[pos_++]) << (56 - bits_);
        bits_ += 8;
      }
    }
  }
  bool Bit(unsigned& b) {
    if (bits_ == 0) Refill();
    if (bits_ == 0) return false;
    b = unsigned(acc_ >> 63);
    acc_ <<= 1;
    --bits_;
    return true;
  }
  bool Byte(unsigned& v) {
    if (bits_ < 8) Refill();
    if (bits_ < 8) return false;
    v = unsigned(acc_ >> 56);
    acc_ <<= 8;
    bits_ -= 8;
    return true;
  }
  uint64_t acc_ = 0;
  int bits_ = 0;
  // Input bits not yet in the accumulator.
  uint64_t RemainingBits() const { return uint64_t(n_ - pos_) * 8 + unsigned(bits_); }

 private:
  const uint8_t* p_;
  size_t n_;
  size_t pos_ = 0;
};

struct Tree {
  int16_t left[kNodeLimit - kFirstNode];
  int16_t right[kNodeLimit - kFirstNode];
  int next = kFirstNode;
  int root = 0;
};

// Reads one subtree; its node number or leaf value in *node. Depth is at
// most 256 since every level but the last is a new internal node.
PackedStatus ReadSubtree(BitReader& in, Tree& t, int* node) {
  unsigned bit;
  if (!in.Bit(bit)) return PackedStatus::kTruncated;
  if (bit == 0) {
    unsigned v;
    if (!in.Byte(v)) return PackedStatus::kTruncated;
    *node = int(v);
    return PackedStatus::kOk;
  }
  const int n = t.next++;
  if (n >= kNodeLimit) return PackedStatus::kBadTree;
  int child;
  PackedStatus s = ReadSubtree(in, t, &child);
  if (s != PackedStatus::kOk) return s;
  t.left[n - kFirstNode] = int16_t(child);
  s = ReadSubtree(in, t, &child);
  if (s != PackedStatus::kOk) return s;
  t.right[n - kFirstNode] = int16_t(child);
  *node = n;
  return PackedStatus::kOk;
}

// Single-code lookup entry: node or byte value in the low 16 bits, code
// bits used in the high 16. Codes longer than kLookupBits stop at their
// internal node.
void FillLookup(const Tree& t, int node, int depth, uint32_t prefix, uint32_t* table) {
  if (node < kFirstNode) {
    const uint32_t first = prefix << (kLookupBits - depth);
    const uint32_t count = 1u << (kLookupBits - depth);
    std::fill(table + first, table + first + count, uint32_t(node) | (uint32_t(depth) << 16));
  } else if (depth == kLookupBits) {
    table[prefix] = uint32_t(node) | (uint32_t(depth) << 16);
  } else {
    FillLookup(t, t.left[node - kFirstNode], depth + 1, prefix << 1, table);
    FillLookup(t, t.right[node - kFirstNode], depth + 1, (prefix << 1) | 1, table);
  }
}

constexpr int kMaxRun = 8;  // bytes one multi-code entry may hold

// Multi-code lookup: for every kLookupBits-bit window, the bytes of all
// whole codes it starts with (up to kMaxRun, in memory order) and, in
// meta, their total length (bits 0..7, ready for a shift count) and their
// count (bits 8..15). An entry with no whole code has count 0, length
// kLookupBits and, in bits 16..31, the internal node those bits reach.
struct Lookup {
  uint32_t single[1u << kLookupBits];
  uint64_t bytes[1u << kLookupBits];
  uint32_t meta[1u << kLookupBits];
};

void FillMultiLookup(const Tree& t, Lookup& lk) {
  constexpr uint32_t kMask = (1u << kLookupBits) - 1;
  FillLookup(t, t.root, 0, 0, lk.single);
  for (uint32_t w = 0; w <= kMask; ++w) {
    uint64_t bytes = 0;
    int count = 0, used = 0;
    while (count < kMaxRun) {
      // The next code starts `used` bits into the window; bits past the
      // window read as zero and must not be counted.
      const uint32_t e = lk.single[(w << used) & kMask];
      const int len = int(e >> 16);
      const uint32_t node = e & 0xFFFF;
      if (node >= kFirstNode || used + len > kLookupBits) break;
      // Stored so that copying the word to memory puts the first byte first.
      const int shift = std::endian::native == std::endian::little ? 8 * count : 56 - 8 * count;
      bytes |= uint64_t(node) << shift;
      ++count;
      used += len;
    }
    lk.bytes[w] = bytes;
    lk.meta[w] = count > 0 ? uint32_t(used) | (uint32_t(count) << 8)
                           : uint32_t(kLookupBits) | (lk.single[w] & 0xFFFF) << 16;
  }
}

PackedStatus Unpack(const uint8_t* data, size_t size, uint32_t maxLength, bool needBitmap,
                    std::vector<uint8_t>& result) {
  if (data == nullptr || size < kPackedHeaderSize || std::memcmp(data, "ARC1", 4) != 0)
    return PackedStatus::kNotPacked;
  const uint32_t length = ReadLe32(data + 4);
  BitReader in(data + kPackedHeaderSize, size - kPackedHeaderSize);
  Tree t;
  PackedStatus s = ReadSubtree(in, t, &t.root);
  if (s != PackedStatus::kOk) return s;

  if (t.root < kFirstNode) {
    // One symbol: L copies, no codes. Such bytes can never start with "BM".
    if (needBitmap) return PackedStatus::kNotBitmap;
    if (length > maxLength) return PackedStatus::kTooLarge;
    result.assign(length, uint8_t(t.root));
    return PackedStatus::kOk;
  }
  // Every code is at least one bit long.
  if (length > in.RemainingBits()) return PackedStatus::kTruncated;
  if (length > maxLength) return PackedStatus::kTooLarge;

  auto lookup = std::make_unique_for_overwrite<Lookup>();
  Lookup& lk = *lookup;
  FillMultiLookup(t, lk);
  std::vector<uint8_t> out(length);
  uint8_t* o = out.data();
  uint8_t* const end = o + length;

  // Finishes a code longer than the lookup window, whose first
  // kLookupBits bits led to node.
  auto walk = [&](int node) -> bool {
    while (node >= kFirstNode) {
      unsigned bit;
      if (!in.Bit(bit)) return false;
      node = bit ? t.right[node - kFirstNode] : t.left[node - kFirstNode];
    }
    *o++ = uint8_t(node);
    return true;
  };

  // Whole windows of input and room for a full entry's 8-byte store: up to
  // kMaxRun bytes per lookup. The bit buffer is kept in locals here and
  // handed back to the reader around refills and long codes.
  uint64_t acc = in.acc_;
  int bits = in.bits_;
  while (end - o >= kMaxRun) {
    if (bits < kLookupBits) {
      in.acc_ = acc;
      in.bits_ = bits;
      in.Refill();
      acc = in.acc_;
      bits = in.bits_;
      if (bits < kLookupBits) break;
    }
    const uint32_t w = uint32_t(acc >> (64 - kLookupBits));
    const uint32_t m = lk.meta[w];
    std::memcpy(o, &lk.bytes[w], kMaxRun);
    const int used = int(m & 0xFF);
    acc <<= used;
    bits -= used;
    const uint32_t count = (m >> 8) & 0xFF;
    o += count;
    if (count == 0) {
      in.acc_ = acc;
      in.bits_ = bits;
      if (!walk(int(m >> 16))) return PackedStatus::kTruncated;
      acc = in.acc_;
      bits = in.bits_;
    }
  }
  in.acc_ = acc;
  in.bits_ = bits;
  // The last bytes one code at a time, where the input may run out
  // inside a window.
  while (o < end) {
    if (in.bits_ < kLookupBits) in.Refill();
    const uint32_t e = lk.single[in.acc_ >> (64 - kLookupBits)];
    const int used = int(e >> 16);
    if (used > in.bits_) return PackedStatus::kTruncated;  // only at the end of input
    in.acc_ <<= used;
    in.bits_ -= used;
    if (!walk(int(e & 0xFFFF))) return PackedStatus::kTruncated;
  }
  result.swap(out);
  return PackedStatus::kOk;
}

class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
  // n <= 56
  void Put(uint64_t v, int n) {
    acc_ = (acc_ << n) | v;
    bits_ += n;
    while (bits_ >= 8) {
      bits_ -= 8;
      out_.push_back(uint8_t(acc_ >> bits_));
    }
    acc_ &= (uint64_t{1} << bits_) - 1;
  }
  void Flush() {
    if (bits_ > 0) out_.push_back(uint8_t(acc_ << (8 - bits_)));
    bits_ = 0;
    acc_ = 0;
  }

 private:
  std::vector<uint8_t>& out_;
  uint64_t acc_ = 0;
  int bits_ = 0;
};

struct Code {
  uint64_t bits = 0;
  int length = 0;
};

struct BuildNode {
  int left = -1, right = -1;  // indexes into the node list; -1 for a leaf
  int symbol = 0;
};

void WriteTree(const std::vector<BuildNode>& nodes, int n, uint64_t code, int depth, BitWriter& w,
               Code* codes) {
  const BuildNode& node = nodes[size_t(n)];
  if (node.left < 0) {
    w.Put(0, 1);
    w.Put(uint64_t(node.symbol), 8);
    codes[node.symbol] = {code, depth};
    return;
  }
  w.Put(1, 1);
  WriteTree(nodes, node.left, code << 1, depth + 1, w, codes);
  WriteTree(nodes, node.right, (code << 1) | 1, depth + 1, w, codes);
}

}  // namespace

PackedStatus UnpackPacked(const uint8_t* data, size_t size, std::vector<uint8_t>& bytes,
                          uint32_t maxLength) {
  return Unpack(data, size, maxLength, false, bytes);
}

bool DecodePacked(const uint8_t* data, size_t size, QImage& out, PackedStatus* status) {
  std::vector<uint8_t> bytes;
  PackedStatus s = Unpack(data, size, kMaxUnpackedLength, true, bytes);
  if (s == PackedStatus::kOk && !DecodeBmp(bytes.data(), bytes.size(), out))
    s = PackedStatus::kNotBitmap;
  if (status) *status = s;
  return s == PackedStatus::kOk;
}

std::vector<uint8_t> EncodePacked(const uint8_t* bytes, size_t size) {
  if (size > 0xFFFFFFFFu || (bytes == nullptr && size != 0)) return {};
  uint64_t freq[256] = {};
  for (size_t i = 0; i < size; ++i) ++freq[bytes[i]];

  // Huffman tree; ties broken by creation order so the output is stable.
  std::vector<BuildNode> nodes;
  using Item = std::pair<uint64_t, int>;  // weight, node index
  std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
  for (int s = 0; s < 256; ++s) {
    if (freq[s] == 0) continue;
    nodes.push_back({-1, -1, s});
    queue.push({freq[s], int(nodes.size()) - 1});
  }
  if (nodes.empty()) nodes.push_back({-1, -1, 0});  // L = 0 still needs a tree
  int root = 0;
  while (queue.size() > 1) {
    const Item a = queue.top();
    queue.pop();
    const Item b = queue.top();
    queue.pop();
    nodes.push_back({a.second, b.second, 0});
    queue.push({a.first + b.first, int(nodes.size()) - 1});
  }
  if (!queue.empty()) root = queue.top().second;

  std::vector<uint8_t> out = {'A', 'R', 'C', '1'};
  AppendLe32(out, uint32_t(size));
  BitWriter w(out);
  Code codes[256];
  WriteTree(nodes, root, 0, 0, w, codes);
  // With fewer than 2^32 bytes no code exceeds 46 bits (Fibonacci bound).
  if (nodes[size_t(root)].left >= 0) {
    uint64_t totalBits = 0;
    for (int s = 0; s < 256; ++s) totalBits += freq[s] * uint64_t(codes[s].length);
    out.reserve(out.size() + size_t(totalBits / 8) + 1);
    for (size_t i = 0; i < size; ++i) {
      const Code& c = codes[bytes[i]];
      w.Put(c.bits, c.length);
    }
  }
  w.Flush();
  return out;
}

std::vector<uint8_t> EncodePacked(const QImage& img) {
  const std::vector<uint8_t> bmp = EncodeBmp24(img);
  if (bmp.empty()) return {};
  return EncodePacked(bmp.data(), bmp.size());
}

}  // namespace mirt
