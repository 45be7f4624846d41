#include "lookup/page_fields.h"

#include "encoding/codepage.h"

namespace pelmora {
namespace {

// A marker may spell a double quote as the token "#引号".
Text ResolveQuoteToken(std::string_view marker) {
  static const Text kToken = GbkLiteral("#引号");
  if (FindText(marker, kToken, 1, false) == -1) return Text(marker);
  return ReplaceSubtext(marker, kToken, "\"", 1, true);
}

}  // namespace

Text TextBetween(std::string_view text, std::string_view left, std::string_view right) {
  const Text leftMarker = ResolveQuoteToken(left);
  const Text rightMarker = ResolveQuoteToken(right);
  const int p = FindText(text, leftMarker, 1, true);
  if (p == -1) return Text();
  const std::string_view tail = text.substr(static_cast<std::size_t>(p - 1) + leftMarker.size());
  const int q = FindText(tail, rightMarker, 1, true);
  return q == -1 ? Text() : TextLeft(tail, q - 1);
}

int ReadPageNumber(std::string_view page, std::string_view left, std::string_view right) {
  return TextToInt(TextBetween(page, left, right));
}

Text PowerText(int baseScore, int winRateBonus, int winsBonus) {
  const double sum = (static_cast<double>(baseScore) + winRateBonus) + winsBonus;
  return NumberToText(sum);
}

}  // namespace pelmora
