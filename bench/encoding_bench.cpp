// Page decoding and URL encoding on inputs of a real page's size, beside a bare iconv conversion
// of the same bytes, which is the floor the decoding is measured against.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <string>

#include "encoding/codepage.h"
#include "encoding/page_decode.h"
#include "encoding/url_encode.h"

namespace pelmora {
namespace {

constexpr std::size_t kMiB = 1024 * 1024;

// A profile page in UTF-8: markup, Chinese text and numbers, and a few escaped links.
std::string ProfilePage(std::size_t size) {
  static const std::string kBlock =
      "<tr class=\"row\"><td class=\"label\">其中基础分：</td><td class=\"value\">1532</td></tr>\n"
      "<tr class=\"row\"><td class=\"label\">胜率加分：</td><td class=\"value\">87</td>"
      "<td>胜场加分：</td><td>112</td></tr>\n"
      "<div class=\"note\">玩家资料每日更新，排名按战斗力计算。点赞数：3021，单排排名：18，"
      "双排排名：64。本页面数据仅供参考。</div>\n"
      "<a href=\"/playerDetail.php?serverName=%E7%94%B5%E4%BF%A1%E4%B8%80&amp;playerName="
      "%E5%B0%8F%E6%98%8E\">电信一 小明</a> <span>100%</span>\n"
      "<script>var stats = {win: 0.53, games: 1984, title: \"最强王者\"};</script>\n";
  std::string page;
  page.reserve(size + kBlock.size());
  while (page.size() < size) page += kBlock;
  page.resize(size);
  // A page cut in the middle of a character would end in replacement work that a real page
  // does not have; back off to a character boundary.
  while (!page.empty() && (static_cast<unsigned char>(page.back()) & 0xC0) == 0x80) page.pop_back();
  if (!page.empty() && static_cast<unsigned char>(page.back()) >= 0xC0) page.pop_back();
  return page;
}

void BM_PercentDecode(benchmark::State& state) {
  const std::string page = ProfilePage(static_cast<std::size_t>(state.range(0)) * kMiB);
  for (auto _ : state) {
    Text decoded = PercentDecode(page);
    benchmark::DoNotOptimize(decoded.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_PercentDecode)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

// One iconv pass from UTF-8 to GBK into a buffer made beforehand: no escapes, no replacement.
void BM_IconvUtf8ToGbk(benchmark::State& state) {
  const std::string page = ProfilePage(static_cast<std::size_t>(state.range(0)) * kMiB);
  std::string out(page.size(), '\0');
  for (auto _ : state) {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    char* in = const_cast<char*>(page.data());
    std::size_t inLeft = page.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
      state.SkipWithError("iconv stopped on the page");
    }
    iconv_close(cd);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_IconvUtf8ToGbk)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

// Mixed GBK text: names, punctuation, spaces and Chinese.
void BM_UrlEncode(benchmark::State& state) {
  const Text block = GbkLiteral("电信一 网通六 Player_01 小明-战斗力 (1532+87) & 最强王者; ");
  Text text;
  while (text.size() < kMiB) text += block;
  for (auto _ : state) {
    Text encoded = UrlEncode(text);
    benchmark::DoNotOptimize(encoded.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_UrlEncode)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pelmora
