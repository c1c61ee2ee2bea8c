// The text history: the story's text as it was shown, a page a screen and
// a line a line break, the newest 255 pages kept.
#pragma once

#include <string>
#include <vector>

namespace mirt {

class CThink {
 public:
  static constexpr size_t kPageLimit = 255;

  void Append(const std::string& cp932) { pages_.back().back() += cp932; }
  void LineBreak() { pages_.back().emplace_back(); }
  // Starts a new page; the oldest go once there are more than the limit.
  void PageBreak() {
    pages_.emplace_back(1);
    if (page_ < static_cast<int>(kPageLimit)) ++page_;
    while (pages_.size() > kPageLimit) pages_.erase(pages_.begin());
  }
  // The number of the page being written, counted from 0 and held at the
  // limit once the oldest pages start to go.
  int page() const { return page_; }
  // Pages of lines of CP932 text, oldest first; the last is being written.
  const std::vector<std::vector<std::string>>& pages() const { return pages_; }

 private:
  int page_ = 0;
  std::vector<std::vector<std::string>> pages_{1, std::vector<std::string>(1)};
};

}  // namespace mirt
