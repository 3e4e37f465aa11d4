#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <cstring>
#include <memory>
#include <mutex>

#include "platform/win32/ras_records.h"
#include "platform/win32/ras_remote_access.h"

namespace mervolt {
namespace {

// A type-0 notifier carries no context, so the progress callback of the latest dial is
// process-wide. RAS calls the notifier on its own thread: the callback is swapped under a lock
// and invoked outside it, so a callback may itself dial or hang up.
std::mutex progress_lock;
std::shared_ptr<const RemoteAccess::Progress> current_progress;

VOID WINAPI on_ras_dial_event(UINT, RASCONNSTATE state, DWORD error) {
    std::shared_ptr<const RemoteAccess::Progress> progress;
    {
        std::lock_guard lock(progress_lock);
        progress = current_progress;
    }
    if (progress && *progress) (*progress)(static_cast<std::uint32_t>(state), error);
}

// False when the text does not fit the member with its NUL; RAS would read past the member.
template <std::size_t width>
bool copy_member(CHAR (&member)[width], std::string_view text) {
    if (text.size() >= width) return false;
    std::memcpy(member, text.data(), text.size());
    member[text.size()] = '\0';
    return true;
}

}  // namespace

RemoteAccess::DialResult RasRemoteAccess::dial(const DialRequest& request, Progress progress) {
    RASDIALPARAMSA params{};
    params.dwSize = ras_dial_params_first_size;
    if (!copy_member(params.szEntryName, request.entry_name) ||
        !copy_member(params.szPhoneNumber, request.phone_number) ||
        !copy_member(params.szUserName, request.user_name) ||
        !copy_member(params.szPassword, request.password)) {
        return {ERROR_INVALID_PARAMETER, 0};
    }
    {
        std::lock_guard lock(progress_lock);
        current_progress = std::make_shared<const Progress>(std::move(progress));
    }
    const std::string phonebook(request.phonebook_path);
    HRASCONN handle = nullptr;
    const DWORD code = RasDialA(nullptr, phonebook.empty() ? nullptr : phonebook.c_str(), &params, 0,
                                reinterpret_cast<LPVOID>(&on_ras_dial_event), &handle);
    return {code, reinterpret_cast<Handle>(handle)};
}

std::uint32_t RasRemoteAccess::hang_up(Handle handle) {
    return RasHangUpA(reinterpret_cast<HRASCONN>(handle));
}

RemoteAccess::Enumeration RasRemoteAccess::enumerate() {
    DWORD bytes = 0;
    DWORD count = 0;
    DWORD code = RasEnumConnectionsA(nullptr, &bytes, &count);
    if (code != ERROR_SUCCESS && code != ERROR_BUFFER_TOO_SMALL) return {code, {}};
    if (count == 0) return {};

    std::vector<RasConnFirstForm> records(count);
    records[0].dwSize = sizeof(RasConnFirstForm);
    bytes = static_cast<DWORD>(records.size() * sizeof(RasConnFirstForm));
    code = RasEnumConnectionsA(reinterpret_cast<LPRASCONNA>(records.data()), &bytes, &count);
    if (code != ERROR_SUCCESS) return {code, {}};

    Enumeration result;
    for (DWORD i = 0; i < count && i < records.size(); ++i) {
        const RasConnFirstForm& record = records[i];
        result.connections.push_back({reinterpret_cast<Handle>(record.hrasconn),
                                      std::string(record.szEntryName, strnlen(record.szEntryName, sizeof record.szEntryName))});
    }
    return result;
}

std::optional<std::string> RasRemoteAccess::error_text(std::uint32_t code) {
    CHAR buffer[100];
    if (RasGetErrorStringA(code, buffer, sizeof buffer) != ERROR_SUCCESS) return std::nullopt;
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}

}  // namespace mervolt
