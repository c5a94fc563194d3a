// Reads the player's playlist file entry by entry, as the player writes
// it: one file name per line, "#" lines are comments, blank lines and
// leading blanks or control characters are skipped.
//
// Plain C++ over a byte source, so it also builds natively for fuzzing.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class TPlaylistReader {
public:
    // Fills up to Size bytes and returns how many; 0 means the end. May
    // throw on a read error, which then reaches the reader's caller.
    using TSource = std::function<std::size_t(char* Buffer, std::size_t Size)>;

    explicit TPlaylistReader(TSource Source);

    // The next line that holds anything but characters of code 32 or less,
    // from its first such character to the end of the line (CR or LF);
    // false at the end of the file. A byte-order mark at the very start of
    // the file is not part of the first line.
    bool ReadLine(std::string& Line);

    static bool IsComment(const std::string& Line) { return !Line.empty() && Line[0] == '#'; }

    // Walks to the N-th entry (1-based, comments not counted) from the
    // current place; true and its text when there are N more entries.
    // N = 0 reads nothing and gives true with empty text.
    bool SkipTo(int N, std::string& Entry);

private:
    bool Fill();
    bool Peek(char& c);

    TSource FSource;
    std::vector<char> FChunk;
    std::string FBuffer;
    std::size_t FPos = 0;
    bool FEnd = false;
    bool FStarted = false;
};
