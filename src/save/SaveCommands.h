// SAVEPOINT, ONSAVE, ONLOAD, DATALOG, PSAVE and PLOAD.
#pragma once

namespace mirt {

class CText;
class CommandTable;
class SaveSlots;

void RegisterSaveCommands(CommandTable& table, CText& script, SaveSlots& saveSlots);

}  // namespace mirt
