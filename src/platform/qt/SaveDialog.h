// The save dialog: the ten slots and the quick slot as a list of pictures
// with their captions and first lines, and the buttons to save and load.
#pragma once

#include <optional>
#include <utility>

#include "platform/SaveDialogModel.h"

class QWidget;

namespace mirt {

// Shows the dialog modally over parent; the reader's action and slot, or
// nothing when it was closed without one. Enter loads the highlighted slot
// when it holds a save (and loading is allowed), else saves into it.
std::optional<std::pair<SaveDialogAction, int>> RunSaveDialog(const SaveDialogModel& model,
                                                              QWidget* parent);

}  // namespace mirt
