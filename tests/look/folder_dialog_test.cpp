#include "look/folder_dialog.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "desktop/application.h"
#include "look_helpers.h"
#include "support/peer_player.h"

// ---- MakeDisplayPath -------------------------------------------------------------

TEST(MakeDisplayPath, KeepsPathsThatFitAndCutsThoseWithoutEnoughFolders) {
    const std::wstring fits = L"C:\\Music\\Rock\\Best of\\ab.mp3";
    EXPECT_EQ(MakeDisplayPath(fits, 50), fits);
    const std::wstring exactly(50, L'x');
    EXPECT_EQ(MakeDisplayPath(L"C:\\" + exactly.substr(3), 50), L"C:\\" + exactly.substr(3));

    // One backslash after the second character: simply the first 50 characters.
    const std::wstring oneFolder = L"C:\\" + std::wstring(57, L'a');
    ASSERT_EQ(oneFolder.size(), 60u);
    EXPECT_EQ(MakeDisplayPath(oneFolder, 50), oneFolder.substr(0, 50));
    // No backslash at all, or a limit under 6.
    EXPECT_EQ(MakeDisplayPath(std::wstring(80, L'n'), 50), std::wstring(50, L'n'));
    EXPECT_EQ(MakeDisplayPath(L"C:\\one\\two\\three\\four", 5), L"C:\\on");
    EXPECT_EQ(MakeDisplayPath(L"a/b/c/d/e/f/g/h/i/j/k/l/m/n/o/p/q/r/s/t/u/v/w/x/y/z", 20),
              L"a/b/c/d/e/f/g/h/i/j/") << "only backslashes separate folders";
}

TEST(MakeDisplayPath, KeepsTheRootAndTheTrailingFoldersThatFit) {
    const std::wstring path = L"C:\\Music\\Collection\\Rock and Roll\\Best of 1990\\ab.mp3";
    ASSERT_EQ(path.size(), 53u);
    EXPECT_EQ(MakeDisplayPath(path, 50), L"C:\\...\\Rock and Roll\\Best of 1990\\ab.mp3");

    const std::wstring net = L"\\\\server\\share\\folder\\sub\\deeper\\file.mp3";
    EXPECT_EQ(MakeDisplayPath(net, 30), L"\\\\server\\...\\deeper\\file.mp3");

    // A last name too long for the room left is cut and marked.
    const std::wstring longName = L"C:\\a\\b\\" + std::wstring(60, L'z');
    const std::wstring shown = MakeDisplayPath(longName, 50);
    EXPECT_EQ(shown, L"C:\\...\\" + std::wstring(40, L'z') + L"...");
    EXPECT_EQ(shown.size(), 50u);
}

TEST(MakeDisplayPath, SurvivesHostilePathsAndNeverExceedsTheLimit) {
    EXPECT_EQ(MakeDisplayPath(L"", 50), L"");
    EXPECT_EQ(MakeDisplayPath(L"C", 50), L"C");
    EXPECT_EQ(MakeDisplayPath(L"C:\\x", 0), L"");
    EXPECT_EQ(MakeDisplayPath(L"C:\\x", -4), L"");
    EXPECT_EQ(MakeDisplayPath(std::wstring(80, L'\\'), 50).size(), 50u);
    // The first backslash as second character counts as a network path.
    const std::wstring odd = L"a\\bcdefgh\\ijklmnop\\qrstuvw\\xyz0123456789\\end";
    const std::wstring oddShown = MakeDisplayPath(odd, 30);
    EXPECT_EQ(oddShown.substr(0, 2), L"\\\\");
    EXPECT_LE(oddShown.size(), 30u);
    // A path far longer than the platform's limit.
    std::wstring huge = L"C:";
    for (int i = 0; i < 3000; ++i) huge += L"\\f" + std::to_wstring(i);
    const std::wstring hugeShown = MakeDisplayPath(huge, 50);
    EXPECT_EQ(hugeShown.substr(0, 6), L"C:\\...");
    EXPECT_LE(hugeShown.size(), 50u);

    // Every mix of short names, separators and limits stays within the limit.
    const wchar_t* parts[] = {L"\\", L"\\\\", L"a", L"bb", L"ccc\\", L"C:", L"..", L"\\x\\"};
    unsigned seed = 12345;
    for (int n = 0; n < 3000; ++n) {
        std::wstring p;
        const int count = static_cast<int>(seed % 14);
        for (int i = 0; i < count; ++i) {
            seed = seed * 1103515245u + 12345u;
            p += parts[(seed >> 16) % std::size(parts)];
        }
        seed = seed * 1103515245u + 12345u;
        const int m = static_cast<int>((seed >> 16) % 24);
        EXPECT_LE(MakeDisplayPath(p, m).size(), static_cast<size_t>(m)) << p.size() << " " << m;
    }
}

// ---- LocaleText and the caption lists --------------------------------------------

