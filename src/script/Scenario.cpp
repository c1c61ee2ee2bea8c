#include "script/Scenario.h"

#include <cstring>
#include <utility>

#include "common/Ascii.h"
#include "common/Decimal.h"
#include "common/Encoding.h"
#include "script/Archive.h"
#include "script/CFile.h"
#include "script/GameState.h"
#include "script/StoryHost.h"

namespace mirt {
namespace {

// One init.def line: up to CR LF (consumed) or the end, cut after 256 bytes.
std::string NextLine(const std::vector<uint8_t>& b, size_t& pos) {
  std::string line;
  while (pos < b.size() && line.size() < 256) {
    if (b[pos] == '\r' && pos + 1 < b.size() && b[pos + 1] == '\n') {
      pos += 2;
      return line;
    }
    line += static_cast<char>(b[pos++]);
  }
  return line;
}

std::string Kind(const std::string& name) {
  if (name.size() < 3) return UpperAscii(name);
  return UpperAscii(name.substr(name.size() - 3));
}

}  // namespace

void ParseStartupDefinitions(const std::vector<uint8_t>& bytes, StartupDefinitions& defs) {
  static const int32_t kDefaults[5] = {0, 25, 50, 75, 100};
  std::memcpy(defs.speeds, kDefaults, sizeof kDefaults);
  size_t pos = 0;
  // A file with fewer than nine lines keeps the values of the lines it lacks.
  for (int i = 0; i < 5 && pos < bytes.size(); ++i)
    defs.speeds[i] = ParseDecimal(NextLine(bytes, pos).c_str());
  std::string* names[4] = {&defs.scenarioSource, &defs.graphicsArchive, &defs.waveArchive,
                           &defs.midiArchive};
  for (std::string* n : names) {
    if (pos >= bytes.size()) break;
    *n = NextLine(bytes, pos);
    if (n->size() > 255) n->resize(255);
  }
}

void Scenario::SetText(std::vector<uint8_t> bytes) {
  text_ = std::move(bytes);
  text_.push_back(0);
}

bool Scenario::ReadStartupDefinitions() {
  auto bytes = ReadWholeFile("init.def");
  if (!bytes) return false;
  ParseStartupDefinitions(*bytes, defs_);
  return true;
}

bool Scenario::OpenFirstScenario() {
  const std::string& name = defs_.scenarioSource;
  if (name.empty() || !FileExists(name)) return false;
  std::string kind = Kind(name);
  if (kind == "DAT") {
    mode_ = Mode::Archive;
    std::string entryName;
    auto data = ReadArchiveMemberAt(name, 0, &entryName);
    if (!data) return false;
    InvertArchiveBytes(*data);
    SetText(std::move(*data));
    state_.SetScenarioName(entryName);
  } else if (kind == "TXT") {
    mode_ = Mode::Plain;
    auto bytes = ReadWholeFile(name);
    if (!bytes) return false;
    SetText(std::move(*bytes));
    state_.SetScenarioName(name);
  } else {
    // Neither a scenario text nor an archive: there is no story to open.
    return false;
  }
  position_ = 0;
  state_.readPosition = 0;
  return true;
}

void Scenario::LoadScenario(const std::string& name) {
  if (mode_ == Mode::Plain) {
    auto bytes = ReadWholeFile(name);
    if (!bytes) return;
    SetText(std::move(*bytes));
    return;
  }
  auto data = ReadArchiveMember(defs_.scenarioSource, name);
  if (!data) {
    host_.Message(Sjis("シナリオファイルの読みこみに失敗しました。"));
    return;
  }
  InvertArchiveBytes(*data);
  SetText(std::move(*data));
}

bool Scenario::CanOpen(const std::string& name) const {
  if (name.empty()) return false;
  if (mode_ == Mode::Archive) return ReadArchiveMember(defs_.scenarioSource, name).has_value();
  return FileExists(name);
}

}  // namespace mirt
