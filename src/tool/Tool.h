// mirt-tool: the authors' tools on the player's own archive, picture and
// scenario code. Each subcommand takes its arguments (without the program
// and subcommand names), writes to out and err, and returns the exit
// status: 0 done, 1 failed (or, for lint, findings), 2 usage error.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace mirt::tool {

using Args = std::vector<std::string>;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int List(const Args& args, std::ostream& out, std::ostream& err);
int Unpack(const Args& args, std::ostream& out, std::ostream& err);
int Pack(const Args& args, std::ostream& out, std::ostream& err);
int Encode(const Args& args, std::ostream& out, std::ostream& err);
int Decode(const Args& args, std::ostream& out, std::ostream& err);
int Convert(const Args& args, std::ostream& out, std::ostream& err);
int Lint(const Args& args, std::ostream& out, std::ostream& err);
int Import(const Args& args, std::ostream& out, std::ostream& err);

// Host files, whole.
std::optional<std::vector<uint8_t>> ReadHostFile(const std::string& path);
// Written aside and renamed over path, so that a failure leaves no partial
// file behind. False with a reason in *error.
bool WriteHostFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);

// The last three characters of a name, a to z upper-cased ("BMP", "PNG").
std::string Extension3(const std::string& name);
// The part of a path after its last slash.
std::string BaseName(const std::string& path);

}  // namespace mirt::tool
