// What a game controller's buttons do: the keys, the right click and the
// reader's own menu items they stand for.
//
//   A              Enter: advance, take the highlighted choice
//   B              the right click: hide the box, then the history
//   d-pad up/down  Up/Down; on picture choices every d-pad direction moves
//                  the highlight between the buttons
//   left shoulder  Rollback
//   right shoulder held: Control held (skip read text)
//   X              AutoMode
//   Start          the menu bar, with the keyboard's focus
//
// In the history viewer the d-pad pages and A or B closes it, as a click
// beside its arrows does. Nothing at all with classic controls.
#include "shell/Player.h"

namespace mirt {

void Player::padButton(PadButton button, bool down) {
  if (settings_.classicControls() || closed() || destroyed_ || !platform_.windowExists()) return;
  if (button == PadButton::RightShoulder) {
    if (down)
      formKeyDown(kKeyControl);
    else
      formKeyUp(kKeyControl);
    return;
  }
  if (!down) return;
  const bool dpadBack = button == PadButton::DpadUp || button == PadButton::DpadLeft;
  const bool dpadOn = button == PadButton::DpadDown || button == PadButton::DpadRight;

  if (storyState_ == StoryState::History) {
    if (script_.running()) return;
    if (button == PadButton::DpadUp) historyViewer_.Page(-1);
    if (button == PadButton::DpadDown) historyViewer_.Page(+1);
    if (button == PadButton::A || button == PadButton::B) {
      historyViewer_.Close();
      storyState_ = StoryState::BoxHidden;
    }
    return;
  }
  if (choices_.picturePending() && storyState_ == StoryState::Shown) {
    if (script_.running()) return;  // handed on from inside a run
    PictureChoices& pictures = choices_.pictures();
    if (dpadBack || dpadOn) {
      pictures.MoveHighlight(text_, dpadOn ? +1 : -1);
      return;
    }
    if (button == PadButton::A) {
      if (pictures.highlighted()) pictures.Take(text_);
      return;
    }
  }
  switch (button) {
    case PadButton::A: formKeyDown(kKeyEnter); break;
    case PadButton::B: formMouseDown(MouseButton::Right, pointerX_, pointerY_); break;
    case PadButton::DpadUp: formKeyDown(kKeyUp); break;
    case PadButton::DpadDown: formKeyDown(kKeyDown); break;
    case PadButton::LeftShoulder: menuActivated("Rollback"); break;
    case PadButton::X: menuActivated("AutoMode"); break;
    case PadButton::Start: platform_.openMenuBar(); break;
    default: break;  // Y, Back, d-pad left and right
  }
}

}  // namespace mirt
