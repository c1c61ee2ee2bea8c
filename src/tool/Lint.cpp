// lint: reads a game as the player would, without playing it, and reports
// what would go wrong: the statement scan of the interpreter on every line,
// the commands' arguments as the command table describes them, the names
// looked up in the archives and the folder.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <set>

#include "common/Ascii.h"
#include "common/Encoding.h"
#include "platform/HostFiles.h"
#include "script/Archive.h"
#include "script/CFile.h"
#include "script/CText.h"
#include "script/CommandTable.h"
#include "script/Grammar.h"
#include "script/Scenario.h"
#include "script/StringTok.h"
#include "script/VariableStore.h"
#include "text/TextFont.h"
#include "tool/Tool.h"

namespace mirt::tool {
namespace {

constexpr size_t kLineMax = static_cast<size_t>(mirt::kLineMax);  // as the interpreter reads
constexpr int kChoiceMax = 10;
constexpr size_t kNameField = 80;   // picture, sound and scenario names
constexpr size_t kShortField = 40;  // cursor and history picture
constexpr size_t kTargetMax = 254;

struct Finding {
  std::string file;  // UTF-8
  int line = 0;      // 0: the file as a whole
  std::string check;
  std::string reason;  // UTF-8
};

// One line of a scenario as the interpreter reads it.
struct Line {
  std::string text;  // CP932, without CR LF
  int number = 0;    // in the editor's count, from 1
};

// Splits as the interpreter does: at CR LF, and after 256 bytes.
std::vector<Line> SplitLines(const std::vector<uint8_t>& b) {
  std::vector<Line> lines;
  size_t pos = 0;
  int number = 1;
  while (pos < b.size() && b[pos] != 0) {
    Line l;
    l.number = number;
    while (pos < b.size() && b[pos] != 0 && l.text.size() < kLineMax) {
      if (b[pos] == '\r' && pos + 1 < b.size() && b[pos + 1] == '\n') {
        pos += 2;
        ++number;
        break;
      }
      l.text += static_cast<char>(b[pos++]);
    }
    lines.push_back(std::move(l));
  }
  return lines;
}

bool ValidUtf8WithMultibyte(const std::vector<uint8_t>& b) {
  bool multi = false;
  for (size_t i = 0; i < b.size();) {
    uint8_t c = b[i];
    int n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (n < 0 || i + n >= b.size() + (n == 0)) return false;
    for (int k = 1; k <= n; ++k)
      if ((b[i + k] & 0xC0) != 0x80) return false;
    multi |= n > 0;
    i += n + 1;
  }
  return multi;
}

std::string StripBlanks(const std::string& s) {
  std::string r;
  for (char c : s)
    if (c != ' ' && c != '\t') r += c;
  return r;
}

bool LooksNumeric(const std::string& s) {
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  return i < s.size() && s[i] >= '0' && s[i] <= '9';
}

int NumberOr(const std::string& s, int fallback) {
  if (!LooksNumeric(s)) return fallback;
  return std::atoi(s.c_str());
}

class Linter {
 public:
  explicit Linter(std::vector<Finding>& findings) : findings_(findings) {}

  void Run() {
    auto init = ReadWholeFile("init.def");
    if (!init) {
      Report("init.def", 0, "missing-file", "the game folder has no init.def");
      return;
    }
    CheckLineEnds("init.def", *init);
    ParseStartupDefinitions(*init, defs_);
    graphics_ = Directory(defs_.graphicsArchive, 7, "picture archive");
    wave_ = Directory(defs_.waveArchive, 8, "WAVE archive");
    midi_ = Directory(defs_.midiArchive, 9, "MIDI archive");
    const std::string& source = defs_.scenarioSource;
    const std::string kind = Extension3(source);
    if (source.empty() || ResolveExisting(source).empty()) {
      Report("init.def", 6, "missing-file",
             "the first scenario " + Quote(source) + " does not exist");
      return;
    }
    if (kind == "DAT") {
      archiveMode_ = true;
      auto dir = ReadArchiveDirectory(source);
      if (!dir || dir->empty()) {
        Report("init.def", 6, "bad-archive", "the scenario archive " + Quote(source) + " is empty");
        return;
      }
      scenarioDir_ = *dir;
      for (const ArchiveEntry& e : scenarioDir_) Enqueue(e.name);
    } else if (kind == "TXT") {
      Enqueue(source);
    } else {
      Report("init.def", 6, "bad-name",
             "the scenario source " + Quote(source) + " ends neither in .txt nor in .dat");
      return;
    }
    while (!queue_.empty()) {
      std::string name = queue_.front();
      queue_.pop_front();
      LintScenario(name);
    }
    for (const Use& u : uses_) {
      auto& assigned = u.isString ? assignedStrings_ : assignedInts_;
      const char* what = u.isString ? "string variable " : "integer variable ";
      if (!assigned.count(u.name))
        Report(u.file, u.line, "unassigned-variable",
               what + Quote(u.name) + " is used but never assigned");
      else
        Report(u.file, u.line, "unassigned-variable",
               what + Quote(u.name) + " is used before its first assignment");
    }
  }

