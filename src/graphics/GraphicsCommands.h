// The picture commands (LOADBG, LOADCHAR, CHARCLR, CHARPOS, CHARMODE,
// TITLE), the screen effects (FADEOUT, FLASH, QUIVER, DRAW) and SETCURSOR.
#pragma once

namespace mirt {

class CommandTable;
class Stage;

void RegisterPictureCommands(CommandTable& table, Stage& stage);
void RegisterScreenEffectCommands(CommandTable& table, Stage& stage);
void RegisterCursorCommands(CommandTable& table, Stage& stage);

}  // namespace mirt
