#include "player/id3_reader.h"

#include <cstring>

#include "player/file_tail.h"

namespace {
constexpr char kMarker[3] = {'T', 'A', 'G'};
}

// The ID3v1 list (0-79) and the player's extended list (80-125), written
// as one word each.
const std::array<const wchar_t*, 127> GenreStr = {
    L"Blues", L"ClassicRock", L"Country", L"Dance", L"Disco", L"Funk", L"Grunge", L"HipHop",
    L"Jazz", L"Metal", L"NewAge", L"Oldies", L"Other", L"Pop", L"RNB", L"Rap", L"Reggae", L"Rock",
    L"Techno", L"Industrial", L"Alternative", L"Ska", L"DeathMetal", L"Pranks", L"Soundtrack",
    L"EuroTechno", L"Ambient", L"TripHop", L"Vocal", L"JazzFunk", L"Fusion", L"Trance",
    L"Classical", L"Instrumental", L"Acid", L"House", L"Game", L"SoundClip", L"Gospel", L"Noise",
    L"AlternRock", L"Bass", L"Soul", L"Punk", L"Space", L"Meditative", L"InstrumentalPop",
    L"InstrumentalRock", L"Ethnic", L"Gothic", L"Darkwave", L"TechnoIndustrial", L"Electronic",
    L"PopFolk", L"Eurodance", L"Dream", L"SouthernRock", L"Comedy", L"Cult", L"Gangsta", L"Top40",
    L"ChristianRap", L"PopFunk", L"Jungle", L"NativeAmerican", L"Cabaret", L"NewWave",
    L"Psychadelic", L"Rave", L"Showtunes", L"Trailer", L"LoFi", L"Tribal", L"AcidPunk",
    L"AcidJazz", L"Polka", L"Retro", L"Musical", L"RockNRoll", L"HardRock", L"Folk", L"FolkRock",
    L"NationalFolk", L"Swing", L"FastFusion", L"Bebob", L"Latin", L"Revival", L"Celtic",
    L"Bluegrass", L"Avantgarde", L"GothicRock", L"ProgressiveRock", L"PsychedelicRock",
    L"SymphonicRock", L"SlowRock", L"BigBand", L"Chorus", L"EasyListening", L"Acoustic",
    L"Humour", L"Speech", L"Chanson", L"Opera", L"ChamberMusic", L"Sonata", L"Symphony",
    L"BootyBass", L"Primus", L"PornGroove", L"Satire", L"SlowJam", L"Club", L"Tango", L"Samba",
    L"Folklore", L"Ballad", L"PowerBallad", L"RhythmicSoul", L"Freestyle", L"Duet", L"PunkRock",
    L"DrumSolo", L"Acapella", L"EuroHouse", L"DanceHall", L"NO DATA"};

void ResetID3Rec(TID3Rec& Tag) {
    std::memset(&Tag, 0, sizeof Tag);
    Tag.Marker[0] = 'N';
    Tag.Marker[1] = 'O';
    Tag.Genre = kID3NoGenre;
}

bool ParseID3Tail(const unsigned char (&Tail)[kID3Size], TID3Rec& Tag) {
    ResetID3Rec(Tag);
    if (std::memcmp(Tail, kMarker, sizeof kMarker) != 0) return false;
    std::memcpy(&Tag, Tail, kID3Size);
    if (Tag.Genre > kID3NoGenre) Tag.Genre = kID3NoGenre;
    return true;
}

bool GetID3Info(const std::wstring& FileName, TID3Rec& Tag) {
    ResetID3Rec(Tag);
    unsigned char tail[kID3Size];
    if (ReadFileTail(FileName, tail, kID3Size) != TFileTail::Read) return false;
    return ParseID3Tail(tail, Tag);
}

std::string ID3FieldText(const char* Field, std::size_t Size) {
    const void* zero = std::memchr(Field, 0, Size);
    const std::size_t n = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - Field) : Size;
    return std::string(Field, n);
}

std::wstring ID3GenreName(const TID3Rec& Tag) {
    if (Tag.Genre >= kID3NoGenre) return {};
    return GenreStr[Tag.Genre];
}
