// A whole lookup (fetch, decode, every field) of a large page from the local profile service,
// beside a plain libcurl download of the same page and the decode alone. Needs the service:
// bench/lookup_bench.sh starts it and names it in PELMORA_BENCH_HOST.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "lookup/player.h"

namespace pelmora {
namespace {

constexpr std::int64_t kMiB = 1024 * 1024;

std::string PageUrl(std::int64_t mebibytes) {
  const char* host = std::getenv("PELMORA_BENCH_HOST");
  if (host == nullptr) return std::string();
  return "http://" + std::string(host) + "/scenario/big?size=" + std::to_string(mebibytes * kMiB);
}

void BM_WholeLookup(benchmark::State& state) {
  const std::string url = PageUrl(state.range(0));
  if (url.empty()) return state.SkipWithError("PELMORA_BENCH_HOST is not set");
  for (auto _ : state) {
    const PlayerRecord record = ReadPlayerRecord(FetchUrl(url, [] { return true; }), 0);
    if (record.power != "1368") return state.SkipWithError("the page did not read as Quillfen's");
  }
  state.SetBytesProcessed(state.iterations() * state.range(0) * kMiB);
}

void BM_FetchOnly(benchmark::State& state) {
  const std::string url = PageUrl(state.range(0));
  if (url.empty()) return state.SkipWithError("PELMORA_BENCH_HOST is not set");
  for (auto _ : state) benchmark::DoNotOptimize(FetchUrl(url, [] { return true; }).body.size());
  state.SetBytesProcessed(state.iterations() * state.range(0) * kMiB);
}

std::size_t Append(char* data, std::size_t size, std::size_t count, void* body) {
  static_cast<std::string*>(body)->append(data, size * count);
  return size * count;
}

void BM_CurlDownload(benchmark::State& state) {
  const std::string url = PageUrl(state.range(0));
  if (url.empty()) return state.SkipWithError("PELMORA_BENCH_HOST is not set");
  for (auto _ : state) {
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    std::string body;
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, Append);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &body);
    if (curl_easy_perform(curl.get()) != CURLE_OK) return state.SkipWithError("download failed");
    benchmark::DoNotOptimize(body.data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0) * kMiB);
}

void BM_DecodeAlone(benchmark::State& state) {
  const std::string url = PageUrl(state.range(0));
  if (url.empty()) return state.SkipWithError("PELMORA_BENCH_HOST is not set");
  const FetchResult fetched = FetchUrl(url, [] { return true; });
  for (auto _ : state) benchmark::DoNotOptimize(ReadPlayerRecord(fetched, 0));
  state.SetBytesProcessed(state.iterations() * state.range(0) * kMiB);
}

BENCHMARK(BM_WholeLookup)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FetchOnly)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CurlDownload)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeAlone)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace pelmora
