#include <gtest/gtest.h>

#include <cstring>

#include "dial_number.h"
#include "error_texts.h"
#include "line_protocol.h"
#include "phonebook_scan.h"

namespace simras {
namespace {

TEST(DialNumber, HostAndOptionalPort) {
    struct Case {
        const char* number;
        bool valid;
        const char* host;
        std::uint16_t port;
    };
    const Case cases[] = {
        {"127.0.3.2", true, "127.0.3.2", 1723},
        {"line7.vpn.mervolt.test:6665", true, "line7.vpn.mervolt.test", 6665},
        {"h:1", true, "h", 1},
        {"h:65535", true, "h", 65535},
        {"h:65536", false, "", 0},
        {"h:0", false, "", 0},
        {"h:", false, "", 0},
        {"h:17x3", false, "", 0},
        {"h:-1", false, "", 0},
        {"h:1723:1", false, "", 0},
        {":1723", false, "", 0},
        {"", false, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        const auto target = parse_dial_number(c.number);
        ASSERT_EQ(target.has_value(), c.valid);
        if (!c.valid) continue;
        EXPECT_EQ(target->host, c.host);
        EXPECT_EQ(target->port, c.port);
    }
}

TEST(LineProtocol, RequestLineIsHexOfTheBytesWithDashForEmpty) {
    EXPECT_EQ(dial_request_line("alice", "secret"), "DIAL 616C696365 736563726574\r\n");
    EXPECT_EQ(dial_request_line("用户甲", ""), "DIAL D3C3BBA7BCD7 -\r\n");
    EXPECT_EQ(dial_request_line("", "\x01\xff"), "DIAL - 01FF\r\n");
}

TEST(LineProtocol, RepliesOtherThanOkOrAnErrorCodeAreGarbage) {
    struct Case {
        const char* line;
        std::optional<std::uint32_t> outcome;
    };
    const Case cases[] = {
        {"OK", 0u},
        {"ERR 691", 691u},
        {"ERR 678", 678u},
        {"ERR 0", std::nullopt},  // a refusal must never read as success
        {"ERR", std::nullopt},
        {"ERR ", std::nullopt},
        {"ERR 69x", std::nullopt},
        {"ERR -691", std::nullopt},
        {"ERR  691", std::nullopt},
        {"ERR 1234567890", std::nullopt},
        {"ok", std::nullopt},
        {"OK ", std::nullopt},
        {"", std::nullopt},
        {"\xff\xfe", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(parse_line_reply(c.line), c.outcome);
    }
}

TEST(PhonebookScan, FindsTheEntrySectionAndItsKeys) {
    const std::string phonebook =
        "\xEF\xBB\xBF\r\n[Office]\r\nVpnStrategy=3\r\nPhoneNumber=office.example\r\n\r\n"
        "[PPTP]\r\nEncoding=1\r\n  VpnStrategy = 5 \r\nPhoneNumber=10.0.0.1\r\n\r\n[PPTP]\r\nVpnStrategy=7\r\n";
    struct Case {
        const char* entry;
        bool found;
        int strategy;
        const char* number;
    };
    const Case cases[] = {
        {"PPTP", true, 5, "10.0.0.1"},  // the first section of a name wins
        {"pptp", true, 5, "10.0.0.1"},
        {"Office", true, 3, "office.example"},
        {"Encoding", false, 0, ""},
        {"PPTP2", false, 0, ""},
        {"", false, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        const auto entry = find_phonebook_entry(phonebook, c.entry);
        ASSERT_EQ(entry.has_value(), c.found);
        if (!c.found) continue;
        EXPECT_EQ(entry->vpn_strategy, c.strategy);
        EXPECT_EQ(entry->phone_number, c.number);
    }
}

TEST(PhonebookScan, EntryWithoutKeysOrWithAGarbledStrategyStillExists) {
    EXPECT_EQ(find_phonebook_entry("[PPTP]", "PPTP")->vpn_strategy, 0);
    EXPECT_EQ(find_phonebook_entry("[PPTP]\nVpnStrategy=x1\n", "PPTP")->vpn_strategy, 0);
    EXPECT_FALSE(find_phonebook_entry("", "PPTP"));
    EXPECT_FALSE(find_phonebook_entry("PPTP=1\n[PPTP\n", "PPTP"));
}

TEST(PhonebookScan, StrategyNamesTheMiniport) {
    const std::pair<int, const char*> cases[] = {
        {0, "WAN Miniport (PPTP)"}, {1, "WAN Miniport (PPTP)"}, {2, "WAN Miniport (PPTP)"},
        {3, "WAN Miniport (L2TP)"}, {4, "WAN Miniport (L2TP)"}, {5, "WAN Miniport (SSTP)"},
        {6, "WAN Miniport (SSTP)"}, {7, "WAN Miniport (IKEv2)"}, {8, "WAN Miniport (IKEv2)"},
    };
    for (const auto& [strategy, device] : cases) EXPECT_EQ(device_name_for_strategy(strategy), device) << strategy;
}

TEST(ErrorTexts, CommonErrorsHaveTextsThatFitTheCustomaryBuffer) {
    for (std::uint32_t code : {602u, 603u, 619u, 623u, 631u, 632u, 650u, 651u, 666u, 678u, 690u, 691u, 718u, 734u,
                               756u, 800u, 868u}) {
        SCOPED_TRACE(code);
        const char* text = ras_error_text(code);
        ASSERT_NE(text, nullptr);
        EXPECT_GT(std::strlen(text), 0u);
        EXPECT_LE(std::strlen(text), 99u);
    }
    for (std::uint32_t code : {0u, 6u, 87u, 600u, 601u, 1000u}) EXPECT_EQ(ras_error_text(code), nullptr) << code;
}

}  // namespace
}  // namespace simras
