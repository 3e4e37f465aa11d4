#include "phonebook_scan.h"

#include "plain_text.h"

namespace simras {
std::optional<PhonebookEntry> find_phonebook_entry(std::string_view file_bytes, std::string_view entry_name) {
    constexpr std::string_view utf8_mark = "\xEF\xBB\xBF";
    if (file_bytes.substr(0, utf8_mark.size()) == utf8_mark) file_bytes.remove_prefix(utf8_mark.size());

    std::optional<PhonebookEntry> entry;
    bool inside = false;
    while (!file_bytes.empty()) {
        const auto end = file_bytes.find('\n');
        const std::string_view line = trimmed(file_bytes.substr(0, end));
        file_bytes.remove_prefix(end == std::string_view::npos ? file_bytes.size() : end + 1);

        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            if (inside) break;
            inside = same_ignoring_case(line.substr(1, line.size() - 2), entry_name);
            if (inside) entry.emplace();
            continue;
        }
        if (!inside) continue;
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = trimmed(line.substr(0, equals));
        const std::string_view value = trimmed(line.substr(equals + 1));
        if (same_ignoring_case(key, "VpnStrategy")) {
            entry->vpn_strategy = static_cast<int>(decimal_value(value, 4).value_or(0));
        } else if (same_ignoring_case(key, "PhoneNumber")) {
            entry->phone_number = value;
        }
    }
    return entry;
}

std::string device_name_for_strategy(int vpn_strategy) {
    switch (vpn_strategy) {
        case 3: case 4: return "WAN Miniport (L2TP)";
        case 5: case 6: return "WAN Miniport (SSTP)";
        case 7: case 8: return "WAN Miniport (IKEv2)";
        default: return "WAN Miniport (PPTP)";  // 1 and 2 name PPTP; the default tries it first
    }
}

}  // namespace simras
