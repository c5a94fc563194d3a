// File steps that never cost the user a song: recycling that cannot turn
// into a deletion for good, comparing files, and copies and moves that are
// checked before the original goes.
#pragma once

#include <string>

enum class TRecycleResult {
    Recycled,      // in the Recycle Bin of its drive
    Missing,       // there was no such file
    InUse,         // another program holds it open: left where it is
    NotAccepted,   // the shell would have destroyed it for good: left where it is
    Failed,        // the shell refused: left where it is
};

// Puts the file into the Recycle Bin through the shell, asking nothing and
// showing no progress. Whatever happens, the file is either in the Recycle
// Bin or still at its place.
TRecycleResult RecycleFile(const std::wstring& Path);

// Two names of one and the same file (one folder chosen as both source and
// target, or two hard links).
bool IsSameFile(const std::wstring& A, const std::wstring& B);

// Same size and same bytes.
bool HaveSameContent(const std::wstring& A, const std::wstring& B);

// Copies Source to Target and checks the copy's size; a copy that failed or
// came out short is removed. With Replace false an existing Target is kept
// and the copy fails.
bool CopyFileChecked(const std::wstring& Source, const std::wstring& Target, bool Replace);

// A rename within a volume; across volumes a checked copy, after which the
// original is removed. When the move fails part-way the original stays and
// the copy is removed.
bool MoveFileSafely(const std::wstring& Source, const std::wstring& Target, bool Replace);
