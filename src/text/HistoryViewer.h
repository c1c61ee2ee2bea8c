// The history viewer: a tinted or pictured panel over the picture as it
// was, with one page of the text history on it and two arrows to page back
// and forward. It draws into the window's picture and presents it; the
// player decides when it opens and what its closing means.
#pragma once

#include <QImage>
#include <string>

#include "text/TextFont.h"

namespace mirt {

class CThink;
class Stage;
class TextOut;

class HistoryViewer {
 public:
  // Where the pointer is: on the up arrow, on the down arrow, elsewhere.
  enum Hover { kOnUp = 0, kOnDown = 1, kElsewhere = 2 };

  HistoryViewer(Stage& stage, const CThink& history) : p_(stage), history_(history) {}

  // Opens on the last finished page, the pointer at (x, y).
  void Open(int x, int y);
  // Redraws the arrows, the one under the pointer highlighted.
  void MouseMove(int x, int y);
  // Pages back or forward by the arrow under the pointer; anywhere else the
  // picture as it was comes back and the result is true (the viewer closed).
  bool Click();
  // Pages back (-1) or forward (+1), never past the last finished page.
  void Page(int step);
  // The picture as it was comes back.
  void Close();

  // Where a page shown goes as text, for the reader's outlets.
  void SetTextOut(TextOut* out) { textOut_ = out; }
  int viewPage() const { return viewPage_; }
  int hover() const { return hover_; }
  // The page as last drawn, without the arrows: what a capture saves.
  const QImage& renderedPage() const { return rendered_; }

 private:
  void DrawPage();
  void DrawArrow(const char* utf8, int x, int y, bool highlighted);
  const QFont& font();

  Stage& p_;
  const CThink& history_;
  TextOut* textOut_ = nullptr;
  int viewPage_ = 0;
  int hover_ = kElsewhere;
  QImage saved_;     // the window as it was when the viewer opened
  QImage panel_;     // its background: the saved picture tinted or pictured
  QImage rendered_;  // the last page drawn
  StoryFontCache font_;
};

}  // namespace mirt
