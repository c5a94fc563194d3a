// The program's texts in both languages: every Russian text as it always
// was, every control's text fitting its control, and the switch in the tray
// menu taking effect at once and surviving a restart.
#include "app_fixture.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

namespace {

// Every text of the window, in the order of its controls: each descendant
// window's class and text, then the tabs.
std::vector<std::wstring> ScreenTexts(TForm1& f) {
    struct TWalk {
        TForm1& Form;
        std::vector<std::wstring> Out;
    } walk{f, {}};
    EnumChildWindows(
        f.Handle(),
        [](HWND w, LPARAM lp) -> BOOL {
            auto& walk = *reinterpret_cast<TWalk*>(lp);
            wchar_t cls[64] = {};
            GetClassNameW(w, cls, 64);
            // The time picker shows the user's time format, not a text of
            // ours; the key marks beside the fields carry no text at all.
            if (std::wstring(cls) == L"SysDateTimePick32") return TRUE;
            const auto& marks = walk.Form.HotKeyMark;
            if (std::find(marks.begin(), marks.end(), w) != marks.end()) return TRUE;
            walk.Out.push_back(std::wstring(cls) + L"|" + WindowText(w));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&walk));
    std::vector<std::wstring>& out = walk.Out;
    const int tabs = TabCtrl_GetItemCount(f.PageControl);
    for (int i = 0; i < tabs; ++i) {
        wchar_t text[128] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 128;
        TabCtrl_GetItem(f.PageControl, i, &item);
        out.push_back(std::wstring(L"tab|") + text);
    }
    for (size_t i = 0; i < f.TrayMenu.Count(); ++i) out.push_back(L"menu|" + f.TrayMenu.Items(i).Caption);
    return out;
}

// The Russian window as it has always been, control by control, with the
// one new item of the tray menu and the controls added since.
const std::vector<std::wstring> kRussianScreen = {
    L"TPlovikPage|",
    L"Button|Автозагрузка программы",
    L"Button|Запуск Winamp с программой",
    L"Button|Звук на максимум (при запуске Winamp)",
    L"Button|Плавный стоп",
    L"Button|Скрывать при сохранении настроек",
    L"Button|Хинт на каждую песню (Win2k/XP)",
    L"Button|Сообщение об успешном выполнении операции",
    L"Button|Подтверждение выхода из программы",
    L"Button|Подтверждение перемещения",
    L"Button|Подтверждение удаления",
    L"Button|Автовоспроизведение при запуске Winamp",
    L"Button|Удалять в корзину",
    L"Button|Табло: песни",
    L"Button|клавиши",
    L"ComboBox|справа внизу",
    L"ComboBox|2 с",
    L"Button|В файл:",
    L"Edit|%artist% - %title%",
    L"Button|Файл...",
    L"TPlovikPage|",
    L"PlovikXPGroupBox| Операции с проигрываемыми файлами ",
    L"Static|Выполнить копирование",
    L"msctls_hotkey32|",
    L"Static|Выполнить перемещение",
    L"msctls_hotkey32|",
    L"Static|Выполнить удаление",
    L"msctls_hotkey32|",
    L"Static|Сменить каталог для файлов",
    L"msctls_hotkey32|",
    L"Edit|",
    L"Button|Выбор каталога",
    L"Static|Открыть файл",
    L"msctls_hotkey32|",
    L"Static|Перейти на файл",
    L"msctls_hotkey32|",
    L"Static|Информация о файле (хинт)",
    L"msctls_hotkey32|",
    L"TPlovikPage|",
    L"Static|Случайный выбор (Вкл./Выкл.)",
    L"msctls_hotkey32|",
    L"Static|Повтор (Вкл./Выкл.)",
    L"msctls_hotkey32|",
    L"Static|Показать плейлист",
    L"msctls_hotkey32|",
    L"Static|Окно настроек",
    L"msctls_hotkey32|",
    L"Static|Окно Броузера",
    L"msctls_hotkey32|",
    L"Static|Основное окно",
    L"msctls_hotkey32|",
    L"Static|Окно еквалайзера",
    L"msctls_hotkey32|",
    L"Static|Запуск визуализации",
    L"msctls_hotkey32|",
    L"Static|Настройки ID3Tag",
    L"msctls_hotkey32|",
    L"Static|Настройки визуализации",
    L"msctls_hotkey32|",
    L"TPlovikPage|",
    L"Static|Воспроизвести",
    L"msctls_hotkey32|",
    L"Static|Приостановить",
    L"msctls_hotkey32|",
    L"Static|Остановить",
    L"msctls_hotkey32|",
    L"Static|Предидущая песня",
    L"msctls_hotkey32|",
    L"Static|Следующая песня",
    L"msctls_hotkey32|",
    L"Static|Звук громче",
    L"msctls_hotkey32|",
    L"Static|Звук тише",
    L"msctls_hotkey32|",
    L"ComboBox|шаг плеера",
    L"Static|Промотать вперед",
    L"msctls_hotkey32|",
    L"Static|Промотать назад",
    L"msctls_hotkey32|",
    L"ComboBox|шаг плеера",
    L"Static|Окно \" О Winamp \"",
    L"msctls_hotkey32|",
    L"Static|Воспроизвести / Пауза",
    L"msctls_hotkey32|",
    L"TPlovikPage|",
    L"Static|Запуск Winamp",
    L"msctls_hotkey32|",
    L"Static|Закрыть Winamp",
    L"msctls_hotkey32|",
    L"Static|Свернуть / Развернуть Winamp",
    L"msctls_hotkey32|",
    L"Static|Глобальный выход",
    L"msctls_hotkey32|",
    L"Static|Вкл./Выкл. Plovik",
    L"msctls_hotkey32|",
    L"PlovikXPGroupBox| Таймер ",
    L"Static|Текущее время",
    L"Static|00:00:00",
    L"Static|Winamp not detected",
    L"Button|Таймер",
    L"PlovikTimeField|",
    L"msctls_updown32|",
    L"PlovikXPGroupBox| Действие ",
    L"Button|Запустить Winamp",
    L"Button|Закрыть Winamp",
    L"Button|Выйти из системы",
    L"Button|Выключить компьютер",
    L"Button|Звук на максимум",
    L"SysTabControl32|",
    L"Button|Выход из программы",
    L"Button|Сброс настроек",
    L"Button|Сохранить настройки",
    L"tab|Приложение",
    L"tab|Основное",
    L"tab|Дополнительнно",
    L"tab|Работа с файлами",
    L"tab|Параметры",
    L"menu|О программе ...",
    L"menu|-",
    L"menu|Смена каталога",
    L"menu|Настройки",
    L"menu|Экспорт настроек...",
    L"menu|Импорт настроек...",
    L"menu|English",
    L"menu|-",
    L"menu|Выход",
};

std::wstring ClassOf(HWND w) {
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    return cls;
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> out;
    EnumChildWindows(
        parent,
        [](HWND w, LPARAM lp) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&out));
    return out;
}

