#include "look/visual_styles.h"

#include <iterator>
#include <string>

namespace {

const char* const kNames[] = {
    "OpenThemeData", "CloseThemeData", "DrawThemeBackground", "DrawThemeText",
    "GetThemeBackgroundContentRect", "GetThemeBackgroundExtent", "GetThemeTextExtent",
    "GetThemePartSize", "GetThemeTextMetrics", "GetThemeBackgroundRegion",
    "HitTestThemeBackground", "DrawThemeEdge", "DrawThemeIcon", "IsThemePartDefined",
    "IsThemeBackgroundPartiallyTransparent", "GetThemeColor", "GetThemeMetric",
    "GetThemeString", "GetThemeBool", "GetThemeInt", "GetThemeEnumValue", "GetThemePosition",
    "GetThemeFont", "GetThemeRect", "GetThemeMargins", "GetThemeIntList", "SetWindowTheme",
    "GetThemeFilename", "GetThemeSysColor", "GetThemeSysColorBrush", "GetThemeSysBool",
    "GetThemeSysSize", "GetThemeSysFont", "GetThemeSysString", "GetThemeSysInt",
    "IsThemeActive", "IsAppThemed", "GetWindowTheme", "EnableThemeDialogTexture",
    "IsThemeDialogTextureEnabled", "GetThemeAppProperties", "SetThemeAppProperties",
    "GetCurrentThemeName", "GetThemeDocumentationProperty", "DrawThemeParentBackground",
    "EnableTheming",
};

// From the system folder only: a "uxtheme.dll" beside the program or in
// the current folder must not be loaded in its place.
HMODULE LoadSystemLibrary(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    return LoadLibraryExW((std::wstring(folder) + L"\\" + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <class F>
void Bind(HMODULE lib, F& entry, const char* name) {
    entry = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
}

class TBinding : public TThemeLibrary {
public:
    TBinding() {
        // A missing library must not bring up the system's "cannot find" box.
        const UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
        Module = LoadSystemLibrary(L"uxtheme.dll");
        SetErrorMode(oldMode);
        if (!Module) return;
        size_t i = 0;
        Bind(Module, OpenThemeData, kNames[i++]);
        Bind(Module, CloseThemeData, kNames[i++]);
        Bind(Module, DrawThemeBackground, kNames[i++]);
        Bind(Module, DrawThemeText, kNames[i++]);
        Bind(Module, GetThemeBackgroundContentRect, kNames[i++]);
        Bind(Module, GetThemeBackgroundExtent, kNames[i++]);
        Bind(Module, GetThemeTextExtent, kNames[i++]);
        Bind(Module, GetThemePartSize, kNames[i++]);
        Bind(Module, GetThemeTextMetrics, kNames[i++]);
        Bind(Module, GetThemeBackgroundRegion, kNames[i++]);
        Bind(Module, HitTestThemeBackground, kNames[i++]);
        Bind(Module, DrawThemeEdge, kNames[i++]);
        Bind(Module, DrawThemeIcon, kNames[i++]);
        Bind(Module, IsThemePartDefined, kNames[i++]);
        Bind(Module, IsThemeBackgroundPartiallyTransparent, kNames[i++]);
        Bind(Module, GetThemeColor, kNames[i++]);
        Bind(Module, GetThemeMetric, kNames[i++]);
        Bind(Module, GetThemeString, kNames[i++]);
        Bind(Module, GetThemeBool, kNames[i++]);
        Bind(Module, GetThemeInt, kNames[i++]);
        Bind(Module, GetThemeEnumValue, kNames[i++]);
        Bind(Module, GetThemePosition, kNames[i++]);
        Bind(Module, GetThemeFont, kNames[i++]);
        Bind(Module, GetThemeRect, kNames[i++]);
        Bind(Module, GetThemeMargins, kNames[i++]);
        Bind(Module, GetThemeIntList, kNames[i++]);
        Bind(Module, SetWindowTheme, kNames[i++]);
        Bind(Module, GetThemeFilename, kNames[i++]);
        Bind(Module, GetThemeSysColor, kNames[i++]);
        Bind(Module, GetThemeSysColorBrush, kNames[i++]);
        Bind(Module, GetThemeSysBool, kNames[i++]);
        Bind(Module, GetThemeSysSize, kNames[i++]);
        Bind(Module, GetThemeSysFont, kNames[i++]);
        Bind(Module, GetThemeSysString, kNames[i++]);
        Bind(Module, GetThemeSysInt, kNames[i++]);
        Bind(Module, IsThemeActive, kNames[i++]);
        Bind(Module, IsAppThemed, kNames[i++]);
        Bind(Module, GetWindowTheme, kNames[i++]);
        Bind(Module, EnableThemeDialogTexture, kNames[i++]);
        Bind(Module, IsThemeDialogTextureEnabled, kNames[i++]);
        Bind(Module, GetThemeAppProperties, kNames[i++]);
        Bind(Module, SetThemeAppProperties, kNames[i++]);
        Bind(Module, GetCurrentThemeName, kNames[i++]);
        Bind(Module, GetThemeDocumentationProperty, kNames[i++]);
        Bind(Module, DrawThemeParentBackground, kNames[i++]);
        Bind(Module, EnableTheming, kNames[i++]);
        Loaded = true;
    }

    ~TBinding() {
        if (!Loaded) return;
        Loaded = false;
        FreeLibrary(Module);
        Module = nullptr;
    }

    TBinding(const TBinding&) = delete;
    TBinding& operator=(const TBinding&) = delete;
};

// Bind while the program starts rather than at the first paint.
[[maybe_unused]] const TThemeLibrary& kBoundAtStart = ThemeLibrary();

}  // namespace

const TThemeLibrary& ThemeLibrary() {
    static TBinding binding;
    return binding;
}

const char* const* ThemeFunctionNames(size_t& count) {
    count = std::size(kNames);
    return kNames;
}

bool UseThemes() {
    const TThemeLibrary& lib = ThemeLibrary();
    if (!lib.Loaded || !lib.IsThemeActive || !lib.IsAppThemed) return false;
    return lib.IsThemeActive() && lib.IsAppThemed();
}

TThemeData::TThemeData(HWND wnd, const wchar_t* classList) {
    const TThemeLibrary& lib = ThemeLibrary();
    if (UseThemes() && lib.OpenThemeData) FTheme = lib.OpenThemeData(wnd, classList);
}

TThemeData::~TThemeData() {
    const TThemeLibrary& lib = ThemeLibrary();
    if (FTheme && lib.CloseThemeData) lib.CloseThemeData(FTheme);
}

bool PaintParentBackground(HWND child, HDC dc) {
    const TThemeLibrary& lib = ThemeLibrary();
    return lib.DrawThemeParentBackground &&
           SUCCEEDED(lib.DrawThemeParentBackground(child, dc, nullptr));
}
