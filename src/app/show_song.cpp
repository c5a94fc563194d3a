// What plays, shown where the user looks and written where other programs
// read it: the on-screen display after a change of song or a key, and the
// now-playing file. Nothing here waits on the player before the display
// shows; what a key asks the player it asks inside the key's own round.
#include "app/form1.h"
#include "app/track_title.h"
#include "player/player_window.h"
#include "player/winamp_api.h"

#include <cstdint>

namespace {

constexpr int kMaxCaption = 2047;

std::wstring PlayerCaption(HWND player) {
    std::wstring caption(kMaxCaption + 1, L'\0');
    caption.resize(static_cast<size_t>(GetWindowTextW(player, caption.data(), kMaxCaption + 1)));
    return caption;
}

TTextId StateWord(TPlayState state) {
    if (state == TPlayState::psPause) return TTextId::OsdPaused;
    if (state == TPlayState::psStop) return TTextId::OsdStopped;
    return TTextId::OsdPlaying;
}

TPlayState StateOf(int answer) {
    if (answer == wa::kStatePlaying) return TPlayState::psPlay;
    if (answer == wa::kStatePaused) return TPlayState::psPause;
    return TPlayState::psStop;
}

// "Играет: 3. Artist - Title (3:45)"
std::wstring SongLine(const TForm1::TSongNow& now) {
    const TNowPlayingSong& s = now.Song;
    std::wstring line = std::wstring(Text(StateWord(now.State))) + L": ";
    if (s.Number > 0) line += std::to_wstring(s.Number) + L". ";
    line += s.Artist.empty() ? s.Title : s.Artist + L" - " + s.Title;
    if (s.LengthSeconds > 0) line += L" (" + FormatDuration(s.LengthSeconds) + L")";
    return line;
}

std::wstring Trimmed(std::wstring text) {
    while (!text.empty() && text.back() == L' ') text.pop_back();
    return text;
}

}  // namespace

TForm1::TSongNow TForm1::SongNow() {
    TSongNow now;
    HWND player = FindPlayerWindow(wa::kWindowClass);
    if (!player) return now;
    now.Running = true;
    const TCaptionSong caption = SongFromCaption(PlayerCaption(player));
    now.State = caption.Stopped ? TPlayState::psStop : caption.Paused ? TPlayState::psPause : TPlayState::psPlay;
    now.Song.Number = caption.Number;
    const TTrackData& tag = wCtrl.TrackData();
    // The tag's fields are blank-filled to their width.
    if (tag.HasTag && !Trimmed(tag.Title).empty()) {
        now.Song.Artist = Trimmed(tag.Artist);
        now.Song.Title = Trimmed(tag.Title);
        now.Song.Album = Trimmed(tag.Album);
        return now;
    }
    now.Song.Artist = caption.Artist;
    now.Song.Title = caption.Title;
    return now;
}

void TForm1::ShowOsd(const std::wstring& Text, int BarPercent) {
    ++FOsdShown;
    Osd.Place = static_cast<TOsdPlace>(Settings.OsdPlace);
    Osd.Seconds = Settings.OsdSeconds;
    Osd.Show(Text, BarPercent);
}

void TForm1::FillInLater(WPARAM wp, LPARAM code, std::function<void(TForm1&, LRESULT)> fill) {
    const unsigned shown = FOsdShown;
    PlayerAskLater(FindPlayerWindow(wa::kWindowClass), WM_USER, wp, code,
                   [shown, fill = std::move(fill)](LRESULT answer) {
                       TForm1* form = TForm1::Running();
                       if (form && form->FOsdShown == shown && form->Osd.Showing()) fill(*form, answer);
                   });
}

namespace {
bool FileWanted(const TSettings& s) { return s.Options[optNowPlaying] && !s.NowPlayingFile.empty(); }
}  // namespace

// The display and the file get what the caption and the tag tell at once;
// the length, which only the player knows, follows when it answers.
void TForm1::ShowSong(bool displayed) {
    TSongNow now = SongNow();
    if (displayed) ShowOsd(SongLine(now));
    WriteNowPlaying(now);
    const bool fileNeedsLength =
        FileWanted(Settings) && Settings.NowPlayingTemplate.find(L"%length%") != std::wstring::npos;
    if (!now.Running || (!displayed && !fileNeedsLength)) return;
    const unsigned asked = ++FSongAsked;
    const unsigned shown = FOsdShown;
    PlayerAskLater(FindPlayerWindow(wa::kWindowClass), WM_USER, 1, wa::kIpcGetOutputTime,
                   [asked, shown, now, displayed](LRESULT answer) mutable {
                       TForm1* form = TForm1::Running();
                       const auto length = static_cast<std::int32_t>(answer & 0xFFFFFFFF);
                       if (!form || length <= 0) return;
                       now.Song.LengthSeconds = length;
                       form->SongLengthArrived(asked, now, displayed && form->FOsdShown == shown);
                   });
}

