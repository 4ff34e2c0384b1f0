// Index engine speed: bulk build, random seeks and single locked inserts.
// Targets on the 2-core reference machine: build of 200,000 keys of 35 bytes well under 0.06 s,
// 100,000 random seeks under 0.28 s, 20,000 inserts (each locked, header written) under 0.18 s
// together with the table appends.
#include "store/ntx.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <unistd.h>

using namespace arv::store;
namespace fs = std::filesystem;

namespace {

struct BenchDir {
    fs::path dir;
    BenchDir()
    {
        char tmpl[] = "/tmp/arv_ntxb_XXXXXX";
        dir = ::mkdtemp(tmpl);
    }
    ~BenchDir()
    {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string file(const char* name) const { return (dir / name).string(); }
};

std::string randomKey(std::mt19937& rng, size_t size)
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ ";
    std::string k(size, ' ');
    size_t len = 8 + rng() % (size - 8);
    for (size_t i = 0; i < len; ++i) k[i] = letters[rng() % 27];
    return k;
}

std::vector<NtxEntry> randomEntries(size_t n, size_t keySize)
{
    std::mt19937 rng(42);
    std::vector<NtxEntry> v;
    v.reserve(n);
    for (size_t i = 0; i < n; ++i) v.push_back({randomKey(rng, keySize), uint32_t(i + 1)});
    return v;
}

NtxInfo info35()
{
    NtxInfo info;
    info.keyExpression = "UPPER(NAME)";
    info.keySize = 35;
    return info;
}

void BM_NtxBuild200k(benchmark::State& state)
{
    BenchDir d;
    const auto entries = randomEntries(200000, 35);
    for (auto _ : state) {
        state.PauseTiming();
        auto copy = entries; // the table layer hands its keys over
        state.ResumeTiming();
        NtxIndex::build(d.file("B.NTX"), info35(), std::move(copy));
    }
}
BENCHMARK(BM_NtxBuild200k)->Unit(benchmark::kMillisecond);

void BM_NtxSeek100k(benchmark::State& state)
{
    BenchDir d;
    const auto entries = randomEntries(200000, 35);
    NtxIndex::build(d.file("S.NTX"), info35(), entries);
    auto idx = NtxIndex::open(d.file("S.NTX"));
    std::mt19937 rng(7);
    for (auto _ : state) {
        for (int i = 0; i < 100000; ++i) benchmark::DoNotOptimize(idx->seek(entries[rng() % entries.size()].key));
    }
}
BENCHMARK(BM_NtxSeek100k)->Unit(benchmark::kMillisecond);

// The same seeks in read batches of 50 (one lock round trip per batch).
void BM_NtxSeek100kBatched(benchmark::State& state)
{
    BenchDir d;
    const auto entries = randomEntries(200000, 35);
    NtxIndex::build(d.file("S.NTX"), info35(), entries);
    auto idx = NtxIndex::open(d.file("S.NTX"));
    std::mt19937 rng(7);
    for (auto _ : state) {
        for (int i = 0; i < 100000; i += 50) {
            NtxIndex::ReadBatch batch(*idx);
            for (int j = 0; j < 50; ++j) benchmark::DoNotOptimize(idx->seek(entries[rng() % entries.size()].key));
        }
    }
}
BENCHMARK(BM_NtxSeek100kBatched)->Unit(benchmark::kMillisecond);

void BM_NtxInsert20k(benchmark::State& state)
{
    BenchDir d;
    const auto entries = randomEntries(20000, 35);
    for (auto _ : state) {
        state.PauseTiming();
        NtxIndex::build(d.file("I.NTX"), info35(), {});
        auto idx = NtxIndex::open(d.file("I.NTX"));
        state.ResumeTiming();
        for (const auto& e : entries) idx->insert(e.key, e.recno);
    }
}
BENCHMARK(BM_NtxInsert20k)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
