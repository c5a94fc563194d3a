// Deleting, copying and moving so that a failure leaves every file whole.
#include "app/safe_file.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "player/file_io.h"

namespace {

constexpr int kMaxSpareNames = 100;

// Every path goes to the file system in its long form, so that a name near
// the old 260-character limit, or a spare name beside it, is no obstacle.
std::wstring FullPath(const std::wstring& path) {
    const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring out(n, L'\0');
    const DWORD got = GetFullPathNameW(path.c_str(), n, out.data(), nullptr);
    out.resize(got < n ? got : 0);
    return out.empty() ? path : out;
}

std::wstring Long(const std::wstring& path) {
    const std::wstring full = FullPath(path);
    if (full.rfind(L"\\\\?\\", 0) == 0) return full;
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t cut = path.find_last_of(L'\\');
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

DWORD Attributes(const std::wstring& path) { return GetFileAttributesW(Long(path).c_str()); }
bool Exists(const std::wstring& path) {
    const DWORD attr = Attributes(path);
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}
bool IsReadOnly(const std::wstring& path) {
    const DWORD attr = Attributes(path);
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY);
}

HANDLE OpenForAttributes(const std::wstring& path) {
    return CreateFileW(Long(path).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The 128-bit identity of newer systems (unique on ReFS too); the 64-bit
// index only where that is missing, and nothing when the system gives
// zeros, as some redirectors do.
struct TIdentity {
    ULONGLONG Volume = 0;
    BYTE Id[16] = {};
    bool operator==(const TIdentity& o) const { return Volume == o.Volume && std::memcmp(Id, o.Id, 16) == 0; }
};

struct TFileIdInfo {
    ULONGLONG VolumeSerialNumber;
    BYTE FileId[16];
};
constexpr auto kFileIdInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);

bool AllZero(const BYTE* bytes, size_t n) {
    return std::all_of(bytes, bytes + n, [](BYTE b) { return b == 0; });
}

std::optional<TIdentity> Identity(const std::wstring& path) {
    TFileHandle file(OpenForAttributes(path));
    if (!file.Valid()) return std::nullopt;
    TIdentity id;
    TFileIdInfo info{};
    if (GetFileInformationByHandleEx(file.Get(), kFileIdInfo, &info, sizeof(info))) {
        id.Volume = info.VolumeSerialNumber;
        std::memcpy(id.Id, info.FileId, sizeof(id.Id));
    } else {
        BY_HANDLE_FILE_INFORMATION old{};
        if (!GetFileInformationByHandle(file.Get(), &old)) return std::nullopt;
        id.Volume = old.dwVolumeSerialNumber;
        const ULONGLONG index = (static_cast<ULONGLONG>(old.nFileIndexHigh) << 32) | old.nFileIndexLow;
        std::memcpy(id.Id, &index, sizeof(index));
    }
    if (id.Volume == 0 || AllZero(id.Id, sizeof(id.Id))) return std::nullopt;
    return id;
}

DWORD LinkCount(const std::wstring& path) {
    TFileHandle file(OpenForAttributes(path));
    BY_HANDLE_FILE_INFORMATION info{};
    return file.Valid() && GetFileInformationByHandle(file.Get(), &info) ? info.nNumberOfLinks : 0;
}

bool FileSize(const std::wstring& path, ULONGLONG& size) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(Long(path).c_str(), GetFileExInfoStandard, &data)) return false;
    size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

// Another program has the file open without letting others delete it.
bool HeldByAnother(const std::wstring& path) {
    TFileHandle file(CreateFileW(Long(path).c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Valid()) return false;
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

bool NameTaken(DWORD error) { return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS; }

// A short name of our own in the folder; short, so that it fits wherever
// the song's own name fits.
std::wstring SpareName(const std::wstring& folder, int n) {
    return folder + L"\\~plovik" + std::to_wstring(GetCurrentProcessId() % 1000) + L"-" + std::to_wstring(n) +
           L".tmp";
}

TFileResult Fault(TFileFault fault, bool aboutTarget = false, DWORD code = 0) {
    TFileResult r;
    r.Fault = fault;
    r.Code = code;
    r.AboutTarget = aboutTarget;
    return r;
}

TFileResult FromError(DWORD error, const std::wstring& path, bool aboutTarget = false) {
    switch (error) {
        case ERROR_SUCCESS: return {};
        case ERROR_FILE_NOT_FOUND: return Fault(TFileFault::Missing, aboutTarget);
        case ERROR_PATH_NOT_FOUND:
        case ERROR_BAD_NETPATH:
        case ERROR_INVALID_DRIVE: return Fault(TFileFault::NoFolder, aboutTarget);
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return Fault(TFileFault::InUse, aboutTarget);
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return Fault(TFileFault::NoRoom, aboutTarget);
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return Fault(IsReadOnly(path) ? TFileFault::ReadOnly : TFileFault::NoAccess, aboutTarget);
        default: return Fault(TFileFault::System, aboutTarget, error);
    }
}

// Removes a file of our own making, read-only or not.
void Discard(const std::wstring& path) {
    SetFileAttributesW(Long(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(Long(path).c_str());
}

// ---- the Recycle Bin ---------------------------------------------------

std::wstring VolumeRoot(const std::wstring& path) {
    std::vector<wchar_t> root(path.size() + 2);
    if (!GetVolumePathNameW(path.c_str(), root.data(), static_cast<DWORD>(root.size()))) return {};
    return root.data();
}

// Windows keeps no Recycle Bin on removable drives and network shares, and
// the shell says so for a drive whose bin it cannot open. Asked before
// anything is made on the drive.
bool HasRecycleBin(const std::wstring& path) {
    const std::wstring root = VolumeRoot(path);
    if (root.empty()) return false;
    const UINT type = GetDriveTypeW(root.c_str());
    if (type == DRIVE_REMOVABLE || type == DRIVE_REMOTE || type == DRIVE_CDROM || type == DRIVE_RAMDISK) return false;
    SHQUERYRBINFO info{};
    info.cbSize = sizeof(info);
    return SUCCEEDED(SHQueryRecycleBinW(root.c_str(), &info));
}

struct TComScope {
    bool Owns = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ~TComScope() {
        if (Owns) CoUninitialize();
    }
};

std::wstring AnsiText(const char* text) {
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 1) return {};
    std::wstring out(static_cast<size_t>(n - 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), n);
    return out;
}

template <class T>
struct TComPtr {
    T* P = nullptr;
    ~TComPtr() {
        if (P) P->Release();
    }
    T** operator&() { return &P; }
    T* operator->() const { return P; }
};

std::wstring DetailText(IShellFolder2* folder, PCUITEMID_CHILD item, UINT column) {
    SHELLDETAILS details{};
    if (FAILED(folder->GetDetailsOf(item, column, &details))) return {};
    const STRRET& str = details.str;
    switch (str.uType) {
        case STRRET_WSTR: {
            std::wstring text = str.pOleStr ? str.pOleStr : L"";
            CoTaskMemFree(str.pOleStr);
            return text;
        }
        case STRRET_CSTR: return AnsiText(str.cStr);
        case STRRET_OFFSET: return AnsiText(reinterpret_cast<const char*>(item) + str.uOffset);
        default: return {};
    }
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// How many items in the Recycle Bin record the path as the place they came
// from: the shell's own account of this file, which another program's
// recycling of other files does not change. The name column may leave the
// extension out.
int BinItemsFrom(const std::wstring& path) {
    TComScope com;
    TComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(&desktop))) return 0;
    PIDLIST_ABSOLUTE binId = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &binId))) return 0;
    TComPtr<IShellFolder2> bin;
    const HRESULT bound = desktop->BindToObject(binId, nullptr, IID_IShellFolder2, reinterpret_cast<void**>(&bin));
    CoTaskMemFree(binId);
    if (FAILED(bound)) return 0;
    TComPtr<IEnumIDList> items;
    if (bin->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, &items) != S_OK)
        return 0;
    const std::wstring full = FullPath(path), folder = FolderOf(full), name = full.substr(folder.size() + 1);
    const std::wstring stem = name.substr(0, name.find_last_of(L'.'));
    int found = 0;
    for (PITEMID_CHILD item = nullptr; items->Next(1, &item, nullptr) == S_OK; CoTaskMemFree(item)) {
        const std::wstring shown = DetailText(bin.P, item, 0), from = DetailText(bin.P, item, 1);
        if (SameText(from, folder) && (SameText(shown, name) || SameText(shown, stem))) ++found;
    }
    return found;
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