TEST(LocaleText, PicksTheSystemLanguageThenDefaultThenTheFirstLine) {
    TOskFolderDialog d;
    d.SetLanguageKey(L"0419");
    EXPECT_EQ(d.LocaleText({}), L"");
    EXPECT_EQ(d.LocaleText({L"no equals sign"}), L"") << "a first line without = has no key";
    EXPECT_EQ(d.LocaleText({L"no equals", L"0407=Hallo"}), L"");
    EXPECT_EQ(d.LocaleText({L"0407=Hallo", L"040C=Bonjour"}), L"Hallo");
    EXPECT_EQ(d.LocaleText({L"0407=Hallo", L"Default=Hi"}), L"Hi");
    EXPECT_EQ(d.LocaleText({L"0407=Hallo", L"default=Hi", L"0419=Привет"}), L"Привет");
    EXPECT_EQ(d.LocaleText({L"x", L"0419=a=b"}), L"a=b") << "the text runs from the first =";
    EXPECT_EQ(d.LocaleText({L"0407="}), L"");
    d.SetLanguageKey(L"040C");
    EXPECT_EQ(d.LocaleText({L"0407=Hallo", L"040c=Bonjour"}), L"Bonjour") << "keys ignore case";
    EXPECT_EQ(d.LocaleText({L"=", L"x"}), L"");
    EXPECT_EQ(d.LocaleText({L"=only"}), L"only") << "the empty key of the first line";
}

TEST(LocaleText, BuiltInListsGiveEachLanguageItsCaptions) {
    TOskFolderDialog d;
    wchar_t system[8];
    wsprintfW(system, L"%04X", GetSystemDefaultLangID());
    EXPECT_EQ(d.LanguageKey(), system);

    const std::vector<std::pair<std::wstring, std::pair<std::wstring, std::wstring>>> cases = {
        {L"0419", {L"Current folder:", L"New folder"}},
        {L"0409", {L"Current folder:", L"New folder"}},
        {L"2C09", {L"Current folder:", L"New folder"}},
        {L"0406", {L"Valgt mappe:", L"Ny mappe"}},
        {L"1407", {L"Ausgewählter Ordner:", L"Neuer Ordner"}},
        {L"180C", {L"Dossier Courant:", L"Nouveau Dossier"}},
        {L"0810", {L"Cartella selezionata:", L"Nuova Cartella"}},
        {L"0413", {L"Huidige map:", L"Nieuwe map"}},
        {L"0415", {L"Bieżący folder", L"Nowy folder"}},
        {L"0416", {L"Pasta Atual:", L"Nova Pasta"}},
    };
    for (const auto& [key, texts] : cases) {
        d.SetLanguageKey(key);
        EXPECT_EQ(d.LabelText(), texts.first) << key;
        EXPECT_EQ(d.NewFolderCaption(), texts.second) << key;
    }

    const std::vector<std::wstring> order = {
        L"Default", L"0009", L"0406", L"0407", L"0409", L"040C", L"0410", L"0413", L"0415", L"0416",
        L"0807",    L"0809", L"080C", L"0810", L"0C07", L"0C09", L"0C0C", L"1007", L"1009", L"100C",
        L"1407",    L"1409", L"140C", L"1809", L"180C", L"1C09", L"2009", L"2809", L"2C09"};
    for (const TKeyedList* list : {&DefaultLabelCaptions(), &DefaultNewFolderCaptions()}) {
        ASSERT_EQ(list->size(), order.size());
        for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ((*list)[i].substr(0, (*list)[i].find(L'=')), order[i]);
    }
    EXPECT_EQ(d.LabelCaptions(), DefaultLabelCaptions());
    EXPECT_TRUE(d.Titles().empty());
    EXPECT_EQ(d.Version(), L"8.00.00.00");
    d.SetVersion(L"1.0");
    EXPECT_EQ(d.Version(), L"8.00.00.00");
}

TEST(LocaleText, AssigningAListRecomputesItsTextAtOnce) {
    TOskFolderDialog d;
    d.SetLanguageKey(L"0419");
    d.SetLabelCaptions({L"0419=Папка:", L"Default=Folder:"});
    EXPECT_EQ(d.LabelText(), L"Папка:");
    d.SetNewFolderCaptions({L"Default=Создать"});
    EXPECT_EQ(d.NewFolderCaption(), L"Создать");
    d.SetLabelCaptions({});
    EXPECT_EQ(d.LabelText(), L"");
}

// ---- The dialog, driven with the browser's own messages ---------------------------

