// The bytes of the save files: the 2108-byte game state record, the slot
// file (caption, save-point record, string and integer tables) and the
// variable file (the two tables alone). Every field is read and written at
// its offset, little-endian, whatever the host; reserved bytes are written
// as zero and never read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "script/GameState.h"
#include "script/VariableStore.h"

namespace mirt {

constexpr size_t kGameStateBytes = 2108;
constexpr size_t kStringRecordBytes = 275;                                 // name[20], value[255]
constexpr size_t kIntegerRecordBytes = 24;                                 // name[20], int32
constexpr size_t kStringTableBytes = kStrVarCount * kStringRecordBytes;    // 11000
constexpr size_t kIntegerTableBytes = kIntVarCount * kIntegerRecordBytes;  // 6144

// Slot file "data_N.dat".
constexpr size_t kSlotCaptionOffset = 0;
constexpr size_t kSlotCaptionBytes = 256;
constexpr size_t kSlotStateOffset = 256;
constexpr size_t kSlotStringsOffset = kSlotStateOffset + kGameStateBytes;       // 2364
constexpr size_t kSlotIntegersOffset = kSlotStringsOffset + kStringTableBytes;  // 13364
constexpr size_t kSlotFileBytes = kSlotIntegersOffset + kIntegerTableBytes;     // 19508

// Variable file of PSAVE and PLOAD.
constexpr size_t kVarStringsOffset = 0;
constexpr size_t kVarIntegersOffset = kStringTableBytes;                        // 11000
constexpr size_t kVariableFileBytes = kVarIntegersOffset + kIntegerTableBytes;  // 17144

static_assert(kSlotFileBytes == 19508 && kVariableFileBytes == 17144);

// The record into out[0..2108) / from in[0..2108).
void EncodeGameState(const GameState& s, uint8_t* out);
void DecodeGameState(const uint8_t* in, GameState& s);

// The variable tables into / from their images (11000 and 6144 bytes).
void EncodeStringTable(const StringVariable (&table)[kStrVarCount], uint8_t* out);
void DecodeStringTable(const uint8_t* in, StringVariable (&table)[kStrVarCount]);
void EncodeIntegerTable(const IntegerVariable (&table)[kIntVarCount], uint8_t* out);
void DecodeIntegerTable(const uint8_t* in, IntegerVariable (&table)[kIntVarCount]);

// A whole slot file. The caption is cut to 255 bytes, the rest of its field
// zero.
std::vector<uint8_t> EncodeSlotFile(const std::string& caption, const GameState& savePoint,
                                    const VariableStore& vars);
// Reads the first n bytes of a slot file over state and vars: what the file
// does not reach keeps the values they hold, byte for byte.
void DecodeSlotFile(const uint8_t* bytes, size_t n, GameState& state, VariableStore& vars);
// The caption at the head of a slot file: up to its first NUL or its 256
// bytes, or the n bytes there are.
std::string SlotFileCaption(const uint8_t* bytes, size_t n);

std::vector<uint8_t> EncodeVariableFile(const VariableStore& vars);
// A variable file's tables; zero where a short file ends early.
void DecodeVariableFile(const uint8_t* bytes, size_t n, VariableStore& tables);

}  // namespace mirt
