#pragma once

#include <cstddef>
#include <fstream>
#include <malloc.h>
#include <unistd.h>

// Resident memory of the process in bytes, after the allocator has handed
// back what is free.
inline std::size_t residentBytes() {
    malloc_trim(0);
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    std::size_t resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}