namespace {

std::wstring PidlText(PCIDLIST_ABSOLUTE pidl) {
    wchar_t path[MAX_PATH + 1]{};
    if (SHGetPathFromIDListW(pidl, path)) return path;
    std::wstring p, display;
    DWORD attr = 0;
    GetPathDisplayAndAttr(pidl, p, display, attr);
    return L"item:" + display;
}

struct TRequest {
    UINT Msg;
    WPARAM WParam;
    std::wstring Text;  // path of a selection, status text, or "1"/"0" for OK
};

// Stands in for the shell's browser window: records the requests the
// component sends it and notices the Escape key that closes it.
class TFakeBrowser {
public:
    explicit TFakeBrowser(const BROWSEINFOW& info) : FInfo(info) {
        static bool registered = false;
        if (!registered) {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof(wc);
            wc.lpfnWndProc = &TFakeBrowser::Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"PlovikFakeBrowser";
            wc.cbWndExtra = sizeof(void*);
            RegisterClassExW(&wc);
            registered = true;
        }
        Wnd = CreateWindowExW(0, L"PlovikFakeBrowser", L"Browse for Folder", WS_POPUP | WS_CAPTION, 10, 10, 320,
                              280, info.hwndOwner, nullptr, GetModuleHandleW(nullptr), this);
        Label = CreateWindowExW(0, L"STATIC", L"label", WS_CHILD | WS_VISIBLE, 10, 10, 200, 16, Wnd, nullptr,
                                nullptr, nullptr);
        Font = CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
        SendMessageW(Label, WM_SETFONT, reinterpret_cast<WPARAM>(Font), FALSE);
    }
    ~TFakeBrowser() {
        DestroyWindow(Wnd);
        DeleteObject(Font);
    }
    int Notify(UINT msg, LPARAM lp) { return FInfo.lpfn(Wnd, msg, lp, FInfo.lParam); }
    void Initialize() { EXPECT_EQ(Notify(BFFM_INITIALIZED, 0), 0); }
    void Select(PCIDLIST_ABSOLUTE item) { EXPECT_EQ(Notify(BFFM_SELCHANGED, reinterpret_cast<LPARAM>(item)), 0); }
    bool WaitForEscape(DWORD ms = 2000) {
        return WaitFor([this] { return Escaped; }, ms);
    }
    std::vector<TRequest> Of(UINT msg) const {
        std::vector<TRequest> out;
        for (const TRequest& r : Requests)
            if (r.Msg == msg) out.push_back(r);
        return out;
    }

    HWND Wnd = nullptr;
    HWND Label = nullptr;
    HFONT Font = nullptr;
    bool Escaped = false;
    std::vector<TRequest> Requests;

private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCCREATE)
            SetWindowLongPtrW(wnd, 0, reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
        auto* self = reinterpret_cast<TFakeBrowser*>(GetWindowLongPtrW(wnd, 0));
        if (self) {
            switch (msg) {
            case BFFM_SETSELECTIONW:
                self->Requests.push_back({msg, wp, wp ? std::wstring(reinterpret_cast<const wchar_t*>(lp))
                                                      : PidlText(reinterpret_cast<PCIDLIST_ABSOLUTE>(lp))});
                return TRUE;
            case BFFM_SETSTATUSTEXTW:
                self->Requests.push_back({msg, wp, reinterpret_cast<const wchar_t*>(lp)});
                return TRUE;
            case BFFM_ENABLEOK:
                self->Requests.push_back({msg, wp, lp ? L"1" : L"0"});
                return TRUE;
            case WM_KEYDOWN:
                if (wp == VK_ESCAPE) self->Escaped = true;
                return 0;
            default:
                break;
            }
        }
        return DefWindowProcW(wnd, msg, wp, lp);
    }
    BROWSEINFOW FInfo;
};

struct TPidlOwner {
    PIDLIST_ABSOLUTE P = nullptr;
    explicit TPidlOwner(PIDLIST_ABSOLUTE p) : P(p) {}
    ~TPidlOwner() { CoTaskMemFree(P); }
    TPidlOwner(const TPidlOwner&) = delete;
    TPidlOwner& operator=(const TPidlOwner&) = delete;
};

PIDLIST_ABSOLUTE Special(int csidl) {
    PIDLIST_ABSOLUTE p = nullptr;
    SHGetSpecialFolderLocation(nullptr, csidl, &p);
    return p;
}

PIDLIST_ABSOLUTE FromPath(const std::wstring& path) { return ILCreateFromPathW(path.c_str()); }

// A message-box seam that records and answers OK.
struct TBoxes {
    std::vector<std::wstring> Texts;
    TBoxes() {
        Application().MessageBoxFn = [this](HWND, const std::wstring& text, const std::wstring&, UINT) {
            Texts.push_back(text);
            return IDOK;
        };
    }
    ~TBoxes() { Application().MessageBoxFn = nullptr; }
};

std::wstring FreshDir(const std::wstring& tag) {
    // The test prefix lives on a Unix file system: keep the case we expect.
    return MakeTempDir(tag);
}

}  // namespace

