// Whole files written so that a reader, a power loss or a full drive sees
// the old file or the new one, never a part: the settings file, the
// now-playing file, exports.
#pragma once

#include <string>

// The bytes go to a new file beside the target, are flushed, and the new
// file then takes the target's name. A reader that holds the old file for
// the moment of its read is waited for a little. A read-only target is not
// replaced. On failure nothing is left behind and why says what went wrong.
bool WriteFileAtomically(const std::wstring& path, const std::string& bytes, std::wstring& why);
bool ReadWholeFile(const std::wstring& path, std::string& bytes, std::wstring& why);
