// Fuzzes the playlist reader natively. The first byte sets how many bytes
// each read hands over (as a file read may stop anywhere), the second which
// entry to look up; the rest is the playlist file. The reader must agree
// with a plain reading of the whole file.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "player/playlist_reader.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

// The rules read off the whole text at once.
std::vector<std::string> PlainLines(std::string text) {
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    std::vector<std::string> out;
    std::size_t at = 0;
    for (;;) {
        while (at < text.size() && static_cast<unsigned char>(text[at]) <= 32) ++at;
        if (at >= text.size()) return out;
        const std::size_t end = text.find_first_of("\r\n", at);
        const std::size_t stop = end == std::string::npos ? text.size() : end;
        out.push_back(text.substr(at, stop - at));
        at = stop;
    }
}

TPlaylistReader::TSource Serve(const std::string& text, std::size_t piece) {
    auto at = std::make_shared<std::size_t>(0);
    return [&text, piece, at](char* buffer, std::size_t size) {
        std::size_t n = text.size() - *at;
        if (n > size) n = size;
        if (n > piece) n = piece;
        std::memcpy(buffer, text.data() + *at, n);
        *at += n;
        return n;
    };
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t piece = 1 + data[0];
    const int wanted = data[1] % 40;
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::vector<std::string> expected = PlainLines(text);

    TPlaylistReader reader(Serve(text, piece));
    std::vector<std::string> lines;
    std::string line;
    while (reader.ReadLine(line)) {
        Check(!line.empty() && static_cast<unsigned char>(line[0]) > 32);
        Check(line.find_first_of("\r\n") == std::string::npos);
        lines.push_back(line);
    }
    Check(lines == expected);
    Check(!reader.ReadLine(line));

    std::vector<std::string> entries;
    for (const auto& l : expected)
        if (!TPlaylistReader::IsComment(l)) entries.push_back(l);
    TPlaylistReader walker(Serve(text, piece));
    std::string entry = "untouched";
    const bool found = walker.SkipTo(wanted, entry);
    Check(found == (static_cast<std::size_t>(wanted) <= entries.size()));
    if (found) Check(wanted == 0 ? entry.empty() : entry == entries[static_cast<std::size_t>(wanted) - 1]);
    else Check(entry == "untouched");
    return 0;
}
