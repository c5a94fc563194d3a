// The main window as designed: every control's kind, text, parent, place and
// size at 96 dpi, read from the real window.
#include "app_fixture.h"

#include <commctrl.h>

namespace {

std::wstring ClassOf(HWND wnd) {
    wchar_t name[64] = {};
    GetClassNameW(wnd, name, 64);
    return name;
}

RECT InParent(HWND wnd) {
    RECT r{};
    GetWindowRect(wnd, &r);
    MapWindowPoints(nullptr, GetParent(wnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Checks one control; a width or height of 0 is not designed and not checked.
void ExpectPlaced(HWND wnd, HWND parent, const wchar_t* cls, const std::wstring& text, int x, int y, int w = 0,
                  int h = 0) {
    SCOPED_TRACE(testing::Message() << "control \"" << WideToUtf8(text) << "\" at " << x << ", " << y);
    ASSERT_TRUE(IsWindow(wnd));
    EXPECT_EQ(GetParent(wnd), parent);
    EXPECT_EQ(_wcsicmp(ClassOf(wnd).c_str(), cls), 0) << WideToUtf8(ClassOf(wnd));
    EXPECT_EQ(WindowText(wnd), text);
    const RECT r = InParent(wnd);
    EXPECT_EQ(r.left, x);
    EXPECT_EQ(r.top, y);
    if (w) {
        EXPECT_EQ(r.right - r.left, w);
    }
    if (h) {
        EXPECT_EQ(r.bottom - r.top, h);
    }
}

HWND ChildWithText(HWND parent, const std::wstring& text) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (WindowText(c) == text) return c;
    return nullptr;
}

BOOL CALLBACK FindText(HWND wnd, LPARAM lp) {
    auto* want = reinterpret_cast<std::pair<std::wstring, HWND>*>(lp);
    if (WindowText(wnd) == want->first) want->second = wnd;
    return TRUE;
}

HWND DescendantWithText(HWND root, const std::wstring& text) {
    std::pair<std::wstring, HWND> want{text, nullptr};
    EnumChildWindows(root, &FindText, reinterpret_cast<LPARAM>(&want));
    return want.second;
}

}  // namespace

TEST_F(AppTest, TheWindowStandsAsDesigned) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    if (dpi != 96) GTEST_SKIP() << "the design is at 96 dpi, this display has " << dpi;
    TForm1& f = Form();
    HWND form = f.Handle();
    RECT client{};
    GetClientRect(form, &client);
    EXPECT_EQ(client.right, 458);
    EXPECT_EQ(client.bottom, 401);

    ExpectPlaced(f.PageControl, form, WC_TABCONTROLW, L"", 17, 9, 425, 288);
    const wchar_t* const tabs[] = {L"Приложение", L"Основное", L"Дополнительнно", L"Работа с файлами", L"Параметры"};
    ASSERT_EQ(SendMessageW(f.PageControl, TCM_GETITEMCOUNT, 0, 0), 5);
    for (int i = 0; i < 5; ++i) {
        wchar_t text[64] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 64;
        SendMessageW(f.PageControl, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(std::wstring(text), tabs[i]);
    }
    ExpectPlaced(f.Button4, form, L"Button", L"Выход из программы", 29, 309, 129, 33);
    ExpectPlaced(f.Button1, form, L"Button", L"Сброс настроек", 165, 309, 129, 33);
    ExpectPlaced(f.Button2, form, L"Button", L"Сохранить настройки", 301, 309, 129, 33);

    // The hot-key fields and their labels: four tabs, the last four in the
    // file operations box.
    const int firstOnTab[] = {1, 6, 16, 26};
    HWND fileBox = f.XPGroupBox2->Handle();
    ExpectPlaced(fileBox, f.Pages[3], L"PlovikXPGroupBox", L" Операции с проигрываемыми файлами ", 8, 88);
    for (int n = 1; n <= kDesignedActionCount; ++n) {
        const bool inBox = n >= 29;
        const int tab = n >= 26 ? 3 : n >= 16 ? 2 : n >= 6 ? 1 : 0;
        const int k = inBox ? n - 29 : n - firstOnTab[tab];
        HWND parent = inBox ? fileBox : f.Pages[tab];
        ExpectPlaced(f.HotKey[n], parent, HOTKEY_CLASSW, L"", inBox ? 232 : 240, (inBox ? 16 : 8) + 24 * k, 121, 19);
        const std::wstring label = ::Text(kActions[n - 1].Label);
        HWND l = ChildWithText(parent, label);
        ExpectPlaced(l, parent, L"Static", label, inBox ? 8 : 16, (inBox ? 24 : 16) + 24 * k);
    }
    // The play/pause key added since closes "Основное", a little closer to the row above.
    ExpectPlaced(f.HotKey[kPlayPauseAction], f.Pages[1], HOTKEY_CLASSW, L"", 240, 245, 121, 17);
    ExpectPlaced(ChildWithText(f.Pages[1], L"Воспроизвести / Пауза"), f.Pages[1], L"Static", L"Воспроизвести / Пауза",
                 16, 247);
    EXPECT_TRUE(IsChild(fileBox, f.Edit1));
    EXPECT_TRUE(IsChild(fileBox, f.Button3));

    // The clock and the alarm in " Таймер ", the actions in " Действие ".
    HWND timer = f.XPGroupBox1->Handle();
    EXPECT_EQ(GetParent(timer), f.Pages[0]);
    EXPECT_EQ(WindowText(timer), L" Таймер ");
    EXPECT_EQ(ClassOf(timer), L"PlovikXPGroupBox");
    for (HWND c : {f.Panel1, f.Panel2, f.CheckBox[1], f.HTime1->Handle(), f.XPGroupBox4->Handle()})
        EXPECT_TRUE(IsChild(timer, c));
    EXPECT_EQ(WindowText(f.CheckBox[1]), L"Таймер");
    EXPECT_EQ(WindowText(f.XPGroupBox4->Handle()), L" Действие ");
    const RECT time = InParent(f.HTime1->Handle());
    EXPECT_EQ(time.right - time.left, 73);
    EXPECT_EQ(time.bottom - time.top, 21);
    const wchar_t* const actions[] = {L"Запустить Winamp", L"Закрыть Winamp", L"Выйти из системы",
                                      L"Выключить компьютер", L"Звук на максимум"};
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(GetParent(f.RadioButton[n]), f.XPGroupBox4->Handle());
        EXPECT_EQ(WindowText(f.RadioButton[n]), actions[n - 1]);
    }

    // The options on the tab itself, row k at y 33 + 16k.
    struct TOption {
        int Box, Row;
        const wchar_t* Caption;
    };
    const TOption options[] = {{2, 0, L"Автозагрузка программы"},
                               {3, 1, L"Запуск Winamp с программой"},
                               {4, 2, L"Звук на максимум (при запуске Winamp)"},
                               {5, 3, L"Подтверждение удаления"},
                               {6, 4, L"Плавный стоп"},
                               {7, 5, L"Скрывать при сохранении настроек"},
                               {8, 6, L"Хинт на каждую песню (Win2k/XP)"},
                               {9, 7, L"Сообщение об успешном выполнении операции"},
                               {10, 8, L"Подтверждение выхода из программы"},
                               {12, 9, L"Подтверждение перемещения"},
                               {13, 10, L"Автовоспроизведение при запуске Winamp"},
                               {14, 11, L"Удалять в корзину"}};
    for (const TOption& o : options) {
        ExpectPlaced(f.CheckBox[o.Box], f.Pages[4], L"Button", o.Caption, 22, 33 + 16 * o.Row);
        EXPECT_EQ(GetWindowLongPtrW(f.CheckBox[o.Box], GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX);
    }
    EXPECT_EQ(DescendantWithText(form, L" Параметры "), nullptr) << "no such box in the design";
}

namespace {
// Notes whether the control's font is still alive each time the control is
// moved, which a change of DPI does before it hands out the new font.
LRESULT CALLBACK CheckFontOnMove(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    if (msg == WM_WINDOWPOSCHANGED) {
        auto* dead = reinterpret_cast<int*>(data);
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(SendMessageW(wnd, WM_GETFONT, 0, 0))) == 0) ++*dead;
    }
    return DefSubclassProc(wnd, msg, wp, lp);
}
}  // namespace

