#include "text/History.h"

namespace mirt {

void CThink::Append(const std::string& cp932) { pages_.back().back() += cp932; }

void CThink::LineBreak() {
  std::vector<std::string>& lines = pages_.back();
  if (static_cast<int>(lines.size()) < kLineSlots) lines.emplace_back();
}

void CThink::PageBreak() {
  pages_.emplace_back(1);
  TrimHistory();
}

void CThink::TrimHistory() {
  // Whole pages move down, so that no line of a page can stay behind on
  // the one that takes its slot.
  while (static_cast<int>(pages_.size()) > kPageSlots) {
    pages_.erase(pages_.begin());
    ++dropped_;
  }
}

void CThink::CutBack(const Mark& m) {
  if (m.pagesBegun <= dropped_) return;  // that page has been pushed out
  const uint64_t keep = m.pagesBegun - dropped_;
  if (keep > pages_.size()) return;  // a mark from a later history
  pages_.resize(keep);
  pages_.back() = m.lastPage.empty() ? std::vector<std::string>(1) : m.lastPage;
}

int CThink::lineIndex(int page) const {
  if (page < 0 || page >= static_cast<int>(pages_.size())) return 0;
  return static_cast<int>(pages_[page].size()) - 1;
}

const std::string& CThink::Line(int page, int line) const {
  static const std::string kNone;
  if (page < 0 || page >= static_cast<int>(pages_.size())) return kNone;
  const std::vector<std::string>& lines = pages_[page];
  if (line < 0 || line >= static_cast<int>(lines.size())) return kNone;
  return lines[line];
}

}  // namespace mirt
