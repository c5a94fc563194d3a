#include "look/visual_styles.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "look_helpers.h"

TEST(ThemeLibrary, BindsEveryFunctionOfTheListToItsOwnName) {
    const TThemeLibrary& lib = ThemeLibrary();
    ASSERT_TRUE(lib.Loaded);
    ASSERT_NE(lib.Module, nullptr);
    HMODULE ux = GetModuleHandleW(L"uxtheme.dll");
    ASSERT_NE(ux, nullptr);

    // Each entry must hold exactly the function of its own name, not a neighbour's.
    const std::vector<std::pair<const char*, void*>> entries = {
        {"OpenThemeData", reinterpret_cast<void*>(lib.OpenThemeData)},
        {"CloseThemeData", reinterpret_cast<void*>(lib.CloseThemeData)},
        {"DrawThemeBackground", reinterpret_cast<void*>(lib.DrawThemeBackground)},
        {"DrawThemeText", reinterpret_cast<void*>(lib.DrawThemeText)},
        {"GetThemeBackgroundContentRect", reinterpret_cast<void*>(lib.GetThemeBackgroundContentRect)},
        {"GetThemeBackgroundExtent", reinterpret_cast<void*>(lib.GetThemeBackgroundExtent)},
        {"GetThemeTextExtent", reinterpret_cast<void*>(lib.GetThemeTextExtent)},
        {"GetThemePartSize", reinterpret_cast<void*>(lib.GetThemePartSize)},
        {"GetThemeTextMetrics", reinterpret_cast<void*>(lib.GetThemeTextMetrics)},
        {"GetThemeBackgroundRegion", reinterpret_cast<void*>(lib.GetThemeBackgroundRegion)},
        {"HitTestThemeBackground", reinterpret_cast<void*>(lib.HitTestThemeBackground)},
        {"DrawThemeEdge", reinterpret_cast<void*>(lib.DrawThemeEdge)},
        {"DrawThemeIcon", reinterpret_cast<void*>(lib.DrawThemeIcon)},
        {"IsThemePartDefined", reinterpret_cast<void*>(lib.IsThemePartDefined)},
        {"IsThemeBackgroundPartiallyTransparent", reinterpret_cast<void*>(lib.IsThemeBackgroundPartiallyTransparent)},
        {"GetThemeColor", reinterpret_cast<void*>(lib.GetThemeColor)},
        {"GetThemeMetric", reinterpret_cast<void*>(lib.GetThemeMetric)},
        {"GetThemeString", reinterpret_cast<void*>(lib.GetThemeString)},
        {"GetThemeBool", reinterpret_cast<void*>(lib.GetThemeBool)},
        {"GetThemeInt", reinterpret_cast<void*>(lib.GetThemeInt)},
        {"GetThemeEnumValue", reinterpret_cast<void*>(lib.GetThemeEnumValue)},
        {"GetThemePosition", reinterpret_cast<void*>(lib.GetThemePosition)},
        {"GetThemeFont", reinterpret_cast<void*>(lib.GetThemeFont)},
        {"GetThemeRect", reinterpret_cast<void*>(lib.GetThemeRect)},
        {"GetThemeMargins", reinterpret_cast<void*>(lib.GetThemeMargins)},
        {"GetThemeIntList", reinterpret_cast<void*>(lib.GetThemeIntList)},
        {"SetWindowTheme", reinterpret_cast<void*>(lib.SetWindowTheme)},
        {"GetThemeFilename", reinterpret_cast<void*>(lib.GetThemeFilename)},
        {"GetThemeSysColor", reinterpret_cast<void*>(lib.GetThemeSysColor)},
        {"GetThemeSysColorBrush", reinterpret_cast<void*>(lib.GetThemeSysColorBrush)},
        {"GetThemeSysBool", reinterpret_cast<void*>(lib.GetThemeSysBool)},
        {"GetThemeSysSize", reinterpret_cast<void*>(lib.GetThemeSysSize)},
        {"GetThemeSysFont", reinterpret_cast<void*>(lib.GetThemeSysFont)},
        {"GetThemeSysString", reinterpret_cast<void*>(lib.GetThemeSysString)},
        {"GetThemeSysInt", reinterpret_cast<void*>(lib.GetThemeSysInt)},
        {"IsThemeActive", reinterpret_cast<void*>(lib.IsThemeActive)},
        {"IsAppThemed", reinterpret_cast<void*>(lib.IsAppThemed)},
        {"GetWindowTheme", reinterpret_cast<void*>(lib.GetWindowTheme)},
        {"EnableThemeDialogTexture", reinterpret_cast<void*>(lib.EnableThemeDialogTexture)},
        {"IsThemeDialogTextureEnabled", reinterpret_cast<void*>(lib.IsThemeDialogTextureEnabled)},
        {"GetThemeAppProperties", reinterpret_cast<void*>(lib.GetThemeAppProperties)},
        {"SetThemeAppProperties", reinterpret_cast<void*>(lib.SetThemeAppProperties)},
        {"GetCurrentThemeName", reinterpret_cast<void*>(lib.GetCurrentThemeName)},
        {"GetThemeDocumentationProperty", reinterpret_cast<void*>(lib.GetThemeDocumentationProperty)},
        {"DrawThemeParentBackground", reinterpret_cast<void*>(lib.DrawThemeParentBackground)},
        {"EnableTheming", reinterpret_cast<void*>(lib.EnableTheming)},
    };
    size_t count = 0;
    const char* const* names = ThemeFunctionNames(count);
    ASSERT_EQ(count, entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_STREQ(names[i], entries[i].first);
        void* expected = reinterpret_cast<void*>(GetProcAddress(ux, entries[i].first));
        EXPECT_NE(expected, nullptr) << entries[i].first;
        EXPECT_EQ(entries[i].second, expected) << entries[i].first;
    }
}

TEST(UseThemes, FollowsTheDesktopStyleAtEveryCall) {
    const TThemeLibrary& lib = ThemeLibrary();
    ASSERT_TRUE(lib.IsThemeActive && lib.IsAppThemed);
    {
        TThemeSwitch off(false);
        EXPECT_FALSE(lib.IsThemeActive());
        EXPECT_FALSE(UseThemes());
        TThemeData data(nullptr, L"Button");
        EXPECT_FALSE(data) << "no theme data while the style is off";
    }
    {
        TThemeSwitch on(true);
        EXPECT_TRUE(lib.IsThemeActive());
        EXPECT_TRUE(UseThemes()) << "switched on again, the style is seen at once";
        TThemeData data(nullptr, L"Button");
        EXPECT_TRUE(data);
    }
}
