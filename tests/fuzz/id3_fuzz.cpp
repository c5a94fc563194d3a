// Fuzzes the ID3v1 reader natively: the fuzzer's bytes are the whole file.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "player/file_tail.h"
#include "player/id3_reader.h"

namespace {
const std::uint8_t* gData = nullptr;
std::size_t gSize = 0;

void Check(bool ok) {
    if (!ok) std::abort();
}

void CheckField(const char* field, std::size_t size) {
    const std::string text = ID3FieldText(field, size);
    Check(text.size() <= size);
    Check(text.find('\0') == std::string::npos);
    Check(std::memcmp(text.data(), field, text.size()) == 0);
    Check(text.size() == size || field[text.size()] == '\0');
}
}  // namespace

// The file access, served from the fuzzer's bytes.
TFileTail ReadFileTail(const std::wstring&, unsigned char* Buffer, std::size_t Size) {
    if (gSize < Size) return TFileTail::TooShort;
    std::memcpy(Buffer, gData + gSize - Size, Size);
    return TFileTail::Read;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gData = data;
    gSize = size;
    TID3Rec tag;
    std::memset(&tag, 0xAB, sizeof tag);
    const bool found = GetID3Info(L"fuzz.mp3", tag);
    const bool marked = size >= 128 && std::memcmp(data + size - 128, "TAG", 3) == 0;
    Check(found == marked);
    Check(tag.Genre <= kID3NoGenre);
    if (found) {
        Check(std::memcmp(&tag, data + size - 128, 127) == 0);
    } else {
        Check(std::memcmp(tag.Marker, "NO\0", 3) == 0 && tag.Genre == kID3NoGenre);
        Check(ID3FieldText(tag.Title).empty() && ID3FieldText(tag.Comment).empty());
    }
    CheckField(tag.Title, sizeof tag.Title);
    CheckField(tag.Artist, sizeof tag.Artist);
    CheckField(tag.Album, sizeof tag.Album);
    CheckField(tag.Year, sizeof tag.Year);
    CheckField(tag.Comment, sizeof tag.Comment);
    const std::wstring genre = ID3GenreName(tag);
    Check(tag.Genre == kID3NoGenre ? genre.empty() : genre == GenreStr[tag.Genre]);
    return 0;
}
