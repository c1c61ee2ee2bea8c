// The interpreter's statement grammar: the delimiter sets it reads a line
// with. The interpreter and mirt-tool lint both read with these.
#pragma once

namespace mirt::grammar {

// What starts a statement: tilde (a command), comma, quote (text),
// backslash (an escape), '!' (an integer assignment), tab, slash (a
// comment), line feed, '&' (a string assignment), '%' (a string shown),
// small w, apostrophe (an integer shown).
inline constexpr char kStatement[] = "~,\"\\!\t/\n&%w'";
inline constexpr char kQuote[] = "\"";
// After a backslash: new line, return, page, pause, nothing.
inline constexpr char kEscape[] = "n,N,r,R,p,P,w,W";
inline constexpr char kCommandName[] = " ,\n";
// 'name' and %name%.
inline constexpr char kIntegerReference[] = "',\n";
inline constexpr char kStringReference[] = "%,\n";
// !name:value! and &name:"value".
inline constexpr char kAssignedName[] = ":,\n";
inline constexpr char kIntegerValue[] = "!,\n";
inline constexpr char kStringValue[] = "\",\n";
// A command's integer argument (a number, or '!' and a variable) and its
// string argument (quoted, '&' and a variable, or bare up to a comma).
inline constexpr char kIntegerArgument[] = ",!";
inline constexpr char kStringArgument[] = "\"&,";
inline constexpr char kStringVariable[] = "&";

}  // namespace mirt::grammar
