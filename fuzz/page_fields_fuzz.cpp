// Cutting fields out of a page, against the cutting rules walked step by step, and the power sum.
//
// Input: twelve bytes for three little-endian ints (the score parts), then page, left and right
// separated by zero bytes.
#include <cstring>

#include "encoding/codepage.h"
#include "fuzz_support.h"
#include "lookup/page_fields.h"

using namespace pelmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 12) return 0;
  std::int32_t parts[3];
  std::memcpy(parts, data, sizeof parts);
  const auto fields = fuzz::Fields(data + 12, size - 12, 3);
  const std::string_view page = fields[0], left = fields[1], right = fields[2];

  const Text between = TextBetween(page, left, right);
  static const Text kQuoteToken = GbkLiteral("#引号");
  const std::string want = fuzz::RefTextBetween(page, left, right, kQuoteToken);
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