 private:
  struct Use {
    std::string file;
    int line;
    std::string name;
    bool isString;
  };

  void Report(const std::string& file, int line, const std::string& check,
              const std::string& reason) {
    findings_.push_back({file, line, check, reason});
  }
  void Here(const std::string& check, const std::string& reason) {
    Report(file_, line_, check, reason);
  }
  static std::string Quote(const std::string& cp932) { return "\"" + cp932ToUtf8(cp932) + "\""; }

  std::optional<std::vector<ArchiveEntry>> Directory(const std::string& name, int line,
                                                     const char* what) {
    if (name.empty()) return std::nullopt;
    auto dir = ReadArchiveDirectory(name);
    if (!dir)
      Report("init.def", line, "missing-file",
             std::string("the ") + what + " " + Quote(name) + " does not exist");
    return dir;
  }

  void Enqueue(const std::string& name) {
    const std::string key = UpperAscii(name);
    if (queued_.insert(key).second) queue_.push_back(name);
  }

  bool ScenarioExists(const std::string& name) {
    if (archiveMode_) return FindArchiveEntry(scenarioDir_, name).has_value();
    return !ResolveExisting(name).empty();
  }

  // False when lines end in LF alone, which the player does not read as
  // line ends at all.
  bool CheckLineEnds(const std::string& file, const std::vector<uint8_t>& b) {
    bool crlf = true;
    for (size_t i = 0; i < b.size() && crlf; ++i)
      if (b[i] == '\n' && (i == 0 || b[i - 1] != '\r')) {
        Report(file, 0, "line-ends", "lines end in LF alone; the player reads CR LF only");
        crlf = false;
      }
    if ((b.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) ||
        ValidUtf8WithMultibyte(b))
      Report(file, 0, "encoding", "written in UTF-8; the player reads Shift-JIS");
    return crlf;
  }

  void LintScenario(const std::string& name) {
    std::vector<uint8_t> bytes;
    if (archiveMode_) {
      auto data = ReadArchiveMember(defs_.scenarioSource, name);
      if (!data) {
        Report(cp932ToUtf8(defs_.scenarioSource), 0, "bad-archive",
               "entry " + Quote(name) + " cannot be read");
        return;
      }
      InvertArchiveBytes(*data);
      bytes = std::move(*data);
      file_ = cp932ToUtf8(defs_.scenarioSource) + "[" + cp932ToUtf8(name) + "]";
    } else {
      auto data = ReadWholeFile(name);
      if (!data) return;  // reported where it is named
      bytes = std::move(*data);
      // The file as it is spelt in the folder.
      file_ = ResolveExisting(name);
      const std::string root = GameFolder() + "/";
      if (file_.compare(0, root.size(), root) == 0) file_ = file_.substr(root.size());
    }
    // A text of LF lines is one long line to the player: what it would do
    // with the pieces tells the author nothing more.
    if (!CheckLineEnds(file_, bytes)) return;
    lines_ = SplitLines(bytes);
    penX_ = originX_;
    wideLine_ = -1;
    labels_.clear();
    for (const Line& l : lines_) labels_.insert(l.text);
    for (index_ = 0; index_ < lines_.size(); ++index_) {
      line_ = lines_[index_].number;
      ScanLine(lines_[index_].text);
    }
  }

