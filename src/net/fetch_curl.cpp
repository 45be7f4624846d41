// FetchUrl through libcurl's multi interface. It sends the bytes WinINet sends for the same call
// (request line, Host, User-Agent, then the fixed header block) and hands the body over in reads
// of at most 512 bytes with the pump before each one, as the Windows fetch does.
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "net/fetch.h"
#include "net/fetch_detail.h"
#include "net/url.h"

namespace pelmora {
namespace {

using Clock = std::chrono::steady_clock;

// WinINet follows redirects by itself; a loop of them must still end.
constexpr int kMaxRedirects = 20;

struct EasyCloser {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiCloser {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct HeaderListCloser {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCloser>;
using MultiHandle = std::unique_ptr<CURLM, MultiCloser>;
using HeaderList = std::unique_ptr<curl_slist, HeaderListCloser>;

bool CurlReady() {
  static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return ready;
}

// The request target as WinINet puts it on the wire: spaces and control bytes at the end of the
// path are dropped, a space elsewhere goes out as %20 and every other byte as it is. libcurl's
// URL parser would refuse the space and re-escape the rest, so the target is built here.
std::string RequestTarget(std::string_view path) {
  while (!path.empty() && static_cast<unsigned char>(path.back()) <= 0x20) {
    path.remove_suffix(1);
  }
  std::string target;
  target.reserve(path.size() + 16);
  for (char c : path) {
    if (c == ' ') {
      target += "%20";
    } else {
      target += c;
    }
  }
  return target;
}

// WinINet takes the port as a 16-bit number and reads 0 as the service's default port.
long ConnectPort(int port) {
  const auto wirePort = static_cast<std::uint16_t>(port);
  return wirePort == 0 ? 80 : wirePort;
}

bool IsFollowedStatus(long status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// What the callbacks of one fetch collect for the read loop.
struct Receiver {
  CURL* easy = nullptr;  // the transfer the header callback asks about its response
  Bytes pending;         // body bytes received and not read yet, from pendingStart on
  std::size_t pendingStart = 0;
  std::size_t room = 0;       // body bytes that may still be accepted
  bool responded = false;     // a final response (not one that is followed) began
  std::size_t announced = 0;  // the final response's Content-Length, 0 when it names none
  bool sawLocation = false;   // the current response names a Location
  bool redirecting = false;   // the current response is a redirect to follow: drop its body
  Clock::time_point lastActivity;

  std::size_t PendingSize() const { return pending.size() - pendingStart; }
};

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// Watches each response's header lines. libcurl resolves a Location only once the transfer is
// done, so here it is enough to know that one is there.
std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto& receiver = *static_cast<Receiver*>(user);
  const std::size_t total = size * count;
  receiver.lastActivity = Clock::now();
  const std::string_view line(data, total);
  if (StartsWithIgnoringCase(line, "http/")) {
    receiver.sawLocation = false;
  } else if (StartsWithIgnoringCase(line, "location:")) {
    receiver.sawLocation = line.find_first_not_of(" \t\r\n", 9) != std::string_view::npos;
  } else if (line == "\r\n" || line == "\n") {
    // The end of one response's header lines: its body is the page, or that of a redirect.
    long status = 0;
    curl_easy_getinfo(receiver.easy, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 200) {
      receiver.redirecting = IsFollowedStatus(status) && receiver.sawLocation;
      receiver.responded = !receiver.redirecting;
      curl_off_t length = -1;
      curl_easy_getinfo(receiver.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
      receiver.announced = receiver.responded && length > 0 ? static_cast<std::size_t>(length) : 0;
    }
  }
  return total;
}

// Keeps at most `room` bytes of body; a block that does not fit is cut, and answering with a
// smaller count than was given ends the transfer.
std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto& receiver = *static_cast<Receiver*>(user);
  const std::size_t total = size * count;
  receiver.lastActivity = Clock::now();
  if (receiver.redirecting) return total;
  const std::size_t kept = std::min(total, receiver.room);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);  // copied as one block
  receiver.pending.insert(receiver.pending.end(), bytes, bytes + kept);
  receiver.room -= kept;
  return kept;
}

// One request of the fetch: the first URL, or the target of a redirect.
class Hop {
 public:
  Hop(CURLM* multi, EasyHandle easy, HeaderList headers)
      : multi_(multi), headers_(std::move(headers)), easy_(std::move(easy)) {
    added_ = curl_multi_add_handle(multi_, easy_.get()) == CURLM_OK;
  }
  Hop(const Hop&) = delete;
  Hop& operator=(const Hop&) = delete;
  ~Hop() {
    if (added_) curl_multi_remove_handle(multi_, easy_.get());
  }

