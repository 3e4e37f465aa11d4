#include "app/config_store.h"

#include <gtest/gtest.h>

#include "fakes/memory_file_system.h"
#include "support/config_store_cases.h"
#include "support/emulated_profile_file.h"

namespace mervolt {
namespace {

// The in-memory config.ini that unit tests of the windows use must behave like the real one.
class MemoryConfigStore : public testing::TestWithParam<ConfigStoreCase> {};

TEST_P(MemoryConfigStore, Behaves) {
    MemoryFileSystem files;
    EmulatedProfileFile profile(files);
    check_config_store_case(GetParam(), profile, files, [&](const std::string& path) { files.directories.insert(path); });
}

INSTANTIATE_TEST_SUITE_P(Table, MemoryConfigStore, testing::ValuesIn(config_store_cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConfigStore, PathIsProgramDirectoryBackslashConfigIni) {
    MemoryFileSystem files;
    files.directory = "D:\\VPN客户端";
    EmulatedProfileFile profile(files);
    EXPECT_EQ(ConfigStore(profile, files).config_path(), "D:\\VPN客户端\\config.ini");
}

TEST(ConfigStore, FailedWriteIsSilentAndLeavesTheFile) {
    MemoryFileSystem files;
    files.files["C:\\Program Files\\Mervolt\\config.ini"] = "[config]\r\nserver=a\r\n";
    files.read_only = true;
    EmulatedProfileFile profile(files);
    const ConfigStore store(profile, files);
    store.write_setting("server", "b");
    EXPECT_EQ(store.read_setting("server", ""), "a");
    EXPECT_EQ(files.files["C:\\Program Files\\Mervolt\\config.ini"], "[config]\r\nserver=a\r\n");
}

TEST(ConfigStore, NothingIsCachedBetweenReads) {
    MemoryFileSystem files;
    EmulatedProfileFile profile(files);
    const ConfigStore store(profile, files);
    store.write_setting("key", "120");
    files.files[store.config_path()] = "[config]\r\nkey=121\r\n";  // another instance wrote it
    EXPECT_EQ(store.read_setting("key", "0"), "121");
}

}  // namespace
}  // namespace mervolt