// A second name of the file (or, where the drive has no hard links, a
// copy) that holds the song while the shell works on the first: should the
// shell destroy the file instead of recycling it, the keeper brings it back.
struct TKeeper {
    std::wstring Path;
    bool Linked = false;
    DWORD Attributes = 0;
};

bool MakeKeeper(const std::wstring& path, TKeeper& keeper) {
    keeper.Attributes = Attributes(path);
    const std::wstring folder = FolderOf(FullPath(path));
    for (int n = 0; n < kMaxSpareNames; ++n) {
        keeper.Path = SpareName(folder, n);
        if (CreateHardLinkW(Long(keeper.Path).c_str(), Long(path).c_str(), nullptr)) {
            keeper.Linked = true;
            return true;
        }
        if (NameTaken(GetLastError())) continue;
        if (CopyFileW(Long(path).c_str(), Long(keeper.Path).c_str(), TRUE)) {
            SetFileAttributesW(Long(keeper.Path).c_str(), keeper.Attributes | FILE_ATTRIBUTE_HIDDEN);
            return true;
        }
        if (!NameTaken(GetLastError())) return false;
    }
    return false;
}

// A hard link shares the file's attributes: a read-only song makes its
// keeper read-only too. The keeper's name goes through a handle, which then
// gives the recycled file its attributes back.
void DropKeeper(const TKeeper& keeper) {
    if (!keeper.Linked) {
        Discard(keeper.Path);
        return;
    }
    TFileHandle file(CreateFileW(Long(keeper.Path).c_str(), DELETE | FILE_WRITE_ATTRIBUTES | FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return;
    FILE_BASIC_INFO basic{};
    GetFileInformationByHandleEx(file.Get(), FileBasicInfo, &basic, sizeof(basic));
    const DWORD kept = basic.FileAttributes;
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(file.Get(), FileBasicInfo, &basic, sizeof(basic));
    FILE_DISPOSITION_INFO gone{};
    gone.DeleteFile = TRUE;
    const bool marked = SetFileInformationByHandle(file.Get(), FileDispositionInfo, &gone, sizeof(gone));
    basic.FileAttributes = kept;
    SetFileInformationByHandle(file.Get(), FileBasicInfo, &basic, sizeof(basic));
    file.Reset(INVALID_HANDLE_VALUE);
    if (!marked || Exists(keeper.Path)) Discard(keeper.Path);
}

void RestoreFromKeeper(const TKeeper& keeper, const std::wstring& path) {
    if (!MoveFileExW(Long(keeper.Path).c_str(), Long(path).c_str(), 0)) return;  // the keeper stays: the song is not lost
    if (!keeper.Linked) SetFileAttributesW(Long(path).c_str(), keeper.Attributes);
}

// ---- copies and moves ----------------------------------------------------

// The new file, complete, under a spare name in the target folder.
struct TStage {
    std::wstring Path;
    bool Renamed = false;  // the original itself, renamed; otherwise a copy
};

bool Flushed(const std::wstring& path) {
    const DWORD attr = Attributes(path);
    if (attr & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(Long(path).c_str(), attr & ~FILE_ATTRIBUTE_READONLY);
    bool ok = false;
    {
        TFileHandle file(CreateFileW(Long(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        ok = file.Valid() && FlushFileBuffers(file.Get());
    }
    if (attr & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(Long(path).c_str(), attr);
    return ok;
}

// Copied, flushed to the drive and read back as the original.
TFileResult StageCopy(const std::wstring& source, const std::wstring& folder, TStage& stage) {
    for (int n = 0;; ++n) {
        if (n == kMaxSpareNames) return Fault(TFileFault::System, false, ERROR_FILE_EXISTS);
        stage.Path = SpareName(folder, n);
        if (CopyFileExW(Long(source).c_str(), Long(stage.Path).c_str(), nullptr, nullptr, nullptr,
                        COPY_FILE_FAIL_IF_EXISTS))
            break;
        const DWORD error = GetLastError();
        if (NameTaken(error) && Exists(stage.Path)) continue;
        Discard(stage.Path);  // what a copy that ran out of room left
        return FromError(error, folder);
    }
    if (!Flushed(stage.Path) || !HaveSameContent(source, stage.Path)) {
        const DWORD error = GetLastError();
        Discard(stage.Path);
        return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? Fault(TFileFault::NoRoom)
                                                                         : Fault(TFileFault::NotVerified);
    }
    return {};
}

// The original itself under a spare name in the target folder: proves the
// rename possible before anything at the target is touched.
TFileResult StageRename(const std::wstring& source, const std::wstring& folder, TStage& stage, bool& otherVolume) {
    otherVolume = false;
    for (int n = 0; n < kMaxSpareNames; ++n) {
        stage.Path = SpareName(folder, n);
        if (MoveFileExW(Long(source).c_str(), Long(stage.Path).c_str(), 0)) {
            stage.Renamed = true;
            return {};
        }
        const DWORD error = GetLastError();
        if (NameTaken(error)) continue;
        otherVolume = error == ERROR_NOT_SAME_DEVICE;
        return FromError(error, source);
    }
    return Fault(TFileFault::System, false, ERROR_FILE_EXISTS);
}

// Deletes through a handle shared with nobody: a file another program
// still holds would only be marked, and would go later, when that program
// lets it go, whatever was said about it meanwhile.
DWORD DeleteAlone(const std::wstring& path) {
    TFileHandle file(CreateFileW(Long(path).c_str(), DELETE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return GetLastError();
    FILE_DISPOSITION_INFO gone{};
    gone.DeleteFile = TRUE;
    return SetFileInformationByHandle(file.Get(), FileDispositionInfo, &gone, sizeof(gone)) ? ERROR_SUCCESS
                                                                                           : GetLastError();
}

// The original, once its copy is safe. A read-only song is moved too: its
// copy carries the attribute on. A deletion reported done is believed only
// when the name is gone.
TFileResult RemoveOriginal(const std::wstring& source) {
    const DWORD attr = Attributes(source);
    if (attr & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(Long(source).c_str(), attr & ~FILE_ATTRIBUTE_READONLY);
    const DWORD error = DeleteAlone(source);
    if (error == ERROR_SUCCESS && !Exists(source)) return {};
    if (attr & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(Long(source).c_str(), attr);
    return error == ERROR_SUCCESS ? Fault(TFileFault::NoAccess) : FromError(error, source);
}

// Puts the staged file back where the original was.
void Unstage(const TStage& stage, const std::wstring& source) {
    if (stage.Renamed) {
        MoveFileExW(Long(stage.Path).c_str(), Long(source).c_str(), 0);
        return;
    }
    if (Exists(source)) {
        Discard(stage.Path);
        return;
    }
    const DWORD attr = Attributes(stage.Path);
    SetFileAttributesW(Long(stage.Path).c_str(), FILE_ATTRIBUTE_NORMAL);
    if (MoveFileExW(Long(stage.Path).c_str(), Long(source).c_str(), MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH))
        SetFileAttributesW(Long(source).c_str(), attr);
}

enum class TTarget { Free, HoldsTheSame, Different };

TTarget InspectTarget(const std::wstring& source, const std::wstring& target) {
    if (!Exists(target)) return TTarget::Free;
    return HaveSameContent(source, target) ? TTarget::HoldsTheSame : TTarget::Different;
}

// What is asked of a different file at the target before anything is done.
TFileResult CheckReplaceable(const std::wstring& target, bool recycle) {
    if (HeldByAnother(target)) return Fault(TFileFault::InUse, true);
    if (recycle && target.size() >= MAX_PATH) return Fault(TFileFault::TooLongForBin, true);
    if (recycle && !HasRecycleBin(target)) return Fault(TFileFault::NotAccepted, true);
    if (!recycle && IsReadOnly(target)) return Fault(TFileFault::ReadOnly, true);
    return {};
}

TFileResult FromRecycle(TRecycleResult result, bool aboutTarget) {
    switch (result) {
        case TRecycleResult::Recycled:
        case TRecycleResult::Missing: return {};
        case TRecycleResult::InUse: return Fault(TFileFault::InUse, aboutTarget);
        case TRecycleResult::NotAccepted: return Fault(TFileFault::NotAccepted, aboutTarget);
        case TRecycleResult::TooLong: return Fault(TFileFault::TooLongForBin, aboutTarget);
        default: return Fault(TFileFault::RecycleFailed, aboutTarget);
    }
}

// The staged file takes the target's name: a different file there goes
// into the Recycle Bin or is replaced at this moment, not before.
TFileResult Place(const TStage& stage, const std::wstring& target, bool recycle) {
    switch (InspectTarget(stage.Path, target)) {
        case TTarget::HoldsTheSame: Discard(stage.Path); return {};
        case TTarget::Different:
            if (recycle) {
                const TFileResult r = FromRecycle(RecycleFile(target), true);
                if (!r.Ok()) return r;
                break;
            }
            if (MoveFileExW(Long(stage.Path).c_str(), Long(target).c_str(), MOVEFILE_REPLACE_EXISTING)) return {};
            return FromError(GetLastError(), target, true);
        case TTarget::Free: break;
    }
    if (MoveFileExW(Long(stage.Path).c_str(), Long(target).c_str(), 0)) return {};
    return FromError(GetLastError(), target);
}

}  // namespace

TRecycleResult RecycleFile(const std::wstring& Path) {
    if (!Exists(Path)) return TRecycleResult::Missing;
    if (FullPath(Path).size() >= MAX_PATH) return TRecycleResult::TooLong;
    if (HeldByAnother(Path)) return TRecycleResult::InUse;
    if (!HasRecycleBin(Path)) return TRecycleResult::NotAccepted;
    const int before = BinItemsFrom(Path);
    TKeeper keeper;
    if (!MakeKeeper(Path, keeper)) return TRecycleResult::Failed;

    ShellRecycle(Path);
    if (Exists(Path)) {
        DropKeeper(keeper);
        return HeldByAnother(Path) ? TRecycleResult::InUse : TRecycleResult::Failed;
    }
    // Evidence about this file alone: the bin renamed it into itself, so the
    // keeper's data still has a second name; or the bin now records one
    // more item from this very place.
    const bool recycled = (keeper.Linked && LinkCount(keeper.Path) >= 2) || BinItemsFrom(Path) > before;
    if (recycled) {
        DropKeeper(keeper);
        return TRecycleResult::Recycled;
    }
    RestoreFromKeeper(keeper, Path);
    return TRecycleResult::NotAccepted;
}

bool IsSameFile(const std::wstring& A, const std::wstring& B) {
    if (SameText(FullPath(A), FullPath(B))) return true;
    const std::optional<TIdentity> a = Identity(A), b = Identity(B);
    return a && b && *a == *b;
}

bool HaveSameContent(const std::wstring& A, const std::wstring& B) {
    ULONGLONG sizeA = 0, sizeB = 0;
    if (!FileSize(A, sizeA) || !FileSize(B, sizeB) || sizeA != sizeB) return false;
    TFileHandle a(OpenSharedForReading(Long(A))), b(OpenSharedForReading(Long(B)));
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

TFileResult CopyFileSafely(const std::wstring& Source, const std::wstring& Target, bool Recycle) {
    if (!Exists(Source)) return Fault(TFileFault::Missing);
    if (IsSameFile(Source, Target)) return {};  // the copy is there: it is the file itself
    const TTarget there = InspectTarget(Source, Target);
    if (there == TTarget::HoldsTheSame) return {};
    if (there == TTarget::Different) {
        const TFileResult r = CheckReplaceable(Target, Recycle);
        if (!r.Ok()) return r;
    }
    TStage stage;
    TFileResult r = StageCopy(Source, FolderOf(FullPath(Target)), stage);
    if (!r.Ok()) return r;
    r = Place(stage, Target, Recycle);
    if (!r.Ok()) Discard(stage.Path);
    return r;
}

TFileResult MoveFileSafely(const std::wstring& Source, const std::wstring& Target, bool Recycle) {
    if (!Exists(Source)) return Fault(TFileFault::Missing);
    if (IsSameFile(Source, Target)) return Fault(TFileFault::SameFile);
    if (InspectTarget(Source, Target) == TTarget::Different) {
        const TFileResult r = CheckReplaceable(Target, Recycle);
        if (!r.Ok()) return r;
    }
    const std::wstring folder = FolderOf(FullPath(Target));
    TStage stage;
    bool otherVolume = false;
    TFileResult r = StageRename(Source, folder, stage, otherVolume);
    if (!r.Ok() && !otherVolume) return r;
    if (!r.Ok()) {
        if (HeldByAnother(Source)) return Fault(TFileFault::InUse);
        r = StageCopy(Source, folder, stage);
        if (!r.Ok()) return r;
        r = RemoveOriginal(Source);
        if (!r.Ok()) {
            Discard(stage.Path);
            return r;
        }
    }
    r = Place(stage, Target, Recycle);
    if (!r.Ok()) Unstage(stage, Source);
    return r;
}

TFileResult DeleteFileSafely(const std::wstring& Path, bool Recycle) {
    if (!Exists(Path)) return Fault(TFileFault::Missing);
    if (Recycle) return FromRecycle(RecycleFile(Path), false);
    if (IsReadOnly(Path)) return Fault(TFileFault::ReadOnly);
    const DWORD error = DeleteAlone(Path);
    if (error != ERROR_SUCCESS) return FromError(error, Path);
    return Exists(Path) ? Fault(TFileFault::NoAccess) : TFileResult{};
}
