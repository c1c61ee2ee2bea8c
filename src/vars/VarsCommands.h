// The integer commands (MATH, IF, RANDOM, SIN, COS) and the string
// commands and small utilities (STRCAT, STRCMP, STRLEN, STRTOINT, INTTOSTR,
// INPUTBOX, GETTIME, DEBUG).
#pragma once

#include <cstdint>
#include <string>

namespace mirt {

class CText;
class CommandTable;
class Platform;
class ScriptRandom;

void RegisterMathCommands(CommandTable& table, CText& script, ScriptRandom& random);
void RegisterStringCommands(CommandTable& table, CText& script, Platform& platform);

// MATH's second stage: the value of a rewritten text of numbers and
// operators.
int32_t EvaluateMathText(const std::string& text);

}  // namespace mirt