  // The interpreter's statement loop over one line.
  void ScanLine(const std::string& text) {
    tok_.SetSource(text.c_str(), true);
    std::string t;
    for (;;) {
      tok_.SetDelimiters(grammar::kStatement);
      char c = tok_.ReadToken(t, kTokenMax, true);
      switch (c) {
        case 0:
        case '/':
        case '\n': return;
        case '!': IntegerAssignment(); return;
        case '&': StringAssignment(); return;
        case '%': Reference(grammar::kStringReference, true); break;
        case '\'': Reference(grammar::kIntegerReference, false); break;
        case '"':
          tok_.SetDelimiters(grammar::kQuote);
          if (tok_.ReadToken(t, kTokenMax, true) != '"') {
            Here("unclosed-quote", "text without a closing quote");
            return;
          }
          Text(t);
          break;
        case '\\': {
          tok_.SetDelimiters(grammar::kEscape);
          char e = tok_.ReadToken(t, kTokenMax, true);
          if (e == 'w' || e == 'W' || e == ',') break;
          if (e == 'n' || e == 'N' || e == 'r' || e == 'R') LineBreak();
          if (e != 0) penX_ = originX_;
          return;  // a wait, a break or the line's end: the rest is not read
        }
        case '~':
          if (!Command()) return;
          break;
        default: break;
      }
    }
  }

  // The font size is 0 until a FONTSIZE, so a line break moves the pen
  // down by the line spacing alone: without either, the next line lands on
  // this one. Said once, at the first break the game reaches.
  // Text is drawn on from the pen and never wrapped: work out its width
  // (the story font is fixed pitch: a double-byte character is one em of
  // the font's pixel size, a single byte half of it, rounded up) and say
  // when a line runs past the message box's right edge. Variables' values
  // are not known here and count for nothing.
  void Text(const std::string& text) {
    if (fontSize_ <= 0 || boxRight_ < 0) return;
    const int em = FontPixelSize(fontSize_, 96);
    for (size_t i = 0; i < text.size(); ++i) {
      const auto b = static_cast<uint8_t>(text[i]);
      const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
      penX_ += lead ? em : (em + 1) / 2;
      if (lead) ++i;
    }
    // A quarter em of slack: the blank side of a line's last glyph may
    // cross the edge unseen.
    if (penX_ - em / 4 > boxRight_ && wideLine_ != line_) {
      wideLine_ = line_;
      Here("text-too-wide", "the text runs to about x " + std::to_string(penX_) +
                                ", past the message box's right edge at " +
                                std::to_string(boxRight_) + "; break the line");
    }
  }

  void LineBreak() {
    if (lineStepSet_ || lineStepReported_) return;
    lineStepReported_ = true;
    Here("no-font-size",
         "a line break before any FONTSIZE or TXTSPR: the font size is 0 until one is set, so "
         "the next line is drawn over this one");
  }

  // Both choice colours are black until FONTCOLOR sets them: on a dark
  // box the choices cannot be read, and the highlighted one looks like
  // the rest. Said once, at the first SELECT.
  void ChoiceColours() {
    if ((choiceColourSet_[0] && choiceColourSet_[1]) || choiceColourReported_) return;
    choiceColourReported_ = true;
    Here("choice-colours",
         "a SELECT before FONTCOLOR has set the choice colour (target 1) and the highlight "
         "colour (target 2): both are black until then");
  }

  void NameLength(const std::string& name, size_t field, const char* what) {
    if (name.size() > field - 1)
      Here("name-too-long", std::string(what) + " " + Quote(name) + " is longer than its " +
                                std::to_string(field - 1) + "-byte field");
  }

  void Assign(const std::string& name, bool isString) {
    NameLength(name, kVarNameField, "variable name");
    (isString ? assignedStrings_ : assignedInts_).insert(name.substr(0, kVarNameField - 1));
  }
  void UseVariable(const std::string& name, bool isString) {
    if (name.empty()) return;
    const std::string key = name.substr(0, kVarNameField - 1);
    if ((isString ? assignedStrings_ : assignedInts_).count(key)) return;
    if (!reportedUses_.insert((isString ? "&" : "!") + key).second) return;
    uses_.push_back({file_, line_, key, isString});
  }

  void IntegerAssignment() {
    std::string name, value;
    tok_.SetDelimiters(grammar::kAssignedName);
    if (tok_.ReadToken(name, kTokenMax, true) == '\n') return;
    Assign(name, false);
    tok_.SetDelimiters(grammar::kIntegerValue);
    tok_.ReadToken(value, kTokenMax, true);
    if (!value.empty() && !LooksNumeric(value)) UseVariable(value, false);
  }

