// The script's part in saving: SAVEPOINT, ONSAVE, ONLOAD, DATALOG, and the
// variable files of PSAVE and PLOAD.
#include <memory>
#include <string>

#include "platform/HostFiles.h"
#include "save/GameFiles.h"
#include "save/SaveCommands.h"
#include "save/SaveSlots.h"
#include "save/SlotFile.h"
#include "script/CText.h"
#include "script/CommandTable.h"
#include "script/GameState.h"
#include "script/StoryHost.h"
#include "script/VariableStore.h"

namespace mirt {
namespace {

// What the save commands work on.
class Objects {
 public:
  Objects(CText& script, SaveSlots& saveSlots) : script_(script), slots_(saveSlots) {}
  ArgumentReader& args() { return script_.args(); }
  StringTok& tok() { return script_.tok(); }
  VariableStore& vars() { return script_.args().vars(); }
  GameState& state() { return script_.args().state(); }
  StoryHost& host() { return script_.args().host(); }
  SaveSlots& saveSlots() { return slots_; }

 private:
  CText& script_;
  SaveSlots& slots_;
};

// The record of that name among the first count records, or -1.
template <typename Record, size_t N>
int FindRecord(const Record (&table)[N], size_t count, const std::string& name) {
  const std::string want = name.substr(0, kVarNameField - 1);
  for (size_t i = 0; i < count && i < N; ++i)
    if (FieldString(table[i].name, kVarNameField) == want) return static_cast<int>(i);
  return -1;
}

}  // namespace

int CmdSAVEPOINT(Objects& p) {
  p.host().TakeSavePoint();
  return 1;
}

int CmdONSAVE(Objects& p) {
  p.saveSlots().SetSaveEnabled(p.args().Int() != 0);
  p.host().MenuChanged();
  return 1;
}

int CmdONLOAD(Objects& p) {
  p.saveSlots().SetLoadEnabled(p.args().Int() != 0);
  p.host().MenuChanged();
  return 1;
}

int CmdDATALOG(Objects& p) {
  std::string token, label;
  p.tok().SetDelimiters("\",&");
  if (p.tok().ReadToken(token, kTokenMax, true) == '&') {
    std::string name;
    p.tok().SetDelimiters("&,\"");
    p.tok().ReadToken(name, kTokenMax, true);
    const int i = p.vars().FindString(name);
    if (i < 0) {
      p.host().Message(Sjis("文字列変数が設定されていません。"));
      return 1;
    }
    label = p.vars().StringValue(i);
    std::erase_if(label, [](char c) { return c == ' ' || c == '\t'; });
  } else {
    p.tok().SetDelimiters("\"");
    p.tok().ReadToken(label, kTokenMax, true);
  }
  // 80 bytes and the terminator.
  CopyField(p.state().saveLabel, sizeof p.state().saveLabel, label);
  return 1;
}

int CmdPSAVE(Objects& p) {
  const std::string name = p.args().Quoted(ArgumentReader::Blanks::Drop);
  // A file that cannot be written is reported; a name that leaves the game
  // folder is refused without a word, as the game's own mistake.
  const bool ok = WriteGameFile(name, EncodeVariableFile(p.vars()));
  p.host().TraceEvent("psave", JsonObject().Str("file", name).Bool("ok", ok));
  if (!ok && NameStaysInGameFolder(name)) p.host().Message(Sjis("データを保存できませんでした。"));
  return 1;
}

int CmdPLOAD(Objects& p) {
  const std::string name = p.args().Quoted(ArgumentReader::Blanks::Drop);
  std::string skipped, variable;
  p.tok().SetDelimiters("&,!");
  p.tok().ReadToken(skipped, kTokenMax, true);  // the comma after the name
  const char marker = p.tok().ReadToken(skipped, kTokenMax, true);
  p.tok().ReadToken(variable, kTokenMax, true);

  const auto bytes = ReadGameFile(name, kVariableFileBytes);
  p.host().TraceEvent("pload", JsonObject().Str("file", name).Bool("ok", bytes.has_value()));
  if (!bytes) return 1;
  auto file = std::make_unique<VariableStore>();
  DecodeVariableFile(bytes->data(), bytes->size(), *file);

  // Only a variable the game already has is changed; PLOAD never makes one.
  VariableStore& live = p.vars();
  if (marker == '!') {
    const int from = FindRecord(file->ints, kIntVarCount, variable);
    const int to = from < 0 ? -1 : FindRecord(live.ints, size_t(p.state().intCount), variable);
    if (to < 0) {
      p.host().Message(Sjis("変数が指定されていません。"));
      return 1;
    }
    live.ints[to].value = file->ints[from].value;
  } else if (marker == '&') {
    const int from = FindRecord(file->strs, kStrVarCount, variable);
    const int to = from < 0 ? -1 : FindRecord(live.strs, size_t(p.state().stringCount), variable);
    if (to < 0) {
      p.host().Message(Sjis("文字列変数が存在しません。"));
      return 1;
    }
    // The file's value up to its width, never past it.
    CopyField(live.strs[to].value, kStrValueField, file->StringValue(from));
  }
  return 1;
}

void RegisterSaveCommands(CommandTable& table, CText& script, SaveSlots& saveSlots) {
  Objects o(script, saveSlots);
#define MIRT_BIND(name) table.Bind(Command::name, [o]() mutable { return Cmd##name(o); })
  MIRT_BIND(SAVEPOINT);
  MIRT_BIND(ONSAVE);
  MIRT_BIND(ONLOAD);
  MIRT_BIND(DATALOG);
  MIRT_BIND(PSAVE);
  MIRT_BIND(PLOAD);
#undef MIRT_BIND
}

}  // namespace mirt
