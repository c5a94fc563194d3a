// The clock panel and the player's status line, driven by Timer1 while the
// window is shown, and the alarm, checked on each second while it is armed.
#include "app/form1.h"
#include "player/player_window.h"
#include "player/winamp_api.h"

namespace {
constexpr UINT kTickMs = 100;
constexpr UINT kFiringTickMs = 1000;
// The alarm's check comes this long after each second begins: late enough
// for a timer that is a little early to land in the new second.
constexpr UINT kPastTheSecondMs = 15;

UINT MsToNextSecond() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return 1000 - now.wMilliseconds + kPastTheSecondMs;
}

// Armed, or its time changed while armed: the checks come on the seconds to
// come, so the second we are in is looked at now; an alarm set for it would
// otherwise wait a whole day.
void CheckAlarmFromNow(TForm1& form) {
    form.ScheduleAlarmCheck();
    form.CheckAlarm();
}
}  // namespace

std::wstring TForm1::FormatTime(const SYSTEMTIME& time) {
    wchar_t buf[128] = {};
    if (!GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, buf, static_cast<int>(std::size(buf))))
        return {};
    return buf;
}

void TForm1::Timer1Timer() { RefreshPanels(); }

void TForm1::ClockTick() {
    RefreshPanels();
    CheckAlarm();
}

// A hidden window's panels are seen by nobody: they are brought up to date
// when it is shown, and kept so while it is.
void TForm1::UpdateClockTimer() {
    const bool shown = FHandle && IsWindowVisible(FHandle);
    if (shown == Timer1.Enabled()) return;
    Timer1.SetEnabled(shown);
    if (shown) RefreshPanels();
}

void TForm1::RefreshPanels() {
    if (!FHandle) return;
    if (FindPlayerWindow(wa::kWindowClass))
        SetWindowTextW(Panel2, Text(TTextId::StatusDetected, wControl.GetVersionString()).c_str());
    else
        SetWindowTextW(Panel2, Text(TTextId::StatusNotDetected));

    SYSTEMTIME now;
    GetLocalTime(&now);
    SetWindowTextW(Panel1, FormatTime(now).c_str());
}

void TForm1::ScheduleAlarmCheck() {
    AlarmTimer.SetInterval(MsToNextSecond());
    AlarmTimer.SetEnabled(true);
}

void TForm1::AlarmTimerTimer() {
    // Each check sets up the next: the seconds stay aligned whatever the
    // action took.
    CheckAlarm();
    if (FAlarmArmed) ScheduleAlarmCheck();
}

void TForm1::CheckAlarm() {
    if (!FAlarmArmed) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    SYSTEMTIME alarm;
    if (!DateTimeToSystemTime(Settings.AlarmTime, alarm)) return;
    // Equal texts, not a time reached: a second missed is not made up later.
    if (FormatTime(alarm) != FormatTime(now)) return;
    Timer1.SetInterval(kFiringTickMs);
    // The alarm disarms also when its action fails; the error is shown
    // afterwards, in front, since the alarm may be running unattended.
    try {
        RunAlarmAction();
    } catch (...) {
        Disarm();
        Application().HandleException(MB_SETFOREGROUND | MB_TOPMOST);
        return;
    }
    Disarm();
}

void TForm1::Disarm() {
    SetAlarmArmed(false);
    Timer1.SetInterval(kTickMs);
}

// Log-off and switch-off are forced on the NT family; the 9x family has no
// power-off and no forcing.
void TForm1::RequestSessionEnd(TShutdownOption NtOption, TShutdownOption Win9xOption) {
    // A forced end brings no end-of-session messages: save as they would.
    Guarded([this] { FormClose(); });
    const bool nt = OsInfo1.GetWinVer() == L"NT";
    ShutH1.OperatingSystem = nt ? shWinNT : shWin9x;
    ShutH1.AllowForce = nt;
    ShutH1.Options = nt ? NtOption : Win9xOption;
    ShutH1.Execute();
}

void TForm1::RunAlarmAction() {
    const auto& chosen = Settings.AlarmActions;
    if (chosen[1]) LaunchPlayer(true);
    if (chosen[2]) wControl.Quit();
    if (chosen[3]) RequestSessionEnd(shoLogoff, shoLogoff);
    if (chosen[4]) RequestSessionEnd(shoPoweroff, shoShutdown);
    if (chosen[5]) {
        LaunchPlayer(true);
        wControl.SetVolume(kMaxVolume);
    }
}

void TForm1::CheckBox1Click() { SetAlarmArmed(Checked(CheckBox[1])); }

void TForm1::SetAlarmArmed(bool armed) {
    FAlarmArmed = armed;
    ShowAlarmArmed();
    if (!armed) {
        AlarmTimer.SetEnabled(false);
        return;
    }
    CheckAlarmFromNow(*this);
}

// A new time while armed is looked at in its own second too.
void TForm1::SetAlarmTime(double time) {
    Settings.AlarmTime = time;
    if (FAlarmArmed) CheckAlarmFromNow(*this);
}