TEST(FolderDialog, OpensCentredWithItsTitleAndOptionsAndPreselectsTheFolder) {
    TTestWindow owner;
    TOskFolderDialog d(owner.Handle());
    d.SetLanguageKey(L"0409");
    d.SetTitles({L"0407=Ordner", L"Default=Pick a folder"});
    const std::wstring dir = FreshDir(L"fd_open");
    d.Folder = dir;
    int initialized = 0;
    HWND reported = nullptr;
    d.OnInitialized = [&](TOskFolderDialog& sender, HWND dialog) {
        EXPECT_EQ(&sender, &d);
        reported = dialog;
        ++initialized;
    };
    int runs = 0;
    d.BrowseFn = [&](BROWSEINFOW& info) -> PIDLIST_ABSOLUTE {
        ++runs;
        EXPECT_EQ(info.hwndOwner, owner.Handle());
        EXPECT_EQ(info.pidlRoot, nullptr) << "foDesktopExpanded has no root";
        EXPECT_STREQ(info.lpszTitle, L"Current folder:");
        EXPECT_EQ(info.ulFlags, 0x4u | 0x40u | 0x8000u) << "ShowPath, NewDialogStyle, ShowShared";
        EXPECT_NE(info.pszDisplayName, nullptr);
        EXPECT_EQ(info.pszDisplayName[0], L'\0');
        TFakeBrowser b(info);
        b.Initialize();
        RECT r;
        GetWindowRect(b.Wnd, &r);
        EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN) / 2 - 320 / 2);
        EXPECT_EQ(r.top, GetSystemMetrics(SM_CYSCREEN) / 2 - 280 / 2);
        EXPECT_EQ(r.right - r.left, 320) << "not resized";
        wchar_t caption[64];
        GetWindowTextW(b.Wnd, caption, 64);
        EXPECT_STREQ(caption, L"Pick a folder");
        EXPECT_EQ(d.DialogHandle(), b.Wnd);
        EXPECT_EQ(reported, b.Wnd);
        const auto selections = b.Of(BFFM_SETSELECTIONW);
        EXPECT_EQ(selections.size(), 1u);
        if (!selections.empty()) {
            EXPECT_EQ(selections[0].WParam, TRUE);
            EXPECT_EQ(selections[0].Text, dir);
        }
        EXPECT_EQ(d.NewFolderButton(), nullptr) << "the new style has its own button";
        return nullptr;
    };
    EXPECT_FALSE(d.Execute());
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(initialized, 1);
    EXPECT_EQ(d.Folder, dir) << "cancel keeps the folder";
    EXPECT_EQ(d.DialogHandle(), nullptr);
}

TEST(FolderDialog, InitialSelectionPrefersTheItemThenTheSpecialFolderThenThePath) {
    TOskFolderDialog d;
    const std::wstring a = FreshDir(L"fd_sel_a"), b = FreshDir(L"fd_sel_b");
    d.Folder = a;
    std::vector<TRequest> seen;
    d.BrowseFn = [&](BROWSEINFOW& info) -> PIDLIST_ABSOLUTE {
        TFakeBrowser fb(info);
        fb.Initialize();
        seen = fb.Of(BFFM_SETSELECTIONW);
        return nullptr;
    };
    d.SpecialFolder = CSIDL_PERSONAL;
    EXPECT_EQ(d.ExecutePIDL(FromPath(b), true), nullptr);  // freed by the component
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].WParam, FALSE);
    EXPECT_EQ(seen[0].Text, b);

    d.SpecialFolder = CSIDL_DRIVES;
    d.Execute();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].WParam, FALSE);
    TPidlOwner drives(Special(CSIDL_DRIVES));
    EXPECT_EQ(seen[0].Text, PidlText(drives.P));

    d.SpecialFolder = 4000;  // cannot be found: the path is next
    d.Execute();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].Text, a);

    d.SpecialFolder = -1;
    d.Folder.clear();
    d.Execute();
    EXPECT_TRUE(seen.empty()) << "nothing to preselect";

    // An item the caller keeps is not freed (it is still usable afterwards).
    TPidlOwner kept(FromPath(b));
    d.ExecutePIDL(kept.P, false);
    EXPECT_EQ(PidlText(kept.P), b);
}

TEST(FolderDialog, SelectionChangeSetsStatusTextOkAndReportsTheItem) {
    TOskFolderDialog d;
    const std::wstring deep = FreshDir(L"fd_status_a_rather_long_folder_name") + L"\\and another one below it";
    CreateDirectoryW(deep.c_str(), nullptr);
    TPidlOwner folder(FromPath(deep)), drives(Special(CSIDL_DRIVES)), printers(Special(CSIDL_PRINTERS));
    ASSERT_NE(folder.P, nullptr);
    ASSERT_NE(drives.P, nullptr);
    struct TReport {
        std::wstring Folder;
        DWORD Attr;
        HWND Dialog;
    };
    std::vector<TReport> reports;
    d.OnSelectionChanged = [&](TOskFolderDialog&, HWND dialog, PCIDLIST_ABSOLUTE item, const std::wstring& path,
                               DWORD attr) {
        EXPECT_NE(item, nullptr);
        reports.push_back({path, attr, dialog});
    };
    auto run = [&](TBrowseInfoFlagSet flags, PCIDLIST_ABSOLUTE item) {
        d.Flags = flags;
        std::vector<TRequest> requests;
        HWND wnd = nullptr;
        d.BrowseFn = [&](BROWSEINFOW& info) -> PIDLIST_ABSOLUTE {
            TFakeBrowser fb(info);
            wnd = fb.Wnd;
            fb.Initialize();
            fb.Requests.clear();
            fb.Notify(BFFM_SELCHANGED, 0);  // no item: nothing happens
            fb.Select(item);
            requests = fb.Requests;
            return nullptr;
        };
        d.Execute();
        EXPECT_EQ(reports.back().Dialog, wnd);
        return requests;
    };
    using F = TBrowseInfoFlags;

    auto r = run({F::ShowPath, F::OnlyFileSystem}, folder.P);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].Msg, static_cast<UINT>(BFFM_SETSTATUSTEXTW));
    EXPECT_EQ(r[0].Text, MakeDisplayPath(deep, 50));
    EXPECT_LE(r[0].Text.size(), 50u);
    EXPECT_EQ(r[1].Msg, static_cast<UINT>(BFFM_ENABLEOK));
    EXPECT_EQ(r[1].Text, L"1");
    EXPECT_EQ(reports.back().Folder, deep);
    EXPECT_TRUE(reports.back().Attr & SFGAO_FILESYSTEM);

    r = run({F::ShowPath, F::OnlyFileSystem}, drives.P);
    ASSERT_EQ(r.size(), 2u);
    std::wstring p, display;
    DWORD attr;
    GetPathDisplayAndAttr(drives.P, p, display, attr);
    EXPECT_FALSE(display.empty());
    EXPECT_EQ(r[0].Text, display) << "outside the file system the display name is shown";
    EXPECT_EQ(r[1].Text, L"0") << "only file-system folders may be chosen";
    EXPECT_EQ(reports.back().Folder, L"");

    r = run({}, drives.P);
    ASSERT_EQ(r.size(), 1u) << "no status text without ShowPath";
    EXPECT_EQ(r[0].Text, L"1");

    if (printers.P) {
        GetPathDisplayAndAttr(printers.P, p, display, attr);
        r = run({F::OnlyAncestors}, printers.P);
        EXPECT_EQ(r.back().Text, (attr & SFGAO_FILESYSANCESTOR) ? L"1" : L"0");
    }
    r = run({F::OnlyAncestors}, folder.P);
    EXPECT_EQ(r.back().Text, L"1") << "a folder is its own file-system ancestor";
}

