// What the text commands, the choices and the picture choices work on: the
// stage and the text layer's own objects.
#pragma once

#include "graphics/Stage.h"

namespace mirt {

class CText;
class CommandTable;
class CThink;
class Choices;
class MessageWindow;
class SaveSlots;
class TextOut;

class TextStage : public Stage {
 public:
  TextStage(const Stage& stage, CText& script, MessageWindow& message, CThink& history,
            Choices& choices, SaveSlots& saveSlots)
      : Stage(stage),
        script_(script),
        message_(message),
        history_(history),
        choices_(choices),
        slots_(saveSlots) {}

  CText& script() const { return script_; }
  MessageWindow& message() const { return message_; }
  CThink& history() const { return history_; }
  Choices& choices() const { return choices_; }
  SaveSlots& saveSlots() const { return slots_; }
  // Where the choices shown go as text, for the reader's outlets; none set
  // means nowhere.
  TextOut* textOut() const { return textOut_; }
  void SetTextOut(TextOut* out) { textOut_ = out; }

 private:
  CText& script_;
  MessageWindow& message_;
  CThink& history_;
  Choices& choices_;
  SaveSlots& slots_;
  TextOut* textOut_ = nullptr;
};

void RegisterTextCommands(CommandTable& table, TextStage& text);

}  // namespace mirt
