#include "player/player_steps.h"

#include <algorithm>
#include <cstdint>

#include "player/player_window.h"
#include "player/winamp_api.h"

namespace {

// The length comes in the 16 bits the interface gives it: a player that has
// none (a stream) answers -1, which reads as this.
constexpr WORD kNoLength = 0xFFFF;

// Where a step from At lands inside 0..End, or At itself when it cannot move.
std::uint32_t Stepped(std::uint32_t At, std::uint32_t Step, std::uint32_t End, bool Forward) {
    if (Forward) return At >= End ? At : std::min(At + Step, End);
    return At > Step ? At - Step : 0;
}

}  // namespace

// Nothing is set unless the volume was read: a player that did not answer
// keeps its volume, and the key's round has given up on it anyway.
void StepVolume(TTarnWinAmpLink& Link, int Percent, bool Up) {
    if (Percent <= 0 && Up) return Link.VolRaise();
    if (Percent <= 0) return Link.VolLower();
    TPlayerRound round;
    const int volume = Link.GetVolume();
    if (!round.AllAnswered()) return;
    const int step = std::max(1, (Percent * wa::kFullVolume + 50) / 100);
    const int next = std::clamp(volume + (Up ? step : -step), 0, wa::kFullVolume);
    if (next != volume) Link.SetVolume(static_cast<std::uint8_t>(next));
}

// A player with no track position to step from (stopped, or playing a
// stream of no length) gets its own command, which does there whatever it
// always did; one that did not answer gets nothing.
void StepPosition(TTarnWinAmpLink& Link, int Seconds, bool Forward) {
    const auto own = [&] {
        if (Forward)
            Link.TrackFF();
        else
            Link.TrackFR();
    };
    if (Seconds <= 0) return own();
    TPlayerRound round;
    const bool stopped = Link.GetPlayBackStatus() == TTarnWinAmpPlayBackStatus::wapsStopped;
    if (!round.AllAnswered()) return;
    const WORD length = stopped ? 0 : Link.GetTrackLength();
    if (!round.AllAnswered()) return;
    if (length == 0 || length == kNoLength) return own();
    const std::uint32_t at = Link.GetTrackPosition();
    if (!round.AllAnswered()) return;
    const std::uint32_t to = Stepped(at, static_cast<std::uint32_t>(Seconds) * 1000, length * 1000u, Forward);
    if (to != at) Link.SetTrackPosition(to);
}