TEST(FolderDialog, ValidationFailureRaisesItsEventAndTheHandlerAlwaysAnswersZero) {
    TOskFolderDialog d;
    HWND reported = nullptr;
    int failures = 0;
    d.BrowseFn = [&](BROWSEINFOW& info) -> PIDLIST_ABSOLUTE {
        TFakeBrowser fb(info);
        fb.Initialize();
        EXPECT_EQ(fb.Notify(BFFM_VALIDATEFAILEDW, reinterpret_cast<LPARAM>(L"nonsense")), 0);
        d.OnValidateFailed = [&](TOskFolderDialog&, HWND dialog) {
            reported = dialog;
            ++failures;
        };
        EXPECT_EQ(fb.Notify(BFFM_VALIDATEFAILEDW, reinterpret_cast<LPARAM>(L"nonsense")), 0);
        EXPECT_EQ(fb.Notify(BFFM_IUNKNOWN, 0), 0);
        EXPECT_EQ(reported, fb.Wnd);
        return nullptr;
    };
    d.Execute();
    EXPECT_EQ(failures, 1) << "the first failure had no handler: a beep only";
}

TEST(FolderDialog, AChosenItemFillsFolderAndTheSpecialFolderOnlyWhenAsked) {
    TOskFolderDialog d;
    const std::wstring dir = FreshDir(L"fd_chosen");
    PIDLIST_ABSOLUTE answer = nullptr;
    d.BrowseFn = [&](BROWSEINFOW& info) -> PIDLIST_ABSOLUTE {
        TFakeBrowser fb(info);
        fb.Initialize();
        info.iImage = 7;
        return ILCloneFull(answer);
    };
    TPidlOwner folder(FromPath(dir)), drives(Special(CSIDL_DRIVES)), desktop(Special(CSIDL_DESKTOP));

    d.SpecialFolder = CSIDL_PERSONAL;
    answer = folder.P;
    EXPECT_TRUE(d.Execute());
    EXPECT_EQ(d.Folder, dir);
    EXPECT_EQ(d.DisplayName(), dir);
    EXPECT_TRUE(d.Attributes() & SFGAO_FOLDER);
    EXPECT_EQ(d.ImageIndex(), 7);
    EXPECT_EQ(d.SpecialFolder, -1) << "not asked for";

    d.ReturnSpecialFolder = true;
    answer = drives.P;
    EXPECT_TRUE(d.Execute());
    EXPECT_EQ(d.SpecialFolder, CSIDL_DRIVES);
    EXPECT_EQ(d.Folder, L"") << "outside the file system";
    EXPECT_FALSE(d.DisplayName().empty());

    d.SpecialFolder = -1;
    answer = desktop.P;
    EXPECT_TRUE(d.Execute());
    EXPECT_EQ(d.SpecialFolder, CSIDL_DESKTOP);

    d.SpecialFolder = -1;
    answer = folder.P;
    PIDLIST_ABSOLUTE got = d.ExecutePIDL(nullptr, false);
    ASSERT_NE(got, nullptr);
    EXPECT_TRUE(ILIsEqual(got, folder.P)) << "the caller gets the chosen item";
    CoTaskMemFree(got);
    EXPECT_EQ(d.SpecialFolder, -1) << "an ordinary folder is no special one";
}

