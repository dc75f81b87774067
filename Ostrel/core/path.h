// Executable path, its folder, and the file-name part of a path. Results are allocated with
// the given allocator, belong to the caller and carry no terminator.
#pragma once
#include "allocator.h"

bool path_executable(Allocator* allocator, u8** out_bytes, u32* out_length);
bool path_executable_directory(Allocator* allocator, u8** out_bytes, u32* out_length);
// Text after the last '\' or '/' that is not the final byte; the whole path when there is none
// (then *inout_length is left as the caller set it).
const u8* path_file_name(const u8* path, u32 length, u32* inout_length);
