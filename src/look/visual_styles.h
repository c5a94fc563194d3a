// The desktop's visual styles, reached through "uxtheme.dll" bound by name at
// run time: the program still starts on a system without the library, and
// every themed control then draws in the classic style.
#pragma once

#include <windows.h>
#include <uxtheme.h>

// One entry per function of the visual-style library; an entry stays empty
// when the library or that function is missing, so callers test it first.
struct TThemeLibrary {
    HMODULE Module = nullptr;
    bool Loaded = false;

    decltype(&::OpenThemeData) OpenThemeData = nullptr;
    decltype(&::CloseThemeData) CloseThemeData = nullptr;
    decltype(&::DrawThemeBackground) DrawThemeBackground = nullptr;
    decltype(&::DrawThemeText) DrawThemeText = nullptr;
    decltype(&::GetThemeBackgroundContentRect) GetThemeBackgroundContentRect = nullptr;
    decltype(&::GetThemeBackgroundExtent) GetThemeBackgroundExtent = nullptr;
    decltype(&::GetThemeTextExtent) GetThemeTextExtent = nullptr;
    decltype(&::GetThemePartSize) GetThemePartSize = nullptr;
    decltype(&::GetThemeTextMetrics) GetThemeTextMetrics = nullptr;
    decltype(&::GetThemeBackgroundRegion) GetThemeBackgroundRegion = nullptr;
    decltype(&::HitTestThemeBackground) HitTestThemeBackground = nullptr;
    decltype(&::DrawThemeEdge) DrawThemeEdge = nullptr;
    decltype(&::DrawThemeIcon) DrawThemeIcon = nullptr;
    decltype(&::IsThemePartDefined) IsThemePartDefined = nullptr;
    decltype(&::IsThemeBackgroundPartiallyTransparent) IsThemeBackgroundPartiallyTransparent = nullptr;
    decltype(&::GetThemeColor) GetThemeColor = nullptr;
    decltype(&::GetThemeMetric) GetThemeMetric = nullptr;
    decltype(&::GetThemeString) GetThemeString = nullptr;
    decltype(&::GetThemeBool) GetThemeBool = nullptr;
    decltype(&::GetThemeInt) GetThemeInt = nullptr;
    decltype(&::GetThemeEnumValue) GetThemeEnumValue = nullptr;
    decltype(&::GetThemePosition) GetThemePosition = nullptr;
    decltype(&::GetThemeFont) GetThemeFont = nullptr;
    decltype(&::GetThemeRect) GetThemeRect = nullptr;
    decltype(&::GetThemeMargins) GetThemeMargins = nullptr;
    decltype(&::GetThemeIntList) GetThemeIntList = nullptr;
    decltype(&::SetWindowTheme) SetWindowTheme = nullptr;
    decltype(&::GetThemeFilename) GetThemeFilename = nullptr;
    decltype(&::GetThemeSysColor) GetThemeSysColor = nullptr;
    decltype(&::GetThemeSysColorBrush) GetThemeSysColorBrush = nullptr;
    decltype(&::GetThemeSysBool) GetThemeSysBool = nullptr;
    decltype(&::GetThemeSysSize) GetThemeSysSize = nullptr;
    decltype(&::GetThemeSysFont) GetThemeSysFont = nullptr;
    decltype(&::GetThemeSysString) GetThemeSysString = nullptr;
    decltype(&::GetThemeSysInt) GetThemeSysInt = nullptr;
    decltype(&::IsThemeActive) IsThemeActive = nullptr;
    decltype(&::IsAppThemed) IsAppThemed = nullptr;
    decltype(&::GetWindowTheme) GetWindowTheme = nullptr;
    decltype(&::EnableThemeDialogTexture) EnableThemeDialogTexture = nullptr;
    decltype(&::IsThemeDialogTextureEnabled) IsThemeDialogTextureEnabled = nullptr;
    decltype(&::GetThemeAppProperties) GetThemeAppProperties = nullptr;
    decltype(&::SetThemeAppProperties) SetThemeAppProperties = nullptr;
    decltype(&::GetCurrentThemeName) GetCurrentThemeName = nullptr;
    decltype(&::GetThemeDocumentationProperty) GetThemeDocumentationProperty = nullptr;
    decltype(&::DrawThemeParentBackground) DrawThemeParentBackground = nullptr;
    decltype(&::EnableTheming) EnableTheming = nullptr;
};

// The binding, made once for the whole run: loaded on first use (the first
// use happens while the program starts) and unloaded when the program ends.
const TThemeLibrary& ThemeLibrary();

// Names of every function the binding looks up, in the order it looks.
const char* const* ThemeFunctionNames(size_t& count);

// True exactly when the library is loaded and both the desktop and this
// program are themed right now. Asked at every paint, never cached, so a
// switch of the desktop's style shows at the next repaint.
bool UseThemes();

// Theme data of one window class list, closed when the object goes.
// Empty when themes are off or the class cannot be opened.
class TThemeData {
public:
    TThemeData(HWND wnd, const wchar_t* classList);
    ~TThemeData();
    TThemeData(const TThemeData&) = delete;
    TThemeData& operator=(const TThemeData&) = delete;

    HTHEME Handle() const noexcept { return FTheme; }
    explicit operator bool() const noexcept { return FTheme != nullptr; }

private:
    HTHEME FTheme = nullptr;
};

// Paints the part of the parent's (themed) background that lies behind a
// child into the child's device context; false when that is not possible.
bool PaintParentBackground(HWND child, HDC dc);
