// Small game folders made on the fly, run headless on the virtual clock.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Encoding.h"
#include "shell/Automation.h"

namespace mirt_test {

namespace fs = std::filesystem;

// Whether text holds needle; a failure shows both.
inline ::testing::AssertionResult Has(const std::string& text, const std::string& needle) {
  if (text.find(needle) == std::string::npos)
    return ::testing::AssertionFailure() << "\"" << needle << "\" not in: " << text;
  return ::testing::AssertionSuccess() << "\"" << needle << "\" found in: " << text;
}

// A variable's value in a state dump, without quotes; "none" when it is missing.
inline std::string VarOf(const std::string& dump, const std::string& name) {
  const std::string key = "{\"name\":\"" + name + "\",\"value\":";
  size_t p = dump.find(key);
  if (p == std::string::npos) return "none";
  p += key.size();
  if (dump[p] == '"') return dump.substr(p + 1, dump.find("\"}", p) - p - 1);
  return dump.substr(p, dump.find('}', p) - p);
}

class GameDir {
 public:
  GameDir() {
    char tmpl[] = "/tmp/mirt-game-XXXXXX";
    dir_ = mkdtemp(tmpl);
    origin_ = fs::current_path();
  }
  ~GameDir() {
    fs::current_path(origin_);
    fs::remove_all(dir_);
  }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  // Writes UTF-8 text as CP932 with LF turned into CR LF.
  void WriteScript(const std::string& name, const std::string& utf8) {
    std::string crlf;
    for (char c : utf8) {
      if (c == '\n') crlf += "\r\n";
      else crlf += c;
    }
    WriteBytes(name, mirt::utf8ToCp932(crlf));
  }
  void WriteBytes(const std::string& name, const std::string& bytes) {
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }
  // An init.def naming start.txt, and start.txt holding the script.
  void Script(const std::string& utf8) {
    InitDef("start.txt");
    WriteScript("start.txt", utf8);
  }
  void InitDef(const std::string& scenario, const std::string& speeds = "10\n20\n30\n40\n50\n") {
    WriteScript("init.def", speeds + scenario + "\n\n\n\n");
  }
  // Runs the game with the actions; returns the exit code. With audioOut
  // the sound is rendered to that file in the folder.
  int Run(const std::string& actions, uint32_t maxTime = 600000, const std::string& audioOut = "") {
    WriteBytes("input.txt", actions);
    mirt::AutomationOptions o;
    o.gameDir = dir_;
    o.inputFile = Path("input.txt");
    o.traceFile = Path("trace.jsonl");
    o.virtualTime = true;
    o.maxTime = maxTime;
    if (!audioOut.empty()) o.audioOut = Path(audioOut);
    int code = mirt::RunAutomation(o);
    fs::current_path(origin_);
    return code;
  }
  std::vector<std::string> Trace() const {
    std::ifstream in(Path("trace.jsonl"));
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
  }
  // The trace lines holding needle, in order.
  std::vector<std::string> Events(const std::string& needle) const {
    std::vector<std::string> out;
    for (const std::string& l : Trace())
      if (l.find(needle) != std::string::npos) out.push_back(l);
    return out;
  }
  // Runs the actions then dumps the state; returns the dump.
  std::string RunAndDump(const std::string& actions = "") {
    EXPECT_EQ(Run(actions + "dump " + Path("d.json") + "\n"), 0);
    return Read("d.json");
  }
  // Text events and message-box events, whole, in order.
  std::vector<std::string> TextEvents() const { return Events("\"ev\":\"text\""); }
  std::vector<std::string> MessageEvents() const { return Events("\"ev\":\"message\""); }
  // Texts drawn, in order.
  std::vector<std::string> Texts() const { return TextFields("\"ev\":\"text\""); }
  // Texts of the message boxes shown, in order.
  std::vector<std::string> Messages() const { return TextFields("\"ev\":\"message\""); }
  // The "text" field of every event holding needle (the field ends its line).
  std::vector<std::string> TextFields(const std::string& needle) const {
    std::vector<std::string> out;
    for (const std::string& l : Events(needle)) {
      size_t p = l.find("\"text\":\"");
      out.push_back(l.substr(p + 8, l.rfind('"') - p - 8));
    }
    return out;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

 private:
  std::string dir_;
  fs::path origin_;
};

}  // namespace mirt_test
