// A field for entering a time of day: a container window around the common
// controls' date-time picker in time format with up-down arrows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

// Days since 30 December 1899 as the whole part, the time of day as the
// fraction of a day.
using TDateTime = double;

TDateTime SystemTimeToDateTime(const SYSTEMTIME& st);
// False for values outside the range SYSTEMTIME can hold (years 1601-30827).
bool DateTimeToSystemTime(TDateTime value, SYSTEMTIME& st);

// A colour: an RGB value, or a system colour index with the top bit set.
using TColor = std::uint32_t;
constexpr TColor clInactiveCaption = 0x80000003;
constexpr TColor clWindow = 0x80000005;
constexpr TColor clWindowText = 0x80000008;
COLORREF ColorToRGB(TColor color);

class THTime {
public:
    using TNotifyEvent = std::function<void(THTime& Sender)>;

    explicit THTime(HWND Parent);
    ~THTime();
    THTime(const THTime&) = delete;
    THTime& operator=(const THTime&) = delete;

    HWND Handle() const noexcept { return FHandle; }
    HWND Picker() const noexcept { return FPicker; }

    TDateTime GetTime() const;
    // Only the time of day of the value is taken; the picker keeps its date.
    void SetTime(TDateTime Value);

    bool GetEnabled() const;
    void SetEnabled(bool Value);

    const TNotifyEvent& GetOnTimeEnter() const noexcept { return FOnTimeEnter; }
    void SetOnTimeEnter(TNotifyEvent Handler) { FOnTimeEnter = std::move(Handler); }
    // The user changed the time in the picker.
    const TNotifyEvent& GetOnChange() const noexcept { return FOnChange; }
    void SetOnChange(TNotifyEvent Handler) { FOnChange = std::move(Handler); }

    // The picker's colours as the field set them last.
    TColor PickerColor() const noexcept { return FPickerColor; }
    TColor PickerFontColor() const noexcept { return FPickerFontColor; }

    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetBounds(int Left, int Top, int Width, int Height);
    // The picker's 68 x 21 are design pixels at 96 dpi; the owner scales them
    // for its monitor. The container's own size stays the owner's business.
    void ScalePicker(UINT Dpi);

private:
    static LRESULT CALLBACK ContainerProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    static LRESULT CALLBACK PickerProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                       DWORD_PTR data) noexcept;
    void SetPickerColors(TColor Background, TColor Text);
    void PaintDisabled(HDC dc) const;
    RECT Bounds() const;

    HWND FHandle = nullptr;
    HWND FPicker = nullptr;
    TColor FPickerColor = clWindow;
    TColor FPickerFontColor = clWindowText;
    HBRUSH FBrush = nullptr;  // the picker's background, for WM_CTLCOLOREDIT
    TNotifyEvent FOnTimeEnter;
    TNotifyEvent FOnChange;
};
