// The interpreter: reads the current scenario line by line and runs its
// statements until the story has to wait for the reader.
#pragma once

#include <cstdint>

namespace mirt {

class Player;

constexpr int kLineMax = 256;

class CText {
 public:
  explicit CText(Player& p) : p_(p) { line[0] = 0; }

  // Runs statements from the next line until the story must wait.
  int Run();
  // True while Run is on the stack: long effects hand on window events from
  // inside it, and those must not start a second run.
  bool running() const { return running_; }
  // Copies the next scenario line into `line`. At the end of the text shows
  // the end message, asks the window to close and returns false.
  bool ReadLine();
  // Line break and page break of the pen, as the escapes do them.
  void NewLine();

  char line[kLineMax + 1];
  int32_t page = 0;
  int32_t penX = 0;
  int32_t penY = 0;
  uint8_t pageFull = 0;
  // Statements executed since start; the automation uses it as a bound.
  uint64_t statements = 0;

 private:
  // Result of one statement scan step.
  enum class Next { SameLine, NextLine, Wait, Stop };
  Next Step();
  int RunLines();
  Player& p_;
  bool running_ = false;
};

}  // namespace mirt
