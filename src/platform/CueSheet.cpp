#include "platform/CueSheet.h"

#include <cctype>

#include "common/Ascii.h"

namespace mirt {
namespace {

constexpr size_t kMaxSheetBytes = 256 * 1024;

// The words of a line; a double-quoted word may hold spaces. False when a
// quote is not closed.
bool SplitWords(std::string_view line, std::vector<std::string>* words) {
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    std::string w;
    if (line[i] == '"') {
      size_t end = line.find('"', i + 1);
      if (end == std::string_view::npos) return false;
      w.assign(line.substr(i + 1, end - i - 1));
      i = end + 1;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') w += line[i++];
    }
    words->push_back(std::move(w));
  }
  return true;
}

bool ParseNumber(const std::string& s, int max, int* out) {
  if (s.empty() || s.size() > 3) return false;
  int v = 0;
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    v = v * 10 + (c - '0');
  }
  if (v > max) return false;
  *out = v;
  return true;
}

// mm:ss:ff (75 frames a second) in sectors.
bool ParseTime(const std::string& s, int64_t* sectors) {
  size_t a = s.find(':'), b = s.find(':', a == std::string::npos ? a : a + 1);
  if (a == std::string::npos || b == std::string::npos) return false;
  int mm, ss, ff;
  if (!ParseNumber(s.substr(0, a), 999, &mm) || !ParseNumber(s.substr(a + 1, b - a - 1), 59, &ss) ||
      !ParseNumber(s.substr(b + 1), 74, &ff))
    return false;
  *sectors = (int64_t(mm) * 60 + ss) * 75 + ff;
  return true;
}

}  // namespace

std::optional<CueSheet> ParseCueSheet(std::string_view text, std::string* error) {
  CueSheet sheet;
  int lineNo = 0;
  auto fail = [&](const std::string& what) -> std::optional<CueSheet> {
    if (error) *error = lineNo ? "line " + std::to_string(lineNo) + ": " + what : what;
    return std::nullopt;
  };
  if (text.size() > kMaxSheetBytes) return fail("too large for a CUE sheet");
  // A byte order mark before the first word is allowed.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  CueTrack* track = nullptr;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    for (char c : line)
      if (c == '\0') return fail("not a text line");
    std::vector<std::string> w;
    if (!SplitWords(line, &w)) return fail("a quote is not closed");
    if (w.empty()) continue;
    const std::string key = UpperAscii(w[0]);
    if (key == "REM" || key == "CATALOG" || key == "TITLE" || key == "PERFORMER" ||
        key == "SONGWRITER" || key == "CDTEXTFILE" || key == "ISRC" || key == "FLAGS")
      continue;
    if (key == "FILE") {
      if (w.size() != 3 || w[1].empty()) return fail("FILE needs a name and a type");
      if (UpperAscii(w[2]) != "BINARY")
        return fail("FILE type " + w[2] + " is not supported (only BINARY)");
      sheet.files.push_back(w[1]);
      track = nullptr;
    } else if (key == "TRACK") {
      if (sheet.files.empty()) return fail("TRACK before any FILE");
      int n;
      if (w.size() != 3 || !ParseNumber(w[1], 99, &n) || n < 1)
        return fail("TRACK needs a number 1 to 99 and a mode");
      if (n != int(sheet.tracks.size()) + 1) return fail("TRACK " + w[1] + " out of order");
      if (!sheet.tracks.empty() && sheet.tracks.back().index1 < 0)
        return fail("the track before has no INDEX 01");
      const std::string mode = UpperAscii(w[2]);
      CueTrack t;
      t.number = n;
      t.file = sheet.files.size() - 1;
      t.index1 = -1;
      if (mode == "AUDIO")
        t.mode = CueTrackMode::kAudio;
      else if (mode == "MODE1/2352")
        t.mode = CueTrackMode::kMode1_2352;
      else if (mode == "MODE1/2048")
        t.mode = CueTrackMode::kMode1_2048;
      else if (mode == "MODE2/2352")
        t.mode = CueTrackMode::kMode2_2352;
      else
        return fail("track mode " + w[2] + " is not supported");
      sheet.tracks.push_back(t);
      track = &sheet.tracks.back();
    } else if (key == "INDEX") {
      if (!track) return fail("INDEX outside a track");
      int n;
      int64_t at;
      if (w.size() != 3 || !ParseNumber(w[1], 99, &n) || !ParseTime(w[2], &at))
        return fail("INDEX needs a number and a time mm:ss:ff");
      if (n == 0) {
        if (track->index0 >= 0 || track->index1 >= 0) return fail("INDEX 00 out of order");
        track->index0 = at;
      } else if (n == 1) {
        if (track->index1 >= 0) return fail("a second INDEX 01");
        if (track->index0 > at) return fail("INDEX 01 before INDEX 00");
        track->index1 = at;
      } else if (track->index1 < 0 || at < track->index1) {
        return fail("INDEX " + w[1] + " out of order");
      }
      // Tracks sharing a file follow one another in it.
      if (sheet.tracks.size() >= 2) {
        const CueTrack& before = sheet.tracks[sheet.tracks.size() - 2];
        if (before.file == track->file && at < before.index1)
          return fail("INDEX before the previous track's start");
      }
    } else if (key == "PREGAP" || key == "POSTGAP") {
      int64_t at;
      if (!track || w.size() != 2 || !ParseTime(w[1], &at)) return fail(key + " needs a time");
    } else {
      std::string word = w[0].substr(0, 40);
      for (char& c : word)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
      return fail("unknown word " + word);
    }
  }
  lineNo = 0;
  if (sheet.tracks.empty()) return fail("no TRACK");
  if (sheet.tracks.back().index1 < 0)
    return fail("track " + std::to_string(sheet.tracks.back().number) + " has no INDEX 01");
  for (size_t i = 0; i < sheet.files.size(); ++i) {
    bool used = false;
    for (const CueTrack& t : sheet.tracks) used = used || t.file == i;
    if (!used) return fail("FILE " + sheet.files[i] + " holds no track");
  }
  return sheet;
}

}  // namespace mirt
