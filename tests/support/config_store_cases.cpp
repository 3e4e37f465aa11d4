#include "support/config_store_cases.h"

#include <gtest/gtest.h>

#include "app/config_store.h"

namespace mervolt {

const std::vector<ConfigStoreCase>& config_store_cases() {
    static const std::string long_value(12'000, 'x');
    static const std::string longest_value(10'239, 'y');
    static const std::vector<ConfigStoreCase> cases = {
        {"MissingFileGivesDefault", std::nullopt, {}, "server", "全国混拨", "全国混拨", false, {}, {}},
        {"MissingSectionGivesDefault", "[other]\r\nserver=1.2.3.4\r\n", {}, "server", "全国混拨", "全国混拨", true, {"server=1.2.3.4"}, {}},
        {"MissingKeyGivesDefault", "[config]\r\nusername=bob\r\n", {}, "password", "0", "0", true, {}, {}},
        {"EmptyValueGivesEmpty", "[config]\r\nserver=\r\n", {}, "server", "全国混拨", "", true, {}, {}},
        {"BlanksAroundValueDropped", "[config]\r\nserver =   1.2.3.4 b  \r\n", {}, "server", "", "1.2.3.4 b", true, {}, {}},
        {"BlanksAroundSingleCharacter", "[config]\r\ndingshi= 1 \r\n", {}, "dingshi", "0", "1", true, {}, {}},
        {"ChineseValueAsStored", "[config]\r\nserver=全国混拨\r\n", {}, "server", "", "全国混拨", true, {}, {}},
        {"LongValueCutTo10239", "[config]\r\nserver=" + long_value + "\r\n", {}, "server", "", long_value.substr(0, 10'239), true, {}, {}},
        {"ValueOf10239Kept", "[config]\r\nserver=" + longest_value + "\r\n", {}, "server", "", longest_value, true, {}, {}},
        {"LongChineseValueCutToWholeCharacters", "[config]\r\nserver=" + long_value.substr(0, 10'238) + "啊" + long_value + "\r\n", {}, "server", "",
         long_value.substr(0, 10'238), true, {}, {}},
        {"QuotedValueLosesItsQuotes", "[config]\r\nusername=\"a b\"\r\n", {}, "username", "", "a b", true, {}, {}},
        {"SingleQuotesToo", "[config]\r\nusername= 'bob' \r\n", {}, "username", "", "bob", true, {}, {}},
        {"UnmatchedQuoteStays", "[config]\r\nusername=\"bob\r\n", {}, "username", "", "\"bob", true, {}, {}},
        {"TabsAroundValueDropped", "[config]\r\nserver=\t a \t\r\n", {}, "server", "", "a", true, {}, {}},
        {"NamesIgnoreCase", "[CONFIG]\r\nServer=a\r\n", {}, "server", "", "a", true, {}, {}},
        {"FirstOfRepeatedKeyWins", "[config]\r\nserver=a\r\nserver=b\r\n", {}, "server", "", "a", true, {}, {}},
        {"LinuxLineEnds", "[config]\nusername=bob\nserver=a\n", {}, "server", "", "a", true, {}, {}},
        {"LinesBeforeAnySectionIgnored", "server=z\r\n[config]\r\nserver=a\r\n", {}, "server", "d", "a", true, {}, {}},
        {"KeyOfAnotherSectionIgnored", "[config]\r\nusername=bob\r\n[other]\r\nserver=x\r\n", {}, "server", "d", "d", true, {}, {}},
        {"WriteCreatesFileAndSection", std::nullopt, {{"server", "1.2.3.4"}}, "server", "", "1.2.3.4", true, {"[config]"}, {}},
        {"WriteAddsSectionKeepsOtherLines", "[other]\r\nname=x\r\n", {{"server", "a"}}, "server", "", "a", true, {"[other]", "name=x"}, {}},
        {"WriteAddsKeyToItsSection", "[config]\r\nusername=bob\r\n[other]\r\nname=x\r\n", {{"server", "a"}}, "server", "", "a", true,
         {"username=bob", "[other]", "name=x"}, {}},
        {"WriteReplacesValue", "[config]\r\nserver=old\r\nusername=bob\r\n", {{"server", "new"}}, "server", "", "new", true,
         {"username=bob"}, {"old"}},
        {"LaterWriteWins", std::nullopt, {{"server", "a"}, {"username", "bob"}, {"server", "b"}}, "server", "", "b", true, {"username=bob"}, {}},
        {"WrittenEmptyValueReadsEmpty", std::nullopt, {{"server", ""}}, "server", "全国混拨", "", true, {}, {}},
        {"WrittenChineseAndHexRoundTrip", std::nullopt, {{"username", "用户甲"}, {"password", "71FBA8A799C"}}, "username", "0", "用户甲", true,
         {"password=71FBA8A799C"}, {}},
        {"DirectoryCountsAsExisting", std::nullopt, {}, "server", "全国混拨", "全国混拨", true, {}, {}, true},
    };
    return cases;
}

void check_config_store_case(const ConfigStoreCase& c, ProfileFile& profile, FileSystem& files,
                             const std::function<void(const std::string&)>& make_directory) {
    const ConfigStore store(profile, files);
    const std::string path = store.config_path();
    ASSERT_EQ(path, files.program_directory() + "\\config.ini");
    if (c.config_is_directory) make_directory(path);
    if (c.initial) {
        ASSERT_TRUE(files.write_all(path, *c.initial));
    }

    for (const auto& [key, value] : c.writes) store.write_setting(key, value);
    EXPECT_EQ(store.read_setting(c.key, c.default_value), c.expected);
    EXPECT_EQ(store.config_exists(), c.exists_after) << "reading never creates the file; writing does";

    const std::string content = files.read_all(path).value_or(std::string{});
    for (const std::string& text : c.kept) EXPECT_NE(content.find(text), std::string::npos) << text << " lost:\n" << content;
    for (const std::string& text : c.gone) EXPECT_EQ(content.find(text), std::string::npos) << text << " kept:\n" << content;
}

}  // namespace mervolt