  void StringAssignment() {
    std::string name, value;
    tok_.SetDelimiters(grammar::kAssignedName);
    if (tok_.ReadToken(name, kTokenMax, true) == '\n') return;
    Assign(name, true);
    tok_.SetDelimiters(grammar::kStringValue);
    tok_.ReadToken(value, kTokenMax, true);
    if (tok_.AtEnd()) return;
    if (tok_.ReadToken(value, kTokenMax, true) != '"')
      Here("unclosed-quote", "string value without a closing quote");
  }

  void Reference(const char* set, bool isString) {
    std::string name;
    tok_.SetDelimiters(set);
    tok_.ReadToken(name, kTokenMax, true);
    UseVariable(name, isString);
  }

  // ~KEYWORD and its arguments; true when the line goes on after it.
  bool Command() {
    std::string keyword;
    tok_.SetDelimiters(grammar::kCommandName);
    const char d = tok_.ReadToken(keyword, kTokenMax, false);
    const CommandRow* row = FindCommandRow(keyword);
    if (!row) {
      Here("unknown-command", "unknown command " + Quote(keyword));
      return d != 0;
    }
    const mirt::Command c = CommandOf(*row);
    if (c == mirt::Command::FONTSIZE || c == mirt::Command::TXTSPR) lineStepSet_ = true;
    if (c == mirt::Command::SELECT) ChoiceColours();
    const std::string shape = row->arguments;
    ints_.clear();
    for (char a : shape) Argument(a);
    // FONTCOLOR r,g,b,target: targets 1 and 2 colour the choices.
    if (c == mirt::Command::FONTCOLOR && ints_.size() == 4 && (ints_[3] == "1" || ints_[3] == "2"))
      choiceColourSet_[ints_[3] == "1" ? 0 : 1] = true;
    // What the width of a line depends on, where the values are written out.
    if (c == mirt::Command::FONTSIZE && ints_.size() == 1) fontSize_ = NumberOr(ints_[0], 0);
    if (c == mirt::Command::BOXSIZE && ints_.size() == 4) boxRight_ = NumberOr(ints_[2], -1);
    if (c == mirt::Command::TXTPOS && ints_.size() == 2) penX_ = originX_ = NumberOr(ints_[0], 0);
    if (c == mirt::Command::SELECT) penX_ = originX_;  // the choices clear the window
    // A choice block has moved the reader on to the lines after it.
    if (shape == "S" || shape == "C") return false;
    return row->keepsLine && d != 0;
  }

  void Argument(char kind) {
    std::string s;
    switch (kind) {
      case 'i': IntArgument(); break;
      case 'n':
      case '$':
        tok_.SetDelimiters(",\n");
        tok_.ReadToken(s, kTokenMax, true);
        UseVariable(s, kind == '$');
        break;
      case 's': StringArgument(s); break;
      case 'q':
        tok_.SetDelimiters("\"");
        tok_.ReadToken(s, kTokenMax, true);
        if (!tok_.AtEnd() && tok_.ReadToken(s, kTokenMax, true) != '"')
          Here("unclosed-quote", "name without a closing quote");
        break;
      case 'b':
      case 'h':
        if (StringArgument(s)) Picture(s, kind == 'h' ? kShortField : kNameField);
        break;
      case 'm':
        if (StringArgument(s)) Sound(s, midi_, "MIDI song");
        break;
      case 'w':
        if (StringArgument(s)) Sound(s, wave_, "WAVE sound");
        break;
      case 'c':
        if (StringArgument(s) && !s.empty()) {
          NameLength(s, kShortField, "cursor file");
          if (ResolveExisting(s).empty())
            Here("missing-file", "cursor file " + Quote(s) + " does not exist");
        }
        break;
      case '-':
        tok_.SetDelimiters(",");
        tok_.ReadToken(s, kTokenMax, true);
        break;
      case 'G': Goto(); break;
      case 'S': Select(); break;
      case 'C': SelectCg(); break;
      case 'M': Math(); break;
      case 'F': If(); break;
      default: break;
    }
  }

  void IntArgument() {
    std::string t;
    tok_.SetDelimiters(grammar::kIntegerArgument);
    const char d = tok_.ReadToken(t, kTokenMax, true);
    ints_.push_back(d == '!' ? std::string() : t);
    if (d == '!') {
      tok_.ReadToken(t, kTokenMax, true);
      UseVariable(t, false);
    }
  }

