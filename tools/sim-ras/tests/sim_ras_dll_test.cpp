// rasapi32.dll of sim-ras, loaded from a copy in a folder of the test's own (where its
// sim-ras.ini goes), driven through its exports as a RAS client would.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

using RasDialFn = DWORD(WINAPI*)(LPRASDIALEXTENSIONS, LPCSTR, LPRASDIALPARAMSA, DWORD, LPVOID, LPHRASCONN);
using RasHangUpFn = DWORD(WINAPI*)(HRASCONN);
using RasEnumConnectionsFn = DWORD(WINAPI*)(LPRASCONNA, LPDWORD, LPDWORD);
using RasGetErrorStringFn = DWORD(WINAPI*)(UINT, LPSTR, DWORD);

struct Exports {
    RasDialFn dial = nullptr;
    RasHangUpFn hang_up = nullptr;
    RasEnumConnectionsFn enumerate = nullptr;
    RasGetErrorStringFn error_string = nullptr;
};

template <typename Function>
Function export_of(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::string directory_of(const std::string& path) { return path.substr(0, path.find_last_of("\\/")); }

std::string this_exe_directory() {
    char path[MAX_PATH];
    return directory_of(std::string(path, GetModuleFileNameA(nullptr, path, MAX_PATH)));
}

void write_file(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string random_loopback() {
    std::random_device seed;
    std::uniform_int_distribution<int> part(1, 254);
    return "127." + std::to_string(part(seed)) + "." + std::to_string(part(seed)) + "." + std::to_string(part(seed));
}

// A line server on a random loopback address and a free port: it records each request line,
// answers every call with one reply (after release() when held), and keeps accepted links open.
class TestLineServer {
public:
    explicit TestLineServer(std::string reply = "OK\r\n", bool held = false) : reply_(std::move(reply)), held_(held) {
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        for (int attempt = 0; attempt < 50; ++attempt) {
            address_ = random_loopback();
            inet_pton(AF_INET, address_.c_str(), &address.sin_addr);
            if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) break;
        }
        int length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        listen(listener_, 8);
        thread_ = std::thread([this] { serve(); });
    }
    ~TestLineServer() {
        stopping_ = true;
        release();
        thread_.join();
        closesocket(listener_);
        for (SOCKET link : links_) closesocket(link);
    }

    std::string number() const { return address_ + ":" + std::to_string(port_); }
    void release() {
        {
            std::lock_guard lock(lock_);
            held_ = false;
        }
        changed_.notify_all();
    }
    std::vector<std::string> requests() {
        std::lock_guard lock(lock_);
        return requests_;
    }
    // True once every link this server accepted has been closed by the caller's side.
    bool links_closed_by_peer(std::chrono::milliseconds patience) {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (std::chrono::steady_clock::now() < deadline) {
            {
                std::lock_guard lock(lock_);
                if (open_links_ == 0) return true;
            }
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

private:
    bool readable(SOCKET s) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(s, &set);
        timeval slice{0, 20'000};
        return select(0, &set, nullptr, nullptr, &slice) > 0;
    }

    void serve() {
        while (!stopping_) {
            if (readable(listener_)) {
                SOCKET link = accept(listener_, nullptr, nullptr);
                if (link != INVALID_SOCKET) answer(link);
            }
            watch_links();
        }
    }

    void answer(SOCKET link) {
        std::string request;
        char c = 0;
        while (request.size() < 512 && recv(link, &c, 1, 0) == 1) {
            request += c;
            if (request.size() >= 2 && request.compare(request.size() - 2, 2, "\r\n") == 0) break;
        }
        std::unique_lock lock(lock_);
        requests_.push_back(request);
        changed_.wait(lock, [this] { return !held_; });
        send(link, reply_.data(), static_cast<int>(reply_.size()), 0);
        links_.push_back(link);
        ++open_links_;
    }

    void watch_links() {
        std::lock_guard lock(lock_);
        for (SOCKET& link : links_) {
            if (link == INVALID_SOCKET || !readable(link)) continue;
            char chunk[64];
            if (recv(link, chunk, sizeof chunk, 0) <= 0) {
                closesocket(link);
                link = INVALID_SOCKET;
                --open_links_;
            }
        }
    }

    std::string reply_;
    bool held_;
    std::string address_;
    std::uint16_t port_ = 0;
    SOCKET listener_ = INVALID_SOCKET;
    std::atomic<bool> stopping_{false};
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<std::string> requests_;
    std::vector<SOCKET> links_;
    int open_links_ = 0;
    std::thread thread_;
};

struct Notification {
    HRASCONN handle;
    DWORD state;
    DWORD error;
};

// Type-0 notifiers carry no context: the notifications of every call land here.
struct NotificationLog {
    std::mutex lock;
    std::condition_variable arrived;
    std::vector<Notification> entries;

    void add(Notification n) {
        {
            std::lock_guard guard(lock);
            entries.push_back(n);
        }
        arrived.notify_all();
    }
    // Waits until a notification with the state or an error arrives; false on time-out.
    bool wait_for_end_or(DWORD state, std::chrono::milliseconds patience) {
        std::unique_lock guard(lock);
        return arrived.wait_for(guard, patience, [&] {
            for (const Notification& n : entries) {
                if (n.state == state || n.error != 0) return true;
            }
            return false;
        });
    }
    std::vector<Notification> taken() {
        std::lock_guard guard(lock);
        return std::exchange(entries, {});
    }
};

NotificationLog notifications;

VOID WINAPI note_progress(UINT message, RASCONNSTATE state, DWORD error) {
    EXPECT_EQ(message, WM_RASDIALEVENT);
    notifications.add({nullptr, static_cast<DWORD>(state), error});
}

VOID WINAPI note_progress_with_handle(HRASCONN handle, UINT, RASCONNSTATE state, DWORD error, DWORD) {
    notifications.add({handle, static_cast<DWORD>(state), error});
}

class SimRasDll : public testing::Test {
protected:
    static void SetUpTestSuite() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "sim-ras-dll-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
        const std::string copy = folder_ + "\\rasapi32.dll";
        ASSERT_TRUE(CopyFileA((this_exe_directory() + "\\rasapi32.dll").c_str(), copy.c_str(), FALSE));
        HMODULE module = LoadLibraryA(copy.c_str());
        ASSERT_NE(module, nullptr);
        ras_.dial = export_of<RasDialFn>(module, "RasDialA");
        ras_.hang_up = export_of<RasHangUpFn>(module, "RasHangUpA");
        ras_.enumerate = export_of<RasEnumConnectionsFn>(module, "RasEnumConnectionsA");
        ras_.error_string = export_of<RasGetErrorStringFn>(module, "RasGetErrorStringA");
        ASSERT_TRUE(ras_.dial && ras_.hang_up && ras_.enumerate && ras_.error_string);
        // The module pins itself once it has dialled, so the copy stays behind.
    }

    void SetUp() override {
        ASSERT_TRUE(ras_.dial) << "the DLL did not load";
        DeleteFileA((folder_ + "\\sim-ras.ini").c_str());
        notifications.taken();
    }
    void TearDown() override { DeleteFileA((folder_ + "\\sim-ras.ini").c_str()); }

    static void write_settings(const std::string& text) { write_file(folder_ + "\\sim-ras.ini", text); }
    static std::string write_phonebook(const std::string& name, const std::string& text) {
        const std::string path = folder_ + "\\" + name;
        write_file(path, text);
        return path;
    }

    static RASDIALPARAMSA dial_params(const char* number, const char* user = "alice", const char* password = "secret") {
        RASDIALPARAMSA params{};
        params.dwSize = offsetof(RASDIALPARAMSA, dwSubEntry);
        std::strcpy(params.szEntryName, "PPTP");
        std::strcpy(params.szPhoneNumber, number);
        std::strcpy(params.szUserName, user);
        std::strcpy(params.szPassword, password);
        return params;
    }

    // Every connection listed, read through the largest record form.
    static std::vector<RASCONNA> listed() {
        DWORD bytes = 0;
        DWORD count = 0;
        const DWORD first = ras_.enumerate(nullptr, &bytes, &count);
        if (count == 0) {
            EXPECT_EQ(first, static_cast<DWORD>(ERROR_SUCCESS));
            return {};
        }
        EXPECT_EQ(first, static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL));
        std::vector<RASCONNA> records(count);
        records[0].dwSize = sizeof(RASCONNA);
        bytes = static_cast<DWORD>(count * sizeof(RASCONNA));
        EXPECT_EQ(ras_.enumerate(records.data(), &bytes, &count), static_cast<DWORD>(ERROR_SUCCESS));
        records.resize(count);
        return records;
    }

    static bool is_listed(HRASCONN handle) {
        for (const RASCONNA& record : listed()) {
            if (record.hrasconn == handle) return true;
        }
        return false;
    }

    static inline std::string folder_;
    static inline Exports ras_;
};

TEST_F(SimRasDll, ConnectionRecordSizesAreTheFormsRasKnowsForThisArchitecture) {
    static_assert(sizeof(void*) == 8, "the sizes below are those of 64-bit RAS");
    const std::pair<DWORD, DWORD> cases[] = {
        {416, ERROR_SUCCESS}, {680, ERROR_SUCCESS}, {696, ERROR_SUCCESS}, {708, ERROR_SUCCESS}, {724, ERROR_SUCCESS},
        {412, ERROR_INVALID_SIZE},  // the 32-bit first form
        {0, ERROR_INVALID_SIZE},    {415, ERROR_INVALID_SIZE}, {417, ERROR_INVALID_SIZE},
        {704, ERROR_INVALID_SIZE},  {1000, ERROR_INVALID_SIZE},
    };
    for (const auto& [size, expected] : cases) {
        SCOPED_TRACE(size);
        std::vector<BYTE> buffer(2048);
        reinterpret_cast<RASCONNA*>(buffer.data())->dwSize = size;
        DWORD bytes = static_cast<DWORD>(buffer.size());
        DWORD count = 99;
        EXPECT_EQ(ras_.enumerate(reinterpret_cast<RASCONNA*>(buffer.data()), &bytes, &count), expected);
        if (expected == ERROR_SUCCESS) {
            EXPECT_EQ(count, 0u);
        }
    }
}

TEST_F(SimRasDll, DialParameterSizesAreTheFormsRasKnows) {
    // A size that passes reaches the phonebook check, which fails here.
    const std::string phonebook = folder_ + "\\no-such.pbk";
    const std::pair<DWORD, DWORD> cases[] = {
        {1052, ERROR_CANNOT_FIND_PHONEBOOK_ENTRY}, {1064, ERROR_CANNOT_FIND_PHONEBOOK_ENTRY},
        {1068, ERROR_CANNOT_FIND_PHONEBOOK_ENTRY}, {0, ERROR_INVALID_SIZE}, {1048, ERROR_INVALID_SIZE},
        {1056, ERROR_INVALID_SIZE},                {1060, ERROR_INVALID_SIZE}, {2000, ERROR_INVALID_SIZE},
    };
    for (const auto& [size, expected] : cases) {
        SCOPED_TRACE(size);
        RASDIALPARAMSA params = dial_params("127.0.0.1");
        params.dwSize = size;
        HRASCONN handle = nullptr;
        EXPECT_EQ(ras_.dial(nullptr, phonebook.c_str(), &params, 0, reinterpret_cast<LPVOID>(&note_progress), &handle),
                  expected);
        EXPECT_EQ(handle, nullptr);
    }
}

TEST_F(SimRasDll, DialRefusesMissingOrUnsupportedArguments) {
    const std::string phonebook = write_phonebook("args.pbk", "[PPTP]\r\n");
    RASDIALPARAMSA params = dial_params("127.0.0.1");
    HRASCONN handle = nullptr;
    auto* notifier = reinterpret_cast<LPVOID>(&note_progress);
    EXPECT_EQ(ras_.dial(nullptr, phonebook.c_str(), nullptr, 0, notifier, &handle), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(ras_.dial(nullptr, phonebook.c_str(), &params, 0, notifier, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(ras_.dial(nullptr, phonebook.c_str(), &params, 2, notifier, &handle), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(ras_.dial(nullptr, nullptr, &params, 0, notifier, &handle), static_cast<DWORD>(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY));
    // A handle on input asks to resume a paused call.
    handle = reinterpret_cast<HRASCONN>(0x1234);
    EXPECT_EQ(ras_.dial(nullptr, phonebook.c_str(), &params, 0, notifier, &handle), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(notifications.taken().empty());
}

TEST_F(SimRasDll, EnumerationInTwoCallsReportsCountAndNeededSize) {
    write_settings("[foreign]\r\nnames=Home ADSL,ppoe\r\n");
    DWORD bytes = 0;
    DWORD count = 0;
    EXPECT_EQ(ras_.enumerate(nullptr, &bytes, &count), static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(bytes, 2u * 724);

    // The first form, as the client sizes it: 416 bytes a record on x86_64.
    constexpr DWORD first_form = 416;
    std::vector<BYTE> buffer(3 * first_form, 0xCC);
    reinterpret_cast<RASCONNA*>(buffer.data())->dwSize = first_form;
    bytes = first_form;
    count = 1;
    EXPECT_EQ(ras_.enumerate(reinterpret_cast<RASCONNA*>(buffer.data()), &bytes, &count),
              static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL));
    EXPECT_EQ(bytes, 2 * first_form);
    EXPECT_EQ(count, 2u);

    bytes = 2 * first_form;
    ASSERT_EQ(ras_.enumerate(reinterpret_cast<RASCONNA*>(buffer.data()), &bytes, &count), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(count, 2u);
    const char* names[] = {"Home ADSL", "ppoe"};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const BYTE* record = buffer.data() + i * first_form;
        DWORD size = 0;
        std::memcpy(&size, record, sizeof size);
        EXPECT_EQ(size, first_form);
        HRASCONN handle = nullptr;
        std::memcpy(&handle, record + 4, sizeof handle);
        EXPECT_NE(handle, nullptr);
        EXPECT_STREQ(reinterpret_cast<const char*>(record + 12), names[i]);
        EXPECT_STREQ(reinterpret_cast<const char*>(record + offsetof(RASCONNA, szDeviceType)), "vpn");
        EXPECT_STREQ(reinterpret_cast<const char*>(record + offsetof(RASCONNA, szDeviceName)), "WAN Miniport (PPTP)");
    }
    for (std::size_t i = 2 * first_form; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xCC) << "written past the records";
}

TEST_F(SimRasDll, NoConnectionsMeansSuccessAndAZeroCount) {
    DWORD bytes = 0;
    DWORD count = 7;
    EXPECT_EQ(ras_.enumerate(nullptr, &bytes, &count), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(bytes, 0u);
    EXPECT_EQ(ras_.enumerate(nullptr, nullptr, &count), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(ras_.enumerate(nullptr, &bytes, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(SimRasDll, ForeignConnectionHungUpStaysGoneAndItsHandleDies) {
    write_settings("[foreign]\r\nnames= Work VPN , Cafe ,\r\n");
    auto records = listed();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_STREQ(records[0].szEntryName, "Work VPN");
    EXPECT_STREQ(records[1].szEntryName, "Cafe");
    const HRASCONN work = records[0].hrasconn;
    EXPECT_EQ(listed()[0].hrasconn, work) << "a foreign connection keeps its handle";

    EXPECT_EQ(ras_.hang_up(work), static_cast<DWORD>(ERROR_SUCCESS));
    records = listed();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_STREQ(records[0].szEntryName, "Cafe");
    EXPECT_EQ(ras_.hang_up(work), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(ras_.hang_up(records[0].hrasconn), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(listed().empty());
}

TEST_F(SimRasDll, HangUpOfSomethingThatIsNotACallFails) {
    for (std::uintptr_t value : {std::uintptr_t{0}, std::uintptr_t{1}, std::uintptr_t{0x5102}, ~std::uintptr_t{0}}) {
        EXPECT_EQ(ras_.hang_up(reinterpret_cast<HRASCONN>(value)), static_cast<DWORD>(ERROR_INVALID_HANDLE)) << value;
    }
}

TEST_F(SimRasDll, ErrorStringsFailWithoutTouchingTheBuffer) {
    char buffer[100];
    std::memset(buffer, 'Z', sizeof buffer);
    ASSERT_EQ(ras_.error_string(691, buffer, sizeof buffer), static_cast<DWORD>(ERROR_SUCCESS));
    const std::string text(buffer);
    EXPECT_NE(text.find("密码"), std::string::npos) << "GBK text for a refused password";
    EXPECT_LT(text.size(), sizeof buffer);

    struct Case {
        UINT code;
        DWORD size;
    };
    const Case failures[] = {
        {0, 100}, {5, 100}, {599, 100}, {601, 100}, {12345, 100},
        {691, static_cast<DWORD>(text.size())},  // no room for the NUL
        {691, 0},
    };
    for (const Case& c : failures) {
        SCOPED_TRACE(c.code);
        std::memset(buffer, 'Z', sizeof buffer);
        EXPECT_NE(ras_.error_string(c.code, buffer, c.size), static_cast<DWORD>(ERROR_SUCCESS));
        for (char byte : buffer) ASSERT_EQ(byte, 'Z');
    }
    EXPECT_NE(ras_.error_string(691, nullptr, 100), static_cast<DWORD>(ERROR_SUCCESS));
}

TEST_F(SimRasDll, GbkCredentialsAndTheRasDialFunc1Notifier) {
    TestLineServer server;
    const std::string phonebook = write_phonebook("sstp.pbk", "\xEF\xBB\xBF\r\n[PPTP]\r\nVpnStrategy=5\r\n");
    RASDIALPARAMSA params = dial_params(server.number().c_str(), "用户甲", "密码 1");
    HRASCONN handle = nullptr;
    ASSERT_EQ(ras_.dial(nullptr, phonebook.c_str(), &params, 1, reinterpret_cast<LPVOID>(&note_progress_with_handle),
                        &handle),
              static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_NE(handle, nullptr);
    ASSERT_TRUE(notifications.wait_for_end_or(RASCS_Connected, 10s));
    const auto progress = notifications.taken();
    ASSERT_FALSE(progress.empty());
    for (const Notification& n : progress) {
        EXPECT_EQ(n.handle, handle);
        EXPECT_EQ(n.error, 0u);
    }
    EXPECT_EQ(progress.back().state, static_cast<DWORD>(RASCS_Connected));
    EXPECT_EQ(server.requests(), std::vector<std::string>{"DIAL D3C3BBA7BCD7 C3DCC2EB2031\r\n"});

    const auto records = listed();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].hrasconn, handle);
    EXPECT_STREQ(records[0].szDeviceType, "vpn");
    EXPECT_STREQ(records[0].szDeviceName, "WAN Miniport (SSTP)");
    EXPECT_EQ(records[0].szPhonebook, phonebook);
    EXPECT_EQ(ras_.hang_up(handle), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(server.links_closed_by_peer(5s));
}

TEST_F(SimRasDll, WithoutANotifierTheDialRunsToItsEnd) {
    const std::string phonebook = write_phonebook("sync.pbk", "[PPTP]\r\n");
    struct Case {
        const char* reply;
        DWORD result;
        bool listed;
    };
    const Case cases[] = {{"OK\r\n", ERROR_SUCCESS, true}, {"ERR 691\r\n", 691, false}, {"nonsense\r\n", 651, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        TestLineServer server(c.reply);
        RASDIALPARAMSA params = dial_params(server.number().c_str());
        HRASCONN handle = nullptr;
        EXPECT_EQ(ras_.dial(nullptr, phonebook.c_str(), &params, 0, nullptr, &handle), c.result);
        ASSERT_NE(handle, nullptr) << "the handle must be released even after a failure";
        EXPECT_EQ(is_listed(handle), c.listed);
        EXPECT_EQ(ras_.hang_up(handle), static_cast<DWORD>(ERROR_SUCCESS));
    }
    EXPECT_TRUE(notifications.taken().empty());
}

TEST_F(SimRasDll, AnEntryBeingDialledRefusesASecondDialAndAConnectedOneHandsBackItsCall) {
    TestLineServer server("OK\r\n", true);
    const std::string phonebook = write_phonebook("twice.pbk", "[PPTP]\r\n");
    RASDIALPARAMSA params = dial_params(server.number().c_str());
    auto* notifier = reinterpret_cast<LPVOID>(&note_progress);
    HRASCONN first = nullptr;
    ASSERT_EQ(ras_.dial(nullptr, phonebook.c_str(), &params, 0, notifier, &first), static_cast<DWORD>(ERROR_SUCCESS));
    while (server.requests().empty()) std::this_thread::sleep_for(10ms);

    HRASCONN second = nullptr;
    EXPECT_EQ(ras_.dial(nullptr, phonebook.c_str(), &params, 0, notifier, &second),
              static_cast<DWORD>(ERROR_DIAL_ALREADY_IN_PROGRESS));
    EXPECT_FALSE(is_listed(first)) << "a call is listed once its link is up";

    server.release();
    ASSERT_TRUE(notifications.wait_for_end_or(RASCS_Connected, 10s));
    notifications.taken();
    HRASCONN third = nullptr;
    EXPECT_EQ(ras_.dial(nullptr, phonebook.c_str(), &params, 0, notifier, &third), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(third, first);
    ASSERT_TRUE(notifications.wait_for_end_or(RASCS_Connected, 10s));
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(ras_.hang_up(first), static_cast<DWORD>(ERROR_SUCCESS));
}

TEST_F(SimRasDll, HangUpDuringTheDialEndsItQuietly) {
    TestLineServer server("OK\r\n", true);
    const std::string phonebook = write_phonebook("cancel.pbk", "[PPTP]\r\n");
    RASDIALPARAMSA params = dial_params(server.number().c_str());
    HRASCONN handle = nullptr;
    ASSERT_EQ(ras_.dial(nullptr, phonebook.c_str(), &params, 0, reinterpret_cast<LPVOID>(&note_progress), &handle),
              static_cast<DWORD>(ERROR_SUCCESS));
    while (server.requests().empty()) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(ras_.hang_up(handle), static_cast<DWORD>(ERROR_SUCCESS));
    server.release();
    EXPECT_FALSE(notifications.wait_for_end_or(RASCS_Connected, 500ms)) << "no news after the hang-up";
    EXPECT_FALSE(is_listed(handle));
    EXPECT_EQ(ras_.hang_up(handle), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(SimRasDll, AnEmptyNumberDialsTheEntrysOwn) {
    TestLineServer server;
    const std::string phonebook = write_phonebook("own.pbk", "[PPTP]\r\nPhoneNumber=" + server.number() + "\r\n");
    RASDIALPARAMSA params = dial_params("");
    HRASCONN handle = nullptr;
    ASSERT_EQ(ras_.dial(nullptr, phonebook.c_str(), &params, 0, nullptr, &handle), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(ras_.hang_up(handle), static_cast<DWORD>(ERROR_SUCCESS));
}

}  // namespace
