// Whole-file reading for the engine's loaders. The file is read into one block from the caller's
// allocator; the result tells apart the failures the loaders word differently.
#pragma once
#include "Ostrel/core/allocator.h"

enum FileReadResult : u32 {
    FILE_READ_OK = 0,
    FILE_READ_OPEN_FAILED = 1,  // missing, a folder, no access, or held open by another process
    FILE_READ_TOO_LARGE = 2,    // larger than the caller's limit; nothing was read
    FILE_READ_FAILED = 3,       // opened, but its size or bytes could not be read
};

// Reads the file at path (NUL-terminated, narrow) opened for reading without sharing. On
// FILE_READ_OK *out_bytes holds *out_size bytes (a block of at least one byte, also for an empty
// file) that the caller frees with the same allocator; on failure nothing stays allocated.
FileReadResult file_read_whole(const char* path, Allocator* allocator, u64 max_size, u8** out_bytes, u32* out_size);