  bool Started() const { return added_; }

 private:
  CURLM* multi_;
  HeaderList headers_;  // outlives the transfer that sends it
  EasyHandle easy_;
  bool added_ = false;
};

HeaderList RequestHeaders(std::string_view url) {
  // WinINet drops spaces at the end of a header value.
  while (!url.empty() && url.back() == ' ') url.remove_suffix(1);
  std::string referer = "Referer: ";
  referer.append(url);
  curl_slist* list = nullptr;
  for (const char* line : {kFetchAccept, referer.c_str(), kFetchAcceptLanguage}) {
    curl_slist* longer = curl_slist_append(list, line);
    if (longer == nullptr) {
      curl_slist_free_all(list);
      return nullptr;
    }
    list = longer;
  }
  return HeaderList(list);
}

// A configured transfer, or null. The first request names its target itself; a redirect
// target comes from libcurl already in URL form.
std::unique_ptr<Hop> StartHop(CURLM* multi, Receiver& receiver, std::string_view originalUrl,
                              const std::string& connectUrl, const std::string* target,
                              const FetchLimits& limits) {
  EasyHandle easy(curl_easy_init());
  HeaderList headers = RequestHeaders(originalUrl);
  if (!easy || !headers) return nullptr;
  CURL* e = easy.get();
  const long connectTimeout = static_cast<long>(
      std::clamp<std::chrono::milliseconds::rep>(limits.timeout.count(), 1, 0x7fffffff));
  bool ok = curl_easy_setopt(e, CURLOPT_URL, connectUrl.c_str()) == CURLE_OK;
  if (target != nullptr) {
    ok = ok && curl_easy_setopt(e, CURLOPT_REQUEST_TARGET, target->c_str()) == CURLE_OK;
  }
  ok = ok && curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
       curl_easy_setopt(e, CURLOPT_HTTP_VERSION, long{CURL_HTTP_VERSION_1_1}) == CURLE_OK &&
       curl_easy_setopt(e, CURLOPT_USERAGENT, kFetchUserAgent) == CURLE_OK &&
       curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get()) == CURLE_OK &&
       // Always a direct connection, whatever proxy the environment names.
       curl_easy_setopt(e, CURLOPT_PROXY, "") == CURLE_OK &&
       curl_easy_setopt(e, CURLOPT_NOPROXY, "*") == CURLE_OK &&
       curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK &&
       curl_easy_setopt(e, CURLOPT_HTTP_CONTENT_DECODING, 0L) == CURLE_OK &&
       curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, connectTimeout) == CURLE_OK &&
       curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
       curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &OnHeader) == CURLE_OK &&
       curl_easy_setopt(e, CURLOPT_HEADERDATA, &receiver) == CURLE_OK &&
       curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &OnBody) == CURLE_OK &&
       curl_easy_setopt(e, CURLOPT_WRITEDATA, &receiver) == CURLE_OK;
  if (!ok) return nullptr;

  auto hop = std::make_unique<Hop>(multi, std::move(easy), std::move(headers));
  if (!hop->Started()) return nullptr;
  receiver.easy = e;
  receiver.sawLocation = false;
  receiver.redirecting = false;
  return hop;
}

// Drives the transfer, following redirects, until body bytes are waiting, the body has ended or
// failed, nothing has arrived for the receive time-out, or the deadline has passed.
class Transfer {
 public:
  Transfer(std::string_view url, const FetchLimits& limits) : url_(url), limits_(limits) {
    receiver_.room = limits.maxBody;
    if (!CurlReady()) return;
    multi_.reset(curl_multi_init());
    if (!multi_) return;
    const std::string originalUrl(url);
    const std::string connectUrl = "http://" + UrlHost(originalUrl) + ":" +
                                   std::to_string(ConnectPort(UrlPort(originalUrl))) + "/";
    const std::string target = RequestTarget(UrlPath(originalUrl));
    hop_ = StartHop(multi_.get(), receiver_, url_, connectUrl, &target, limits_);
  }

