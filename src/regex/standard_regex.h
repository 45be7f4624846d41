// Matching with the standard library's ECMAScript engine, set up to behave like the automation
// component: "." matches every character but a line feed, letters match in either case unless
// asked otherwise, and a global run resumes after each match. The engine works on UTF-16 code
// units, so its offsets are those of the component.
#pragma once

#include <optional>
#include <regex>
#include <string>
#include <string_view>

#include "regex/match_table.h"

namespace pelmora {

// pattern with every "." outside a character class and not escaped written as "[^\n]": the
// engine's own "." also stops at a carriage return.
std::wstring DotStopsAtLineFeedOnly(std::u16string_view pattern);

// The compiled pattern, or nothing when the engine rejects it.
std::optional<std::wregex> CompileStandardRegex(std::u16string_view pattern, bool caseSensitive,
                                                bool multiline);

// Every match from the start of subject (only the first unless global); nothing when the engine
// gives up on the subject.
std::optional<MatchTable> ExecuteStandardRegex(const std::wregex& regex, bool global,
                                               std::u16string subject);

}  // namespace pelmora
