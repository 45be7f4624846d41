// The parts of RegexMatcher that are the same on every platform.
#include "regex/regex_matcher.h"

namespace pelmora {

RegexMatcher::RegexMatcher() : RegexMatcher(kRegExpProgId) {}

std::unique_ptr<RegexMatcher> RegexMatcher::Clone() const {
  // The compiled pattern and the matches never change after a Run, so the clone shares them.
  auto copy = std::make_unique<RegexMatcher>(progId);
  copy->regExp = regExp;
  copy->matches = matches;
  copy->subject = subject;
  return copy;
}

void RegexMatcher::Reserved() {}

}  // namespace pelmora
