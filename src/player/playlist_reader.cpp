#include "player/playlist_reader.h"

#include <utility>

namespace {
constexpr std::size_t kChunk = 64 * 1024;
constexpr char kBom[] = "\xEF\xBB\xBF";
}  // namespace

TPlaylistReader::TPlaylistReader(TSource Source) : FSource(std::move(Source)) {}

// Keeps only what is not yet consumed (nothing, except while looking for
// the byte-order mark) and appends the next piece of the file.
bool TPlaylistReader::Fill() {
    if (FEnd) return false;
    FBuffer.erase(0, FPos);
    FPos = 0;
    FChunk.resize(kChunk);
    std::size_t got = FSource ? FSource(FChunk.data(), FChunk.size()) : 0;
    if (got > FChunk.size()) got = FChunk.size();
    if (got == 0) {
        FEnd = true;
        return false;
    }
    FBuffer.append(FChunk.data(), got);
    return true;
}

bool TPlaylistReader::Peek(char& c) {
    while (FPos >= FBuffer.size())
        if (!Fill()) return false;
    c = FBuffer[FPos];
    return true;
}

bool TPlaylistReader::ReadLine(std::string& Line) {
    if (!FStarted) {
        FStarted = true;
        while (FBuffer.size() < 3 && Fill()) {
        }
        if (FBuffer.compare(0, 3, kBom) == 0) FPos = 3;
    }
    char c = 0;
    for (;;) {
        if (!Peek(c)) return false;
        if (static_cast<unsigned char>(c) > 32) break;
        ++FPos;
    }
    Line.clear();
    while (Peek(c) && c != '\r' && c != '\n') {
        // Take the rest of what is buffered up to the line end in one go.
        std::size_t end = FPos;
        while (end < FBuffer.size() && FBuffer[end] != '\r' && FBuffer[end] != '\n') ++end;
        Line.append(FBuffer, FPos, end - FPos);
        FPos = end;
    }
    return true;
}

bool TPlaylistReader::SkipTo(int N, std::string& Entry) {
    std::string line;
    int i = 0;
    while (i < N && ReadLine(line))
        if (!IsComment(line)) ++i;
    if (i != N) return false;
    Entry = N > 0 ? line : std::string();
    return true;
}
