#include "save/GameFiles.h"

#include <algorithm>

#include "platform/GameSource.h"
#include "platform/HostFiles.h"
#include "platform/SaveFolder.h"
#include "script/CFile.h"
#include "script/Scenario.h"

namespace mirt {

bool WriteGameFile(const std::string& cp932Name, const std::vector<uint8_t>& bytes) {
  if (!NameStaysInGameFolder(cp932Name)) return false;
  return WriteFileAtomically(cp932Name, bytes.data(), bytes.size());
}

std::optional<std::vector<uint8_t>> ReadGameFile(const std::string& cp932Name, size_t maxBytes) {
  if (!NameStaysInGameFolder(cp932Name)) return std::nullopt;
  CFile f;
  if (!f.Open(cp932Name, CFile::kExisting)) return std::nullopt;
  // Room for what the file holds, not for the most it may hold: the cap is
  // megabytes for some files that are mostly tiny.
  std::vector<uint8_t> bytes(std::min<size_t>(maxBytes, f.Size()), 0);
  bytes.resize(f.Read(bytes.data(), static_cast<uint32_t>(bytes.size())));
  return bytes;
}

std::vector<std::vector<uint8_t>> GameContent() {
  std::vector<uint8_t> initDef = ReadWholeFile("init.def").value_or(std::vector<uint8_t>{});
  StartupDefinitions defs;
  ParseStartupDefinitions(initDef, defs);
  std::vector<uint8_t> scenario;
  if (!defs.scenarioSource.empty())
    scenario = ReadWholeFile(defs.scenarioSource).value_or(std::vector<uint8_t>{});
  return {std::move(initDef), std::move(scenario)};
}

void ChooseSaveFolder(const std::string& gameFolder, const std::string& installedDemo) {
  SetSaveFolder("");
  const ImageSource* image = CurrentImage();
  const std::string label = image ? image->label() : gameFolder.substr(gameFolder.rfind('/') + 1);
  auto writable = [image](const std::string& folder) {
    return !image && FolderTakesWrites(folder);
  };
  const std::string save =
      SaveFolderFor(gameFolder, writable, label, GameContent(), UserDataHome());
  if (!save.empty() && !installedDemo.empty() && gameFolder == installedDemo)
    CarryOverWrites(UserDataHome() + "/mirt/demo", gameFolder, save);
  SetSaveFolder(save);
}

}  // namespace mirt
