// Cutting a field out of a large decoded page whose markers stand at its very end, so both
// marker searches walk the whole page.
#include <benchmark/benchmark.h>

#include "encoding/codepage.h"
#include "lookup/page_fields.h"

namespace pelmora {
namespace {

constexpr std::size_t kMiB = 1024 * 1024;

Text PageWithFieldAtEnd(std::size_t size) {
  const Text block = GbkLiteral("<td class=\"label\">战斗力排名 Rank_ 胜率 </td>\r\n");
  const Text field = GbkLiteral("其中基础分 1234 胜率加成分");
  Text page;
  page.reserve(size + block.size());
  while (page.size() + field.size() < size) page += block;
  return page + field;
}

void BM_TextBetween(benchmark::State& state) {
  const Text page = PageWithFieldAtEnd(static_cast<std::size_t>(state.range(0)) * kMiB);
  const Text left = GbkLiteral("其中基础分");
  const Text right = GbkLiteral(" 胜率加成分");
  for (auto _ : state) benchmark::DoNotOptimize(TextBetween(page, left, right));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_TextBetween)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pelmora
