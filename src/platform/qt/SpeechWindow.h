// The speech dialog: the voice (Japanese voices first), the rate and the
// volume, tried out on a sample line before they are kept.
#pragma once

#include <functional>

class QWidget;

namespace mirt {

class Speech;
struct SpeechSettings;

// Shows the dialog modally over parent; apply gets the settings on OK.
void RunSpeechWindow(Speech& speech, const std::function<void(const SpeechSettings&)>& apply,
                     QWidget* parent);

}  // namespace mirt
