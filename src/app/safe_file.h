// File steps that never cost the user a song: recycling that cannot turn
// into a deletion for good, comparing files, and copies and moves that put
// nothing in place before it is complete and take nothing away before its
// replacement is safe.
#pragma once

#include <windows.h>

#include <string>

enum class TRecycleResult {
    Recycled,      // in the Recycle Bin of its drive, with its place recorded
    Missing,       // there was no such file
    InUse,         // another program holds it open: left where it is
    NotAccepted,   // the drive has no Recycle Bin, or the shell would have destroyed it: left where it is
    TooLong,       // the path is too long for the Recycle Bin: left where it is
    Failed,        // the shell refused: left where it is
};

// Puts the file into the Recycle Bin through the shell, asking nothing and
// showing no progress. Whatever happens, the file is either in the Recycle
// Bin or still at its place, and no other file is left beside it.
TRecycleResult RecycleFile(const std::wstring& Path);

// Two names of one and the same file (one folder chosen as both source and
// target, or two hard links). A file whose identity the system cannot give
// counts as another file.
bool IsSameFile(const std::wstring& A, const std::wstring& B);

// Same size and same bytes.
bool HaveSameContent(const std::wstring& A, const std::wstring& B);

// Why a copy, move or deletion did not happen.
enum class TFileFault {
    None,
    Missing,        // the file is not there
    SameFile,       // source and target are one file
    InUse,          // another program holds it
    ReadOnly,       // the file is read-only
    NotAccepted,    // the Recycle Bin does not take it
    TooLongForBin,  // the path is too long for the Recycle Bin
    RecycleFailed,  // the Recycle Bin refused it
    NoRoom,         // the drive is full
    NoFolder,       // the folder does not exist
    NoAccess,       // no right to write or delete there
    NotVerified,    // the copy did not read back as the original
    System,         // another failure: Code says which
};

struct TFileResult {
    TFileFault Fault = TFileFault::None;
    DWORD Code = 0;             // the system's error code, for System
    bool AboutTarget = false;   // the file already at the target was the obstacle
    bool Ok() const { return Fault == TFileFault::None; }
};

// Copies Source to Target. A file of the same name that holds other bytes
// is put into the Recycle Bin (Recycle) or overwritten, but only once the
// new copy is complete, flushed and read back as the original. On any
// failure every file is as it was.
TFileResult CopyFileSafely(const std::wstring& Source, const std::wstring& Target, bool Recycle);

// Moves Source to Target: within a volume a rename, across volumes a
// flushed and verified copy after which the original goes. The file at the
// target is replaced only when the original has left its place. On any
// failure every file is as it was.
TFileResult MoveFileSafely(const std::wstring& Source, const std::wstring& Target, bool Recycle);

// Deletes the file: into the Recycle Bin (Recycle) or for good.
TFileResult DeleteFileSafely(const std::wstring& Path, bool Recycle);
