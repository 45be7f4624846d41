// FetchUrl through WinINet: one direct GET with a fixed header block, the body read in pieces of
// at most 512 bytes with the pump before every read.
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <string>

#include "net/fetch.h"
#include "net/fetch_detail.h"
#include "net/url.h"

namespace pelmora {
namespace {

struct InternetHandleCloser {
  void operator()(HINTERNET handle) const { InternetCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetHandleCloser>;

DWORD TimeoutMilliseconds(std::chrono::milliseconds timeout) {
  const auto count = std::max<std::chrono::milliseconds::rep>(timeout.count(), 0);
  return static_cast<DWORD>(std::min<std::chrono::milliseconds::rep>(count, MAXDWORD));
}

std::string HeaderBlock(std::string_view url) {
  std::string block;
  block.reserve(sizeof kFetchAccept + url.size() + sizeof kFetchAcceptLanguage + 16);
  block.append(kFetchAccept).append("\r\n");
  block.append("Referer: ").append(url).append("\r\n");
  block.append(kFetchAcceptLanguage).append("\r\n");
  return block;
}

}  // namespace

FetchResult FetchUrlObserved(std::string_view url, const Pump& pump, const FetchLimits& limits,
                             const ReadObserver& observeRead) {
  FetchResult result;
  const std::string urlText(url);

  // Declared root first so that they close children first: request, connection, root.
  InternetHandle root(InternetOpenA(kFetchUserAgent, INTERNET_OPEN_TYPE_DIRECT, "", "", 0));
  if (!root) return result;

  const Text host = UrlHost(urlText);
  const int port = UrlPort(urlText);
  InternetHandle connection(InternetConnectA(root.get(), host.c_str(),
                                             static_cast<INTERNET_PORT>(port), "", "",
                                             INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return result;

  const Text path = UrlPath(urlText);
  InternetHandle request(HttpOpenRequestA(connection.get(), "GET", path.c_str(), "HTTP/1.1",
                                          nullptr, nullptr, INTERNET_FLAG_RELOAD, 0));
  if (!request) return result;

  DWORD timeout = TimeoutMilliseconds(limits.timeout);
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_CONTROL_RECEIVE_TIMEOUT,
                       INTERNET_OPTION_CONTROL_SEND_TIMEOUT}) {
    InternetSetOptionA(request.get(), option, &timeout, sizeof timeout);
  }

  const std::string headers = HeaderBlock(url);
  // The optional data is an empty string, not null; with a length of 0 it is never touched.
  const bool sent =
      HttpSendRequestA(request.get(), headers.c_str(), static_cast<DWORD>(headers.size()),
                       const_cast<char*>(""), 0) != FALSE;

  // An unsent request still gets its first read, which delivers nothing; a read that fails
  // part-way ends the loop with what came before it. The read time is checked between reads, so
  // a read that waits can overrun it by up to the receive time-out.
  const auto readStart = std::chrono::steady_clock::now();
  std::array<std::uint8_t, kFetchReadSize> buffer{};
  while (result.body.size() < limits.maxBody &&
         std::chrono::steady_clock::now() - readStart < limits.maxReadTime) {
    if (pump && !pump()) break;
    const DWORD wanted =
        static_cast<DWORD>(std::min(buffer.size(), limits.maxBody - result.body.size()));
    DWORD count = 0;
    InternetReadFile(request.get(), buffer.data(), wanted, &count);
    count = std::min(count, wanted);
    if (observeRead) observeRead(count);
    if (count == 0) break;
    result.body.insert(result.body.end(), buffer.begin(), buffer.begin() + count);
  }

  result.answered = sent || !result.body.empty();
  return result;
}

FetchResult FetchUrl(std::string_view url, const Pump& pump, const FetchLimits& limits) {
  return FetchUrlObserved(url, pump, limits, {});
}

}  // namespace pelmora
