// Measures how long programs take from process creation until their first visible top-level
// window exists, then closes that window. Runs the programs in turn, so that a slow moment of
// the machine falls on all of them alike.
//   startup-probe.exe RUNS PROGRAM...   prints, per program, the median and the fastest run in ms
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK find_visible_window(HWND hwnd, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != search->pid || !IsWindowVisible(hwnd) || GetWindow(hwnd, GW_OWNER)) return TRUE;
    search->found = hwnd;
    return FALSE;
}

double now_ms() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// One start: milliseconds until the window showed, or a negative value when it never did.
double time_one_start(const std::wstring& program) {
    std::wstring directory = program.substr(0, program.find_last_of(L"\\/"));
    std::wstring command = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const double start = now_ms();
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(),
                        &startup, &process))
        return -1;
    Search search{process.dwProcessId, nullptr};
    double shown = -1;
    while (now_ms() - start < 60000) {
        EnumWindows(find_visible_window, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            shown = now_ms() - start;
            break;
        }
        if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    if (search.found) PostMessageW(search.found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return shown;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fwprintf(stderr, L"usage: startup-probe.exe RUNS PROGRAM...\n");
        return 2;
    }
    const int runs = std::max(1, _wtoi(argv[1]));
    std::vector<std::vector<double>> times(static_cast<std::size_t>(argc - 2));
    time_one_start(argv[2]);  // a first start warms the caches of the prefix for every program
    for (int run = 0; run < runs; ++run)
        for (int i = 2; i < argc; ++i) {
            const double ms = time_one_start(argv[i]);
            if (ms < 0) {
                std::fwprintf(stderr, L"%ls: no window appeared\n", argv[i]);
                return 1;
            }
            times[static_cast<std::size_t>(i - 2)].push_back(ms);
        }
    for (int i = 2; i < argc; ++i) {
        auto& t = times[static_cast<std::size_t>(i - 2)];
        std::sort(t.begin(), t.end());
        std::wprintf(L"%ls median_ms=%.1f fastest_ms=%.1f runs=%d\n", argv[i], t[t.size() / 2], t.front(), runs);
    }
    return 0;
}