  // The string argument's value; false when it comes from a variable, whose
  // value is not known before the game runs.
  bool StringArgument(std::string& out) {
    tok_.SetDelimiters(grammar::kStringArgument);
    const char c = tok_.ReadToken(out, kTokenMax, true);
    if (c == '&') {
      tok_.SetDelimiters(grammar::kStringVariable);
      tok_.ReadToken(out, kTokenMax, true);
      UseVariable(out, true);
      return false;
    }
    if (c == ',') return true;
    if (c == 0) {
      out.clear();
      return true;
    }
    if (tok_.ReadToken(out, kTokenMax, true) != '"')
      Here("unclosed-quote", "argument without a closing quote");
    return true;
  }

  bool InArchive(const std::optional<std::vector<ArchiveEntry>>& dir, const std::string& name) {
    return dir && FindArchiveEntry(*dir, name).has_value();
  }

  void Picture(const std::string& name, size_t field) {
    if (name.empty()) return;
    NameLength(name, field, "picture name");
    if (!InArchive(graphics_, name) && ResolveExisting(name).empty())
      Here("missing-file",
           "picture " + Quote(name) + " is neither in the picture archive nor on disk");
  }

  void Sound(const std::string& name, const std::optional<std::vector<ArchiveEntry>>& dir,
             const char* what) {
    if (name.empty()) return;
    NameLength(name, kNameField, what);
    if (!InArchive(dir, name) && ResolveExisting(name).empty())
      Here("missing-file",
           std::string(what) + " " + Quote(name) + " is neither in its archive nor on disk");
  }

  // A jump target: "*label" or "@label" (a label of this scenario), "!name"
  // (a scenario). Other targets are no jump and need nothing.
  void Target(const std::string& target) {
    if (target.size() > kTargetMax)
      Here("name-too-long",
           "target " + Quote(target) + " is longer than " + std::to_string(kTargetMax) + " bytes");
    if (target.empty()) return;
    if (target[0] == '*' || target[0] == '@') {
      const std::string label = "*" + target.substr(1);
      if (labels_.count(label)) return;
      for (const Line& l : lines_)
        if (StripBlanks(l.text) == label) {
          Here("missing-label", "no label line " + Quote(label) + "; line " +
                                    std::to_string(l.number) +
                                    " has blanks in it and can never be found");
          return;
        }
      Here("missing-label", "no label line " + Quote(label) + " in this scenario");
    } else if (target[0] == '!') {
      const std::string name = target.substr(1);
      NameLength(name, kNameField, "scenario name");
      if (!ScenarioExists(name)) {
        Here("missing-scenario",
             "scenario " + Quote(name) +
                 (archiveMode_ ? " is not in the scenario archive" : " does not exist"));
        return;
      }
      if (!archiveMode_) Enqueue(name);
    }
  }

  void Goto() {
    std::string arg;
    tok_.SetDelimiters("");
    tok_.ReadToken(arg, kTokenMax, true);
    if (!arg.empty() && (arg[0] == '*' || arg[0] == '!')) Target(arg);
  }

  // The lines a choice command takes after its own: true while there is one.
  bool NextBlockLine() {
    if (index_ + 1 >= lines_.size()) {
      Here("unclosed-block", "the choice block is not closed by a line starting with }");
      return false;
    }
    ++index_;
    line_ = lines_[index_].number;
    return true;
  }

  void Select() {
    const int start = line_;
    do {
      if (!NextBlockLine()) return;
    } while (lines_[index_].text.empty() || lines_[index_].text[0] != '{');
    int count = 0;
    for (;;) {
      if (!NextBlockLine()) return;
      const std::string& text = lines_[index_].text;
      if (!text.empty() && text[0] == '}') break;
      ++count;
      tok_.SetSource(text.c_str(), true);
      std::string shown, target;
      StringArgument(shown);
      tok_.SetDelimiters(",");
      tok_.ReadToken(target, kTokenMax, true);
      Target(target);
    }
    if (count > kChoiceMax)
      Report(file_, start, "too-many-choices",
             "SELECT has " + std::to_string(count) + " choices; the player shows ten");
  }

