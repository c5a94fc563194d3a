// The folder dialog against the real shell browser and the real name box,
// driven from a timer that keeps ticking in their modal loops.
#include <gtest/gtest.h>

#include <objidl.h>

#include <functional>
#include <set>
#include <string>

#include "desktop/application.h"
#include "desktop/window_timer.h"
#include "look/folder_dialog.h"
#include "look/input_box.h"
#include "look_helpers.h"
#include "support/peer_player.h"

namespace {

// Runs step on every tick until it answers true (or the deadline passes).
class TDriver {
public:
    explicit TDriver(std::function<bool()> step, DWORD deadlineMs = 30000)
        : FStep(std::move(step)), FDeadline(GetTickCount() + deadlineMs) {
        FTimer.SetInterval(50);
        FTimer.OnTimer = [this] {
            if (FDone) return;
            if (GetTickCount() > FDeadline) {
                FTimedOut = FDone = true;
                // Close whatever modal window is up so the test ends.
                if (HWND w = GetActiveWindow()) PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
                return;
            }
            FDone = FStep();
        };
        FTimer.SetEnabled(true);
    }
    bool TimedOut() const { return FTimedOut; }
    void Rearm(std::function<bool()> step) {
        FStep = std::move(step);
        FDone = false;
    }

private:
    std::function<bool()> FStep;
    DWORD FDeadline;
    bool FDone = false;
    bool FTimedOut = false;
    TWindowTimer FTimer;
};

HWND FindDialog(const wchar_t* caption) { return FindWindowW(L"#32770", caption); }

// A fresh folder the browser's tree shows. The temporary folder of the test
// prefix is hidden (the tree leaves hidden folders out), and Wine's browser
// misses a folder made after its parent was first listed in this process, so
// parent and folder are both new.
std::wstring VisibleDir(const std::wstring& tag) {
    const std::wstring parent = L"C:\\Plovik" + tag + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                std::to_wstring(GetTickCount());
    CreateDirectoryW(parent.c_str(), nullptr);
    const std::wstring dir = parent + L"\\picked";
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

void RemoveVisibleDir(const std::wstring& dir) {
    RemoveDirectoryW(dir.c_str());
    RemoveDirectoryW(dir.substr(0, dir.rfind(L'\\')).c_str());
}

// Counts task-allocator blocks that are made and not freed while it is registered.
class TAllocationSpy : public IMallocSpy {
public:
    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IMallocSpy) {
            *out = static_cast<IMallocSpy*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    // IMallocSpy
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size; }
    void* STDMETHODCALLTYPE PostAlloc(void* p) override {
        if (p) Live.insert(p);
        return p;
    }
    void* STDMETHODCALLTYPE PreFree(void* p, BOOL) override {
        Live.erase(p);
        return p;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* p, SIZE_T size, void** inner, BOOL) override {
        Live.erase(p);
        *inner = p;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* p, BOOL) override {
        if (p) Live.insert(p);
        return p;
    }
    void* STDMETHODCALLTYPE PreGetSize(void* p, BOOL) override { return p; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* p, BOOL) override { return p; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

    std::set<void*> Live;
};

}  // namespace

TEST(InputBox, ReturnsWhatWasTypedOnOkAndTheDefaultOnCancel) {
    TTestWindow owner(300, 200, true);
    TDriver driver([] {
        HWND box = FindDialog(L"Name please");
        if (!box) return false;
        SetDlgItemTextW(box, kInputBoxEditId, L"Новая папка");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(InputBox(owner.Handle(), L"Name please", L"Folder name:", L"old"), L"Новая папка");
    EXPECT_FALSE(driver.TimedOut());

    std::wstring prompt;
    driver.Rearm([&] {
        HWND box = FindDialog(L"Name please");
        if (!box) return false;
        wchar_t text[64]{};
        GetDlgItemTextW(box, kInputBoxPromptId, text, 64);
        prompt = text;
        SetDlgItemTextW(box, kInputBoxEditId, L"typed, then thrown away");
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    EXPECT_EQ(InputBox(owner.Handle(), L"Name please", L"Folder name:", L"old"), L"old");
    EXPECT_EQ(prompt, L"Folder name:");
}

TEST(FolderDialogReal, NewStyleBrowserOpensCentredOnTheFolderAndReturnsIt) {
    TTestWindow owner(300, 200, true);
    TOskFolderDialog d(owner.Handle());
    d.SetLanguageKey(L"0409");
    d.SetTitles({L"Default=Папка для файлов"});
    const std::wstring dir = VisibleDir(L"NewStyle");
    d.Folder = dir;
    std::wstring reported;
    d.OnSelectionChanged = [&](TOskFolderDialog&, HWND, PCIDLIST_ABSOLUTE, const std::wstring& path, DWORD) {
        reported = path;
    };
    RECT where{};
    std::wstring caption;
    DWORD shownAt = 0;
    int retries = 0;
    TDriver driver([&] {
        HWND dlg = d.DialogHandle();
        if (!dlg || !IsWindowVisible(dlg)) return false;
        if (reported != dir) {
            // Wine's new-style browser now and then drops a selection request
            // made while it is still filling its tree: ask again, through the
            // component, as a program would.
            if (!shownAt) shownAt = GetTickCount();
            if (GetTickCount() - shownAt > 1500) {
                d.SetSelectedFolder(dir);
                shownAt = GetTickCount();
                ++retries;
            }
            return false;
        }
        GetWindowRect(dlg, &where);
        wchar_t text[64]{};
        GetWindowTextW(dlg, text, 64);
        caption = text;
        SaveWindowShot(L"folder_dialog_new_style", dlg);
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_TRUE(d.Execute());
    EXPECT_FALSE(driver.TimedOut());
    EXPECT_EQ(d.Folder, dir);
    EXPECT_LE(retries, 3);
    EXPECT_EQ(caption, L"Папка для файлов");
    EXPECT_EQ(where.left, GetSystemMetrics(SM_CXSCREEN) / 2 - (where.right - where.left) / 2);
    EXPECT_EQ(where.top, GetSystemMetrics(SM_CYSCREEN) / 2 - (where.bottom - where.top) / 2);
    RemoveVisibleDir(dir);
}

TEST(FolderDialogReal, OldStyleNewFolderButtonMakesTheFolderAndTheBrowserComesBackOnIt) {
    TTestWindow owner(300, 200, true);
    TOskFolderDialog d(owner.Handle());
    d.SetLanguageKey(L"0409");
    d.Flags = {TBrowseInfoFlags::ShowPath, TBrowseInfoFlags::OnlyFileSystem};
    // The drive root: its path ends in a backslash, so the name gets none in
    // front. (Wine's old-style browser cannot preselect a folder three levels
    // below the computer, so the new folder sits right under the root.)
    const std::wstring base = L"C:\\";
    const std::wstring name = L"PlovikMade-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount());
    d.Folder = base;
    std::wstring asked;
    d.InputBoxFn = [&](HWND, const std::wstring& caption, const std::wstring&, const std::wstring&) {
        asked = caption;
        return name;
    };
    std::wstring reported;
    d.OnSelectionChanged = [&](TOskFolderDialog&, HWND, PCIDLIST_ABSOLUTE, const std::wstring& path, DWORD) {
        reported = path;
    };
    int opened = 0;
    bool hadButton = false;
    std::wstring secondSelection;
    TDriver driver([&] {
        HWND dlg = d.DialogHandle();
        if (opened != 1 || !dlg || !IsWindowVisible(dlg) || reported != base) return false;
        HWND button = GetDlgItem(dlg, 255);
        hadButton = button && IsWindowVisible(button) && IsWindowEnabled(button);
        SaveWindowShot(L"folder_dialog_old_style", dlg);
        reported.clear();
        SendMessageW(button, BM_CLICK, 0, 0);
        return true;
    });
    d.OnInitialized = [&](TOskFolderDialog&, HWND) {
        if (++opened != 2) return;
        driver.Rearm([&] {
            HWND dlg = d.DialogHandle();
            if (!dlg || !IsWindowVisible(dlg) || reported.empty()) return false;
            secondSelection = reported;
            SaveWindowShot(L"folder_dialog_old_style_reopened", dlg);
            PostMessageW(dlg, WM_COMMAND, IDOK, 0);
            return true;
        });
    };
    EXPECT_TRUE(d.Execute());
    EXPECT_FALSE(driver.TimedOut());
    EXPECT_TRUE(hadButton);
    EXPECT_EQ(asked, L"New folder");
    EXPECT_EQ(opened, 2) << "closed and opened again by the new-folder command";
    EXPECT_EQ(secondSelection, base + name);
    EXPECT_EQ(d.Folder, base + name);
    RemoveDirectoryW((base + name).c_str());
}

TEST(FolderDialogLeaks, NoItemListIsLeftBehindByAnyPath) {
    TOskFolderDialog d;
    d.Flags = {TBrowseInfoFlags::ShowPath};
    const std::wstring base = MakeTempDir(L"leaks");
    CreateDirectoryW((base + L"\\pick").c_str(), nullptr);
    int pass = 0;
    std::wstring name = L"made";
    d.InputBoxFn = [&](HWND, const std::wstring&, const std::wstring&, const std::wstring&) { return name; };
    d.BrowseFn = [&](BROWSEINFOW& info) -> PIDLIST_ABSOLUTE {
        ++pass;
        // The browser's own lists are made and freed here, as the shell does.
        BROWSEINFOW copy = info;
        HWND wnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
        copy.lpfn(wnd, BFFM_INITIALIZED, 0, copy.lParam);
        PIDLIST_ABSOLUTE item = ILCreateFromPathW((base + L"\\pick").c_str());
        copy.lpfn(wnd, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(item), copy.lParam);
        if (pass == 1) {
            SendMessageW(wnd, WM_COMMAND, 255, 0);
            MSG msg;
            while (PeekMessageW(&msg, wnd, 0, 0, PM_REMOVE)) {
            }
            DestroyWindow(wnd);
            CoTaskMemFree(item);
            return nullptr;
        }
        DestroyWindow(wnd);
        return item;
    };
    auto runAll = [&] {
        Application().MessageBoxFn = [](HWND, const std::wstring&, const std::wstring&, UINT) { return IDOK; };
        for (bool special : {false, true}) {
            d.ReturnSpecialFolder = special;
            d.RootFolder = special ? TSHFolders::foMyComputer : TSHFolders::foDesktopExpanded;
            d.SpecialFolder = special ? CSIDL_DRIVES : -1;
            pass = 0;
            d.Execute();
            pass = 0;
            name = L"bad<name>";  // a failed creation reopens too
            CoTaskMemFree(d.ExecutePIDL(ILCreateFromPathW(base.c_str()), true));
            name = L"made";
        }
        Application().MessageBoxFn = nullptr;
    };
    runAll();  // the shell fills its caches once
    TAllocationSpy spy;
    ASSERT_EQ(CoRegisterMallocSpy(&spy), S_OK);
    void* probe = CoTaskMemAlloc(16);
    const bool spySees = spy.Live.count(probe) == 1;
    CoTaskMemFree(probe);
    runAll();
    CoRevokeMallocSpy();
    EXPECT_TRUE(spySees) << "the spy sees the task allocator";
    EXPECT_TRUE(spy.Live.empty()) << spy.Live.size() << " blocks left";
}