TEST(FolderDialog, RootAndOptionsFollowTheTables) {
    TOskFolderDialog d;
    PIDLIST_ABSOLUTE root = nullptr;
    UINT options = 0;
    d.BrowseFn = [&](BROWSEINFOW& info) -> PIDLIST_ABSOLUTE {
        root = info.pidlRoot ? ILCloneFull(info.pidlRoot) : nullptr;
        options = info.ulFlags;
        return nullptr;
    };
    d.RootFolder = TSHFolders::foMyComputer;
    using F = TBrowseInfoFlags;
    d.Flags = {F::OnlyComputers, F::OnlyPrinters, F::OnlyDomains, F::OnlyAncestors, F::OnlyFileSystem,
               F::ShowPath, F::EditBox, F::Includefiles, F::IncludeURLs, F::NewDialogStyle,
               F::UsageHint, F::HideNewFolderButton, F::ShowShared, F::Validate};
    d.Execute();
    EXPECT_EQ(options, 0x1000u | 0x2000u | 0x2u | 0x8u | 0x1u | 0x4u | 0x10u | 0x4000u | 0x80u | 0x40u |
                           0x100u | 0x200u | 0x8000u | 0x20u);
    TPidlOwner drives(Special(CSIDL_DRIVES));
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(ILIsEqual(root, drives.P));
    CoTaskMemFree(root);

    const std::pair<TSHFolders, int> table[] = {
        {TSHFolders::foDesktop, 0},       {TSHFolders::foDesktopExpanded, -1}, {TSHFolders::foPrograms, 2},
        {TSHFolders::foControlPanel, 3},  {TSHFolders::foPrinters, 4},        {TSHFolders::foPersonal, 5},
        {TSHFolders::foFavorites, 6},     {TSHFolders::foStartup, 7},         {TSHFolders::foRecent, 8},
        {TSHFolders::foSendto, 9},        {TSHFolders::foRecycleBin, 10},     {TSHFolders::foStartMenu, 11},
        {TSHFolders::foDesktopFolder, 16}, {TSHFolders::foMyComputer, 17},    {TSHFolders::foNetwork, 18},
        {TSHFolders::foNetworkNeighborhood, 19}, {TSHFolders::foFonts, 20},   {TSHFolders::foTemplates, 21},
    };
    for (const auto& [folder, number] : table) EXPECT_EQ(RootFolderNumber(folder), number);

    // A root that cannot be resolved leaves the tree at the desktop.
    d.RootFolder = TSHFolders::foNetworkNeighborhood;
    d.Execute();
    TPidlOwner nethood(Special(CSIDL_NETHOOD));
    EXPECT_EQ(root != nullptr, nethood.P != nullptr);
    CoTaskMemFree(root);
}

// ---- Old style: the component's own new-folder button -----------------------------

TEST(FolderDialog, OldStyleGetsANewFolderButtonThatFollowsTheSelection) {
    EXPECT_EQ(NewFolderButtonBounds(96, 300, 18).left, 12);
    EXPECT_EQ(NewFolderButtonBounds(72, 300, 18).top, 264);
    const RECT b120 = NewFolderButtonBounds(120, 300, 18);
    EXPECT_EQ(b120.top, 255);
    EXPECT_EQ(b120.right - b120.left, 93);
    EXPECT_EQ(b120.bottom - b120.top, 28);
    const RECT b144 = NewFolderButtonBounds(144, 300, 18);
    EXPECT_EQ(b144.left, 17);
    EXPECT_EQ(b144.top, 244);
    EXPECT_EQ(b144.right - b144.left, 112);
    const RECT b192 = NewFolderButtonBounds(192, 300, 18);
    EXPECT_EQ(b192.top, 234);
    EXPECT_EQ(b192.bottom - b192.top, 41);
    const RECT b108 = NewFolderButtonBounds(108, 300, 18);
    EXPECT_EQ(b108.left, 13);
    EXPECT_EQ(b108.top, 300 - 18 - 17);
    EXPECT_EQ(b108.right - b108.left, 84);
    EXPECT_EQ(b108.bottom - b108.top, 25);
    EXPECT_EQ(NewFolderButtonMinWidth(72), 75);
    EXPECT_EQ(NewFolderButtonMinWidth(144), 112);

    TOskFolderDialog d;
    d.SetLanguageKey(L"0409");
    d.Flags = {TBrowseInfoFlags::ShowPath};
    const std::wstring dir = FreshDir(L"fd_button");
    TPidlOwner folder(FromPath(dir)), drives(Special(CSIDL_DRIVES));
    d.BrowseFn = [&](BROWSEINFOW& info) -> PIDLIST_ABSOLUTE {
        TFakeBrowser fb(info);
        fb.Initialize();
        HWND button = GetDlgItem(fb.Wnd, 255);
        EXPECT_EQ(button, d.NewFolderButton());
        if (!button) return nullptr;
        wchar_t text[64];
        GetWindowTextW(button, text, 64);
        EXPECT_STREQ(text, L"New folder");
        EXPECT_TRUE(GetWindowLongPtrW(button, GWL_STYLE) & WS_VISIBLE);
        EXPECT_TRUE(GetWindowLongPtrW(button, GWL_STYLE) & WS_TABSTOP);
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0)), fb.Font)
            << "the font of the dialog's first static text";
        RECT client, r;
        GetClientRect(fb.Wnd, &client);
        GetWindowRect(button, &r);
        MapWindowPoints(nullptr, fb.Wnd, reinterpret_cast<POINT*>(&r), 2);
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        const RECT expected = NewFolderButtonBounds(dpi, client.bottom, GetSystemMetrics(SM_CYCAPTION));
        EXPECT_EQ(r.left, expected.left);
        EXPECT_EQ(r.top, expected.top);
        EXPECT_EQ(r.bottom - r.top, expected.bottom - expected.top);
        EXPECT_GE(r.right - r.left, NewFolderButtonMinWidth(dpi));

        EXPECT_TRUE(IsWindowEnabled(button)) << "the selection starts in the file system";
        fb.Select(drives.P);
        EXPECT_FALSE(IsWindowEnabled(button));
        fb.Select(folder.P);
        EXPECT_TRUE(IsWindowEnabled(button));

        // A long caption widens the button; retitling reaches the open button.
        d.SetNewFolderCaption(L"Make a brand new folder right here, please");
        GetWindowTextW(button, text, 64);
        EXPECT_STREQ(text, L"Make a brand new folder right here, please");
        return nullptr;
    };
    d.Execute();
    EXPECT_EQ(d.NewFolderButton(), nullptr) << "gone with its dialog";

    d.Flags.Include(TBrowseInfoFlags::HideNewFolderButton);
    int buttons = 0;
    d.BrowseFn = [&](BROWSEINFOW& info) -> PIDLIST_ABSOLUTE {
        TFakeBrowser fb(info);
        fb.Initialize();
        buttons += GetDlgItem(fb.Wnd, 255) != nullptr;
        return nullptr;
    };
    d.Execute();
    EXPECT_EQ(buttons, 0);
}

