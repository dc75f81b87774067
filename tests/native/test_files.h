// Scratch files and a counting allocator for tests of loaders and of ownership.
#pragma once
#include <gtest/gtest.h>
#include <stdio.h>
#include <string>
#include "Ostrel/core/allocator.h"

// A file in the working folder named after the running test (tests of one executable may run
// in parallel), removed when the holder goes.
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

// Counts the blocks it hands out and takes back, passing them on to the allocator that was the
// default when it was made. Never copied: the record is its own context.
struct CountingAllocator {
    Allocator allocator;
    Allocator* inner = g_default_allocator;
    int allocations = 0;
    int frees = 0;
    CountingAllocator() : allocator{this, allocate, release} {}
    CountingAllocator(const CountingAllocator&) = delete;
    int live() const { return allocations - frees; }

private:
    static void* allocate(void* context, u64 size) {
        CountingAllocator* c = (CountingAllocator*)context;
        c->allocations++;
        return allocator_alloc(c->inner, size);
    }
    static void release(void* context, void* pointer) {
        CountingAllocator* c = (CountingAllocator*)context;
        if (!pointer) return;
        c->frees++;
        allocator_free(c->inner, pointer);
    }
};
