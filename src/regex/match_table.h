// The matches of one run kept as UTF-16 offsets into the subject, for the engines that report
// offsets (PCRE2, and the standard library's engine on Windows). Texts are turned back into GBK
// only when they are read.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/text.h"

namespace pelmora {

// A stretch of the subject in UTF-16 units; begin is -1 for a group that took no part.
struct Span {
  int begin = -1;
  int end = -1;
};

struct MatchTable {
  std::u16string subject;
  int groupCount = 0;
  // matches[i][0] is the whole of match i (from 0), matches[i][k] its group k.
  std::vector<std::vector<Span>> matches;
};

// Group k (0 for the whole match) of match i (from 1) as Text; empty for an index outside the
// table or a group that took no part. position, when given, receives the 0-based byte offset of
// the text in the GBK subject, or -1.
Text SpanText(const MatchTable& table, int i, int k, int* position);

// The subject with every match in the table replaced by the expansion of replacement:
// "$1".."$99" a group, "$&" the match, "$`" and "$'" the text before and after it, "$$" one
// dollar sign; a "$" that starts none of these stands for itself.
Text ReplaceFromTable(const MatchTable& table, std::u16string_view replacement);

}  // namespace pelmora
