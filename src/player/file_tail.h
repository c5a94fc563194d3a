// The one piece of file access the tag reader needs, kept apart so the
// tag parser builds without the Windows headers.
#pragma once

#include <cstddef>
#include <string>

enum class TFileTail { NoFile, TooShort, Read };

// Reads the last Size bytes of a file into Buffer through a shared open
// (others may go on reading and writing the file). NoFile for a missing
// file, a folder or an unusable name; TooShort when the file holds fewer
// than Size bytes. Throws EPlovikError when the file exists but cannot be
// opened or read.
TFileTail ReadFileTail(const std::wstring& FileName, unsigned char* Buffer, std::size_t Size);
