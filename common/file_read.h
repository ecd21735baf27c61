// common/file_read.h: reading a whole file into memory, with a limit so that a file that is far
// larger than it should be cannot exhaust the process.
#pragma once

#include <cstddef>
#include <string>

enum class EReadFile
{
    Read,
    Missing,  // it could not be opened
    TooLarge, // it holds more than the limit
    Failed,   // reading stopped part way
};

// Reads the file at p_sPath (a path in the ANSI code page) into p_sBytes. On any result but
// Read, p_sBytes is left empty.
[[nodiscard]] EReadFile ReadWholeFile(const std::string& p_sPath, std::string& p_sBytes,
                                      size_t p_nLimit = static_cast<size_t>(64) * 1024 * 1024);
