// The ID3v1 tag in the last 128 bytes of an audio file, and the names of
// its genre numbers.
//
// Everything here but the file access (file_tail.h) is plain C++, so the
// parser also builds natively for fuzzing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// The tag exactly as it lies at the end of the file.
struct TID3Rec {
    char Marker[3];
    char Title[30];
    char Artist[30];
    char Album[30];
    char Year[4];
    char Comment[30];
    std::uint8_t Genre;
};
static_assert(sizeof(TID3Rec) == 128, "an ID3v1 tag is 128 bytes");

constexpr std::size_t kID3Size = sizeof(TID3Rec);
// The genre number that stands for "no genre"; higher bytes are lowered to it.
constexpr std::uint8_t kID3NoGenre = 126;

// Genre names by number; entry 126 is never shown (see ID3GenreName).
extern const std::array<const wchar_t*, 127> GenreStr;

// The state that stands for a file without a tag: marker "NO", texts
// empty, genre 126.
void ResetID3Rec(TID3Rec& Tag);

// Takes the last 128 bytes of a file; true and the tag in Tag when they
// carry one, false and the reset state otherwise.
bool ParseID3Tail(const unsigned char (&Tail)[kID3Size], TID3Rec& Tag);

// Reads the tag of a file. A missing file, a folder, a file shorter than
// 128 bytes or one without the "TAG" marker give false and the reset state.
// A file that exists but cannot be opened or read throws EPlovikError.
bool GetID3Info(const std::wstring& FileName, TID3Rec& Tag);

// A text field's bytes up to its first zero byte (all of them when there is
// none), in the system's 8-bit code page. Trailing blanks stay.
std::string ID3FieldText(const char* Field, std::size_t Size);
template <std::size_t N>
std::string ID3FieldText(const char (&Field)[N]) {
    return ID3FieldText(Field, N);
}

// Genre name of a tag: empty for genre 126, else GenreStr's entry.
std::wstring ID3GenreName(const TID3Rec& Tag);
