#include "save/ReadingMarks.h"

#include <cstring>

#include "common/LittleEndian.h"
#include "save/GameFiles.h"

namespace mirt {
namespace {

constexpr char kMagic[8] = {'M', 'I', 'R', 'T', 'R', 'E', 'A', 'D'};
// A file this large holds some millions of marks, far beyond any game.
constexpr size_t kFileMax = size_t(64) << 20;

}  // namespace

bool ReadingMarks::Mark(const std::string& scenario, uint32_t place) {
  if (scenario.empty() || scenario.size() > kNameMax) return false;
  if (!marks_[scenario].insert(place).second) return false;
  ++size_;
  ++unsaved_;
  return true;
}

bool ReadingMarks::Has(const std::string& scenario, uint32_t place) const {
  auto it = marks_.find(scenario);
  return it != marks_.end() && it->second.count(place) != 0;
}

void ReadingMarks::Clear() {
  marks_.clear();
  size_ = 0;
  unsaved_ = 0;
}

std::vector<uint8_t> ReadingMarks::Encode() const {
  std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
  for (const auto& [name, places] : marks_) {
    if (places.empty()) continue;
    out.push_back(uint8_t(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    AppendLe32(out, uint32_t(places.size()));
    for (uint32_t p : places) AppendLe32(out, p);
  }
  return out;
}

bool ReadingMarks::Decode(const uint8_t* data, size_t size) {
  Clear();
  if (size < sizeof kMagic || std::memcmp(data, kMagic, sizeof kMagic) != 0) return false;
  size_t at = sizeof kMagic;
  while (at < size) {
    const size_t length = data[at++];
    if (length == 0 || length > kNameMax || size - at < length + 4) break;
    std::string name(reinterpret_cast<const char*>(data + at), length);
    at += length;
    const uint32_t count = ReadLe32(data + at);
    at += 4;
    if ((size - at) / 4 < count) break;
    std::set<uint32_t>& places = marks_[name];
    for (uint32_t i = 0; i < count; ++i, at += 4)
      if (places.insert(ReadLe32(data + at)).second) ++size_;
  }
  unsaved_ = 0;
  return at == size;
}

void ReadingMarks::Load() {
  Clear();
  if (auto bytes = ReadGameFile(kFileName, kFileMax)) Decode(bytes->data(), bytes->size());
}

bool ReadingMarks::Save() {
  if (!WriteGameFile(kFileName, Encode())) return false;
  unsaved_ = 0;
  return true;
}

}  // namespace mirt
