// The settings window as a view of the settings object: it shows the object
// whenever the object is loaded or reset, and writes every change of a
// control back at once, so that an unsaved tick or key acts from then on.
#include "app/form1.h"
#include "app/form_window.h"
#include "app/hotkey_field.h"
#include "app/step_list.h"

using namespace form_window;

namespace {
// The option boxes, the alarm's own box (1) and the unused 11 aside.
bool IsOptionBox(int n) { return n >= 2 && n <= kLastOption && n != 11; }
}  // namespace

bool TForm1::Checked(HWND box) const { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TForm1::SetChecked(HWND box, bool on) {
    if (Checked(box) == on) return;
    SendMessageW(box, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    OnCommand(GetDlgCtrlID(box), BN_CLICKED);
}

void TForm1::SetRadio(int n, bool on) {
    Settings.SetAlarmAction(n, on);
    ShowAlarmActions();
}

void TForm1::ShowAlarmActions() {
    if (!FHandle) return;
    for (int i = 1; i <= 5; ++i)
        SendMessageW(RadioButton[i], BM_SETCHECK, Settings.AlarmActions[i] ? BST_CHECKED : BST_UNCHECKED, 0);
    // Tab stops at the selected action (the first when none is), the
    // arrows do the rest.
    int stop = 1;
    for (int i = 1; i <= 5; ++i)
        if (Settings.AlarmActions[i]) stop = i;
    for (int i = 1; i <= 5; ++i) {
        const LONG_PTR style = GetWindowLongPtrW(RadioButton[i], GWL_STYLE);
        SetWindowLongPtrW(RadioButton[i], GWL_STYLE, i == stop ? style | WS_TABSTOP : style & ~LONG_PTR{WS_TABSTOP});
    }
}

// The time can be edited only while armed: the window's time field and
// actions are enabled with the alarm.
void TForm1::ShowAlarmArmed() {
    if (!FHandle) return;
    SendMessageW(CheckBox[1], BM_SETCHECK, FAlarmArmed ? BST_CHECKED : BST_UNCHECKED, 0);
    HTime1->SetEnabled(FAlarmArmed);
    XPGroupBox4->SetEnabled(FAlarmArmed);
}

void TForm1::SetTargetFolder(const std::wstring& folder) {
    Settings.Folder = folder;
    if (FHandle) SetWindowTextW(Edit1, folder.c_str());
}

void TForm1::ShowSettings() {
    if (!FHandle) return;
    FShowing = true;
    struct TDone {
        bool& Flag;
        ~TDone() { Flag = false; }
    } done{FShowing};
    for (int n = 1; n <= kActionCount; ++n) SetHotKeyWord(HotKey[n], Settings.KeyInForce(n));
    for (int n = 2; n <= kLastOption; ++n)
        if (IsOptionBox(n))
            SendMessageW(CheckBox[n], BM_SETCHECK, Settings.Options[n] ? BST_CHECKED : BST_UNCHECKED, 0);
    ShowAlarmActions();
    HTime1->SetTime(Settings.AlarmTime);
    ShowAlarmArmed();
    SetWindowTextW(Edit1, Settings.Folder.c_str());
    SendMessageW(OsdPlaceBox, CB_SETCURSEL, static_cast<WPARAM>(Settings.OsdPlace), 0);
    SendMessageW(OsdSecondsBox, CB_SETCURSEL, static_cast<WPARAM>(Settings.OsdSeconds - kOsdMinSeconds), 0);
    SetWindowTextW(NowPlayingTemplate, Settings.NowPlayingTemplate.c_str());
    FillStepList(VolStepBox, TStepUnit::Percent, Settings.VolStep);
    FillStepList(SeekStepBox, TStepUnit::Seconds, Settings.SeekStep);
    for (int n = 1; n <= kActionCount; ++n) UpdateHotKeyMark(n);
}

// The user's change of a control, or a change made in code as the user's.
void TForm1::ControlChanged(int id, int code) {
    if (FShowing) return;
    const int key = id - kIdHotKeyBase, box = id - kIdCheckBoxBase;
    if (code == EN_CHANGE && key >= 1 && key <= kActionCount) Settings.SetKeyFromField(key, GetHotKeyWord(HotKey[key]));
    if (code == BN_CLICKED && IsOptionBox(box)) Settings.Options[box] = Checked(CheckBox[box]);
    if (code == EN_CHANGE && id == kIdEdit1) Settings.Folder = WindowText(Edit1);
    if (code == EN_CHANGE && id == kIdNowPlayingTemplate) Settings.NowPlayingTemplate = WindowText(NowPlayingTemplate);
    if (code == CBN_SELCHANGE && id == kIdOsdPlace)
        Settings.OsdPlace = static_cast<int>(SendMessageW(OsdPlaceBox, CB_GETCURSEL, 0, 0));
    if (code == CBN_SELCHANGE && id == kIdOsdSeconds)
        Settings.OsdSeconds = kOsdMinSeconds + static_cast<int>(SendMessageW(OsdSecondsBox, CB_GETCURSEL, 0, 0));
    if (code == CBN_SELCHANGE && id == kIdVolStep) Settings.VolStep = SelectedStep(VolStepBox);
    if (code == CBN_SELCHANGE && id == kIdSeekStep) Settings.SeekStep = SelectedStep(SeekStepBox);
}
