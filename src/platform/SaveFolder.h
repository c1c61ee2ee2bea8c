// Where the files a game writes go when its own folder cannot take them (a
// read-only copy, a disc): a folder of the reader's own under the user's
// data folder, named after the game and its content, so that the same game
// from another place finds the same saves.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mirt {

// Whether files can be made in hostFolder. Found by trying: the permission
// bits say nothing for root, and a read-only mount or a disc answers only
// to a write.
bool FolderTakesWrites(const std::string& hostFolder);

// $XDG_DATA_HOME, or $HOME/.local/share when that is unset or relative.
std::string UserDataHome();

// A short hex name for a game's content: a hash over the pieces, each
// counted with its length, so that no two lists of pieces read the same.
std::string ContentId(const std::vector<std::vector<uint8_t>>& pieces);

// A label (a folder's name or a volume label, UTF-8 or else CP932 bytes)
// as one readable file name: UTF-8, no separators or control characters, no
// leading dot, at most 64 bytes; "game" when nothing is left.
std::string SafeFolderName(const std::string& label);

// The folder the game's writes go to: "" (the game's own folder) when
// writable says gameFolder takes them, else one under dataHome/mirt/games
// named <name>-<id>, the id from the content: the one that exists for that
// id, whatever its name, or else <label>-<id>.
std::string SaveFolderFor(const std::string& gameFolder,
                          const std::function<bool(const std::string&)>& writable,
                          const std::string& label,
                          const std::vector<std::vector<uint8_t>>& content,
                          const std::string& dataHome);

// The demo that comes with mirt, installed read-only beside the program:
// exeDir/../share/games/mirt/demo, or "" when there is none.
std::string InstalledDemoFolder(const std::string& exeDir);

// Older versions played a read-only game from a copy of it (oldCopy), where
// the game then wrote its saves and settings. Once, when saveFolder does not
// exist yet, the copy's files that the game folder lacks or holds otherwise
// are copied into it, so the reader's saves come along. The old copy stays.
void CarryOverWrites(const std::string& oldCopy, const std::string& gameFolder,
                     const std::string& saveFolder);

}  // namespace mirt
