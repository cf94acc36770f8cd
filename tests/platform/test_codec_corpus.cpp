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

std::vector<fs::path> FilesUnder(const fs::path& dir) {
    std::vector<fs::path> files;
    if (!fs::exists(dir))
        return files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(CodecCorpus, EveryCorpusFileEndsInAStatus) {
    const fs::path root = (fs::path(QUILLET_TEST_DATA) / ".." / "fuzz" / "corpus").lexically_normal();
    const std::vector<fs::path> files = FilesUnder(root);
    ASSERT_FALSE(files.empty()) << "no corpus under " << root;
    const gp::decode_limits limits{4096, uint64_t{1} << 20};
    uint32_t decoded = 0; /* frames; the seeds at least are valid images */
    for (const fs::path& p : files)
        ExpectCleanStatus(DecodeFrames(ReadAll(p), limits, p.string(), &decoded), p.string());
    EXPECT_GT(decoded, 0u);
}

/* How many of files decode with the default limits. */
int DecodedWithDefaultLimits(const std::vector<fs::path>& files) {
    int decoded = 0;
    for (const fs::path& p : files) {
        const std::vector<uint8_t> bytes = ReadAll(p);
        const gp::decoder* dec = SniffDecoder(bytes);
        gp::raster out;
        if (dec && dec->decode(bytes.data(), bytes.size(), 0, gp::decode_limits{}, out) == Ok)
            ++decoded;
    }
    return decoded;
}

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

/* Each file there is named for what is wrong with it; none may decode, and
 * none may raise the peak memory of a child process by 300 MB on the way to
 * failing (exit 1: a file decoded; exit 2: the peak grew too much). */
TEST(CodecCorpus, FormerCrashersAndBombsFailWithinMemoryBounds) {
    const std::vector<fs::path> files =
        FilesUnder((fs::path(QUILLET_TEST_DATA) / ".." / "crashers").lexically_normal());
    ASSERT_FALSE(files.empty());
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const long before = PeakKilobytes();
        const int decoded = DecodedWithDefaultLimits(files);
        _exit(decoded > 0 ? 1 : (PeakKilobytes() - before >= 300L * 1024 ? 2 : 0));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
