#include "fuzz/ntx_fuzz_body.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <unistd.h>
#include "support/projectfiles.h"

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

class Scratch {
public:
    Scratch()
    {
        char tmpl[] = "/tmp/arv_ntxc_XXXXXX";
        if (!::mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
        dir_ = tmpl;
    }
    ~Scratch()
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    // Runs the fuzz routine on a private copy of the bytes (it may change the file).
    void run(const std::string& bytes)
    {
        writeFile(dir_ / "in.ntx", bytes);
        arv::fuzz::exerciseNtx((dir_ / "in.ntx").string());
    }

private:
    fs::path dir_;
};

std::vector<fs::path> filesIn(const fs::path& dir, const std::string& ext)
{
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.is_regular_file() && (ext.empty() || e.path().extension() == ext)) out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

const fs::path kCorpus = fs::path(ARV_SOURCE_DIR) / "tests/fuzz/corpus/ntx";

TEST(NtxCorpus, EverySeedAndReferenceFile)
{
    Scratch s;
    auto seeds = filesIn(kCorpus, "");
    EXPECT_GE(seeds.size(), 8u);
    for (const auto& p : seeds) {
        SCOPED_TRACE(p.filename().string());
        s.run(readFile(p));
    }
    for (const auto& p : filesIn(arv::test::xbaseFixture(""), ".ntx")) {
        SCOPED_TRACE(p.filename().string());
        s.run(readFile(p));
    }
}

// A small deterministic stand-in for the fuzzer: damaged variants of every seed, with the
// damage aimed mostly at the header fields and the page heads where the structure lives.
TEST(NtxCorpus, MutatedSeeds)
{
    Scratch s;
    std::mt19937 rng(20261207);
    for (const auto& p : filesIn(kCorpus, "")) {
        SCOPED_TRACE(p.filename().string());
        const std::string seed = readFile(p);
        if (seed.empty()) continue;
        for (int round = 0; round < 120; ++round) {
            std::string b = seed;
            const int edits = 1 + int(rng() % 4);
            for (int i = 0; i < edits; ++i) {
                size_t at;
                switch (rng() % 4) {
                case 0: at = rng() % std::min<size_t>(b.size(), 24); break;                 // header numbers
                case 1: at = (rng() % (b.size() / 1024 + 1)) * 1024 + rng() % 64; break;    // page heads
                default: at = rng() % b.size(); break;
                }
                if (at >= b.size()) continue;
                b[at] = char(rng() % 3 == 0 ? 0 : rng());
            }
            if (rng() % 10 == 0) b.resize(rng() % b.size());
            s.run(b);
        }
    }
}

} // namespace