SIZE TextExtent(HWND w, const std::wstring& text) {
    HDC dc = GetDC(w);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0)));
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(w, dc);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

// What a control's text may use of its width: a box or a radio button gives
// room to its glyph, a push button to its edges.
int RoomFor(HWND w, UINT dpi) {
    RECT r;
    GetClientRect(w, &r);
    const int width = r.right - r.left;
    if (ClassOf(w) != L"Button") return width;
    const LONG type = GetWindowLongW(w, GWL_STYLE) & BS_TYPEMASK;
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) return width - MulDiv(8, static_cast<int>(dpi), 96);
    return width - MulDiv(20, static_cast<int>(dpi), 96);
}

void SetDpi(TForm1& f, UINT dpi) {
    RECT r;
    GetWindowRect(f.Handle(), &r);
    SendMessageW(f.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
}

// Every item of a list that its field cannot show whole.
std::vector<std::wstring> CutItems(HWND combo) {
    std::vector<std::wstring> cut;
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    if (!GetComboBoxInfo(combo, &info)) return {L"a list without its parts"};
    // The field draws its text inside a frame of one pixel, a pixel in.
    const int room = info.rcItem.right - info.rcItem.left - 3;
    const auto count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::wstring item(static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0)), L'\0');
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()));
        const SIZE need = TextExtent(combo, item);
        if (need.cx > room)
            cut.push_back(item + L" (needs " + std::to_wstring(need.cx) + L", has " + std::to_wstring(room) + L")");
    }
    return cut;
}

// Every text that does not fit, as "text (needs x, has y)".
std::vector<std::wstring> CutTexts(TForm1& f, UINT dpi) {
    std::vector<std::wstring> cut;
    for (HWND w : Descendants(f.Handle())) {
        const std::wstring cls = ClassOf(w), text = WindowText(w);
        if (cls == L"ComboBox") {
            const std::vector<std::wstring> items = CutItems(w);
            cut.insert(cut.end(), items.begin(), items.end());
            continue;
        }
        if (text.empty() || (cls != L"Static" && cls != L"Button" && cls != L"PlovikXPGroupBox")) continue;
        const SIZE need = TextExtent(w, text);
        RECT r;
        GetClientRect(w, &r);
        // A group's caption stands in its frame, between the two corners.
        const int room = cls == L"PlovikXPGroupBox" ? r.right - MulDiv(16, static_cast<int>(dpi), 96) : RoomFor(w, dpi);
        if (need.cx > room || need.cy > r.bottom)
            cut.push_back(text + L" (needs " + std::to_wstring(need.cx) + L"x" + std::to_wstring(need.cy) +
                          L", has " + std::to_wstring(room) + L"x" + std::to_wstring(r.bottom) + L")");
    }
    // The tabs stand in one row.
    RECT last{};
    TabCtrl_GetItemRect(f.PageControl, TabCtrl_GetItemCount(f.PageControl) - 1, &last);
    RECT tabs;
    GetClientRect(f.PageControl, &tabs);
    if (TabCtrl_GetRowCount(f.PageControl) != 1 || last.right > tabs.right) cut.push_back(L"the tabs");
    return cut;
}

