// Every seed of every fuzz target runs through that target's round in the ordinary test run: the
// committed corpus (with the inputs of past findings) and the seeds the program's code makes
// today. A broken rule inside a round stops the program, so a seed that no longer passes fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "fuzz/dbf_fuzz_body.h"
#include "fuzz/docx_fuzz_body.h"
#include "fuzz/ini_fuzz_body.h"
#include "fuzz/mask_fuzz_body.h"
#include "fuzz/memo_fuzz_body.h"
#include "fuzz/restore_fuzz_body.h"
#include "fuzz/seeds.h"

namespace fs = std::filesystem;

namespace {

using Round = int (*)(const uint8_t*, size_t);

const std::map<std::string, Round>& rounds()
{
    static const std::map<std::string, Round> r = {
        {"dbf", arv::fuzz::dbfFuzzOne}, {"memo", arv::fuzz::memoFuzzOne}, {"restore", arv::fuzz::restoreFuzzOne},
        {"ini", arv::fuzz::iniFuzzOne}, {"docx", arv::fuzz::docxFuzzOne}, {"mask", arv::fuzz::maskFuzzOne}};
    return r;
}

const std::map<std::string, arv::fuzz::Seeds>& madeSeeds()
{
    static const auto seeds = arv::fuzz::allSeeds();
    return seeds;
}

int run(Round round, const std::string& bytes)
{
    return round(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

class FuzzCorpus : public ::testing::TestWithParam<std::string> {};

TEST_P(FuzzCorpus, EverySeedRunsClean)
{
    const std::string target = GetParam();
    const Round round = rounds().at(target);
    const fs::path dir = fs::path(ARV_SOURCE_DIR) / "tests/fuzz/corpus" / target;
    ASSERT_TRUE(fs::is_directory(dir)) << dir;
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    EXPECT_GE(files.size(), 2u);
    for (const auto& f : files) {
        SCOPED_TRACE(f.filename().string());
        EXPECT_EQ(run(round, arv::fuzz::readBytes(f.string())), 0);
    }
    ASSERT_TRUE(madeSeeds().count(target));
    for (const auto& [name, bytes] : madeSeeds().at(target)) {
        SCOPED_TRACE(name);
        EXPECT_EQ(run(round, bytes), 0);
    }
    EXPECT_EQ(round(nullptr, 0), 0);
    EXPECT_EQ(run(round, "\x83"), 0);
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzCorpus, ::testing::Values("dbf", "memo", "restore", "ini", "docx", "mask"));

} // namespace
