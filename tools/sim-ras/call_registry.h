#pragma once
#include <winsock2.h>
#include <windows.h>
#include <ras.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace simras {

enum class CallPhase { dialling, up, failed, dropped };

// One call placed through RasDial. Its handle stays valid, whatever became of the call, until
// RasHangUp releases it.
struct Call {
    HRASCONN handle = nullptr;
    std::string phonebook;
    std::string entry_name;
    std::string device_name;
    std::atomic<bool> hung_up{false};

    // The link to the line server. The call's thread creates and closes it; a hang-up from
    // another thread only shuts it down, under the lock, which ends the link at once.
    std::mutex link_lock;
    SOCKET link = INVALID_SOCKET;
};

// A connection as RasEnumConnections reports it.
struct ListedConnection {
    HRASCONN handle = nullptr;
    std::string entry_name;
    std::string device_name;
    std::string phonebook;
};

// Every call of the process and the foreign connections of sim-ras.ini. Callable from any
// thread; no lock is held while a notifier runs.
class CallRegistry {
public:
    struct Admission {
        std::shared_ptr<Call> call;
        bool already_there = false;  // the entry already had a call still dialling or up,
        CallPhase phase = CallPhase::dialling;  // in this phase
    };
    // A new call for the entry, or the entry's call that is still dialling or up.
    Admission admit(const std::string& phonebook, const std::string& entry_name, const std::string& device_name);
    void set_phase(const Call& call, CallPhase phase);
    CallPhase phase(const Call& call);

    // The calls whose link is up, then the foreign connections not hung up in this process.
    std::vector<ListedConnection> listed(const std::vector<std::string>& foreign_names);

    // 0 for a call (ended now, even while dialling) or a listed foreign connection;
    // ERROR_INVALID_HANDLE for anything else, a handle already hung up included.
    DWORD hang_up(HRASCONN handle);

private:
    HRASCONN next_handle();

    std::mutex lock_;
    std::uintptr_t last_handle_ = 0x5100;
    struct Entry {
        std::shared_ptr<Call> call;
        CallPhase phase;
    };
    std::map<HRASCONN, Entry> calls_;          // in dial order: handles only grow
    std::map<std::string, HRASCONN> foreign_handles_;
    std::set<std::string> foreign_hung_up_;
};

CallRegistry& call_registry();

}  // namespace simras