TEST(FolderDialog, NewFolderCommandCreatesTheFolderAndReopensOnIt) {
    TBoxes boxes;
    TOskFolderDialog d;
    d.Flags = {TBrowseInfoFlags::ShowPath};
    const std::wstring base = FreshDir(L"fd_new");
    d.Folder = base;
    TPidlOwner baseItem(FromPath(base));
    std::vector<std::wstring> asked;
    d.InputBoxFn = [&](HWND owner, const std::wstring& caption, const std::wstring& prompt, const std::wstring& def) {
        EXPECT_EQ(owner, d.DialogHandle());
        EXPECT_EQ(prompt, L"");
        EXPECT_EQ(def, L"");
        asked.push_back(caption);
        return std::wstring(L"Fresh\\Sub");
    };
    int pass = 0;
    std::vector<std::vector<TRequest>> selections;
    d.BrowseFn = [&](BROWSEINFOW& info) -> PIDLIST_ABSOLUTE {
        ++pass;
        TFakeBrowser fb(info);
        fb.Initialize();
        selections.push_back(fb.Of(BFFM_SETSELECTIONW));
        if (pass == 1) {
            fb.Select(baseItem.P);
            SendMessageW(fb.Wnd, WM_COMMAND, MAKEWPARAM(255, BN_CLICKED), 0);
            EXPECT_TRUE(fb.WaitForEscape()) << "the dialog is closed to be reopened";
            return nullptr;
        }
        return FromPath(base + L"\\Fresh\\Sub");
    };
    EXPECT_TRUE(d.Execute());
    EXPECT_EQ(pass, 2);
    EXPECT_EQ(asked, std::vector<std::wstring>{d.NewFolderCaption()});
    EXPECT_EQ(GetFileAttributesW((base + L"\\Fresh\\Sub").c_str()) & FILE_ATTRIBUTE_DIRECTORY,
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    ASSERT_EQ(selections.size(), 2u);
    ASSERT_EQ(selections[1].size(), 1u);
    EXPECT_EQ(selections[1][0].Text, base + L"\\Fresh\\Sub") << "reopened on the new folder";
    EXPECT_EQ(d.Folder, base + L"\\Fresh\\Sub");
    EXPECT_TRUE(boxes.Texts.empty());

    // A name with its own backslash gets none added; a cancelled name box does nothing.
    pass = 0;
    selections.clear();
    d.Folder = base;
    std::wstring answer = L"\\Second";
    d.InputBoxFn = [&](HWND, const std::wstring&, const std::wstring&, const std::wstring&) { return answer; };
    d.BrowseFn = [&](BROWSEINFOW& info) -> PIDLIST_ABSOLUTE {
        ++pass;
        TFakeBrowser fb(info);
        fb.Initialize();
        selections.push_back(fb.Of(BFFM_SETSELECTIONW));
        if (pass == 1) {
            fb.Select(baseItem.P);
            SendMessageW(fb.Wnd, WM_COMMAND, 255, 0);
            fb.WaitForEscape();
        }
        return nullptr;
    };
    EXPECT_FALSE(d.Execute());
    EXPECT_EQ(pass, 2);
    EXPECT_EQ(selections[1][0].Text, base + L"\\Second");
    EXPECT_EQ(d.Folder, base) << "cancel after the command: the folder selected when it was given";

    pass = 0;
    answer.clear();
    bool escaped = true;
    d.BrowseFn = [&](BROWSEINFOW& info) -> PIDLIST_ABSOLUTE {
        ++pass;
        TFakeBrowser fb(info);
        fb.Initialize();
        SendMessageW(fb.Wnd, WM_COMMAND, 255, 0);
        escaped = fb.WaitForEscape(200);
        return nullptr;
    };
    d.Execute();
    EXPECT_EQ(pass, 1);
    EXPECT_FALSE(escaped);
}

TEST(FolderDialog, AFolderThatCannotBeMadeShowsTheSystemTextAndReopensOnThePreviousSelection) {
    TBoxes boxes;
    TOskFolderDialog d;
    d.Flags = {TBrowseInfoFlags::ShowPath};
    const std::wstring base = FreshDir(L"fd_fail");
    const std::wstring chosen = base + L"\\chosen";
    CreateDirectoryW(chosen.c_str(), nullptr);
    WriteFileBytes(chosen + L"\\occupied", "a file, not a folder");
    TPidlOwner chosenItem(FromPath(chosen));
    d.Folder = base;

    wchar_t* raw = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, 82, 0, reinterpret_cast<LPWSTR>(&raw), 0, nullptr);
    std::wstring systemText = raw ? raw : L"";
    LocalFree(raw);
    while (!systemText.empty() && (systemText.back() == L'\n' || systemText.back() == L'\r')) systemText.pop_back();
    EXPECT_FALSE(systemText.empty()) << "the system has a text for error 82";
    EXPECT_EQ(SystemErrorText(82), systemText);

    for (const std::wstring& name : {std::wstring(L"occupied"), std::wstring(L"bad<name>"), std::wstring(300, L'n')}) {
        boxes.Texts.clear();
        d.Folder = base;
        int pass = 0;
        std::vector<TRequest> reopened;
        d.InputBoxFn = [&](HWND, const std::wstring&, const std::wstring&, const std::wstring&) { return name; };
        d.BrowseFn = [&](BROWSEINFOW& info) -> PIDLIST_ABSOLUTE {
            ++pass;
            TFakeBrowser fb(info);
            fb.Initialize();
            if (pass == 1) {
                fb.Select(chosenItem.P);
                SendMessageW(fb.Wnd, WM_COMMAND, 255, 0);
                EXPECT_TRUE(fb.WaitForEscape());
            } else {
                reopened = fb.Of(BFFM_SETSELECTIONW);
            }
            return nullptr;
        };
        EXPECT_FALSE(d.Execute());
        EXPECT_EQ(pass, 2) << name.size();
        ASSERT_EQ(boxes.Texts.size(), 1u);
        EXPECT_EQ(boxes.Texts[0], SystemErrorText(82));
        ASSERT_EQ(reopened.size(), 1u);
        EXPECT_EQ(reopened[0].Text, chosen) << "the previous selection";
        EXPECT_EQ(d.Folder, chosen);
    }
}

