// URL splitting on arbitrary URLs, against the splitting rules walked step by step.
//
// Input: the URL (up to its first zero byte).
#include <cmath>
#include <cstdlib>

#include "app/text.h"
#include "fuzz_support.h"
#include "net/url.h"

using namespace pelmora;

namespace {

std::string RefAuthority(std::string_view url) {
  if (url.size() >= 7 && fuzz::Same(url.substr(0, 7), "http://", true)) {
    const int slash = fuzz::RefFindText(url, "/", 8, true);
    return std::string(slash != -1 ? url.substr(7, slash - 8) : url.substr(7));
  }
  const int slash = fuzz::RefFindText(url, "/", 1, true);
  return std::string(slash != -1 ? url.substr(0, slash - 1) : url);
}

std::string RefHost(std::string_view url) {
  std::string authority = RefAuthority(url);
  const int colon = fuzz::RefFindText(authority, ":", 1, true);
  if (colon != -1) authority.resize(colon - 1);
  return fuzz::RefCaseMap(authority, false);
}

int RefPort(std::string_view url) {
  const std::string authority = RefAuthority(url);
  const int colon = fuzz::RefFindText(authority, ":", 1, true);
  const std::string port = colon != -1 ? authority.substr(colon) : "80";
  const std::string prefix = fuzz::RefNumberPrefix(port);
  const double number = prefix.empty() ? 0 : std::trunc(std::strtod(prefix.c_str(), nullptr));
  return number > -2147483649.0 && number < 2147483648.0 ? static_cast<int>(number) : 0;
}

std::string RefPath(std::string_view url) {
  const int at = fuzz::RefFindText(url, RefHost(url), 1, true);
  const int slash = fuzz::RefFindText(url, "/", at, true);
  return slash > 0 ? std::string(url.substr(slash - 1)) : "/";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view url(reinterpret_cast<const char*>(data), size);
  url = url.substr(0, url.find('\0'));

  const Text host = UrlHost(url);
  const int port = UrlPort(url);
  const Text path = UrlPath(url);

  fuzz::Check(host == RefHost(url), "UrlHost", host, RefHost(url));
  fuzz::Check(port == RefPort(url), "UrlPort", NumberToText(port), NumberToText(RefPort(url)));
  fuzz::Check(path == RefPath(url), "UrlPath", path, RefPath(url));

  // The host holds no upper-case letter, "/" or ":" where a character starts (the trail byte of a
  // two-byte character is left as it is), and it stands in the URL.
  for (std::size_t i = 0; i < host.size(); i += fuzz::High(host[i]) ? 2 : 1) {
    fuzz::Check(!(host[i] >= 'A' && host[i] <= 'Z') && host[i] != '/' && host[i] != ':',
                "UrlHost: upper case, '/' or ':'", host, url);
  }
  fuzz::Check(FindText(url, host, 1, true) != -1 || host.empty(), "UrlHost: not in the URL", host,
              url);
  fuzz::Check(!path.empty() && path[0] == '/', "UrlPath: does not start with '/'", path, url);
  fuzz::Check(path == "/" || (path.size() <= url.size() &&
                              url.substr(url.size() - path.size()) == std::string_view(path)),
              "UrlPath: not a suffix of the URL", path, url);
  fuzz::Check(port >= 0 || url.find('-') != std::string_view::npos, "UrlPort: negative port");
  return 0;
}
