#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace simras {

// What a call needs from its phonebook entry. The phonebook is the private-profile layout
// (optionally behind a UTF-8 byte-order mark); section names are matched without regard to
// letter case, the first section of a name wins.
struct PhonebookEntry {
    int vpn_strategy = 0;      // the entry's VpnStrategy key, 0 when missing or not a number
    std::string phone_number;  // PhoneNumber, dialled when the caller gives no number
};

std::optional<PhonebookEntry> find_phonebook_entry(std::string_view file_bytes, std::string_view entry_name);

// The device a strategy dials through, as RAS names its VPN miniports.
std::string device_name_for_strategy(int vpn_strategy);

}  // namespace simras
