// mirt-tool COMMAND [ARGS]: the authors' tools.
#include <iostream>
#include <map>

#include "common/Version.h"
#include "tool/Tool.h"

namespace {

using mirt::tool::Args;

struct Command {
  int (*run)(const Args&, std::ostream&, std::ostream&);
  const char* usage;
  const char* help;
};

const std::map<std::string, Command>& Commands() {
  static const std::map<std::string, Command> commands = {
      {"list",
       {mirt::tool::List, "list ARCHIVE",
        "Lists the entries of an archive (scenario, picture, WAVE or MIDI), one a line:\n"
        "name, offset and size, separated by tabs, in directory order.\n"}},
      {"unpack",
       {mirt::tool::Unpack, "unpack [--kind KIND] ARCHIVE DIR",
        "Writes every entry of ARCHIVE to a file of its name in DIR (made when missing)\n"
        "and prints the files' paths in directory order. Scenario texts are written as\n"
        "the player reads them, not inverted; an archive whose entries all end in .txt\n"
        "is taken for a scenario archive unless --kind says otherwise. Nothing is\n"
        "written when an entry's name or data is unusable.\n"}},
      {"pack",
       {mirt::tool::Pack, "pack --kind scenario|picture|wave|midi ARCHIVE FILE...",
        "Makes ARCHIVE of the files in the order given, each entry named by its file's\n"
        "base name (at most 41 bytes in Shift-JIS). scenario: the texts are stored\n"
        "inverted. picture: BMP and JPEG files are stored as they are, other pictures\n"
        "(PNG, bitmaps under another name) as packed pictures; packed pictures are\n"
        "stored as they are. wave, midi: the files as they are. Unpacking and packing\n"
        "again in the listed order gives the same bytes.\n"}},
      {"encode",
       {mirt::tool::Encode, "encode IN.bmp|IN.png OUT",
        "Packs a BMP (byte for byte) or a PNG (as a 24-bit BMP) into a packed picture.\n"}},
      {"decode",
       {mirt::tool::Decode, "decode IN OUT.bmp|OUT.png",
        "Unpacks a packed picture into the bitmap file it holds, or into a PNG.\n"}},
      {"convert",
       {mirt::tool::Convert, "convert IN OUT.bmp",
        "Writes any picture the player shows (BMP, JPEG, packed) or a PNG as a 24-bit\n"
        "BMP file.\n"}},
      {"lint",
       {mirt::tool::Lint, "lint [--json] GAME_DIR",
        "Reads the game in GAME_DIR as the player would and reports, with file, line\n"
        "and reason: unknown commands; GOTO and choice targets that do not exist;\n"
        "pictures, sounds and cursors found neither in the archives nor on disk;\n"
        "scenario texts with LF line ends or in UTF-8; unclosed quotes; names longer\n"
        "than their fields; more than ten choices; variables used before they are\n"
        "assigned. --json prints the findings as a JSON array. Exit status: 0 clean,\n"
        "1 findings, 2 usage.\n"}},
      {"import",
       {mirt::tool::Import, "import [--game FOLDER] IMAGE|DISC_FOLDER DEST",
        "Copies the game out of a disc image (.iso, or .cue with its BIN files) or a\n"
        "mounted disc's folder into DEST, a new or empty folder, and writes the image's\n"
        "CD-audio tracks as DEST/cd/trackNN.flac (numbered as on the disc: the data\n"
        "track is 1). When the disc holds several games, --game names the folder of\n"
        "the one to copy (else the first is taken). Prints the files written.\n"}},
  };
  return commands;
}

void Usage(std::ostream& os) {
  os << "usage: mirt-tool COMMAND [ARGS]\n\ncommands:\n";
  for (const auto& [name, c] : Commands()) os << "  mirt-tool " << c.usage << "\n";
  os << "\nmirt-tool COMMAND --help tells more about one command.\n";
}

}  // namespace

int main(int argc, char** argv) {
  Args args(argv + 1, argv + argc);
  if (args.empty()) {
    Usage(std::cerr);
    return mirt::tool::kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h") {
    Usage(std::cout);
    return mirt::tool::kExitOk;
  }
  if (args[0] == "--version") {
    std::cout << "mirt-tool " << mirt::kVersionNumber << "\n";
    return mirt::tool::kExitOk;
  }
  auto it = Commands().find(args[0]);
  if (it == Commands().end()) {
    std::cerr << "mirt-tool: unknown command " << args[0] << "\n";
    Usage(std::cerr);
    return mirt::tool::kExitUsage;
  }
  Args rest(args.begin() + 1, args.end());
  for (const std::string& a : rest)
    if (a == "--help" || a == "-h") {
      std::cout << "usage: mirt-tool " << it->second.usage << "\n\n" << it->second.help;
      return mirt::tool::kExitOk;
    }
  return it->second.run(rest, std::cout, std::cerr);
}
