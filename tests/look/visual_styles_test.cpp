#include "look/visual_styles.h"

#include <gtest/gtest.h>

#include <string>

#include "look_helpers.h"

TEST(ThemeLibrary, BindsEveryFunctionOfTheListToItsOwnName) {
    const TThemeLibrary& lib = ThemeLibrary();
    ASSERT_TRUE(lib.Loaded);
    ASSERT_NE(lib.Module, nullptr);
    HMODULE ux = GetModuleHandleW(L"uxtheme.dll");
    ASSERT_NE(ux, nullptr);

    // Every name of the list is there to be found...
    size_t count = 0;
    const char* const* names = ThemeFunctionNames(count);
    EXPECT_EQ(count, 46u);
    for (size_t i = 0; i < count; ++i)
        EXPECT_NE(GetProcAddress(ux, names[i]), nullptr) << names[i];
    // ...and entries hold their own function, not a neighbour's (first, middle, last).
    auto is = [&](void* entry, const char* name) {
        return entry && entry == reinterpret_cast<void*>(GetProcAddress(ux, name));
    };
    EXPECT_TRUE(is(reinterpret_cast<void*>(lib.OpenThemeData), "OpenThemeData"));
    EXPECT_TRUE(is(reinterpret_cast<void*>(lib.CloseThemeData), "CloseThemeData"));
    EXPECT_TRUE(is(reinterpret_cast<void*>(lib.DrawThemeBackground), "DrawThemeBackground"));
    EXPECT_TRUE(is(reinterpret_cast<void*>(lib.GetThemeIntList), "GetThemeIntList"));
    EXPECT_TRUE(is(reinterpret_cast<void*>(lib.GetThemeSysInt), "GetThemeSysInt"));
    EXPECT_TRUE(is(reinterpret_cast<void*>(lib.IsThemeActive), "IsThemeActive"));
    EXPECT_TRUE(is(reinterpret_cast<void*>(lib.IsAppThemed), "IsAppThemed"));
    EXPECT_TRUE(is(reinterpret_cast<void*>(lib.DrawThemeParentBackground), "DrawThemeParentBackground"));
    EXPECT_TRUE(is(reinterpret_cast<void*>(lib.EnableTheming), "EnableTheming"));
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
