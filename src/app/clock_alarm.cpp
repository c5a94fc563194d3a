// The clock panel, the player's status line and the alarm, driven by Timer1.
#include "app/form1.h"
#include "player/player_window.h"
#include "player/winamp_api.h"

namespace {
constexpr UINT kTickMs = 100;
constexpr UINT kFiringTickMs = 1000;
}  // namespace

std::wstring TForm1::FormatTime(const SYSTEMTIME& time) {
    wchar_t buf[128] = {};
    if (!GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, buf, static_cast<int>(std::size(buf))))
        return {};
    return buf;
}

void TForm1::Timer1Timer() { ClockTick(); }

void TForm1::ClockTick() {
    if (FindPlayerWindow(wa::kWindowClass))
        SetWindowTextW(Panel2, Text(TTextId::StatusDetected, wControl.GetVersionString()).c_str());
    else
        SetWindowTextW(Panel2, Text(TTextId::StatusNotDetected));

    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::wstring nowText = FormatTime(now);
    SetWindowTextW(Panel1, nowText.c_str());

    if (!Checked(CheckBox[1])) return;
    SYSTEMTIME alarm;
    if (!DateTimeToSystemTime(HTime1->GetTime(), alarm)) return;
    // Equal texts, not a time reached: a second missed is not made up later.
    if (FormatTime(alarm) != nowText) return;
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
    SetChecked(CheckBox[1], false);
    Timer1.SetInterval(kTickMs);
}

// Log-off and switch-off are forced on the NT family; the 9x family has no
// power-off and no forcing.
void TForm1::RequestSessionEnd(TShutdownOption NtOption, TShutdownOption Win9xOption) {
    const bool nt = OsInfo1.GetWinVer() == L"NT";
    ShutH1.OperatingSystem = nt ? shWinNT : shWin9x;
    ShutH1.AllowForce = nt;
    ShutH1.Options = nt ? NtOption : Win9xOption;
    ShutH1.Execute();
}

void TForm1::RunAlarmAction() {
    if (Checked(RadioButton[1])) LaunchPlayer(true);
    if (Checked(RadioButton[2])) wControl.Quit();
    if (Checked(RadioButton[3])) RequestSessionEnd(shoLogoff, shoLogoff);
    if (Checked(RadioButton[4])) RequestSessionEnd(shoPoweroff, shoShutdown);
    if (Checked(RadioButton[5])) {
        LaunchPlayer(true);
        wControl.SetVolume(kMaxVolume);
    }
}

void TForm1::CheckBox1Click() {
    const bool armed = Checked(CheckBox[1]);
    HTime1->SetEnabled(armed);
    XPGroupBox4->SetEnabled(armed);
}
