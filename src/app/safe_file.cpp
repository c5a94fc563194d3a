// Deleting, copying and moving so that a failure leaves every file whole.
#include "app/safe_file.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "player/file_io.h"

namespace {

constexpr int kMaxSpareNames = 100;

bool ReadInfo(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
    TFileHandle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.Valid() && GetFileInformationByHandle(file.Get(), &info);
}

bool FileSize(const std::wstring& path, ULONGLONG& size) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

// Another program has the file open without letting others delete it:
// the shell would fail on it, or worse, half-way.
bool HeldByAnother(const std::wstring& path) {
    TFileHandle file(CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Valid()) return false;
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

std::wstring SpareName(const std::wstring& path, const wchar_t* suffix, int n) {
    return path + suffix + (n == 0 ? std::wstring() : std::to_wstring(n));
}

bool NameTaken(DWORD error) { return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS; }

// A second name of the file (or, where the drive has no hard links, a
// hidden copy) that holds the song while the shell works on the first:
// should the shell destroy the file instead of recycling it, the keeper
// brings it back.
struct TKeeper {
    std::wstring Path;
    bool Linked = false;
    DWORD Attributes = 0;
};

bool MakeKeeper(const std::wstring& path, TKeeper& keeper) {
    keeper.Attributes = GetFileAttributesW(path.c_str());
    for (int n = 0; n < kMaxSpareNames; ++n) {
        keeper.Path = SpareName(path, L".plovik-keep", n);
        if (CreateHardLinkW(keeper.Path.c_str(), path.c_str(), nullptr)) {
            keeper.Linked = true;
            return true;
        }
        if (NameTaken(GetLastError())) continue;
        if (CopyFileW(path.c_str(), keeper.Path.c_str(), TRUE)) {
            SetFileAttributesW(keeper.Path.c_str(), keeper.Attributes | FILE_ATTRIBUTE_HIDDEN);
            return true;
        }
        if (!NameTaken(GetLastError())) return false;
    }
    return false;
}

void DropKeeper(const TKeeper& keeper) {
    if (!keeper.Linked) SetFileAttributesW(keeper.Path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(keeper.Path.c_str());
}

void RestoreFromKeeper(const TKeeper& keeper, const std::wstring& path) {
    if (!MoveFileExW(keeper.Path.c_str(), path.c_str(), 0)) return;  // the keeper stays: the song is not lost
    if (!keeper.Linked) SetFileAttributesW(path.c_str(), keeper.Attributes);
}

DWORD LinkCount(const std::wstring& path) {
    BY_HANDLE_FILE_INFORMATION info{};
    return ReadInfo(path, info) ? info.nNumberOfLinks : 0;
}

std::wstring VolumeRoot(const std::wstring& path) {
    wchar_t root[MAX_PATH + 1] = {};
    if (!GetVolumePathNameW(path.c_str(), root, MAX_PATH)) return {};
    return root;
}

// Items in the Recycle Bin of the drive; -1 when the drive has none.
long long BinItems(const std::wstring& root) {
    if (root.empty()) return -1;
    SHQUERYRBINFO info{};
    info.cbSize = sizeof(info);
    if (FAILED(SHQueryRecycleBinW(root.c_str(), &info))) return -1;
    return info.i64NumItems;
}

void ShellRecycle(const std::wstring& path) {
    std::wstring from = path;
    from.push_back(L'\0');  // a list of names, ended by an empty one
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    SHFileOperationW(&op);
}

bool HasSize(const std::wstring& path, ULONGLONG size) {
    ULONGLONG actual = 0;
    return FileSize(path, actual) && actual == size;
}

}  // namespace

TRecycleResult RecycleFile(const std::wstring& Path) {
    if (!IsExistingFile(Path)) return TRecycleResult::Missing;
    if (HeldByAnother(Path)) return TRecycleResult::InUse;
    TKeeper keeper;
    if (!MakeKeeper(Path, keeper)) return TRecycleResult::Failed;
    const std::wstring root = VolumeRoot(Path);
    const long long before = BinItems(root);
    if (!keeper.Linked && before < 0) {
        DropKeeper(keeper);
        return TRecycleResult::NotAccepted;
    }

    ShellRecycle(Path);
    if (IsExistingFile(Path)) {
        DropKeeper(keeper);
        return HeldByAnother(Path) ? TRecycleResult::InUse : TRecycleResult::Failed;
    }
    // A Recycle Bin renames the file into itself, so the keeper's data still
    // has its second name there; a bin on another file system (Wine's one
    // per user) copies, which shows in its count instead.
    const bool recycled = (keeper.Linked && LinkCount(keeper.Path) >= 2) || (before >= 0 && BinItems(root) > before);
    if (recycled) {
        DropKeeper(keeper);
        return TRecycleResult::Recycled;
    }
    RestoreFromKeeper(keeper, Path);
    return TRecycleResult::NotAccepted;
}

bool IsSameFile(const std::wstring& A, const std::wstring& B) {
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    return ReadInfo(A, a) && ReadInfo(B, b) && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

bool HaveSameContent(const std::wstring& A, const std::wstring& B) {
    ULONGLONG sizeA = 0, sizeB = 0;
    if (!FileSize(A, sizeA) || !FileSize(B, sizeB) || sizeA != sizeB) return false;
    TFileHandle a(OpenSharedForReading(A)), b(OpenSharedForReading(B));
    if (!a.Valid() || !b.Valid()) return false;
    std::vector<char> bufA(64 * 1024), bufB(64 * 1024);
    for (;;) {
        DWORD gotA = 0, gotB = 0;
        if (!ReadFile(a.Get(), bufA.data(), static_cast<DWORD>(bufA.size()), &gotA, nullptr) ||
            !ReadFile(b.Get(), bufB.data(), static_cast<DWORD>(bufB.size()), &gotB, nullptr) || gotA != gotB)
            return false;
        if (gotA == 0) return true;
        if (!std::equal(bufA.begin(), bufA.begin() + gotA, bufB.begin())) return false;
    }
}

// The copy is made under a spare name beside the target and takes the
// target's name only when it is complete, so a broken copy never stands in
// for a good file and a failure touches no file already there.
bool CopyFileChecked(const std::wstring& Source, const std::wstring& Target, bool Replace) {
    ULONGLONG size = 0;
    if (!FileSize(Source, size)) return false;
    std::wstring part;
    for (int n = 0;; ++n) {
        if (n == kMaxSpareNames) return false;
        part = SpareName(Target, L".plovik-part", n);
        if (CopyFileW(Source.c_str(), part.c_str(), TRUE)) break;
        const DWORD error = GetLastError();
        if (NameTaken(error)) continue;
        DeleteFileW(part.c_str());  // what a copy that ran out of room left
        return false;
    }
    if (!HasSize(part, size) ||
        !MoveFileExW(part.c_str(), Target.c_str(), Replace ? MOVEFILE_REPLACE_EXISTING : 0)) {
        DeleteFileW(part.c_str());
        return false;
    }
    return true;
}

bool MoveFileSafely(const std::wstring& Source, const std::wstring& Target, bool Replace) {
    if (MoveFileExW(Source.c_str(), Target.c_str(), Replace ? MOVEFILE_REPLACE_EXISTING : 0)) return true;
    if (GetLastError() != ERROR_NOT_SAME_DEVICE) return false;
    if (HeldByAnother(Source)) return false;
    if (!CopyFileChecked(Source, Target, Replace)) return false;
    if (DeleteFileW(Source.c_str())) return true;
    // The original could not go: the copy goes instead, so that the song
    // does not end up in two places.
    DeleteFileW(Target.c_str());
    return false;
}
