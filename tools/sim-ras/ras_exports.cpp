// The exported remote-access functions: argument and record checks as RAS makes them, then the
// call registry and the call threads do the work.
#include <winsock2.h>
#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "call_registry.h"
#include "error_texts.h"
#include "line_call.h"
#include "phonebook_scan.h"
#include "sim_settings.h"

namespace {

constexpr DWORD rounded_to_4(std::size_t size) { return static_cast<DWORD>((size + 3) & ~std::size_t{3}); }

// The RASCONNA forms RAS knows for the caller's architecture: the first (up to the device name),
// each later one as mingw lays its members out, and the newest with the correlation GUID that
// mingw's declaration lacks. The handle is a pointer, so the sizes differ between 32 and 64 bits.
constexpr DWORD connection_record_sizes[] = {
    rounded_to_4(offsetof(RASCONNA, szPhonebook)), offsetof(RASCONNA, guidEntry), offsetof(RASCONNA, dwFlags),
    sizeof(RASCONNA), sizeof(RASCONNA) + sizeof(GUID)};
// RASDIALPARAMSA: the 1052-byte form, the one with sub-entry and callback id, the one with the
// interface index.
constexpr DWORD dial_params_sizes[] = {offsetof(RASDIALPARAMSA, dwSubEntry), offsetof(RASDIALPARAMSA, dwIfIndex),
                                       sizeof(RASDIALPARAMSA)};
static_assert(sizeof(void*) != 8 || (connection_record_sizes[0] == 416 && connection_record_sizes[3] == 708));
static_assert(dial_params_sizes[0] == 1052);

template <std::size_t count>
bool known_size(const DWORD (&sizes)[count], DWORD size) {
    return std::find(sizes, sizes + count, size) != sizes + count;
}

template <std::size_t width>
std::string member_text(const CHAR (&member)[width]) {
    return std::string(member, strnlen(member, width));
}

template <std::size_t width>
void set_member(CHAR (&member)[width], const std::string& text) {
    const std::size_t length = std::min(text.size(), width - 1);
    std::memcpy(member, text.data(), length);
    member[length] = '\0';
}

// Threads of this DLL outlive any call into it, so it must never be unloaded under them.
void pin_this_module() {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCSTR>(&pin_this_module), &self);
}

}  // namespace

extern "C" {

DWORD WINAPI RasDialA(LPRASDIALEXTENSIONS, LPCSTR phonebook, LPRASDIALPARAMSA params, DWORD notifier_type,
                      LPVOID notifier, LPHRASCONN handle) {
    using namespace simras;
    if (!params || !handle) return ERROR_INVALID_PARAMETER;
    if (!known_size(dial_params_sizes, params->dwSize)) return ERROR_INVALID_SIZE;
    // A handle on input resumes a paused call; no call pauses here.
    if (*handle) return ERROR_INVALID_HANDLE;
    if (notifier && notifier_type != 0 && notifier_type != 1) return ERROR_INVALID_PARAMETER;
    pin_this_module();

    // There is no default phonebook here: a call needs the file and its entry.
    const std::string entry_name = member_text(params->szEntryName);
    const auto file = phonebook ? read_whole_file(phonebook) : std::nullopt;
    const auto entry = file ? find_phonebook_entry(*file, entry_name) : std::nullopt;
    if (!entry) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;

    auto admission = call_registry().admit(phonebook, entry_name, device_name_for_strategy(entry->vpn_strategy));
    if (admission.already_there) {
        if (admission.phase == CallPhase::dialling) return ERROR_DIAL_ALREADY_IN_PROGRESS;
        *handle = admission.call->handle;
        if (notifier) report_connected(admission.call, {notifier_type, notifier});
        return ERROR_SUCCESS;
    }
    *handle = admission.call->handle;

    std::string number = member_text(params->szPhoneNumber);
    if (number.empty()) number = entry->phone_number;
    CallPlan plan{std::move(number), member_text(params->szUserName), member_text(params->szPassword)};
    if (!notifier) return run_call_to_end(admission.call, std::move(plan));
    start_call(admission.call, {notifier_type, notifier}, std::move(plan));
    return ERROR_SUCCESS;
}

DWORD WINAPI RasHangUpA(HRASCONN handle) {
    return simras::call_registry().hang_up(handle);
}

DWORD WINAPI RasEnumConnectionsA(LPRASCONNA records, LPDWORD bytes, LPDWORD count) {
    using namespace simras;
    if (!bytes || !count) return ERROR_INVALID_PARAMETER;
    if (records && !known_size(connection_record_sizes, records->dwSize)) return ERROR_INVALID_SIZE;

    const auto connections = call_registry().listed(foreign_connection_names());
    const auto found = static_cast<DWORD>(connections.size());
    // Without a buffer the caller learns the count and the room for the newest form.
    const DWORD record_size = records ? records->dwSize : std::end(connection_record_sizes)[-1];
    const DWORD needed = found * record_size;
    *count = found;
    if (!records || *bytes < needed) {
        *bytes = needed;
        return found == 0 ? ERROR_SUCCESS : ERROR_BUFFER_TOO_SMALL;
    }

    auto* out = reinterpret_cast<BYTE*>(records);
    for (const ListedConnection& connection : connections) {
        RASCONNA full{};
        full.dwSize = record_size;
        full.hrasconn = connection.handle;
        set_member(full.szEntryName, connection.entry_name);
        set_member(full.szDeviceType, "vpn");
        set_member(full.szDeviceName, connection.device_name);
        set_member(full.szPhonebook, connection.phonebook);
        full.dwSubEntry = 1;
        std::memset(out, 0, record_size);
        std::memcpy(out, &full, std::min<std::size_t>(record_size, sizeof full));
        out += record_size;
    }
    *bytes = needed;
    return ERROR_SUCCESS;
}

DWORD WINAPI RasGetErrorStringA(UINT code, LPSTR buffer, DWORD size) {
    const char* text = simras::ras_error_text(code);
    if (!buffer || !text) return ERROR_INVALID_PARAMETER;
    const std::size_t length = std::strlen(text);
    if (length + 1 > size) return ERROR_INSUFFICIENT_BUFFER;
    std::memcpy(buffer, text, length + 1);
    return ERROR_SUCCESS;
}

}  // extern "C"
