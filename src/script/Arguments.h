// The argument reader every command uses, over the token reader, the
// variables, the game state (which counts the variables in use) and the
// host (for the messages), and the four variable statements the
// interpreter hands over by their first character.
#pragma once

#include <cstdint>
#include <string>

namespace mirt {

struct GameState;
class StoryHost;
class StringTok;
class VariableStore;

class ArgumentReader {
 public:
  ArgumentReader(StringTok& tok, VariableStore& vars, GameState& state, StoryHost& host)
      : tok_(tok), vars_(vars), state_(state), host_(host) {}

  StringTok& tok() { return tok_; }
  VariableStore& vars() { return vars_; }
  GameState& state() { return state_; }
  StoryHost& host() { return host_; }

  // An integer argument: a decimal number, or '!' and a variable name.
  int32_t Int();
  // Reads one token with the delimiters in force; the value of the integer
  // variable of that name, or 0 with a message when there is none.
  int32_t NamedInteger();
  // A string argument: quoted text, &variable&, or bare text ended by a comma.
  std::string String();
  // The text between the next two double quotes. Blanks::Keep keeps its
  // spaces and tabs (font names), Blanks::Drop drops them (file names).
  enum class Blanks { Keep, Drop };
  std::string Quoted(Blanks blanks);
  // FindString that shows a message when the variable does not exist.
  int FindStringOrWarn(const std::string& name);

  // The variable statements; false when the line ends before the statement
  // does.
  bool IntegerAssignment();  // !name:value!
  bool StringAssignment();   // &name:"value"
  bool IntegerReference();   // 'name'
  bool StringReference();    // %name%

 private:
  int NewInteger(const std::string& name);
  int NewString(const std::string& name);
  bool ReadReferenceName(const char* delimiters, std::string& name);

  StringTok& tok_;
  VariableStore& vars_;
  GameState& state_;
  StoryHost& host_;
};

}  // namespace mirt
