#include "text/TextOut.h"

#include "text/Choices.h"
#include "text/History.h"

namespace mirt {

void TextOut::Piece(const std::string& cp932) {
  if (!sink_ || cp932.empty()) return;
  if (breakPending_ && !line_.empty()) line_ += '\n';
  breakPending_ = false;
  if (line_.size() + cp932.size() <= kLineMax) line_ += cp932;
}

void TextOut::Break() { breakPending_ = true; }

void TextOut::Wait(const Choices& choices) {
  breakPending_ = false;
  if (!sink_) return;
  if (!line_.empty()) {
    std::string line;
    line.swap(line_);
    sink_->textShown(ShownText::Line, line);
  }
  if (choices.pending()) {
    std::string set;
    for (int j = 0; j < choices.count(); ++j) {
      if (choices.text(j).empty()) continue;
      if (!set.empty()) set += '\n';
      set += choices.text(j);
    }
    if (!set.empty()) sink_->textShown(ShownText::Choices, set);
  }
}

void TextOut::Highlighted(const std::string& cp932) {
  if (sink_ && !cp932.empty()) sink_->textShown(ShownText::Highlight, cp932);
}

void TextOut::HistoryPage(const CThink& history, int page) {
  if (!sink_) return;
  std::string text;
  for (int i = 0; i <= history.lineIndex(page); ++i) {
    const std::string& line = history.Line(page, i);
    if (line.empty()) continue;
    if (!text.empty()) text += '\n';
    text += line;
  }
  if (!text.empty()) sink_->textShown(ShownText::HistoryPage, text);
}

void TextOut::Advanced() {
  if (sink_) sink_->advanced();
}

}  // namespace mirt
