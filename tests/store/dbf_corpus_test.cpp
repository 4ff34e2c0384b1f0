// Runs every seed of the table-file fuzz corpus through the fuzz body, so the seeds keep being
// checked by the ordinary test run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/dbf_fuzz_body.h"

namespace {

TEST(DbfCorpus, EverySeedIsReadWithoutCrashing)
{
    const std::filesystem::path corpus = ARV_SOURCE_DIR "/tests/fuzz/corpus/dbf";
    ASSERT_TRUE(std::filesystem::is_directory(corpus));
    int seeds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(arv::fuzz::dbfFuzzOne(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0);
        ++seeds;
    }
    EXPECT_GE(seeds, 5);
    // Empty input and a lone byte, which no seed file holds.
    EXPECT_EQ(arv::fuzz::dbfFuzzOne(nullptr, 0), 0);
    const uint8_t one = 0x83;
    EXPECT_EQ(arv::fuzz::dbfFuzzOne(&one, 1), 0);
    std::error_code ec;
    std::filesystem::remove_all(arv::fuzz::dbfFuzzDir(), ec);
}

} // namespace
