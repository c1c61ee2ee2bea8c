// The story's text as lines for the reader's outlets (a text hook, the
// clipboard, speech, the accessibility layer).
//
// A line is the text shown between two waits for the reader (a line wait,
// a page wait, a choice): its pieces (quoted texts, variable values) in
// order, without escapes; a line break that does not wait (page mode, \r)
// stays in it as a line feed. A choice set is one line of its own, each
// choice on a line. Everything here is CP932; the outlets convert.
#pragma once

#include <string>

namespace mirt {

class Choices;
class CThink;

enum class ShownText {
  Line,         // a line, when its wait is reached
  Choices,      // a choice set, when it is offered
  Highlight,    // the highlighted choice, when the highlight moves to it
  HistoryPage,  // the history viewer's page, when it opens or turns
};

// What the outlets implement.
class LineSink {
 public:
  virtual ~LineSink() = default;
  virtual void textShown(ShownText kind, const std::string& cp932) = 0;
  // The reader advanced the story: what is being read out ends.
  virtual void advanced() = 0;
};

class TextOut {
 public:
  // Longest line collected; a story that never waits cannot grow it further.
  static constexpr size_t kLineMax = 1 << 16;

  void SetSink(LineSink* sink) { sink_ = sink; }

  // ---- called by the engine -------------------------------------------------
  void Piece(const std::string& cp932);  // story text drawn
  void Break();                          // the pen's line break
  // The story waits for the reader: the line collected so far goes out,
  // then the choice set if one is on offer.
  void Wait(const Choices& choices);
  void Highlighted(const std::string& cp932);
  void HistoryPage(const CThink& history, int page);
  void Advanced();
  // The line collected since the last wait.
  const std::string& line() const { return line_; }

 private:
  LineSink* sink_ = nullptr;
  std::string line_;
  bool breakPending_ = false;
};

}  // namespace mirt
