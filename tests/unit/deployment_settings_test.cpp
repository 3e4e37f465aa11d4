#include "app/deployment_settings.h"

#include <gtest/gtest.h>

#include "app/build_defaults.h"
#include "fakes/memory_file_system.h"
#include "support/emulated_profile_file.h"

namespace mervolt {
namespace {

class DeploymentSettingsTest : public testing::Test {
protected:
    DeploymentSettings load_from(std::string_view service_ini) {
        files.files[files.directory + "\\service.ini"] = std::string(service_ini);
        return load_deployment_settings(profile, files);
    }

    MemoryFileSystem files;
    EmulatedProfileFile profile{files};
};

TEST_F(DeploymentSettingsTest, WithoutServiceIniEveryValueIsTheBuildDefault) {
    const DeploymentSettings settings = load_deployment_settings(profile, files);
    EXPECT_EQ(settings.service_base, build_defaults::service_base);
    EXPECT_EQ(settings.probe_host, build_defaults::probe_host);
    EXPECT_EQ(settings.probe_port, 81);
    EXPECT_EQ(settings.dial_domain, build_defaults::dial_domain);
    EXPECT_EQ(settings.ip_lookup, build_defaults::ip_lookup);
    EXPECT_TRUE(files.files.empty()) << "the client never writes service.ini";
}

TEST_F(DeploymentSettingsTest, TheDemoServicesFileIsReadKeyByKey) {
    const DeploymentSettings settings = load_from(
        "[service]\r\nbase=http://127.4.5.6:40123\r\nprobe_host=127.4.5.6\r\nprobe_port=40124\r\n"
        "dial_domain=vpn.example.test\r\nip_lookup=http://127.4.5.6:40123/ip\r\n");
    EXPECT_EQ(settings.service_base, "http://127.4.5.6:40123");
    EXPECT_EQ(settings.probe_host, "127.4.5.6");
    EXPECT_EQ(settings.probe_port, 40124);
    EXPECT_EQ(settings.dial_domain, "vpn.example.test");
    EXPECT_EQ(settings.ip_lookup, "http://127.4.5.6:40123/ip");
}

TEST_F(DeploymentSettingsTest, MissingKeysTakeTheirDefaultsAlone) {
    const DeploymentSettings settings = load_from("[service]\nbase=http://svc.test\n[other]\nprobe_port=9\n");
    EXPECT_EQ(settings.service_base, "http://svc.test");
    EXPECT_EQ(settings.probe_port, 81) << "a key of another section does not count";
    EXPECT_EQ(settings.dial_domain, build_defaults::dial_domain);
}

TEST_F(DeploymentSettingsTest, TrailingSlashesOfTheBaseAreDropped) {
    EXPECT_EQ(load_from("[service]\nbase=http://svc.test/api//\n").service_base, "http://svc.test/api");
}

TEST_F(DeploymentSettingsTest, APortThatIsNoPortNumberFallsBackTo81) {
    for (const char* port : {"0", "65536", "81x", "-1", "", "abc"}) {
        EXPECT_EQ(load_from(std::string("[service]\nprobe_port=") + port + "\n").probe_port, 81) << port;
    }
    EXPECT_EQ(load_from("[service]\nprobe_port=65535\n").probe_port, 65535);
}

}  // namespace
}  // namespace mervolt
