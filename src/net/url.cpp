#include "net/url.h"

namespace pelmora {
namespace {

// The part between the scheme (if any) and the first "/" after it: host and optional ":port".
Text Authority(std::string_view url) {
  if (CompareText(TextLeft(url, 7), "http://") == 0) {
    const int slash = FindText(url, "/", 8, true);
    return slash != -1 ? TextMid(url, 8, slash - 8) : TextRight(url, TextLength(url) - 7);
  }
  const int slash = FindText(url, "/", 1, true);
  return slash != -1 ? TextLeft(url, slash - 1) : Text(url);
}

}  // namespace

Text UrlHost(std::string_view url) {
  Text host = Authority(url);
  const int colon = FindText(host, ":", 1, true);
  if (colon != -1) host = TextLeft(host, colon - 1);
  return ToLower(host);
}

int UrlPort(std::string_view url) {
  const Text authority = Authority(url);
  const int colon = FindText(authority, ":", 1, true);
  const Text port = colon != -1 ? TextRight(authority, TextLength(authority) - colon) : Text("80");
  // Truncation toward zero; a port text beyond the int range is no port at all.
  const double number = TextToNumber(port);
  return number > -2147483648.0 && number < 2147483648.0 ? static_cast<int>(number) : 0;
}

Text UrlPath(std::string_view url) {
  const Text host = UrlHost(url);
  const int at = FindText(url, host, 1, true);
  const int slash = FindText(url, "/", at, true);
  return slash > 0 ? TextRight(url, TextLength(url) - slash + 1) : Text("/");
}

}  // namespace pelmora
