// The program's texts in the language of the moment: the window, the tray
// menu and the dialogs, and the switch to the other language.
#include "app/form1.h"

#include <commctrl.h>

#include "app/form_window.h"

using namespace form_window;

// The dialogs take their texts when they open; the folder dialog's own
// captions follow the system's language in Russian, as they always have, and
// are English in English.
void TForm1::ApplyDialogTexts() {
    OpenDialog1.Title = Text(TTextId::LocatePlayerTitle);
    OpenDialog1.Filter = Text(TTextId::LocatePlayerFilter);
    if (!BrowsFldr) return;
    static const std::wstring kSystemLanguageKey = [] {
        wchar_t key[8]{};
        wsprintfW(key, L"%04X", static_cast<unsigned>(GetSystemDefaultLangID()));
        return std::wstring(key);
    }();
    const bool english = CurrentLanguage() == TLanguage::English;
    BrowsFldr->SetLanguageKey(english ? L"0409" : kSystemLanguageKey);
    TKeyedList labels;
    for (const std::wstring& line : DefaultLabelCaptions())
        labels.push_back(line.rfind(L"Default=", 0) == 0 ? L"Default=" + std::wstring(Text(TTextId::FolderLabel))
                                                         : line);
    BrowsFldr->SetLabelCaptions(labels);
    // A line without a language key: the dialog keeps the system's caption.
    BrowsFldr->SetTitles({Text(TTextId::FolderTitle)});
}

void TForm1::N7Click() {
    const TLanguage next = CurrentLanguage() == TLanguage::Russian ? TLanguage::English : TLanguage::Russian;
    SwitchLanguage(next);
}

void TForm1::ApplyTexts() {
    N1->Caption = Text(TTextId::MenuAbout);
    N3->Caption = Text(TTextId::MenuChangeFolder);
    N6->Caption = Text(TTextId::MenuSettings);
    N7->Caption = Text(TTextId::MenuOtherLanguage);
    N5->Caption = Text(TTextId::MenuExit);
    NExport->Caption = Text(TTextId::MenuExport);
    NImport->Caption = Text(TTextId::MenuImport);
    ApplyDialogTexts();
    if (HotKeysSuspended) ShowKeysSuspended(true, false);
    if (FHandle) ApplyWindowTexts();
    // The status line is the clock's: its next tick writes it in the new language.
    ClockTick();
}

void TForm1::ApplyWindowTexts() {
    for (const TTexted& t : FTexted) SetWindowTextW(t.Wnd, Text(t.Text));
    for (int i = 0; i < 5; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(Text(kTabCaptions[i]));
        SendMessageW(PageControl, TCM_SETITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    XPGroupBox1->SetCaption(Text(TTextId::TimerGroup));
    XPGroupBox4->SetCaption(Text(TTextId::AlarmGroup));
    XPGroupBox2->SetCaption(Text(TTextId::FileGroup));
    FillShowLists();
    // The marks and the fields that show media keys by name.
    for (int n = 1; n <= kActionCount; ++n) {
        if (HotKeyMark[n]) UpdateHotKeyMark(n);
        InvalidateRect(HotKey[n], nullptr, TRUE);
    }
}

// Written at once, alone: switching the language is not a reason to save
// settings the user has not asked to save.
void TForm1::SwitchLanguage(TLanguage language) {
    SetCurrentLanguage(language);
    Settings.Language = language;
    ApplyTexts();
    TStoreSession store(*Store);
    if (store.Opened()) store->WriteString(kLanguageValue, LanguageCode(language));
}
