// Splitting URLs into host, port and path.
#include "net/url.h"

#include <gtest/gtest.h>

namespace pelmora {
namespace {

TEST(UrlSplitting, HostPortPath) {
  struct Case {
    const char* url;
    const char* host;
    int port;
    const char* path;
  } cases[] = {
      {"Http://Srv/p?q=1", "srv", 80, "/p?q=1"},
      {"HTTP://srv:8080/p", "srv", 8080, "/p"},
      {"Http://srv", "srv", 80, "/"},
      {"Http://srv:/p", "srv", 0, "/p"},
      {"Http://srv:81x/p", "srv", 81, "/p"},
      {"srv:81/a", "srv", 81, "/a"},
      {"srv", "srv", 80, "/"},
      {"Http://Srv?x=1", "srv?x=1", 80, "/"},
      {"http://127.0.0.1:8086/a/b?c=/d", "127.0.0.1", 8086, "/a/b?c=/d"},
      {"Http://srv: 81/p", "srv", 81, "/p"},
      {"Http://srv:99999999999/p", "srv", 0, "/p"},  // no port fits an int
      {"Http://MiXeD.Host/Path/", "mixed.host", 80, "/Path/"},
      {"", "", 80, "/"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UrlHost(c.url), c.host) << c.url;
    EXPECT_EQ(UrlPort(c.url), c.port) << c.url;
    EXPECT_EQ(UrlPath(c.url), c.path) << c.url;
  }
}

TEST(UrlSplitting, ProfileRequestKeepsEncodedQuery) {
  const Text url =
      "Http://127.0.0.1:8086/playerDetail.php?serverName=%E7%94%B5%E4%BF%A1%E4%B8%80"
      "&playerName=a b%2F";
  EXPECT_EQ(UrlHost(url), "127.0.0.1");
  EXPECT_EQ(UrlPort(url), 8086);
  EXPECT_EQ(UrlPath(url),
            "/playerDetail.php?serverName=%E7%94%B5%E4%BF%A1%E4%B8%80&playerName=a b%2F");
}

}  // namespace
}  // namespace pelmora