  void SelectCg() {
    const int start = line_;
    if (!NextBlockLine()) return;  // the opening brace, skipped
    int count = 0;
    for (;;) {
      if (!NextBlockLine()) return;
      const std::string text = StripBlanks(lines_[index_].text);
      if (!text.empty() && text[0] == '}') break;
      ++count;
      // Three quoted picture names, then x, y, the transparent flag and the target.
      size_t pos = 0;
      bool complete = true;
      for (int k = 0; k < 3; ++k) {
        size_t open = text.find('"', pos);
        size_t close = open == std::string::npos ? open : text.find('"', open + 1);
        if (close == std::string::npos) {
          complete = false;
          break;
        }
        Picture(text.substr(open + 1, close - open - 1), kTargetMax + 1);
        pos = close + 1;
      }
      if (!complete) {
        Here("unclosed-quote", "button line without three quoted picture names");
        continue;
      }
      std::vector<std::string> fields;
      std::string field;
      for (size_t i = pos; i <= text.size(); ++i) {
        if (i == text.size() || (text[i] == ',' && fields.size() < 4)) {
          fields.push_back(field);
          field.clear();
        } else
          field += text[i];
      }
      if (fields.size() >= 5) Target(fields[4]);
    }
    if (count > kChoiceMax)
      Report(file_, start, "too-many-choices",
             "SELECTCG has " + std::to_string(count) + " buttons; the player shows ten");
  }

  // Names in an expression: runs between operators that are not numbers.
  void ExpressionNames(const std::string& expr, const char* operators) {
    std::string name;
    for (size_t i = 0; i <= expr.size(); ++i) {
      if (i == expr.size() || std::strchr(operators, expr[i])) {
        if (!name.empty() && !LooksNumeric(name)) UseVariable(name, false);
        name.clear();
      } else
        name += expr[i];
    }
  }

  void Math() {
    std::string rest;
    tok_.SetDelimiters("");
    tok_.ReadToken(rest, kTokenMax, true);
    const size_t eq = rest.find('=');
    if (eq == std::string::npos) return;
    UseVariable(rest.substr(0, eq), false);
    ExpressionNames(rest.substr(eq + 1), "+-*/%()");
  }

  void If() {
    std::string rest;
    tok_.SetDelimiters("");
    tok_.ReadToken(rest, kTokenMax, true);
    ExpressionNames(rest, "<>=!");
  }

  std::vector<Finding>& findings_;
  StartupDefinitions defs_;
  bool archiveMode_ = false;
  std::vector<ArchiveEntry> scenarioDir_;
  std::optional<std::vector<ArchiveEntry>> graphics_, wave_, midi_;
  std::deque<std::string> queue_;
  std::set<std::string> queued_;
  StringTok tok_;
  // The scenario being read.
  std::string file_;
  std::vector<Line> lines_;
  std::set<std::string> labels_;
  size_t index_ = 0;
  int line_ = 0;
  // Variables, in reading order.
  std::set<std::string> assignedInts_, assignedStrings_, reportedUses_;
  bool lineStepSet_ = false, lineStepReported_ = false;
  int fontSize_ = 0, boxRight_ = -1, originX_ = 0, wideLine_ = -1, penX_ = 0;
  bool choiceColourSet_[2] = {false, false}, choiceColourReported_ = false;
  std::vector<std::string> ints_;  // the last command's integer arguments as written
  std::vector<Use> uses_;
};

}  // namespace

int Lint(const Args& args, std::ostream& out, std::ostream& err) {
  bool json = false;
  std::string dir;
  for (const std::string& a : args) {
    if (a == "--json")
      json = true;
    else if (!a.empty() && a[0] == '-') {
      err << "mirt-tool: lint: unknown option " << a << "\n";
      return kExitUsage;
    } else if (dir.empty())
      dir = a;
    else
      dir = "\n";  // more than one folder
  }
  if (dir.empty() || dir == "\n") {
    err << "usage: mirt-tool lint [--json] GAME_DIR\n";
    return kExitUsage;
  }
  if (!std::filesystem::is_directory(dir)) {
    err << "mirt-tool: lint: " << dir << " is not a folder\n";
    return kExitUsage;
  }
  SetGameFolder(dir);
  std::vector<Finding> findings;
  Linter(findings).Run();
  if (json) {
    QJsonArray a;
    for (const Finding& f : findings)
      a.append(QJsonObject{{"file", QString::fromStdString(f.file)},
                           {"line", f.line},
                           {"check", QString::fromStdString(f.check)},
                           {"reason", QString::fromStdString(f.reason)}});
    out << QJsonDocument(a).toJson(QJsonDocument::Indented).toStdString();
  } else {
    for (const Finding& f : findings) {
      out << f.file;
      if (f.line > 0) out << ":" << f.line;
      out << ": " << f.reason << " [" << f.check << "]\n";
    }
  }
  return findings.empty() ? kExitOk : kExitFailed;
}

}  // namespace mirt::tool
