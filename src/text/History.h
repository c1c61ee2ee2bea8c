// The text history: the story's text as it was shown, a page a screen and
// a line a line break. It holds 256 pages of up to 256 lines; once they are
// all in use, every new page pushes the oldest out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mirt {

class CThink {
 public:
  static constexpr int kPageSlots = 256;  // pages 0..255
  static constexpr int kLineSlots = 256;  // lines 0..255 of a page
  static constexpr int kLastPage = kPageSlots - 1;

  // Adds a piece of shown text to the current line of the current page.
  void Append(const std::string& cp932);
  // The current page goes on on its next line. A page that has used all
  // its lines keeps writing on the last one.
  void LineBreak();
  // The next page becomes the current one; TrimHistory keeps it in range.
  void PageBreak();
  // With the page number past the last page slot, the oldest page is
  // dropped and the current one is the last slot again; otherwise nothing.
  void TrimHistory();

  // The number of the page being written, 0..255.
  int page() const { return static_cast<int>(pages_.size()) - 1; }
  // The index of the last line of a page (0 for a page not written yet).
  int lineIndex(int page) const;
  // One line of one page; empty where nothing was written.
  const std::string& Line(int page, int line) const;
  // Pages of lines of CP932 text, oldest first; the last is being written.
  const std::vector<std::vector<std::string>>& pages() const { return pages_; }

  // How far the history has got: the pages begun so far (those pushed out
  // included) and the page being written as it stands.
  struct Mark {
    uint64_t pagesBegun = 1;
    std::vector<std::string> lastPage{1};
  };
  Mark mark() const { return {dropped_ + pages_.size(), pages_.back()}; }
  // Cuts the history back to a mark taken earlier: the pages begun since go,
  // and the page then being written is as it was. Pages pushed out since
  // stay out.
  void CutBack(const Mark& m);

 private:
  // Never empty: the last page is the one being written, and each page has
  // at least its line 0.
  std::vector<std::vector<std::string>> pages_{1, std::vector<std::string>(1)};
  uint64_t dropped_ = 0;  // pages pushed out
};

}  // namespace mirt
