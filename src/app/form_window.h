// What the settings window's files share: its classes, its size and the
// numbers of its controls.
#pragma once

#include <windows.h>

#include "app/texts.h"

namespace form_window {

inline constexpr wchar_t kFormClass[] = L"TForm1";
inline constexpr wchar_t kPageClass[] = L"TPlovikPage";
inline constexpr TTextId kTabCaptions[] = {TTextId::TabApplication, TTextId::TabMain, TTextId::TabExtra,
                                           TTextId::TabFiles, TTextId::TabOptions};
inline constexpr int kClientWidth = 458, kClientHeight = 401;

enum : int {
    kIdHotKeyBase = 1000,    // + N
    kIdCheckBoxBase = 1100,  // + N
    kIdRadioBase = 1200,     // + N
    kIdButton1 = 1301,
    kIdButton2,
    kIdButton3,
    kIdButton4,
    kIdEdit1,
    kIdOsdPlace,
    kIdOsdSeconds,
    kIdNowPlayingTemplate,
    kIdNowPlayingButton,
    kIdVolStep,
    kIdSeekStep,
    kIdPageControl = 1400,
};

inline constexpr COLORREF kLime = RGB(0, 255, 0);

}  // namespace form_window
