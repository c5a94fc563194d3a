// The Unix side of Wine's drives, for tests that make file systems of their
// own (a full stick, a read-only one): paths there, and shell commands.
#pragma once

#include <windows.h>

#include <string>

#include "support/peer_player.h"

// Where Wine keeps a file of one of its drives on the Unix side.
inline std::string UnixPath(const std::wstring& path) {
    using Fn = char*(CDECL*)(const wchar_t*);
    const auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unix = fn ? fn(path.c_str()) : nullptr;
    const std::string out = unix ? unix : "";
    HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

// Runs a Unix shell command (Wine starts Unix programs too) and waits for
// it through a mark file, since Wine gives no exit code for it.
inline bool RunUnix(const std::string& command) {
    const std::wstring mark = MakeTempDir(L"unix") + L"\\done";
    const std::string full = "(" + command + ") && echo ok > '" + UnixPath(mark) + "' || echo no > '" +
                             UnixPath(mark) + "'";
    std::wstring cmd = L"/bin/sh -c \"" + Utf8ToWide(full) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(L"Z:\\bin\\sh", cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    WaitFor([&] { return !ReadFileBytes(mark).empty(); }, 20000);
    return ReadFileBytes(mark) == "ok\n";
}

