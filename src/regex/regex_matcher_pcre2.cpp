// RegexMatcher on PCRE2, working on 16-bit code units so that it sees the same UTF-16 text the
// automation component sees on Windows. The options are chosen to behave like that component:
// "." stops at a line feed only, "$" without Multiline matches at the very end only, and \u and
// \x take the four and two hex digits of the JavaScript-style syntax.
#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>

#include "encoding/codepage.h"
#include "regex/match_table.h"
#include "regex/regex_matcher.h"

namespace pelmora {
namespace {

struct CodeFree {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataFree {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct CompileContextFree {
  void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};
using CodePtr = std::unique_ptr<pcre2_code, CodeFree>;
using MatchDataPtr = std::unique_ptr<pcre2_match_data, MatchDataFree>;
using CompileContextPtr = std::unique_ptr<pcre2_compile_context, CompileContextFree>;

PCRE2_SPTR Units(std::u16string_view s) {
  return reinterpret_cast<PCRE2_SPTR>(s.data());
}

bool IsLowSurrogate(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

struct RegexMatcher::Session {};

struct RegexMatcher::RegExp {
  std::u16string pattern;
  CodePtr code;  // null when PCRE2 rejected the pattern
};

struct RegexMatcher::Matches {
  MatchTable table;
};

namespace {

CodePtr Compile(std::u16string_view pattern, bool caseSensitive, bool multiline) {
  CompileContextPtr context(pcre2_compile_context_create(nullptr));
  if (!context) return nullptr;
  pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);
  std::uint32_t options = PCRE2_UTF | PCRE2_ALT_BSUX;
  if (!caseSensitive) options |= PCRE2_CASELESS;
  options |= multiline ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;
  int error = 0;
  PCRE2_SIZE errorOffset = 0;
  return CodePtr(
      pcre2_compile(Units(pattern), pattern.size(), options, &error, &errorOffset, context.get()));
}

// Every match from the start of the subject, or only the first. Each search resumes where the
// previous match ended, one unit (one character) further after an empty match. Null when
// matching itself fails (a resource limit), as the component's Execute would.
std::shared_ptr<RegexMatcher::Matches> Execute(const pcre2_code* code, bool global,
                                               std::u16string subject) {
  auto found = std::make_shared<RegexMatcher::Matches>();
  MatchTable& table = found->table;
  table.subject = std::move(subject);
  std::uint32_t captures = 0;
  pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &captures);
  table.groupCount = static_cast<int>(captures);

  MatchDataPtr data(pcre2_match_data_create_from_pattern(code, nullptr));
  if (!data) return nullptr;
  const std::u16string_view text = table.subject;
  // The subject is checked for valid UTF-16 on the first search only, so that a long subject
  // with many matches is not checked again for each of them.
  std::uint32_t options = 0;
  PCRE2_SIZE start = 0;
  while (start <= text.size()) {
    const int rc = pcre2_match(code, Units(text), text.size(), start, options, data.get(), nullptr);
    if (rc == PCRE2_ERROR_NOMATCH) break;
    if (rc <= 0) return nullptr;
    options = PCRE2_NO_UTF_CHECK;
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
    std::vector<Span> spans(captures + 1);
    for (int k = 0; k < rc && k <= table.groupCount; ++k) {
      if (ovector[2 * k] == PCRE2_UNSET) continue;
      const auto begin = static_cast<int>(ovector[2 * k]);
      spans[k] = {begin, std::max(begin, static_cast<int>(ovector[2 * k + 1]))};
    }
    table.matches.push_back(std::move(spans));
    if (!global) break;
    const PCRE2_SIZE matchStart = ovector[0];
    const PCRE2_SIZE matchEnd = ovector[1];
    if (matchEnd > matchStart) {
      start = matchEnd;
    } else {
      start = matchStart + 1;
      if (start < text.size() && IsLowSurrogate(text[start])) ++start;
    }
  }
  return found;
}

}  // namespace

RegexMatcher::RegexMatcher(std::string_view progId) : progId(progId) {}

RegexMatcher::~RegexMatcher() = default;

bool RegexMatcher::Run(std::string_view pattern, std::string_view subject, bool caseSensitive,
                       bool multiline, bool global) {
  regExp.reset();
  auto created = std::make_shared<RegExp>();
  created->pattern = GbkToUtf16(pattern);
  created->code = Compile(created->pattern, caseSensitive, multiline);
  regExp = created;

  std::shared_ptr<Matches> found;
  if (regExp->code) found = Execute(regExp->code.get(), global, GbkToUtf16(subject));
  matches = std::move(found);
  this->subject = Text(subject);
  return matches != nullptr;
}

Text RegexMatcher::GetPattern() const {
  return regExp ? Utf16ToGbk(regExp->pattern) : Text();
}

Text RegexMatcher::ReplaceMatches(std::string_view replacement) const {
  if (!matches) return {};
  return ReplaceFromTable(matches->table, GbkToUtf16(replacement));
}

int RegexMatcher::MatchCount() const {
  return matches ? static_cast<int>(matches->table.matches.size()) : 0;
}

Text RegexMatcher::MatchText(int i, int* position) const {
  if (!matches) {
    if (position) *position = -1;
    return {};
  }
  return SpanText(matches->table, i, 0, position);
}

Text RegexMatcher::SubMatchText(int i, int k, int* position) const {
  if (!matches || k < 1) {
    if (position) *position = -1;
    return {};
  }
  return SpanText(matches->table, i, k, position);
}

int RegexMatcher::SubMatchCount() const {
  if (!matches || matches->table.matches.empty()) return 0;
  return matches->table.groupCount;
}

}  // namespace pelmora
