// Scratch files for loader tests: written in the working folder under a name unique to the
// running test (tests of one executable may run in parallel), removed when the holder goes.
#pragma once
#include <gtest/gtest.h>
#include <stdio.h>
#include <string>
#include "Ostrel/core/allocator.h"

class ScratchFile {
public:
    explicit ScratchFile(const std::string& suffix) {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::string("scratch_") + info->test_suite_name() + "_" + info->name() + suffix;
    }
    ~ScratchFile() { remove(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& path() const { return path_; }
    bool write(const std::string& bytes) const {
        FILE* f = fopen(path_.c_str(), "wb");
        if (!f) return false;
        bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        return fclose(f) == 0 && ok;
    }

private:
    std::string path_;
};

// Heap allocator that counts what it hands out, to check ownership and leaks.
struct CountingAllocator {
    Allocator allocator;
    int allocations = 0;
    int frees = 0;
    CountingAllocator() : allocator{this, allocate, release} {}
    int live() const { return allocations - frees; }

private:
    static void* allocate(void* context, u64 size) {
        ((CountingAllocator*)context)->allocations++;
        return malloc((size_t)size);
    }
    static void release(void* context, void* pointer) {
        ((CountingAllocator*)context)->frees++;
        free(pointer);
    }
};
