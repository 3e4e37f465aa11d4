#include "support/web_address.h"

#include <gtest/gtest.h>

namespace mervolt {
namespace {

TEST(NormaliseWebAddress, PutsHttpInFrontOfAddressesWithoutScheme) {
    const struct {
        const char* address;
        const char* normalised;
    } cases[] = {
        {"srv/x?a=b", "http://srv/x?a=b"},
        {"http://srv", "http://srv"},
        {"HTTPS://srv", "HTTPS://srv"},
        {"Http://srv/", "Http://srv/"},
        {"http://", "http://http://"},  // too short to carry a host: the scheme is taken as host
        {"ftp://srv/", "http://ftp://srv/"},
        {"", "http://"},
    };
    for (const auto& c : cases) EXPECT_EQ(normalise_web_address(c.address), c.normalised) << c.address;
}

TEST(SplitWebAddress, SchemeHostPortAndPath) {
    const struct {
        const char* address;
        const char* scheme;
        const char* host;
        int port;
        const char* path;
    } cases[] = {
        {"http://srv/x?a=b", "http://", "srv", 80, "/x?a=b"},
        {"http://srv:6665", "http://", "srv", 6665, "/"},
        {"http://srv:5/a", "http://", "srv", 80, "/a"},     // a port of 10 or less means 80
        {"http://srv:10/a", "http://", "srv", 80, "/a"},
        {"http://srv:11/a", "http://", "srv", 11, "/a"},
        {"http://ab:81/", "http://", "ab", 81, "/"},
        {"HTTPS://srv/", "https://", "srv", 443, "/"},
        {"https://ip.example", "https://", "ip.example", 443, "/"},
        {"https://srv:8443/p/q", "https://", "srv", 8443, "/p/q"},
        {"srv:8080/x", "http://", "srv", 8080, "/x"},       // no scheme: host from the start
        {"http://a.b:80x/", "http://", "a.b", 80, "/"},     // the port's leading digits
        {"http://srv/a:99/b", "http://", "srv", 80, "/a:99/b"},  // a colon in the path is no port
        // The separator is looked for only among the seven characters before the path.
        {"http://host:1234567/", "http://", "host:1234567", 80, "/"},
        {"http://h:65535/", "http://", "h", 65535, "/"},
    };
    for (const auto& c : cases) {
        const std::optional<WebAddress> parts = split_web_address(c.address);
        ASSERT_TRUE(parts) << c.address;
        EXPECT_EQ(parts->scheme, c.scheme) << c.address;
        EXPECT_EQ(parts->host, c.host) << c.address;
        EXPECT_EQ(parts->port, c.port) << c.address;
        EXPECT_EQ(parts->path, c.path) << c.address;
    }
}

TEST(SplitWebAddress, RefusesWhatCannotBeAddressed) {
    for (const char* address : {"", "http:///x", "http://:81/", "http://srv:65536/", "http://srv:99999/"}) {
        EXPECT_FALSE(split_web_address(address)) << address;
    }
}

TEST(SplitWebAddress, PathStartIsWhereThePathBegins) {
    EXPECT_EQ(split_web_address("http://srv:81/a/b")->path_start, 13u);
    EXPECT_EQ(split_web_address("http://srv")->path_start, 10u);  // no path: the end
}

}  // namespace
}  // namespace mervolt
