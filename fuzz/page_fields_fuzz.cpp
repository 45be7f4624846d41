// Cutting fields out of a page, against the cutting rules walked step by step, and the power sum.
//
// Input: twelve bytes for three little-endian ints (the score parts), then page, left and right
// separated by zero bytes.
#include <cstring>

#include "encoding/codepage.h"
#include "fuzz_support.h"
#include "lookup/page_fields.h"

using namespace pelmora;

namespace {

std::string RefTextBetween(std::string_view text, std::string_view left, std::string_view right) {
  static const Text kToken = GbkLiteral("#引号");
  const std::string l = fuzz::RefReplaceSubtext(left, kToken, "\"", 1, true);
  const std::string r = fuzz::RefReplaceSubtext(right, kToken, "\"", 1, true);
  const int p = fuzz::RefFindText(text, l, 1, true);
  if (p == -1) return {};
  const std::size_t tailLength = text.size() - p - l.size() + 1;
  const std::string_view tail = text.substr(text.size() - tailLength);
  const int q = fuzz::RefFindText(tail, r, 1, true);
  if (q == -1) return {};
  return std::string(tail.substr(0, q - 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 12) return 0;
  std::int32_t parts[3];
  std::memcpy(parts, data, sizeof parts);
  const auto fields = fuzz::Fields(data + 12, size - 12, 3);
  const std::string_view page = fields[0], left = fields[1], right = fields[2];

  const Text between = TextBetween(page, left, right);
  const std::string want = RefTextBetween(page, left, right);
  fuzz::Check(between == want, "TextBetween", between, want);
  // The cut text stands in the page right after the left marker (the page is never rewritten).
  fuzz::Check(between.empty() || page.find(between) != std::string_view::npos,
              "TextBetween: not part of the page", between, page);
  const int number = ReadPageNumber(page, left, right);
  fuzz::Check(number == fuzz::RefTextToInt(want), "ReadPageNumber", NumberToText(number),
              NumberToText(fuzz::RefTextToInt(want)));

  const Text power = PowerText(parts[0], parts[1], parts[2]);
  const long long sum = static_cast<long long>(parts[0]) + parts[1] + parts[2];
  fuzz::Check(power == std::to_string(sum), "PowerText", power, std::to_string(sum));
  return 0;
}
