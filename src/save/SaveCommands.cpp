// The script's part in saving: SAVEPOINT, ONSAVE, ONLOAD, DATALOG, and the
// variable files of PSAVE and PLOAD.
#include <memory>
#include <string>

#include "platform/HostFiles.h"
#include "save/GameFiles.h"
#include "save/SlotFile.h"
#include "script/Commands.h"
#include "shell/Player.h"
#include "vars/Arguments.h"

namespace mirt {
namespace {

constexpr int kMax = 256;

// The text between the first two double quotes, blanks dropped.
std::string ReadQuotedName(Player& p) {
  std::string skipped, name;
  p.tok().SetDelimiters("\"");
  p.tok().ReadToken(skipped, kMax, true);
  p.tok().ReadToken(name, kMax, true);
  return name;
}

// The record of that name among the first count records, or -1.
template <typename Record, size_t N>
int FindRecord(const Record (&table)[N], size_t count, const std::string& name) {
  const std::string want = name.substr(0, kVarNameField - 1);
  for (size_t i = 0; i < count && i < N; ++i)
    if (FieldString(table[i].name, kVarNameField) == want) return static_cast<int>(i);
  return -1;
}

}  // namespace

int CmdSAVEPOINT(Player& p) {
  p.TakeSavePoint();
  return 1;
}

int CmdONSAVE(Player& p) {
  p.saveSlots().SetSaveEnabled(ReadIntArgument(p) != 0);
  p.MenuChanged();
  return 1;
}

int CmdONLOAD(Player& p) {
  p.saveSlots().SetLoadEnabled(ReadIntArgument(p) != 0);
  p.MenuChanged();
  return 1;
}

int CmdDATALOG(Player& p) {
  std::string token, label;
  p.tok().SetDelimiters("\",&");
  if (p.tok().ReadToken(token, kMax, true) == '&') {
    std::string name;
    p.tok().SetDelimiters("&,\"");
    p.tok().ReadToken(name, kMax, true);
    const int i = p.vars().FindString(name);
    if (i < 0) {
      p.Message(Sjis("文字列変数が設定されていません。"));
      return 1;
    }
    label = p.vars().StringValue(i);
    std::erase_if(label, [](char c) { return c == ' ' || c == '\t'; });
  } else {
    p.tok().SetDelimiters("\"");
    p.tok().ReadToken(label, kMax, true);
  }
  // 80 bytes and the terminator.
  CopyField(p.state().saveLabel, sizeof p.state().saveLabel, label);
  return 1;
}

int CmdPSAVE(Player& p) {
  const std::string name = ReadQuotedName(p);
  // A file that cannot be written is reported; a name that leaves the game
  // folder is refused without a word, as the game's own mistake.
  const bool ok = WriteGameFile(name, EncodeVariableFile(p.vars()));
  p.TraceEvent("psave", JsonObject().Str("file", name).Bool("ok", ok));
  if (!ok && NameStaysInGameFolder(name)) p.Message(Sjis("データを保存できませんでした。"));
  return 1;
}

int CmdPLOAD(Player& p) {
  const std::string name = ReadQuotedName(p);
  std::string skipped, variable;
  p.tok().SetDelimiters("&,!");
  p.tok().ReadToken(skipped, kMax, true);  // the comma after the name
  const char marker = p.tok().ReadToken(skipped, kMax, true);
  p.tok().ReadToken(variable, kMax, true);

  const auto bytes = ReadGameFile(name, kVariableFileBytes);
  p.TraceEvent("pload", JsonObject().Str("file", name).Bool("ok", bytes.has_value()));
  if (!bytes) return 1;
  auto file = std::make_unique<VariableStore>();
  DecodeVariableFile(bytes->data(), bytes->size(), *file);

  // Only a variable the game already has is changed; PLOAD never makes one.
  VariableStore& live = p.vars();
  if (marker == '!') {
    const int from = FindRecord(file->ints, kIntVarCount, variable);
    const int to = from < 0 ? -1 : FindRecord(live.ints, size_t(p.state().intCount), variable);
    if (to < 0) {
      p.Message(Sjis("変数が指定されていません。"));
      return 1;
    }
    live.ints[to].value = file->ints[from].value;
  } else if (marker == '&') {
    const int from = FindRecord(file->strs, kStrVarCount, variable);
    const int to = from < 0 ? -1 : FindRecord(live.strs, size_t(p.state().stringCount), variable);
    if (to < 0) {
      p.Message(Sjis("文字列変数が存在しません。"));
      return 1;
    }
    // The file's value up to its width, never past it.
    CopyField(live.strs[to].value, kStrValueField, file->StringValue(from));
  }
  return 1;
}

}  // namespace mirt