std::wstring Joined(const std::vector<std::wstring>& texts) {
    std::wstring out;
    for (const auto& t : texts) out += t + L"\n";
    return out;
}

}  // namespace

TEST_F(AppTest, TheRussianWindowIsAsItWas) {
    EXPECT_EQ(ScreenTexts(Form()), kRussianScreen);
    EXPECT_EQ(Text(kSettingsKey, kLanguageValue), L"<absent>");
}

TEST_F(AppTest, EveryTextFitsItsControlInBothLanguagesAt96And144Dpi) {
    TForm1& f = Form();
    for (TLanguage language : {TLanguage::Russian, TLanguage::English}) {
        f.SwitchLanguage(language);
        for (UINT dpi : {96u, 144u}) {
            SetDpi(f, dpi);
            EXPECT_EQ(Joined(CutTexts(f, dpi)), L"") << LanguageCode(language) << " at " << dpi << " dpi";
        }
    }
}

// No text is left untranslated: the English table has no Russian in it but
// the name of the language to switch to.
TEST_F(AppTest, TheEnglishTableIsEnglish) {
    for (const TTextEntry& e : kEnglishTexts) {
        if (e.Id == TTextId::MenuOtherLanguage) continue;
        const std::wstring text = e.Text;
        EXPECT_EQ(text.find_first_of(L"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдеёжзийклмнопрстуфхцчшщъыьэюя"),
                  std::wstring::npos)
            << WideToUtf8(text);
        EXPECT_FALSE(text.empty());
    }
}

TEST_F(AppTest, TheTrayMenuSwitchesTheLanguageAtOnceAndForTheNextStart) {
    TForm1& f = Form();
    f.SetChecked(f.CheckBox[10], true);  // ask before leaving
    f.N7->Click();
    EXPECT_EQ(CurrentLanguage(), TLanguage::English);
    EXPECT_EQ(WindowText(f.Button4), L"Exit Plovik");
    EXPECT_EQ(WindowText(f.CheckBox[2]), L"Start Plovik when I log on");
    EXPECT_EQ(f.XPGroupBox2->Caption(), L" Operations on the playing file ");
    EXPECT_EQ(f.XPGroupBox1->Caption(), L" Clock and alarm ");
    EXPECT_EQ(f.N7->Caption, L"Русский");
    EXPECT_EQ(f.N5->Caption, L"Exit");
    EXPECT_EQ(Text(kSettingsKey, kLanguageValue), L"en");
    // Only the language is written: the unsaved box stays unsaved.
    EXPECT_EQ(Dword(L"AskOnExit"), 0xDEADBEEFu);
    answers = {IDNO};
    f.N5->Click();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].Text, L"Do you really want to exit?");

    Restart();
    EXPECT_EQ(WindowText(Form().Button4), L"Exit Plovik");
    EXPECT_EQ(Form().N7->Caption, L"Русский");
    Form().N7->Click();
    EXPECT_EQ(Text(kSettingsKey, kLanguageValue), L"ru");
    Restart();
    EXPECT_EQ(ScreenTexts(Form()), kRussianScreen);
}

// A language the program does not have, or a value of the wrong type:
// Russian, the settings store's message, and every other setting loaded.
TEST_F(AppTest, ABadLanguageValueGivesRussianAndAMessage) {
    const std::wstring de = L"de";
    WriteRaw(kLanguageValue, REG_SZ, de.c_str(), static_cast<DWORD>((de.size() + 1) * sizeof(wchar_t)));
    WriteDword(L"FadeOut", 1);
    const std::wstring dir = L"C:\\Music";
    WriteRaw(L"Dir", REG_SZ, dir.c_str(), static_cast<DWORD>((dir.size() + 1) * sizeof(wchar_t)));
    TForm1& f = Form();
    EXPECT_EQ(CurrentLanguage(), TLanguage::Russian);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].Text, L"Invalid value for 'Language'");
    EXPECT_TRUE(f.Checked(f.CheckBox[6]));
    EXPECT_EQ(EditText(), dir);
    EXPECT_EQ(WindowText(f.Button4), L"Выход из программы");

    form.reset();
    asked.clear();
    WriteDword(kLanguageValue, 1);
    Form();
    EXPECT_EQ(CurrentLanguage(), TLanguage::Russian);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].Text, L"Invalid data type for 'Language'");
}