void TForm1::SongLengthArrived(unsigned Asked, TSongNow Now, bool Displayed) {
    if (Asked != FSongAsked) return;
    if (Displayed && Osd.Showing()) Osd.Refresh(SongLine(Now));
    if (Settings.NowPlayingTemplate.find(L"%length%") != std::wstring::npos) WriteNowPlaying(Now);
}

void TForm1::WriteNowPlaying(const TSongNow& Now) {
    if (!FileWanted(Settings)) return;
    if (!Now.Running || Now.State == TPlayState::psStop) {
        ClearNowPlaying();
        return;
    }
    NowPlaying.Write(Settings.NowPlayingFile, FillNowPlaying(Settings.NowPlayingTemplate, Now.Song));
}

void TForm1::ClearNowPlaying() {
    if (!FileWanted(Settings)) return;
    NowPlaying.Write(Settings.NowPlayingFile, L"");
}

// Runs after the key's command: it sends the player nothing the key waits
// for. What the key changed is asked without waiting and filled in when
// the player answers; a player that does not answer leaves the word alone.
void TForm1::ShowKeyResult(int n) {
    if (n == 8) ClearNowPlaying();
    // Playing again after a stop: the file names the song once more.
    if (n == 6 || n == 7 || n == 33) ShowSong(false);
    if (!Settings.Options[optOsdKeys]) return;
    switch (n) {
        case 5: ShowOsd(Text(HotKeysSuspended ? TTextId::KeysOffBalloon : TTextId::KeysOnBalloon)); return;
        case 6: ShowOsd(Text(TTextId::OsdPlaying)); return;
        case 8: ShowOsd(Text(TTextId::OsdStopped)); return;
        case 28: ShowSong(true); return;
        default: break;
    }
    if (!FindPlayerWindow(wa::kWindowClass)) return;
    switch (n) {
        case 7:
        case 33:
            // The caption has the state already; the player's answer confirms it.
            ShowOsd(Text(StateWord(SongNow().State)));
            FillInLater(0, wa::kIpcIsPlaying, [](TForm1& f, LRESULT answer) {
                f.Osd.Refresh(Text(StateWord(StateOf(static_cast<int>(answer & 0xFFFFFFFF)))));
            });
            return;
        case 11:
        case 12:
            ShowOsd(Text(TTextId::OsdVolumeAsked));
            FillInLater(wa::kVolumeQuery, wa::kIpcSetVolume, [](TForm1& f, LRESULT answer) {
                const int percent = (static_cast<int>(answer & 0xFF) * 100 + 127) / 255;
                f.Osd.Refresh(Text(TTextId::OsdVolume, std::to_wstring(percent)), percent);
            });
            return;
        case 13:
        case 14:
            ShowOsd(Text(TTextId::OsdPositionAsked));
            FillInLater(0, wa::kIpcGetOutputTime, [](TForm1& f, LRESULT position) {
                const auto ms = static_cast<std::int32_t>(position & 0xFFFFFFFF);
                f.FillInLater(1, wa::kIpcGetOutputTime, [ms](TForm1& g, LRESULT length) {
                    const auto s = static_cast<std::int32_t>(length & 0xFFFFFFFF);
                    if (ms < 0 || s <= 0) return;
                    const int percent = static_cast<int>(static_cast<long long>(ms) / 10 / s);
                    g.Osd.Refresh(Text(TTextId::OsdPosition, FormatDuration(ms / 1000), FormatDuration(s)), percent);
                });
            });
            return;
        case 17:
            ShowOsd(Text(TTextId::OsdRepeatAsked));
            FillInLater(0, wa::kIpcGetRepeat, [](TForm1& f, LRESULT answer) {
                f.Osd.Refresh(Text((answer & 0xFFFFFFFF) == 1 ? TTextId::OsdRepeatOn : TTextId::OsdRepeatOff));
            });
            return;
        default: return;
    }
}

void TForm1::ChooseNowPlayingFile() {
    NowPlayingDialog.Owner = FHandle;
    NowPlayingDialog.Save = true;
    NowPlayingDialog.Title = Text(TTextId::NowPlayingTitle);
    NowPlayingDialog.Filter = Text(TTextId::NowPlayingFilter);
    NowPlayingDialog.FileName = Settings.NowPlayingFile;
    if (!NowPlayingDialog.Execute()) return;
    Settings.NowPlayingFile = NowPlayingDialog.FileName;
    ShowSong(false);
}
