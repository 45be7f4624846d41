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

// WinINet puts a space of the path on the wire as %20 and every other byte as it is; libcurl's
// URL parser would refuse the space and re-escape the rest, so the request target is built here.
std::string RequestTarget(std::string_view path) {
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
  std::size_t room = 0;     // body bytes that may still be accepted
  bool responded = false;   // a final response (not one that is followed) began
  bool discarding = false;  // the current response is a followed redirect: drop its body
  std::string redirectTo;
  Clock::time_point lastActivity;

  std::size_t PendingSize() const { return pending.size() - pendingStart; }
};

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto& receiver = *static_cast<Receiver*>(user);
  const std::size_t total = size * count;
  receiver.lastActivity = Clock::now();
  const std::string_view line(data, total);
  if (line != "\r\n" && line != "\n") return total;

  // The end of one response's header lines: decide whether its body is the page or a redirect.
  long status = 0;
  curl_easy_getinfo(receiver.easy, CURLINFO_RESPONSE_CODE, &status);
  if (status < 200) return total;
  char* location = nullptr;
  curl_easy_getinfo(receiver.easy, CURLINFO_REDIRECT_URL, &location);
  if (IsFollowedStatus(status) && location != nullptr) {
    receiver.discarding = true;
    receiver.redirectTo = location;
  } else {
    receiver.discarding = false;
    receiver.redirectTo.clear();
    receiver.responded = true;
  }
  return total;
}

// Keeps at most `room` bytes of body; a block that does not fit is cut, and answering with a
// smaller count than was given ends the transfer.
std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto& receiver = *static_cast<Receiver*>(user);
  const std::size_t total = size * count;
  receiver.lastActivity = Clock::now();
  if (receiver.discarding) return total;
  const std::size_t kept = std::min(total, receiver.room);
  receiver.pending.insert(receiver.pending.end(), data, data + kept);
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

  receiver.easy = e;
  receiver.discarding = false;
  receiver.redirectTo.clear();
  auto hop = std::make_unique<Hop>(multi, std::move(easy), std::move(headers));
  if (!hop->Started()) return nullptr;
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

  void WaitForData(std::optional<Clock::time_point> deadline) {
    const auto waitStart = Clock::now();
    while (hop_ && receiver_.PendingSize() == 0) {
      int running = 0;
      curl_multi_perform(multi_.get(), &running);
      if (HopFinished()) {
        hop_.reset();
        if (!receiver_.redirectTo.empty() && redirects_ < kMaxRedirects) {
          ++redirects_;
          const std::string next = receiver_.redirectTo;
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
