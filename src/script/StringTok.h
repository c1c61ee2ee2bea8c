// The one token reader over the current scenario line.
//
// Every caller installs its own delimiter set (every byte of the set string
// is a delimiter) and reads tokens of at most `max` bytes. The reader knows
// nothing of the script's syntax: the syntax is the delimiter sets.
#pragma once

#include <string>

namespace mirt {

// The longest token any statement or command reads.
constexpr int kTokenMax = 256;

class StringTok {
 public:
  StringTok() = default;
  StringTok(const StringTok&) = delete;
  StringTok& operator=(const StringTok&) = delete;

  // Points the reader at text (NUL-terminated). With copy the reader keeps a
  // private copy; otherwise it scans text in place.
  void SetSource(const char* text, bool copy = false);
  void SetDelimiters(const std::string& set) { delimiters_ = set; }
  const std::string& Delimiters() const { return delimiters_; }

  // Reads up to the next delimiter. out receives the token (without the
  // delimiter). Returns the delimiter that ended it, or 0 at the end of the
  // text or after max bytes. With skipBlanks, spaces and tabs are dropped
  // (and still count towards max) and never act as delimiters.
  char ReadToken(std::string& out, int max = kTokenMax, bool skipBlanks = true);

  // The reader stands past the end of its text.
  bool AtEnd() const { return cursor_ == nullptr; }
  // The unread rest of the text ("" at the end).
  const char* Rest() const { return cursor_ ? cursor_ : ""; }

 private:
  std::string owned_;
  const char* source_ = nullptr;
  const char* cursor_ = nullptr;
  std::string delimiters_;
};

}  // namespace mirt