// Moving the window to a monitor of another DPI: no control ever holds a
// font that has been deleted, and every one ends with the new, live font.
TEST_F(AppTest, AChangeOfDpiNeverLeavesAControlWithADeletedFont) {
    TForm1& f = Form();
    int dead = 0;
    for (HWND c : {f.HotKey[1], f.Button2, f.CheckBox[8], f.Edit1})
        SetWindowSubclass(c, &CheckFontOnMove, 7, reinterpret_cast<DWORD_PTR>(&dead));
    for (UINT dpi : {144u, 96u}) {
        RECT r{};
        GetWindowRect(f.Handle(), &r);
        SendMessageW(f.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
        EXPECT_EQ(dead, 0) << "at " << dpi << " dpi";
        const RECT button = InParent(f.Button2);
        EXPECT_EQ(button.left, MulDiv(301, static_cast<int>(dpi), 96));
        for (HWND c : {f.HotKey[1], f.Button2, f.CheckBox[8], f.Edit1}) {
            HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(c, WM_GETFONT, 0, 0));
            EXPECT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
            LOGFONTW lf{};
            GetObjectW(font, sizeof(lf), &lf);
            EXPECT_EQ(lf.lfHeight, -MulDiv(8, static_cast<int>(dpi), 72));
        }
    }
    for (HWND c : {f.HotKey[1], f.Button2, f.CheckBox[8], f.Edit1}) RemoveWindowSubclass(c, &CheckFontOnMove, 7);
}
