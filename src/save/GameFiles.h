// The files a game saves to and reads its saves from: slot files and
// variable files. Their names stay inside the game folder; a name that
// leaves it is refused as a file that cannot be created or opened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mirt {

// Writes the file aside, flushes it and renames it over the old one, so a
// failing write leaves the previous file whole. False when nothing was
// written.
bool WriteGameFile(const std::string& cp932Name, const std::vector<uint8_t>& bytes);
// The first maxBytes bytes of an existing file (all of a shorter one);
// nothing when it cannot be opened.
std::optional<std::vector<uint8_t>> ReadGameFile(const std::string& cp932Name, size_t maxBytes);

// What tells one game from another wherever it lies (a folder, a copy, a
// disc): the bytes of init.def and of the first scenario it names (the
// text, or the whole archive). A file that cannot be read gives no bytes.
std::vector<std::vector<uint8_t>> GameContent();

// Decides, once the game's files are named (a folder or a disc image), where
// the game's writes go: its own folder when it takes them, else a folder of
// the reader's own named after the game (the image's volume label or the
// folder's name) and its content. The installed demo's saves from the copy
// of it that older versions played come along the first time.
void ChooseSaveFolder(const std::string& gameFolder, const std::string& installedDemo);

}  // namespace mirt
