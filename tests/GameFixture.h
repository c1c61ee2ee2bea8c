// Small game folders made on the fly, run headless on the virtual clock.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/Encoding.h"
#include "platform/HostFiles.h"
#include "shell/Automation.h"

// Failures show JSON values as JSON text.
inline void PrintTo(const QJsonValue& v, std::ostream* os);
inline void PrintTo(const QJsonObject& v, std::ostream* os) { PrintTo(QJsonValue(v), os); }

namespace mirt_test {

namespace fs = std::filesystem;

// Whether text holds needle; a failure shows both.
inline ::testing::AssertionResult Has(const std::string& text, const std::string& needle) {
  if (text.find(needle) == std::string::npos)
    return ::testing::AssertionFailure() << "\"" << needle << "\" not in: " << text;
  return ::testing::AssertionSuccess() << "\"" << needle << "\" found in: " << text;
}

inline std::string JsonText(const QJsonValue& v) {
  if (v.isUndefined()) return "(missing)";
  // a document holds an array or an object: wrap the value and unwrap its text
  QByteArray a = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
  return a.mid(1, a.size() - 2).toStdString();
}

// A JSON text as a value: an object, an array, a string, a number, ...
inline QJsonValue Json(const std::string& text) {
  QJsonParseError error;
  QJsonDocument d = QJsonDocument::fromJson(QByteArray::fromStdString("[" + text + "]"), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError)
      << error.errorString().toStdString() << " in: " << text;
  return d.array().isEmpty() ? QJsonValue(QJsonValue::Undefined) : d.array()[0];
}

// One line of the trace or a dump file as an object; a line that is not one
// fails the test.
inline QJsonObject JsonLine(const std::string& line) {
  QJsonValue v = Json(line);
  EXPECT_TRUE(v.isObject()) << "not a JSON object: " << line;
  return v.toObject();
}

// The value at a dotted path: "text.origin.x", "characters.3.name"; numbers
// index arrays. Undefined when the path leads nowhere.
inline QJsonValue At(QJsonValue v, const std::string& path) {
  std::stringstream parts(path);
  for (std::string part; std::getline(parts, part, '.');) {
    if (v.isArray()) {
      char* end = nullptr;
      long i = std::strtol(part.c_str(), &end, 10);
      if (*end || i < 0 || i >= v.toArray().size()) return QJsonValue(QJsonValue::Undefined);
      v = v.toArray()[i];
    } else if (v.isObject()) {
      v = v.toObject().value(QString::fromStdString(part));
    } else {
      return QJsonValue(QJsonValue::Undefined);
    }
  }
  return v;
}

// A string value as UTF-8; "" for anything else.
inline std::string Str(const QJsonValue& v) { return v.toString().toStdString(); }

// A picture as the bytes of a PNG file.
inline std::string PngFile(const QImage& img) {
  QByteArray a;
  QBuffer b(&a);
  b.open(QIODevice::WriteOnly);
  img.save(&b, "PNG");
  return a.toStdString();
}

// A story of two pages whose second starts at a save point ("two"), with a
// variable changed after it: what a save and a load must carry.
inline constexpr char kSavePointStory[] = "!n:1!\n"
                                          "\"one\"\\p\n"
                                          "\"two\"\\n\n"  // the page starts here: the save point
                                          "!n:5!\n"
                                          "\"three\"\\n\n"
                                          "\"four\"\\n\n";

// Whether actual holds every member of the expected object (a JSON text)
// with an equal value; the members it does not name may be anything.
inline ::testing::AssertionResult Holds(const QJsonValue& actual, const std::string& expected) {
  QJsonValue want = Json(expected);
  if (!want.isObject() || !actual.isObject())
    return ::testing::AssertionFailure() << JsonText(actual) << " does not hold " << expected;
  const QJsonObject a = actual.toObject(), w = want.toObject();
  for (auto it = w.begin(); it != w.end(); ++it)
    if (a.value(it.key()) != it.value())
      return ::testing::AssertionFailure()
             << "\"" << it.key().toStdString() << "\" is " << JsonText(a.value(it.key()))
             << ", not " << JsonText(it.value()) << ", in: " << JsonText(actual);
  return ::testing::AssertionSuccess();
}

// A variable's value in a state dump (integers first, then strings, as
// they come); undefined when there is none of that name.
inline QJsonValue Var(const QJsonObject& dump, const std::string& name) {
  for (const char* table : {"ints", "strings"})
    for (const QJsonValue& v : dump.value(table).toArray())
      if (v.toObject().value("name").toString().toStdString() == name)
        return v.toObject().value("value");
  return QJsonValue(QJsonValue::Undefined);
}

// Points the file layer at a game folder for a scope, and back after it.
class GameFolderScope {
 public:
  explicit GameFolderScope(const std::string& dir) : old_(mirt::GameFolder()) {
    mirt::SetGameFolder(dir);
  }
  ~GameFolderScope() { mirt::SetGameFolder(old_); }
  GameFolderScope(const GameFolderScope&) = delete;
  GameFolderScope& operator=(const GameFolderScope&) = delete;

 private:
  std::string old_;
};

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
      if (c == '\n')
        crlf += "\r\n";
      else
        crlf += c;
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
  // The trace as written, a line each.
  std::vector<std::string> Trace() const {
    std::ifstream in(Path("trace.jsonl"));
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
  }
  // The trace lines holding needle, as written, in order.
  std::vector<std::string> Events(const std::string& needle) const {
    std::vector<std::string> out;
    for (const std::string& l : Trace())
      if (l.find(needle) != std::string::npos) out.push_back(l);
    return out;
  }
  // Every event of the trace, parsed, in order.
  std::vector<QJsonObject> TraceEvents() const {
    std::vector<QJsonObject> out;
    for (const std::string& l : Trace()) out.push_back(JsonLine(l));
    return out;
  }
  // The events named ev ("text", "message", ...), in order.
  std::vector<QJsonObject> EventsOf(const std::string& ev) const {
    std::vector<QJsonObject> out;
    for (const QJsonObject& e : TraceEvents())
      if (e.value("ev").toString().toStdString() == ev) out.push_back(e);
    return out;
  }
  std::vector<QJsonObject> TextEvents() const { return EventsOf("text"); }
  std::vector<QJsonObject> MessageEvents() const { return EventsOf("message"); }
  // The "text" of every event named ev, in order.
  std::vector<std::string> TextsOf(const std::string& ev) const {
    std::vector<std::string> out;
    for (const QJsonObject& e : EventsOf(ev)) out.push_back(Str(e.value("text")));
    return out;
  }
  // Texts drawn, in order.
  std::vector<std::string> Texts() const { return TextsOf("text"); }
  // Texts of the message boxes shown, in order.
  std::vector<std::string> Messages() const { return TextsOf("message"); }
  // A dump file of the folder, parsed.
  QJsonObject Dump(const std::string& name) const { return JsonLine(Read(name)); }
  // Runs the actions then dumps the state; returns the dump.
  QJsonObject RunAndDump(const std::string& actions = "") {
    EXPECT_EQ(Run(actions + "dump " + Path("d.json") + "\n"), 0);
    return Dump("d.json");
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

inline void PrintTo(const QJsonValue& v, std::ostream* os) { *os << mirt_test::JsonText(v); }
