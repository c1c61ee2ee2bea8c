// The volume dialog's window (TForm4) on Qt Widgets: the layout, captions
// and fonts of the dialog, its widgets handed to the VolumeDialog that
// holds the behaviour.
#pragma once

class QWidget;

namespace mirt {

class VolumeDialog;

// Shows the dialog modally over parent until the reader closes it.
void RunVolumeWindow(VolumeDialog& dialog, QWidget* parent);

}  // namespace mirt
