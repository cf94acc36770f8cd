/* Replays the fuzzing corpus (tests/fuzz/corpus/<codec>/) through the
 * decoder table with the fuzzers' lowered limits: each file must end in a
 * status, and a decoded frame must be a consistent raster. The former
 * crashers and bombs (tests/crashers/) must fail with the program's own
 * limits, in a child process whose peak memory is measured. Runs in every
 * build, not only fuzzing ones. */
#include "codec_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace codectest;

namespace {

namespace fs = std::filesystem;

/* The regular files under dir (tests/<name>/), sorted, with their bytes. */
std::vector<std::pair<std::string, std::vector<uint8_t>>> FilesUnder(const char* name) {
    const fs::path dir = (fs::path(QUILLET_TEST_DATA) / ".." / name).lexically_normal();
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') {
            std::ifstream in(entry.path(), std::ios::binary);
            files.emplace_back(entry.path().string(), std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}));
        }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(CodecCorpus, EveryCorpusFileEndsInAStatus) {
    const auto files = FilesUnder("fuzz/corpus");
    ASSERT_FALSE(files.empty());
    uint32_t decoded = 0; /* frames; the seeds at least are valid images */
    for (const auto& [path, bytes] : files)
        ExpectCleanStatus(DecodeFrames(bytes, gp::decode_limits{4096, uint64_t{1} << 20}, path, &decoded), path);
    EXPECT_GT(decoded, 0u);
}

/* Each file there is named for what is wrong with it; none may decode, and
 * none may raise the peak memory of a child process by 300 MB on the way to
 * failing (exit 1: a file decoded; exit 2: the peak grew too much). */
TEST(CodecCorpus, FormerCrashersAndBombsFailWithinMemoryBounds) {
    const auto files = FilesUnder("crashers");
    ASSERT_FALSE(files.empty());
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const long before = usage.ru_maxrss;
        bool anyDecoded = false;
        for (const auto& [path, bytes] : files) {
            const gp::decoder* dec = SniffDecoder(bytes);
            gp::raster out;
            anyDecoded =
                anyDecoded || (dec && dec->decode(bytes.data(), bytes.size(), 0, gp::decode_limits{}, out) == Ok);
        }
        getrusage(RUSAGE_SELF, &usage);
        _exit(anyDecoded ? 1 : (usage.ru_maxrss - before >= 300L * 1024 ? 2 : 0));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