TEST(FolderDialog, ASecondRunWhileOneIsOpenOnlyBringsTheOpenOneUp) {
    TOskFolderDialog d;
    int runs = 0;
    bool nested = true;
    d.BrowseFn = [&](BROWSEINFOW& info) -> PIDLIST_ABSOLUTE {
        ++runs;
        TFakeBrowser fb(info);
        fb.Initialize();
        // A hot key handled in the dialog's message loop asks for the folder again.
        TPidlOwner extra(FromPath(L"C:\\"));
        nested = d.Execute() || d.ExecutePIDL(ILCloneFull(extra.P), true) != nullptr;
        EXPECT_EQ(d.DialogHandle(), fb.Wnd);
        return nullptr;
    };
    d.Execute();
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(nested);
}

TEST(GetPathDisplayAndAttr, BothWaysToTheParentFolderAgree) {
    const std::wstring dir = FreshDir(L"fd_parent");
    TPidlOwner folder(FromPath(dir)), drives(Special(CSIDL_DRIVES)), desktop(Special(CSIDL_DESKTOP));
    for (PCIDLIST_ABSOLUTE item : {static_cast<PCIDLIST_ABSOLUTE>(folder.P), static_cast<PCIDLIST_ABSOLUTE>(drives.P),
                                   static_cast<PCIDLIST_ABSOLUTE>(desktop.P)}) {
        IShellFolder *a = nullptr, *b = nullptr;
        PCUITEMID_CHILD ca = nullptr, cb = nullptr;
        ASSERT_TRUE(BindToParentFolder(item, &a, &ca));
        ASSERT_TRUE(BindToParentByWalk(item, &b, &cb));
        EXPECT_EQ(ca, cb) << "the same last identifier";
        SFGAOF fa = SFGAO_FOLDER | SFGAO_FILESYSTEM, fb = fa;
        a->GetAttributesOf(1, &ca, &fa);
        b->GetAttributesOf(1, &cb, &fb);
        EXPECT_EQ(fa, fb);
        a->Release();
        b->Release();
    }
    std::wstring path = L"x", display = L"x";
    DWORD attr = 1;
    GetPathDisplayAndAttr(nullptr, path, display, attr);
    EXPECT_EQ(path, L"");
    EXPECT_EQ(display, L"");
    EXPECT_EQ(attr, 0u);
    GetPathDisplayAndAttr(folder.P, path, display, attr);
    EXPECT_EQ(path, dir);
    EXPECT_EQ(display, dir);
    EXPECT_TRUE(attr & SFGAO_FILESYSTEM);
}
