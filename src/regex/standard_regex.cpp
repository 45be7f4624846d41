#include "regex/standard_regex.h"

namespace pelmora {

std::wstring DotStopsAtLineFeedOnly(std::u16string_view pattern) {
  std::wstring out;
  out.reserve(pattern.size() + 8);
  bool inClass = false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const wchar_t c = pattern[i];
    if (c == L'\\') {
      // An escape is copied whole, so neither "\." nor "\]" is read as a mark.
      out += c;
      if (i + 1 < pattern.size()) out += static_cast<wchar_t>(pattern[++i]);
    } else if (inClass) {
      out += c;
      if (c == L']') inClass = false;
    } else if (c == L'[') {
      out += c;
      inClass = true;
    } else if (c == L'.') {
      out += L"[^\n]";
    } else {
      out += c;
    }
  }
  return out;
}

std::optional<std::wregex> CompileStandardRegex(std::u16string_view pattern, bool caseSensitive,
                                                bool multiline) {
  auto flags = std::regex_constants::ECMAScript;
  if (!caseSensitive) flags |= std::regex_constants::icase;
  if (multiline) flags |= std::regex_constants::multiline;
  try {
    return std::wregex(DotStopsAtLineFeedOnly(pattern), flags);
  } catch (const std::regex_error&) {
    return std::nullopt;
  }
}

std::optional<MatchTable> ExecuteStandardRegex(const std::wregex& regex, bool global,
                                               std::u16string subject) {
  MatchTable table;
  table.subject = std::move(subject);
  table.groupCount = static_cast<int>(regex.mark_count());
  // The engine works on wchar_t; each UTF-16 unit becomes one of them, so offsets carry over.
  const std::wstring text(table.subject.begin(), table.subject.end());
  std::size_t start = 0;
  try {
    while (start <= text.size()) {
      std::wsmatch found;
      auto flags = std::regex_constants::match_default;
      if (start > 0) flags |= std::regex_constants::match_prev_avail;
      if (!std::regex_search(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(), found,
                             regex, flags)) {
        break;
      }
      std::vector<Span> spans(table.groupCount + 1);
      for (int k = 0; k <= table.groupCount; ++k) {
        if (!found[k].matched) continue;
        const auto begin = static_cast<int>(found[k].first - text.begin());
        spans[k] = {begin, static_cast<int>(found[k].second - text.begin())};
      }
      const Span whole = spans[0];
      table.matches.push_back(std::move(spans));
      if (!global) break;
      // After an empty match the next search starts one unit further on, as the component does.
      start = whole.end > whole.begin ? whole.end : whole.begin + 1;
    }
  } catch (const std::regex_error&) {
    // The engine ran out of its limits on this subject: the run fails as a whole.
    return std::nullopt;
  }
  return table;
}

}  // namespace pelmora
