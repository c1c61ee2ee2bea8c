// Where scenario texts come from: init.def, the plain and archive modes,
// and the current scenario text held whole in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mirt {

struct GameState;
class StoryHost;

struct StartupDefinitions {
  int32_t speeds[5] = {0, 0, 0, 0, 0};
  std::string scenarioSource;   // line 6: a .TXT scenario or a .DAT archive
  std::string graphicsArchive;  // line 7
  std::string waveArchive;      // line 8
  std::string midiArchive;      // line 9
};

// Parses init.def's bytes into defs (the delays first become 0,25,50,75,100).
void ParseStartupDefinitions(const std::vector<uint8_t>& bytes, StartupDefinitions& defs);

class Scenario {
 public:
  enum class Mode { Plain, Archive };

  Scenario(StoryHost& host, GameState& state) : host_(host), state_(state) { text_.push_back(0); }

  bool ReadStartupDefinitions();
  bool OpenFirstScenario();
  void LoadScenario(const std::string& name);
  // Whether LoadScenario can read the scenario name: in archive mode as an
  // archive member, otherwise as a plain file.
  bool CanOpen(const std::string& name) const;

  // The text, always followed by a zero byte.
  const char* Text() const { return reinterpret_cast<const char*>(text_.data()); }
  size_t Length() const { return text_.size() - 1; }
  void SetText(std::vector<uint8_t> bytes);

  // ScenarioPosition: the offset of the next line.
  uint32_t position() const { return position_; }
  void SetPosition(uint32_t position) { position_ = position; }
  Mode mode() const { return mode_; }
  const StartupDefinitions& defs() const { return defs_; }
  StartupDefinitions& defs() { return defs_; }

 private:
  StoryHost& host_;
  GameState& state_;
  uint32_t position_ = 0;
  Mode mode_ = Mode::Plain;
  StartupDefinitions defs_;
  std::vector<uint8_t> text_;
};

}  // namespace mirt
