#include <gtest/gtest.h>

#include "platform/platform_faces.h"
#include "support/config_store_cases.h"
#include "support/scratch_program_directory.h"

namespace mervolt {
namespace {

// config.ini through the platform's private-profile functions, in a fresh directory per case:
// the Linux emulation natively, the Windows functions themselves under Wine.
class PlatformConfigStore : public testing::TestWithParam<ConfigStoreCase> {};

TEST_P(PlatformConfigStore, Behaves) {
    ScratchProgramDirectory files(platform_file_system());
    check_config_store_case(GetParam(), platform_profile_file(), files,
                            [&](const std::string& path) { files.make_directory(path); });
}

INSTANTIATE_TEST_SUITE_P(Table, PlatformConfigStore, testing::ValuesIn(config_store_cases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mervolt
