#pragma once
// Memory inside another process, for messages whose parameters point at records (list-view
// items and columns): the system copies only a few well-known messages across processes, so the
// driver places the record in the target itself. Both processes are 64-bit: layouts agree.
#include <windows.h>

#include <cstddef>
#include <vector>

namespace driver {

class RemoteMemory {
public:
    // Memory of `size` bytes in the process that owns `window`; CommandError on failure.
    RemoteMemory(HWND window, size_t size);
    ~RemoteMemory();
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    void* address() const { return address_; }
    // Address `offset` bytes into the block, as the target sees it.
    void* at(size_t offset) const { return static_cast<char*>(address_) + offset; }
    void write(size_t offset, const void* data, size_t size);
    void read(size_t offset, void* data, size_t size) const;

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

}  // namespace driver
