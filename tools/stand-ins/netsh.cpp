// netsh.exe stand-in for the test prefix: records the command and prints the route table of
// "netsh interface ipv4 show route" as a Chinese Windows does (GBK, CR LF). The table's first
// manual route is the default route through MERVOLT_STANDIN_GATEWAY (default 192.168.1.1);
// MERVOLT_STANDIN_NO_DEFAULT_ROUTE=1 leaves the default route out.
#include <windows.h>

#include <string>
#include <vector>

#include "stand_in_log.h"

namespace {

bool asks_for_route_table(std::string_view arguments) {
    const char* const expected[] = {"interface", "ipv4", "show", "route"};
    std::vector<std::string> words;
    std::string word;
    for (char c : std::string(arguments) + " ") {
        if (c != ' ' && c != '\t') {
            word += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;  // netsh ignores case
        } else if (!word.empty()) {
            words.push_back(std::move(word));
            word.clear();
        }
    }
    if (words.size() != 4) return false;
    for (std::size_t i = 0; i < 4; ++i) {
        if (words[i] != expected[i]) return false;
    }
    return true;
}

std::string route_table(bool with_default_route, const std::string& gateway) {
    std::string table =
        "\r\n"
        "发布    类型      跃点数  前缀                      索引  网关/接口名\r\n"
        "-------  --------  ---  ------------------------  ---  ------------------------\r\n";
    if (with_default_route) table += "否        手动        0  0.0.0.0/0                  12  " + gateway + "\r\n";
    table +=
        "否        系统        256  127.0.0.0/8                  1  Loopback Pseudo-Interface 1\r\n"
        "否        系统        256  127.0.0.1/32                 1  Loopback Pseudo-Interface 1\r\n"
        "否        系统        256  127.255.255.255/32           1  Loopback Pseudo-Interface 1\r\n"
        "否        系统        256  192.168.1.0/24              12  以太网\r\n"
        "否        系统        256  192.168.1.100/32            12  以太网\r\n"
        "否        系统        256  192.168.1.255/32            12  以太网\r\n"
        "否        系统        256  224.0.0.0/4                  1  Loopback Pseudo-Interface 1\r\n"
        "否        系统        256  255.255.255.255/32           1  Loopback Pseudo-Interface 1\r\n"
        "\r\n";
    return table;
}

}  // namespace

int main() {
    const std::string_view arguments = standin::arguments_of(GetCommandLineA());
    standin::log_invocation("netsh", arguments);
    if (!asks_for_route_table(arguments)) {
        standin::write_output("找不到下列命令: " + std::string(arguments) + "\r\n");
        return 1;
    }
    const bool with_default_route = standin::environment_or("MERVOLT_STANDIN_NO_DEFAULT_ROUTE", "0") != "1";
    standin::write_output(route_table(with_default_route, standin::environment_or("MERVOLT_STANDIN_GATEWAY", "192.168.1.1")));
    return 0;
}
