// FetchUrl against the local profile service: the bytes it sends, how the body is read, and how
// slow, cut-off, oversized and silent answers end.
#include "net/fetch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "local_service.h"
#include "net/fetch_detail.h"

namespace pelmora {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr char kQuillfenQuery[] =
    "/playerDetail.php?serverName=%E7%94%B5%E4%BF%A1%E4%B8%80&playerName=Quillfen";

std::string ToString(const Bytes& b) {
  return std::string(b.begin(), b.end());
}

Bytes CountingBytes(std::size_t n) {
  Bytes bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(i % 251);
  return bytes;
}

// Seconds since a start, for bounds on how long a fetch may take.
double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Observed {
  FetchResult result;
  std::vector<std::size_t> reads;
  int pumps = 0;
  double seconds = 0;
};

Observed Fetch(const std::string& url, const FetchLimits& limits = {}) {
  Observed observed;
  const auto start = Clock::now();
  observed.result = FetchUrlObserved(
      url,
      [&] {
        ++observed.pumps;
        return true;
      },
      limits, [&](std::size_t count) { observed.reads.push_back(count); });
  observed.seconds = SecondsSince(start);
  return observed;
}

class FetchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    authority_ = LocalServiceHost();
    if (authority_.empty()) {
      GTEST_SKIP() << "the local profile service is not running: run through ctest, which "
                      "starts it and sets PELMORA_TEST_SERVICE_PORT_FILE";
    }
  }

  const std::string& Authority() const { return authority_; }
  std::string Url(std::string_view path) const {
    return "Http://" + Authority() + std::string(path);
  }

  Bytes QuillfenPage() const {
    const Observed page = Fetch(Url(kQuillfenQuery));
    EXPECT_TRUE(page.result.answered);
    EXPECT_GT(page.result.body.size(), 1000u);
    return page.result.body;
  }

  std::string authority_;
};

