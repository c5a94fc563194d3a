#include "player/player_memory.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace {

// The longest path the wide file functions take, in characters.
constexpr std::size_t kMaxTextChars = 32768;
// The first 64 KiB of a process are never mapped: such an answer is a
// number, not an address.
constexpr std::uint64_t kLowestAddress = 0x10000;
constexpr std::uint64_t kPage = 4096;

class TProcessHandle {
public:
    explicit TProcessHandle(HANDLE h) : FHandle(h) {}
    ~TProcessHandle() {
        if (FHandle) CloseHandle(FHandle);
    }
    TProcessHandle(const TProcessHandle&) = delete;
    TProcessHandle& operator=(const TProcessHandle&) = delete;
    HANDLE Get() const noexcept { return FHandle; }

private:
    HANDLE FHandle;
};

HANDLE OpenWindowProcess(HWND wnd, DWORD access) {
    DWORD pid = 0;
    if (!wnd || !GetWindowThreadProcessId(wnd, &pid) || !pid) return nullptr;
    return OpenProcess(access, FALSE, pid);
}

bool Is32BitProcess(HANDLE proc) {
    if constexpr (sizeof(void*) == 4) return true;
    BOOL wow = FALSE;
    return IsWow64Process(proc, &wow) && wow;
}

// Reads page by page, so that a text ending just before unmapped memory
// still reads, and stops at the first zero character of CharSize bytes.
bool ReadZeroTerminated(HANDLE proc, std::uint64_t addr, std::size_t charSize, std::string& bytes) {
    bytes.clear();
    const std::size_t limit = kMaxTextChars * charSize;
    std::size_t scanned = 0;  // bytes already searched for the terminator
    while (bytes.size() < limit + charSize) {
        const std::uint64_t at = addr + bytes.size();
        const std::size_t chunk = static_cast<std::size_t>(kPage - at % kPage);
        const std::size_t had = bytes.size();
        bytes.resize(had + chunk);
        SIZE_T got = 0;
        if (!ReadProcessMemory(proc, reinterpret_cast<LPCVOID>(static_cast<std::uintptr_t>(at)),
                               bytes.data() + had, chunk, &got) ||
            got != chunk)
            return false;
        for (; scanned + charSize <= bytes.size(); scanned += charSize) {
            bool zero = true;
            for (std::size_t k = 0; k < charSize; ++k) zero = zero && bytes[scanned + k] == 0;
            if (zero) {
                bytes.resize(scanned);
                return true;
            }
        }
    }
    return false;
}

bool ReadPlayerBytes(HWND player, LRESULT answer, std::size_t charSize, std::string& bytes) {
    TProcessHandle proc(OpenWindowProcess(player, PROCESS_VM_READ | PROCESS_QUERY_LIMITED_INFORMATION));
    if (!proc.Get()) return false;
    std::uint64_t addr = static_cast<std::uint64_t>(static_cast<std::uintptr_t>(answer));
    if (Is32BitProcess(proc.Get())) addr &= 0xFFFFFFFFu;
    if (addr < kLowestAddress) return false;
    if constexpr (sizeof(void*) == 4) {
        if (addr > 0xFFFFFFFFu) return false;
    }
    return ReadZeroTerminated(proc.Get(), addr, charSize, bytes);
}

}  // namespace

bool ReadPlayerTextA(HWND Player, LRESULT Answer, std::string& Text) {
    std::string bytes;
    if (!ReadPlayerBytes(Player, Answer, 1, bytes)) return false;
    Text = std::move(bytes);
    return true;
}

bool ReadPlayerTextW(HWND Player, LRESULT Answer, std::wstring& Text) {
    std::string bytes;
    if (!ReadPlayerBytes(Player, Answer, sizeof(wchar_t), bytes)) return false;
    Text.assign(bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(Text.data(), bytes.data(), Text.size() * sizeof(wchar_t));
    return true;
}

std::wstring WindowProgramPath(HWND Wnd) {
    TProcessHandle proc(OpenWindowProcess(Wnd, PROCESS_QUERY_LIMITED_INFORMATION));
    if (!proc.Get()) return {};
    std::wstring path(kMaxTextChars, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(proc.Get(), 0, path.data(), &size)) return {};
    path.resize(size);
    return path;
}
