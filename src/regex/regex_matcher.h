// RegexMatcher: runs one regular expression over a text and reads back its matches and groups.
// On Windows it drives the "VBScript.RegExp" automation component (with the standard library's
// engine standing in where that component is missing); on Linux it runs PCRE2 on the same UTF-16
// text. Both give the same matching: "." stops at a line feed only, "*?" is lazy, global runs
// resume after each match, and letters match in either case unless asked otherwise.
//
// Nothing here fails loudly: a pattern the engine rejects, a missing component or an index
// outside the matches gives false, 0 or an empty Text, never an exception or a message.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "app/text.h"

namespace pelmora {

// The automation component RegexMatcher creates on Windows.
inline constexpr std::string_view kRegExpProgId = "VBScript.RegExp";

class RegexMatcher {
 public:
  RegexMatcher();
  // Creates progId instead of the usual component on every Run. Tests name one that does not
  // exist to reach the standard-library engine; platforms without automation ignore it.
  explicit RegexMatcher(std::string_view progId);
  virtual ~RegexMatcher();

  RegexMatcher(const RegexMatcher&) = delete;
  RegexMatcher& operator=(const RegexMatcher&) = delete;

  // A new matcher sharing this one's compiled pattern and matches, with its own copy of the
  // subject.
  virtual std::unique_ptr<RegexMatcher> Clone() const;

  // Matches pattern against subject, replacing whatever an earlier Run left. True when the
  // pattern was accepted (whether or not it matched); false, silently, when it was rejected.
  virtual bool Run(std::string_view pattern, std::string_view subject, bool caseSensitive = false,
                   bool multiline = true, bool global = true);

  virtual void Reserved();

  // The pattern of the last Run; empty before the first.
  virtual Text GetPattern() const;

  // The subject of the last Run with its matches replaced by replacement, where "$1".."$99"
  // stand for a group, "$&" for the match, "$`" and "$'" for the text before and after it and
  // "$$" for one dollar sign. Only the first match is replaced when the Run was not global.
  virtual Text ReplaceMatches(std::string_view replacement) const;

  virtual int MatchCount() const;

  // Match i (from 1) and, when position is given, its 0-based byte offset in the subject (-1
  // when there is no such match).
  virtual Text MatchText(int i, int* position = nullptr) const;

  // Group k (from 1) of match i; empty when the group took no part in the match.
  virtual Text SubMatchText(int i, int k, int* position = nullptr) const;

  // The number of groups in the pattern, read from the first match; 0 when nothing matched.
  virtual int SubMatchCount() const;

  // Implementation details only, past this point.
  struct Session;  // what the platform sets up for each matcher (COM on Windows)
  struct RegExp;   // the compiled pattern with its options, made anew by every Run
  struct Matches;  // what the last Run found

 private:
  std::string progId;
  std::unique_ptr<Session> session;
  std::shared_ptr<RegExp> regExp;
  std::shared_ptr<Matches> matches;
  Text subject;
};

}  // namespace pelmora
