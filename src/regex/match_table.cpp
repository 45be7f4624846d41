#include "regex/match_table.h"

#include "encoding/codepage.h"

namespace pelmora {
namespace {

std::u16string_view SpanView(const MatchTable& table, Span span) {
  if (span.begin < 0) return {};
  return std::u16string_view(table.subject).substr(span.begin, span.end - span.begin);
}

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

// Appends the expansion of replacement for one match.
void Expand(const MatchTable& table, const std::vector<Span>& match,
            std::u16string_view replacement, std::u16string& out) {
  const std::u16string_view subject = table.subject;
  for (std::size_t i = 0; i < replacement.size(); ++i) {
    const char16_t c = replacement[i];
    if (c != u'$' || i + 1 == replacement.size()) {
      out += c;
      continue;
    }
    const char16_t next = replacement[i + 1];
    if (next == u'$') {
      out += u'$';
      ++i;
    } else if (next == u'&') {
      out += SpanView(table, match[0]);
      ++i;
    } else if (next == u'`') {
      out += subject.substr(0, match[0].begin);
      ++i;
    } else if (next == u'\'') {
      out += subject.substr(match[0].end);
      ++i;
    } else if (IsDigit(next)) {
      // Two digits when they name a group, otherwise one digit when that does; "$0" and a
      // group number past the last group stay as they are.
      int group = next - u'0';
      std::size_t used = 1;
      if (i + 2 < replacement.size() && IsDigit(replacement[i + 2])) {
        const int two = group * 10 + (replacement[i + 2] - u'0');
        if (two >= 1 && two <= table.groupCount) {
          group = two;
          used = 2;
        }
      }
      if (group >= 1 && group <= table.groupCount) {
        out += SpanView(table, match[group]);
        i += used;
      } else {
        out += c;
      }
    } else {
      out += c;
    }
  }
}

}  // namespace

Text SpanText(const MatchTable& table, int i, int k, int* position) {
  if (position) *position = -1;
  if (i < 1 || i > static_cast<int>(table.matches.size())) return {};
  if (k < 0 || k > table.groupCount) return {};
  const Span span = table.matches[i - 1][k];
  if (span.begin < 0) return {};
  if (position) {
    *position = TextLength(Utf16ToGbk(std::u16string_view(table.subject).substr(0, span.begin)));
  }
  return Utf16ToGbk(SpanView(table, span));
}

Text ReplaceFromTable(const MatchTable& table, std::u16string_view replacement) {
  std::u16string out;
  out.reserve(table.subject.size());
  std::size_t copied = 0;
  for (const std::vector<Span>& match : table.matches) {
    out.append(table.subject, copied, match[0].begin - copied);
    Expand(table, match, replacement, out);
    copied = match[0].end;
  }
  out.append(table.subject, copied);
  return Utf16ToGbk(out);
}

}  // namespace pelmora
