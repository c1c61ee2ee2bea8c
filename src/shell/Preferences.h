// The player's own options beyond the 20-byte mirt.ini: the window scale,
// the filter for scales that are no whole number, the sound font, the
// audio device, the games played lately (offered when mirt starts
// without a game) and the reading aids with the speech voice. They live in one small JSON file
// under the user's configuration folder ($XDG_CONFIG_HOME/mirt/mirt.json, by default
// ~/.config/mirt/mirt.json); mirt.ini keeps exactly its five fields.
#pragma once

#include <string>
#include <vector>

#include "platform/PictureGeometry.h"
#include "platform/Speech.h"

namespace mirt {

struct Preferences {
  int scale = 1;                             // window display: 1, 2 or 3
  ScaleFilter filter = ScaleFilter::Smooth;  // for scales that are no whole number
  std::string soundFont;                     // host path, "" for the default
  std::string audioDevice;                   // the output's name, "" for the default
  std::vector<std::string> recentGames;      // host paths of game folders, the latest first
  // The menu "読書(&R)": the text hook and its port, the clipboard, speech.
  bool textHook = false;
  int textHookPort = 6677;  // 1..65535
  bool copyText = false;
  bool selfVoicing = false;
  SpeechSettings speech;
  // The reader's extras: the classic controls alone, the auto mode's pace (1..3).
  bool classicControls = false;
  int autoSpeed = 2;
  bool operator==(const Preferences&) const = default;
};

constexpr size_t kRecentGamesMax = 8;

// Puts folder first among the recent games, dropping an older mention of
// it and what falls past kRecentGamesMax.
void AddRecentGame(Preferences* prefs, const std::string& folder);

// The file's host path under the XDG configuration folder.
std::string PreferencesPath();
// Reads the file; members it lacks or holds out of range keep their
// defaults. False (and the defaults) when there is no readable file.
bool ReadPreferences(const std::string& hostPath, Preferences* out);
// Writes the file aside and renames it over the old one, making its folder
// when needed. False when it could not be written.
bool WritePreferences(const std::string& hostPath, const Preferences& prefs);

}  // namespace mirt