// The request that reaches the server: request line, Host, User-Agent, then the fixed header
// block with the URL as it was passed. In the request line a space goes out as %20 and every other
// byte as it is, except that spaces and control bytes at the end of the path are dropped; the
// Referer line loses only trailing spaces. That is what WinINet puts on the wire.
TEST_F(FetchTest, SendsTheFixedRequest) {
  struct Case {
    const char* label;
    std::string name;         // as it stands in the URL
    std::string wireName;     // as it must stand in the request line
    std::string refererName;  // as it must stand in the Referer line
  } cases[] = {
      {"plain", "Quillfen", "Quillfen", "Quillfen"},
      {"encoded Chinese with a space", "%E9%A3%8E %E4%B9%8B%E5%AD%90",
       "%E9%A3%8E%20%E4%B9%8B%E5%AD%90", "%E9%A3%8E %E4%B9%8B%E5%AD%90"},
      {"runs of spaces", " a  b", "%20a%20%20b", " a  b"},
      {"encoded punctuation", "%2D%5F%2E%7E%25%2B%26%3D", "%2D%5F%2E%7E%25%2B%26%3D",
       "%2D%5F%2E%7E%25%2B%26%3D"},
      {"an escaped space stays", "a%20b", "a%20b", "a%20b"},
      {"control bytes",
       "a\x01\x1f\x7f"
       "b",
       "a\x01\x1f\x7f"
       "b",
       "a\x01\x1f\x7f"
       "b"},
      {"GBK bytes", "\xB7\xE7 \xD6\xD0", "\xB7\xE7%20\xD6\xD0", "\xB7\xE7 \xD6\xD0"},
      {"trailing spaces", "a b  ", "a%20b", "a b"},
      {"trailing control bytes", "a \x01\x0b \x1f", "a", "a \x01\x0b \x1f"},
      {"DEL is no control byte here", "a\x7f ", "a\x7f", "a\x7f"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string query = "?serverName=%E7%94%B5%E4%BF%A1%E4%B8%80&playerName=";
    const std::string url = Url("/test/echo" + query + c.name);
    const std::string expected =
        "GET /test/echo" + query + c.wireName + " HTTP/1.1\r\n" + "Host: " + Authority() + "\r\n" +
        "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n" +
        "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
        "application/x-shockwave-flash, application/vnd.ms-excel, "
        "application/vnd.ms-powerpoint, application/msword, */*\r\n" +
        "Referer: " + Url("/test/echo" + query + c.refererName) + "\r\n" +
        "Accept-Language: zh-cn\r\n" + "\r\n";
    const Observed echo = Fetch(url);
    EXPECT_TRUE(echo.result.answered);
    EXPECT_EQ(ToString(echo.result.body), expected);
  }
}

TEST_F(FetchTest, TakesHostPortAndPathFromTheUrl) {
  // The scheme is matched without regard to case, and a URL without a path asks for "/".
  const Observed echo = Fetch("hTTp://" + Authority() + "/test/echo");
  EXPECT_TRUE(ToString(echo.result.body).starts_with("GET /test/echo HTTP/1.1\r\n"));

  const Observed root = Fetch(Url(""));
  EXPECT_TRUE(root.result.answered);  // the service's 404 page
  EXPECT_FALSE(root.result.body.empty());
}

// Reads deliver at most 512 bytes each, the pump runs before every one, and a read of 0 ends the
// body. The counting bytes include zeros, which must not cut the body short.
TEST_F(FetchTest, ReadsTheBodyInPiecesOf512) {
  struct Case {
    std::size_t size;
    std::vector<std::size_t> reads;
  } cases[] = {
      {1300, {512, 512, 276, 0}},
      {512, {512, 0}},
      {1, {1, 0}},
      {0, {0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    const Observed got = Fetch(Url("/test/bytes?n=" + std::to_string(c.size)));
    EXPECT_TRUE(got.result.answered);
    EXPECT_EQ(got.result.body, CountingBytes(c.size));
    EXPECT_EQ(got.reads, c.reads);
    EXPECT_EQ(got.pumps, static_cast<int>(got.reads.size()));
  }
}

TEST_F(FetchTest, KeepsEveryByteOfABodyThatArrivesInPieces) {
  const Observed got = Fetch(Url("/test/bytes?n=3000&piece=700&delay_ms=20"));
  EXPECT_TRUE(got.result.answered);
  EXPECT_EQ(got.result.body, CountingBytes(3000));
  ASSERT_FALSE(got.reads.empty());
  for (std::size_t count : got.reads) EXPECT_LE(count, 512u);
  EXPECT_EQ(got.reads.back(), 0u);
  EXPECT_EQ(got.pumps, static_cast<int>(got.reads.size()));
}

TEST_F(FetchTest, ReturnsBodiesWithZeroBytesWhole) {
  std::string expected;
  for (int i = 0; i < 4; ++i) expected.append("ab\0cd\0\0ef", 9);
  const Observed got = Fetch(Url("/test/zeros"));
  EXPECT_TRUE(got.result.answered);
  EXPECT_EQ(ToString(got.result.body), expected);
}

TEST_F(FetchTest, StopsWhenThePumpSaysSo) {
  int pumps = 0;
  std::vector<std::size_t> reads;
  const FetchResult result = FetchUrlObserved(
      Url("/test/bytes?n=5000"), [&] { return ++pumps < 3; }, {},
      [&](std::size_t count) { reads.push_back(count); });
  EXPECT_EQ(pumps, 3);
  EXPECT_EQ(reads, (std::vector<std::size_t>{512, 512}));
  EXPECT_TRUE(result.answered);
  EXPECT_EQ(result.body, CountingBytes(1024));
}

TEST_F(FetchTest, APumpMayFetchAgainInsideTheRead) {
  // A second query started from the window while the first is reading runs to its end inside
  // the first; each keeps its own body.
  int pumps = 0;
  FetchResult inner;
  const FetchResult outer = FetchUrl(Url("/test/bytes?n=2000"), [&] {
    if (++pumps == 2) inner = FetchUrl(Url("/test/bytes?n=700"), [] { return true; });
    return true;
  });
  EXPECT_EQ(outer.body, CountingBytes(2000));
  EXPECT_EQ(inner.body, CountingBytes(700));
}

TEST_F(FetchTest, NothingListeningIsNoAnswer) {
  // Port 1 on the loopback address refuses at once.
  const Observed got = Fetch("Http://127.0.0.1:1/x", {.timeout = milliseconds(3000)});
  EXPECT_FALSE(got.result.answered);
  EXPECT_TRUE(got.result.body.empty());
  EXPECT_LT(got.seconds, 3.5);
}

// Each misbehaving answer ends with what arrived, within a bound.
TEST_F(FetchTest, MisbehavingAnswersEndWithWhatArrived) {
  const Bytes page = QuillfenPage();
  const std::size_t bodyEnd = ToString(page).find("</body>");
  ASSERT_NE(bodyEnd, std::string::npos);

  struct Case {
    const char* scenario;
    FetchLimits limits;
    bool answered;
    std::size_t pagePrefix;           // the body starts with this many bytes of Quillfen's page
    std::optional<std::size_t> size;  // and holds exactly this many bytes
    double atMostSeconds;
  } cases[] = {
      {"slow", {}, true, page.size(), page.size(), 10},
      {"chunked", {}, true, page.size(), page.size(), 5},
      {"redirect", {}, true, page.size(), page.size(), 5},
      {"close", {}, true, 866, 866, 5},  // the server hangs up part-way
      {"empty", {}, true, 0, 0, 5},
      {"stall", {.timeout = milliseconds(1500)}, false, 0, 0, 6},
      {"huge", {.maxBody = 100000}, true, page.size(), 100000, 10},
      {"trickle", {.maxReadTime = milliseconds(1500)}, true, bodyEnd, std::nullopt, 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scenario);
    const Observed got = Fetch(Url(std::string("/scenario/") + c.scenario), c.limits);
    const Bytes& body = got.result.body;
    EXPECT_EQ(got.result.answered, c.answered);
    if (c.size) {
      EXPECT_EQ(body.size(), *c.size);
    }
    const int prefix = static_cast<int>(c.pagePrefix);
    EXPECT_EQ(BytesLeft(body, prefix), BytesLeft(page, prefix));
    EXPECT_LE(got.seconds, c.atMostSeconds);
    EXPECT_EQ(got.pumps, static_cast<int>(got.reads.size()));
  }
}

TEST_F(FetchTest, ReturnsTheBodyOfAnErrorStatus) {
  const Observed got = Fetch(Url("/scenario/404"));
  EXPECT_TRUE(got.result.answered);
  EXPECT_TRUE(ToString(got.result.body).find("404 Not Found") != std::string::npos);
}

TEST_F(FetchTest, KeepsTheFirst8MiBOfALargerBody) {
  const Observed got = Fetch(Url("/scenario/huge"));
  EXPECT_TRUE(got.result.answered);
  EXPECT_EQ(got.result.body.size(), std::size_t{8} << 20);
}

// The one test that waits out the full 18-second receive time-out.
TEST_F(FetchTest, GivesUpOnASilentServerAfterTheTimeout) {
  const Observed got = Fetch(Url("/scenario/stall"));
  EXPECT_TRUE(got.result.body.empty());
  EXPECT_GE(got.seconds, 17.0);
  EXPECT_LE(got.seconds, 25.0);
}

}  // namespace
}  // namespace pelmora