  bool Responded() const { return receiver_.responded; }
  std::size_t Announced() const { return receiver_.announced; }

  void WaitForData(std::optional<Clock::time_point> deadline) {
    const auto waitStart = Clock::now();
    while (hop_ && receiver_.PendingSize() == 0) {
      int running = 0;
      curl_multi_perform(multi_.get(), &running);
      if (HopFinished()) {
        const std::string next = RedirectTarget();
        hop_.reset();
        if (!next.empty()) {
          ++redirects_;
          hop_ = StartHop(multi_.get(), receiver_, url_, next, nullptr, limits_);
        }
        continue;
      }
      if (receiver_.PendingSize() > 0) break;

      const auto now = Clock::now();
      const auto idleEnd = std::max(waitStart, receiver_.lastActivity) + limits_.timeout;
      const auto end = deadline ? std::min(idleEnd, *deadline) : idleEnd;
      if (now >= end) {
        hop_.reset();
        break;
      }
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - now).count();
      curl_multi_poll(multi_.get(), nullptr, 0, static_cast<int>(std::min<long long>(left, 1000)),
                      nullptr);
    }
  }

  // Up to `most` waiting body bytes, appended to body; the count taken.
  std::size_t Take(std::size_t most, Bytes& body) {
    const std::size_t count = std::min(most, receiver_.PendingSize());
    const auto first =
        receiver_.pending.begin() + static_cast<std::ptrdiff_t>(receiver_.pendingStart);
    body.insert(body.end(), first, first + static_cast<std::ptrdiff_t>(count));
    receiver_.pendingStart += count;
    if (receiver_.PendingSize() == 0) {
      receiver_.pending.clear();
      receiver_.pendingStart = 0;
    }
    return count;
  }

 private:
  // Where a finished redirect leads, or empty when the transfer is over.
  std::string RedirectTarget() const {
    if (!receiver_.redirecting || redirects_ >= kMaxRedirects) return {};
    char* location = nullptr;
    curl_easy_getinfo(receiver_.easy, CURLINFO_REDIRECT_URL, &location);
    return location != nullptr ? location : "";
  }

  bool HopFinished() {
    int queued = 0;
    bool finished = false;
    while (CURLMsg* message = curl_multi_info_read(multi_.get(), &queued)) {
      if (message->msg == CURLMSG_DONE) finished = true;
    }
    return finished;
  }

  std::string_view url_;
  const FetchLimits& limits_;
  Receiver receiver_;
  MultiHandle multi_;
  std::unique_ptr<Hop> hop_;  // after multi_: a hop leaves the multi handle before it closes
  int redirects_ = 0;
};

}  // namespace

FetchResult FetchUrlObserved(std::string_view url, const Pump& pump, const FetchLimits& limits,
                             const ReadObserver& observeRead) {
  FetchResult result;
  Transfer transfer(url, limits);

  // Like the send on Windows, the first wait covers connecting, sending and the response headers.
  transfer.WaitForData(std::nullopt);
  // Room for the announced body up front: one allocation instead of a doubling series, which for
  // a page of megabytes would hold the old and the new copy at once.
  result.body.reserve(std::min(transfer.Announced(), limits.maxBody));
  const auto readStart = Clock::now();
  const auto readEnd = readStart + limits.maxReadTime;
  while (result.body.size() < limits.maxBody && Clock::now() < readEnd) {
    if (pump && !pump()) break;
    transfer.WaitForData(readEnd);
    const std::size_t count =
        transfer.Take(std::min(kFetchReadSize, limits.maxBody - result.body.size()), result.body);
    if (observeRead) observeRead(count);
    if (count == 0) break;
  }

  result.answered = transfer.Responded() || !result.body.empty();
  return result;
}

FetchResult FetchUrl(std::string_view url, const Pump& pump, const FetchLimits& limits) {
  return FetchUrlObserved(url, pump, limits, {});
}

}  // namespace pelmora
