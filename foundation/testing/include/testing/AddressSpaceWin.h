#pragma once
#include <windows.h>

#include <vector>

// Runs a process (this one or another, through its handle) nearly out of address space for the
// life of the object, as a huge reply or a long run would: every free stretch is reserved except
// holes of `hole` bytes spread through it. Small allocations still find room; anything larger
// than a hole (a big buffer, a thread's stack when the holes are smaller than it) fails.
class CAddressSpaceSqueeze {
public:
    explicit CAddressSpaceSqueeze(HANDLE process = GetCurrentProcess(), SIZE_T hole = 4 << 20)
        : m_process(process) {
        const SIZE_T kBlock = 64 << 20, kGrain = 64 << 10;
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        char* at = static_cast<char*>(system.lpMinimumApplicationAddress);
        char* const top = static_cast<char*>(system.lpMaximumApplicationAddress);
        MEMORY_BASIC_INFORMATION region;
        while (at < top && VirtualQueryEx(process, at, &region, sizeof(region)) == sizeof(region)) {
            char* const end = static_cast<char*>(region.BaseAddress) + region.RegionSize;
            if (region.State == MEM_FREE) {
                const ULONG_PTR base = (reinterpret_cast<ULONG_PTR>(region.BaseAddress) + kGrain - 1) & ~(kGrain - 1);
                for (char* block = reinterpret_cast<char*>(base) + hole; block < end; block += kBlock + hole) {
                    const SIZE_T size = (static_cast<SIZE_T>(end - block) < kBlock ? end - block : kBlock) & ~(kGrain - 1);
                    if (size == 0) break;
                    if (void* taken = VirtualAllocEx(process, block, size, MEM_RESERVE, PAGE_NOACCESS))
                        m_taken.push_back(taken);
                }
            }
            if (end <= at) break;
            at = end;
        }
        // Wine also places blocks in areas that it reports as in use: take what it still hands out.
        for (SIZE_T size = kBlock; size > hole; size /= 2) Take(size);
        Take(hole + kGrain);
    }
    ~CAddressSpaceSqueeze() {
        for (void* taken : m_taken) VirtualFreeEx(m_process, taken, 0, MEM_RELEASE);
    }
    CAddressSpaceSqueeze(const CAddressSpaceSqueeze&) = delete;
    CAddressSpaceSqueeze& operator=(const CAddressSpaceSqueeze&) = delete;

    bool Squeezed() const { return !m_taken.empty(); }

private:
    void Take(SIZE_T size) {
        while (void* taken = VirtualAllocEx(m_process, nullptr, size, MEM_RESERVE, PAGE_NOACCESS)) m_taken.push_back(taken);
    }

    HANDLE m_process;
    std::vector<void*> m_taken;
};
