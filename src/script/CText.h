// The interpreter: the current scenario, the token reader over its current
// line and the command table. Run reads the scenario line by line and runs
// its statements until the story has to wait for the reader.
#pragma once

#include <cstdint>

#include "script/Arguments.h"
#include "script/CommandTable.h"
#include "script/Scenario.h"
#include "script/StringTok.h"

namespace mirt {

class Platform;
class StoryHost;
struct GameState;
class VariableStore;

constexpr int kLineMax = 256;

class CText {
 public:
  CText(StoryHost& host, Platform& platform, GameState& state, VariableStore& vars);

  // Runs statements from the next line until the story must wait.
  int Run();
  // True while Run is on the stack: long effects hand on window events from
  // inside it, and those must not start a second run.
  bool running() const { return running_; }
  // Copies the next scenario line into line(). At the end of the text shows
  // the end message, asks the window to close and returns false.
  bool ReadLine();
  const char* line() const { return line_; }

  Scenario& scenario() { return scenario_; }
  const Scenario& scenario() const { return scenario_; }
  StringTok& tok() { return tok_; }
  CommandTable& commands() { return commands_; }
  ArgumentReader& args() { return args_; }

 private:
  // Result of one statement scan step.
  enum class Next { SameLine, NextLine, Wait, Stop };
  Next Step();
  int RunLines();

  StoryHost& host_;
  Platform& platform_;
  Scenario scenario_;
  StringTok tok_;
  CommandTable commands_;
  ArgumentReader args_;
  char line_[kLineMax + 1];
  bool running_ = false;
};

}  // namespace mirt
