#include "remote_memory.h"

#include <string>

#include "protocol.h"

namespace driver {

RemoteMemory::RemoteMemory(HWND window, size_t size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
                           FALSE, pid);
    if (!process_) throw CommandError("cannot open process " + std::to_string(pid));
    address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!address_) {
        CloseHandle(process_);
        throw CommandError("cannot allocate memory in process " + std::to_string(pid));
    }
}

RemoteMemory::~RemoteMemory() {
    VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    CloseHandle(process_);
}

void RemoteMemory::write(size_t offset, const void* data, size_t size) {
    SIZE_T written = 0;
    if (!WriteProcessMemory(process_, at(offset), data, size, &written) || written != size)
        throw CommandError("cannot write the target's memory");
}

void RemoteMemory::read(size_t offset, void* data, size_t size) const {
    SIZE_T got = 0;
    if (!ReadProcessMemory(process_, at(offset), data, size, &got) || got != size)
        throw CommandError("cannot read the target's memory");
}

}  // namespace driver
