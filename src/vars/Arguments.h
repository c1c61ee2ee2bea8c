// The argument readers every command uses, and the four variable
// statements the interpreter hands over by their first character.
#pragma once

#include <cstdint>
#include <string>

namespace mirt {

class Player;

// Reads one token with the delimiters in force; the value of the integer
// variable of that name, or 0 with a message when there is none.
int32_t ValueOfNamedInteger(Player& p);
// An integer argument: a decimal number, or '!' and a variable name.
int32_t ReadIntArgument(Player& p);
// A string argument: quoted text, &variable&, or bare text ended by a comma.
void ReadStringArgument(Player& p, std::string& out);
// FindString that shows a message when the variable does not exist.
int FindStringOrWarn(Player& p, const std::string& name);

bool IntegerAssignment(Player& p);  // !name:value!
bool StringAssignment(Player& p);   // &name:"value"
bool IntegerReference(Player& p);   // 'name'
bool StringReference(Player& p);    // %name%

}  // namespace mirt
