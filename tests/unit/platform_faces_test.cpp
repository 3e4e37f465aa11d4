// The platform's real faces, as each tier builds them: iconv, OpenSSL, the boot clock and
// std::thread natively; MultiByteToWideChar, CryptoAPI, ntdll's time-of-day information and
// CreateRemoteThread under Wine.
#include "platform/platform_faces.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "service/saved_password.h"

namespace mervolt {
namespace {

TEST(PlatformCodec, CodePage936RoundTrip) {
    TextCodec& codec = platform_text_codec();
    // "€" written in the source would be GB18030 A2 E3; code page 936 has the euro at 80.
    const std::string local = "连接成功 億|手动：否 \x80ok";
    const auto wide = codec.to_wide(local, 936);
    ASSERT_TRUE(wide);
    EXPECT_EQ(*wide, u"\u8FDE\u63A5\u6210\u529F \u5104|\u624B\u52A8\uFF1A\u5426 \u20ACok");
    EXPECT_EQ(codec.from_wide(*wide, 936), local);
}

TEST(PlatformCodec, UnmappableAndMalformed) {
    TextCodec& codec = platform_text_codec();
    EXPECT_EQ(codec.from_wide(u"a\uAC00b\u0E01", 936), "a?b?") << "Hangul and Thai are not in 936";
    EXPECT_EQ(codec.to_wide("a\xFF" "b", 65001), u"a\uFFFDb");
    EXPECT_EQ(codec.to_wide("", 936), u"");
    EXPECT_FALSE(codec.to_wide("abc", 12345)) << "unknown code page";
    EXPECT_FALSE(codec.from_wide(u"abc", 12345)) << "unknown code page";
}

TEST(PlatformMd5, KnownDigests) {
    struct Case {
        std::string bytes, hex;
    };
    const Case cases[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"The quick brown fox jumps over the lazy dog", "9E107D9D372BB6826BD81D3542A419D6"},
        {"连接成功", "211D1D5B53217A3A2D112EBADF47C7E4"},
        {"qzv", "B3FBA8A799C9EDB035261F9191809D09"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(md5_hex(c.bytes, platform_md5()), c.hex) << c.bytes;
}

TEST(PlatformClock, EverySourceAnswersAndMovesForward) {
    SystemClock& clock = platform_clock();
    const auto time = clock.time_of_day();
    ASSERT_TRUE(time) << "the time-of-day information is the first source";
    EXPECT_GT(time->current_time, time->boot_time);
    const auto counter = clock.performance_counter();
    ASSERT_TRUE(counter);
    EXPECT_GT(counter->frequency, 0);
    const std::uint32_t ticks = clock.tick_count();

    clock.alertable_wait(-20 * 10'000);  // 20 ms

    const auto later = clock.time_of_day();
    ASSERT_TRUE(later);
    EXPECT_GE(later->current_time - time->current_time, 15 * 10'000) << "slept about 20 ms";
    EXPECT_GT(clock.performance_counter()->value, counter->value);
    EXPECT_GE(static_cast<std::uint32_t>(clock.tick_count() - ticks), 10u);
    const LocalDateTime now = clock.now_local();
    EXPECT_GE(now.year, 2020);
}

std::atomic<int> worker_runs{0};

std::uint32_t count_run(void* parameter) {
    worker_runs += *static_cast<int*>(parameter);
    return 0;
}

TEST(PlatformThreads, WorkerRunsOnItsOwnThreadWithItsParameter) {
    static int parameter = 3;
    std::uint32_t id = 0;
    ThreadStarter& threads = platform_threads();
    ASSERT_NE(threads.start(count_run, &parameter, &id), 0u);
    EXPECT_NE(id, 0u);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (worker_runs.load() == 0 && std::chrono::steady_clock::now() < deadline) threads.sleep_ms(1);
    EXPECT_EQ(worker_runs.load(), 3);
}

TEST(PlatformFileSystem, KnowsTheProgramDirectory) {
    FileSystem& files = platform_file_system();
    const std::string directory = files.program_directory();
    ASSERT_FALSE(directory.empty());
    EXPECT_TRUE(files.exists(directory));
    EXPECT_TRUE(files.exists(directory + "\\" + files.executable_name()));
    EXPECT_NE(files.executable_name().find("unit_tests"), std::string::npos);
    EXPECT_FALSE(files.file_size(directory)) << "a directory has no file size";
    EXPECT_GT(files.file_size(directory + "\\" + files.executable_name()).value_or(0), 0u);
}

}  // namespace
}  // namespace mervolt
