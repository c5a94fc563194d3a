#include "look/folder_dialog.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <memory>
#include <utility>

#include "desktop/application.h"
#include "look/input_box.h"

namespace {

// ---- Owned shell objects ----------------------------------------------------

struct TPidlFree {
    void operator()(ITEMIDLIST* p) const noexcept { CoTaskMemFree(p); }
};
using TPidl = std::unique_ptr<ITEMIDLIST, TPidlFree>;

struct TRelease {
    void operator()(IUnknown* p) const noexcept { p->Release(); }
};
using TShellFolderRef = std::unique_ptr<IShellFolder, TRelease>;

TPidl SpecialFolderLocation(HWND owner, int csidl) {
    PIDLIST_ABSOLUTE p = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(owner, csidl, &p))) return nullptr;
    return TPidl(p);
}

std::wstring AnsiText(const char* text) {
    if (!text || !*text) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 1) return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), n);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

// A display name comes back in one of three forms; the wide one is ours to free.
std::wstring StrRetText(STRRET& value, PCUITEMID_CHILD child) {
    switch (value.uType) {
    case STRRET_WSTR: {
        std::wstring text = value.pOleStr ? value.pOleStr : L"";
        CoTaskMemFree(value.pOleStr);
        value.pOleStr = nullptr;
        return text;
    }
    case STRRET_OFFSET:
        return AnsiText(reinterpret_cast<const char*>(child) + value.uOffset);
    case STRRET_CSTR:
        return AnsiText(value.cStr);
    default:
        return {};
    }
}

bool DirectoryExists(const std::wstring& path) {
    const DWORD attr = GetFileAttributesW(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Makes a folder and every missing folder above it. Walks up without
// recursion, so a hostile path of thousands of levels costs no stack.
bool ForceDirectories(std::wstring path) {
    while (path.size() > 1 && IsSeparator(path.back())) path.pop_back();
    if (path.empty()) return false;
    std::vector<std::wstring> missing;
    std::wstring level = path;
    while (!level.empty() && !DirectoryExists(level)) {
        missing.push_back(level);
        const size_t cut = level.find_last_of(L"\\/");
        if (cut == std::wstring::npos || cut == 0) break;
        level.resize(cut);
        if (level.size() == 2 && level[1] == L':') break;  // a drive cannot be made
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) CreateDirectoryW(it->c_str(), nullptr);
    return DirectoryExists(path);
}

// The key of a keyed line (text before the first "="), or nothing for a
// line without "=".
bool LineKey(const std::wstring& line, std::wstring& key) {
    const size_t eq = line.find(L'=');
    if (eq == std::wstring::npos) return false;
    key = line.substr(0, eq);
    return true;
}

bool SameKey(const std::wstring& a, const std::wstring& b) {
    if (a.empty() || b.empty()) return a.empty() && b.empty();
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool FindValue(const TKeyedList& list, const std::wstring& key, std::wstring& value) {
    for (const std::wstring& line : list) {
        std::wstring lineKey;
        if (LineKey(line, lineKey) && SameKey(lineKey, key)) {
            value = line.substr(lineKey.size() + 1);
            return true;
        }
    }
    return false;
}

TKeyedList MakeCaptionList(bool labels) {
    struct TLanguage {
        const wchar_t* Key;
        const wchar_t* Label;
        const wchar_t* NewFolder;
    };
    static const wchar_t kEnLabel[] = L"Current folder:", kEnNew[] = L"New folder";
    static const wchar_t kDeLabel[] = L"Ausgewählter Ordner:", kDeNew[] = L"Neuer Ordner";
    static const wchar_t kFrLabel[] = L"Dossier Courant:", kFrNew[] = L"Nouveau Dossier";
    static const wchar_t kItLabel[] = L"Cartella selezionata:", kItNew[] = L"Nuova Cartella";
    static const TLanguage kLanguages[] = {
        {L"Default", kEnLabel, kEnNew},
        {L"0009", kEnLabel, kEnNew},
        {L"0406", L"Valgt mappe:", L"Ny mappe"},
        {L"0407", kDeLabel, kDeNew},
        {L"0409", kEnLabel, kEnNew},
        {L"040C", kFrLabel, kFrNew},
        {L"0410", kItLabel, kItNew},
        {L"0413", L"Huidige map:", L"Nieuwe map"},
        {L"0415", L"Bieżący folder", L"Nowy folder"},
        {L"0416", L"Pasta Atual:", L"Nova Pasta"},
        {L"0807", kDeLabel, kDeNew},
        {L"0809", kEnLabel, kEnNew},
        {L"080C", kFrLabel, kFrNew},
        {L"0810", kItLabel, kItNew},
        {L"0C07", kDeLabel, kDeNew},
        {L"0C09", kEnLabel, kEnNew},
        {L"0C0C", kFrLabel, kFrNew},
        {L"1007", kDeLabel, kDeNew},
        {L"1009", kEnLabel, kEnNew},
        {L"100C", kFrLabel, kFrNew},
        {L"1407", kDeLabel, kDeNew},
        {L"1409", kEnLabel, kEnNew},
        {L"140C", kFrLabel, kFrNew},
        {L"1809", kEnLabel, kEnNew},
        {L"180C", kFrLabel, kFrNew},
        {L"1C09", kEnLabel, kEnNew},
        {L"2009", kEnLabel, kEnNew},
        {L"2809", kEnLabel, kEnNew},
        {L"2C09", kEnLabel, kEnNew},
    };
    TKeyedList out;
    for (const TLanguage& l : kLanguages)
        out.push_back(std::wstring(l.Key) + L"=" + (labels ? l.Label : l.NewFolder));
    return out;
}

constexpr int kNewFolderButtonId = 255;

}  // namespace

// ---- Tables ------------------------------------------------------------------

UINT BrowseOptions(const TBrowseInfoFlagSet& flags) {
    static const std::pair<TBrowseInfoFlags, UINT> kOptions[] = {
        {TBrowseInfoFlags::OnlyComputers, BIF_BROWSEFORCOMPUTER},
        {TBrowseInfoFlags::OnlyPrinters, BIF_BROWSEFORPRINTER},
        {TBrowseInfoFlags::OnlyDomains, BIF_DONTGOBELOWDOMAIN},
        {TBrowseInfoFlags::OnlyAncestors, BIF_RETURNFSANCESTORS},
        {TBrowseInfoFlags::OnlyFileSystem, BIF_RETURNONLYFSDIRS},
        {TBrowseInfoFlags::ShowPath, BIF_STATUSTEXT},
        {TBrowseInfoFlags::EditBox, BIF_EDITBOX},
        {TBrowseInfoFlags::Includefiles, BIF_BROWSEINCLUDEFILES},
        {TBrowseInfoFlags::IncludeURLs, BIF_BROWSEINCLUDEURLS},
        {TBrowseInfoFlags::NewDialogStyle, BIF_NEWDIALOGSTYLE},
        {TBrowseInfoFlags::UsageHint, BIF_UAHINT},
        {TBrowseInfoFlags::HideNewFolderButton, BIF_NONEWFOLDERBUTTON},
        {TBrowseInfoFlags::ShowShared, BIF_SHAREABLE},
        {TBrowseInfoFlags::Validate, BIF_VALIDATE},
    };
    UINT options = 0;
    for (const auto& [flag, option] : kOptions)
        if (flags.Contains(flag)) options |= option;
    return options;
}

int RootFolderNumber(TSHFolders folder) {
    static const int kNumbers[] = {
        CSIDL_DESKTOP,   -1,           CSIDL_PROGRAMS, CSIDL_CONTROLS,         CSIDL_PRINTERS,
        CSIDL_PERSONAL,  CSIDL_FAVORITES, CSIDL_STARTUP, CSIDL_RECENT,          CSIDL_SENDTO,
        CSIDL_BITBUCKET, CSIDL_STARTMENU, CSIDL_DESKTOPDIRECTORY, CSIDL_DRIVES, CSIDL_NETWORK,
        CSIDL_NETHOOD,   CSIDL_FONTS,  CSIDL_TEMPLATES,
    };
    const size_t i = static_cast<size_t>(folder);
    return i < std::size(kNumbers) ? kNumbers[i] : -1;
}

const TKeyedList& DefaultLabelCaptions() {
    static const TKeyedList list = MakeCaptionList(true);
    return list;
}

const TKeyedList& DefaultNewFolderCaptions() {
    static const TKeyedList list = MakeCaptionList(false);
    return list;
}

// ---- Free functions -----------------------------------------------------------

std::wstring MakeDisplayPath(const std::wstring& path, int maxLength) {
    const size_t m = maxLength > 0 ? static_cast<size_t>(maxLength) : 0;
    const size_t firstSlash = path.find(L'\\');
    if (path.size() <= m || maxLength < 6 || firstSlash == std::wstring::npos) return path.substr(0, m);
    size_t slashes = 0;
    for (size_t i = 2; i < path.size(); ++i)
        if (path[i] == L'\\') ++slashes;
    if (slashes < 2) return path.substr(0, m);

    std::wstring rest = path;
    std::wstring result;
    if (firstSlash <= 1) {  // a network path: keep the two leading backslashes
        result = L"\\\\";
        rest.erase(0, 2);
    }
    // Two backslashes after the second character guarantee one in rest here.
    result += rest.substr(0, rest.find(L'\\') + 1) + L"...";
    for (;;) {
        rest.erase(0, rest.find(L'\\') + 1);
        if (result.size() + rest.size() + 1 <= m || rest.find(L'\\') == std::wstring::npos) break;
    }
    std::wstring shown = result + L"\\" + rest;
    if (shown.size() <= m) return shown;
    return shown.substr(0, m - 3) + L"...";
}

std::wstring SystemErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::wstring text = n && buffer ? std::wstring(buffer, n) : std::wstring();
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    if (text.empty()) text = L"Error " + std::to_wstring(code);
    return text;
}

bool BindToParentByWalk(PCIDLIST_ABSOLUTE item, IShellFolder** parent, PCUITEMID_CHILD* child) {
    *parent = nullptr;
    *child = nullptr;
    IShellFolder* desktop = nullptr;
    if (!item || FAILED(SHGetDesktopFolder(&desktop))) return false;
    PCUIDLIST_RELATIVE last = item;
    for (PCUIDLIST_RELATIVE p = item; p->mkid.cb; p = ILNext(p)) last = p;
    *child = reinterpret_cast<PCUITEMID_CHILD>(last);
    const size_t parentBytes = static_cast<size_t>(reinterpret_cast<const BYTE*>(last) -
                                                   reinterpret_cast<const BYTE*>(item));
    if (parentBytes == 0) {
        *parent = desktop;
        return true;
    }
    TPidl parentList(static_cast<ITEMIDLIST*>(CoTaskMemAlloc(parentBytes + sizeof(USHORT))));
    if (!parentList) {
        *parent = desktop;
        return true;
    }
    std::memcpy(parentList.get(), item, parentBytes);
    std::memset(reinterpret_cast<BYTE*>(parentList.get()) + parentBytes, 0, sizeof(USHORT));
    IShellFolder* folder = nullptr;
    if (SUCCEEDED(desktop->BindToObject(parentList.get(), nullptr, IID_IShellFolder,
                                        reinterpret_cast<void**>(&folder))) &&
        folder) {
        desktop->Release();
        *parent = folder;
    } else {
        *parent = desktop;  // the desktop itself when the part before cannot be bound
    }
    return true;
}

bool BindToParentFolder(PCIDLIST_ABSOLUTE item, IShellFolder** parent, PCUITEMID_CHILD* child) {
    using TSHBindToParent = HRESULT(WINAPI*)(PCIDLIST_ABSOLUTE, REFIID, void**, PCUITEMID_CHILD*);
    *parent = nullptr;
    *child = nullptr;
    if (!item) return false;
    HMODULE shell = GetModuleHandleW(L"shell32.dll");
    auto bind = shell ? reinterpret_cast<TSHBindToParent>(
                            reinterpret_cast<void*>(GetProcAddress(shell, "SHBindToParent")))
                      : nullptr;
    if (bind && SUCCEEDED(bind(item, IID_IShellFolder, reinterpret_cast<void**>(parent), child)) &&
        *parent)
        return true;
    if (*parent) (*parent)->Release();
    return BindToParentByWalk(item, parent, child);
}

void GetPathDisplayAndAttr(PCIDLIST_ABSOLUTE item, std::wstring& path, std::wstring& display,
                           DWORD& attr) {
    path.clear();
    display.clear();
    attr = 0;
    if (!item) return;
    std::array<wchar_t, MAX_PATH + 1> buffer{};
    if (SHGetPathFromIDListW(item, buffer.data())) path = buffer.data();
    display = path;

    IShellFolder* rawParent = nullptr;
    PCUITEMID_CHILD child = nullptr;
    if (!BindToParentFolder(item, &rawParent, &child)) return;
    TShellFolderRef parent(rawParent);
    if (path.empty()) {
        STRRET name{};
        if (SUCCEEDED(parent->GetDisplayNameOf(child, SHGDN_NORMAL, &name)))
            display = StrRetText(name, child);
    }
    SFGAOF wanted = 0xFFFFFFFF;
    if (SUCCEEDED(parent->GetAttributesOf(1, &child, &wanted))) attr = wanted;
}

RECT NewFolderButtonBounds(int dpi, int clientHeight, int captionHeight) {
    int left, top, width, height;
    switch (dpi) {
    case 72:
    case 96:
        left = 12, top = clientHeight - 36, width = 75, height = 23;
        break;
    case 120:
        left = 15, top = clientHeight - 45, width = 93, height = 28;
        break;
    case 144:
        left = 17, top = clientHeight - 56, width = 112, height = 35;
        break;
    case 192:
        left = 20, top = clientHeight - 66, width = 150, height = 41;
        break;
    default:
        left = dpi * 12 / 96, top = clientHeight - captionHeight - 17, width = dpi * 75 / 96,
        height = dpi * 23 / 96;
        break;
    }
    return RECT{left, top, left + width, top + height};
}

int NewFolderButtonMinWidth(int dpi) { return dpi == 72 ? 75 : dpi * 75 / 96; }

// ---- TOskFolderDialog ---------------------------------------------------------

TOskFolderDialog::TOskFolderDialog(HWND owner)
    : FOwner(owner),
      FLabelCaptions(DefaultLabelCaptions()),
      FNewFolderCaptions(DefaultNewFolderCaptions()) {
    const HRESULT hr = CoInitialize(nullptr);
    FComInitialized = SUCCEEDED(hr);
    wchar_t key[8]{};
    wsprintfW(key, L"%04X", static_cast<unsigned>(GetSystemDefaultLangID()));
    FLanguageKey = key;
    BrowseFn = [](BROWSEINFOW& info) { return SHBrowseForFolderW(&info); };
    InputBoxFn = &InputBox;
    Loaded();
}

TOskFolderDialog::~TOskFolderDialog() {
    DetachFromDialog();
    if (FComInitialized) CoUninitialize();
}

void TOskFolderDialog::Loaded() {
    SetNewFolderCaption(LocaleText(FNewFolderCaptions));
    FLabelText = LocaleText(FLabelCaptions);
}

void TOskFolderDialog::SetLabelCaptions(const TKeyedList& list) {
    if (list == FLabelCaptions) return;
    FLabelCaptions = list;
    FLabelText = LocaleText(FLabelCaptions);
}

void TOskFolderDialog::SetNewFolderCaptions(const TKeyedList& list) {
    if (list == FNewFolderCaptions) return;
    FNewFolderCaptions = list;
    SetNewFolderCaption(LocaleText(FNewFolderCaptions));
}

void TOskFolderDialog::SetTitles(const TKeyedList& list) {
    if (list != FTitles) FTitles = list;
}

void TOskFolderDialog::SetLanguageKey(const std::wstring& key) {
    FLanguageKey = key;
    Loaded();
}

std::wstring TOskFolderDialog::LocaleText(const TKeyedList& list) const {
    if (list.empty()) return {};
    std::wstring value;
    if (FindValue(list, FLanguageKey, value)) return value;
    if (FindValue(list, L"Default", value)) return value;
    // The first line's key; a first line without "=" has the empty key,
    // which only a line starting with "=" could answer.
    std::wstring firstKey;
    LineKey(list.front(), firstKey);
    if (FindValue(list, firstKey, value)) return value;
    return {};
}

void TOskFolderDialog::SetNewFolderCaption(const std::wstring& caption) {
    FNewFolderCaption = caption;
    if (FNewFolderButton) SetWindowTextW(FNewFolderButton, FNewFolderCaption.c_str());
}

void TOskFolderDialog::SetSelectionPIDL(HWND dialog, PCIDLIST_ABSOLUTE item) {
    SendMessageW(dialog, BFFM_SETSELECTIONW, FALSE, reinterpret_cast<LPARAM>(item));
}

void TOskFolderDialog::SetSelectionPath(HWND dialog, const std::wstring& path) {
    SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
}

void TOskFolderDialog::EnableOK(HWND dialog, bool enable) {
    SendMessageW(dialog, BFFM_ENABLEOK, 0, enable ? TRUE : FALSE);
}

void TOskFolderDialog::SetSelectedFolder(const std::wstring& path) {
    if (FDialog) SetSelectionPath(FDialog, path);
}

HWND TOskFolderDialog::OwnerWindow() const {
    if (FOwner && IsWindow(FOwner)) return FOwner;
    if (HWND form = Application().MainForm(); form && IsWindow(form)) return form;
    return Application().Handle();
}

bool TOskFolderDialog::Execute() {
    PIDLIST_ABSOLUTE chosen = ExecutePIDL(nullptr, false);
    if (!chosen) return false;
    CoTaskMemFree(chosen);
    return true;
}

PIDLIST_ABSOLUTE TOskFolderDialog::ExecutePIDL(PCIDLIST_ABSOLUTE initial, bool freeInitial) {
    TPidl ownedInitial(freeInitial ? const_cast<ITEMIDLIST*>(initial) : nullptr);
    // Hot keys keep working while the dialog is open: a second run started
    // from one would share this run's state, so it only brings the open one up.
    if (FDialog || FRunning) {
        if (FDialog) SetForegroundWindow(FDialog);
        return nullptr;
    }
    IShellFolder* rawDesktop = nullptr;
    const HRESULT hr = SHGetDesktopFolder(&rawDesktop);
    if (FAILED(hr) || !rawDesktop) {
        Application().MessageBox(SystemErrorText(static_cast<DWORD>(hr)), Application().Title(),
                                 MB_OK | MB_ICONERROR);
        return nullptr;
    }
    TShellFolderRef desktop(rawDesktop);

    // Every supported system is past version 4, so the option alone decides.
    FNewStyle = Flags.Contains(TBrowseInfoFlags::NewDialogStyle);
    const HWND owner = OwnerWindow();
    const int rootNumber = RootFolderNumber(RootFolder);
    TPidl root = rootNumber >= 0 ? SpecialFolderLocation(owner, rootNumber) : nullptr;

    std::array<wchar_t, MAX_PATH + 1> displayName{};
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pidlRoot = root.get();
    info.pszDisplayName = displayName.data();
    info.lpszTitle = FLabelText.c_str();
    info.ulFlags = BrowseOptions(Flags);
    info.lpfn = &TOskFolderDialog::BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(this);

    FCurrentPath = Folder;
    FPendingPath.clear();
    FInitialItem = initial;
    FRunning = true;
    TPidl chosen;
    do {
        FReopen = false;
        Folder = FCurrentPath;
        chosen.reset();  // a pass that is run again keeps no choice
        try {
            chosen.reset(BrowseFn ? BrowseFn(info) : nullptr);
        } catch (...) {
            FRunning = false;
            FInitialItem = nullptr;
            DetachFromDialog();
            FDialog = nullptr;
            FNewFolderButton = nullptr;
            throw;
        }
        DetachFromDialog();
        FDialog = nullptr;
        FNewFolderButton = nullptr;
    } while (FReopen);
    FRunning = false;
    FInitialItem = nullptr;

    if (chosen) {
        std::wstring path, display;
        DWORD attr = 0;
        GetPathDisplayAndAttr(chosen.get(), path, display, attr);
        Folder = path;
        FDisplayName = display;
        FAttributes = attr;
        FImageIndex = info.iImage;
        if (ReturnSpecialFolder)
            FindSpecialFolder(desktop.get(), chosen.get());
        else
            SpecialFolder = -1;
    }
    return chosen.release();
}

void TOskFolderDialog::FindSpecialFolder(IShellFolder* desktop, PCIDLIST_ABSOLUTE item) {
    SpecialFolder = -1;
    const HWND owner = OwnerWindow();
    for (int number = 0; number <= 255; ++number) {
        TPidl location = SpecialFolderLocation(owner, number);
        if (!location) continue;
        const HRESULT hr = desktop->CompareIDs(0, location.get(), item);
        if (SUCCEEDED(hr) && static_cast<short>(HRESULT_CODE(hr)) == 0) {
            SpecialFolder = number;
            return;
        }
    }
}

int CALLBACK TOskFolderDialog::BrowseCallback(HWND dialog, UINT msg, LPARAM lp, LPARAM data) noexcept {
    auto* self = reinterpret_cast<TOskFolderDialog*>(data);
    if (self) Guarded([&] { self->HandleNotification(dialog, msg, lp); });
    return 0;
}

int TOskFolderDialog::HandleNotification(HWND dialog, UINT msg, LPARAM lp) {
    switch (msg) {
    case BFFM_INITIALIZED:
        Initialized(dialog);
        break;
    case BFFM_SELCHANGED:
        if (lp) SelectionChanged(dialog, reinterpret_cast<PCIDLIST_ABSOLUTE>(lp));
        break;
    case BFFM_VALIDATEFAILEDA:
    case BFFM_VALIDATEFAILEDW:
        ValidateFailed(dialog);
        break;
    default:
        break;
    }
    return 0;
}

void TOskFolderDialog::CentreDialog(HWND dialog) {
    RECT r{};
    GetWindowRect(dialog, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    const int left = GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2;
    const int top = GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2;
    SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOZORDER);
}

void TOskFolderDialog::Initialized(HWND dialog) {
    FDialog = dialog;
    CentreDialog(dialog);
    if (!FNewStyle) AttachToDialog(dialog);
    const std::wstring title = LocaleText(FTitles);
    if (!title.empty()) SetWindowTextW(dialog, title.c_str());
    if (!FNewStyle && !Flags.Contains(TBrowseInfoFlags::HideNewFolderButton)) CreateNewFolderButton(dialog);
    if (FNewFolderButton) {
        EnableWindow(FNewFolderButton, FInFileSystem);
        ShowWindow(FNewFolderButton, SW_SHOW);
    }
    SelectInitialItem(dialog);
    if (OnInitialized) OnInitialized(*this, dialog);
}

void TOskFolderDialog::SelectInitialItem(HWND dialog) {
    if (FInitialItem) {
        SetSelectionPIDL(dialog, FInitialItem);
        FInitialItem = nullptr;  // a reopened dialog shows the new folder instead
        return;
    }
    if (SpecialFolder != -1) {
        if (TPidl special = SpecialFolderLocation(dialog, SpecialFolder)) {
            SetSelectionPIDL(dialog, special.get());
            return;
        }
    }
    if (!FPendingPath.empty()) {
        SetSelectionPath(dialog, FPendingPath);
        FPendingPath.clear();
        return;
    }
    if (!Folder.empty()) SetSelectionPath(dialog, Folder);
}

void TOskFolderDialog::SelectionChanged(HWND dialog, PCIDLIST_ABSOLUTE item) {
    DWORD attr = 0;
    GetPathDisplayAndAttr(item, FCurrentPath, FCurrentDisplay, attr);
    if (Flags.Contains(TBrowseInfoFlags::ShowPath)) {
        const std::wstring status = MakeDisplayPath(FCurrentDisplay, 50);
        SendMessageW(dialog, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(status.c_str()));
    }
    FInFileSystem = !FCurrentPath.empty();
    bool ok = Flags.Contains(TBrowseInfoFlags::OnlyFileSystem) ? FInFileSystem : true;
    if (Flags.Contains(TBrowseInfoFlags::OnlyAncestors) && !(attr & SFGAO_FILESYSANCESTOR)) ok = false;
    EnableOK(dialog, ok);
    if (FNewFolderButton) EnableWindow(FNewFolderButton, FInFileSystem);
    if (OnSelectionChanged) OnSelectionChanged(*this, dialog, item, FCurrentPath, attr);
}

void TOskFolderDialog::ValidateFailed(HWND dialog) {
    if (OnValidateFailed)
        OnValidateFailed(*this, dialog);
    else
        MessageBeep(0);
}

void TOskFolderDialog::CreateNewFolderButton(HWND dialog) {
    RECT client{};
    GetClientRect(dialog, &client);
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    const RECT r = NewFolderButtonBounds(dpi, client.bottom - client.top, GetSystemMetrics(SM_CYCAPTION));
    FNewFolderButton = CreateWindowExW(0, L"BUTTON", FNewFolderCaption.c_str(),
                                       WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, r.left, r.top,
                                       r.right - r.left, r.bottom - r.top, dialog,
                                       reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kNewFolderButtonId)),
                                       GetModuleHandleW(nullptr), nullptr);
    if (!FNewFolderButton) return;
    HWND firstStatic = FindWindowExW(dialog, nullptr, L"Static", nullptr);
    HFONT font = firstStatic ? reinterpret_cast<HFONT>(SendMessageW(firstStatic, WM_GETFONT, 0, 0)) : nullptr;
    if (font) SendMessageW(FNewFolderButton, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    // Wide enough for the caption in whatever language it came.
    HDC dc = GetDC(FNewFolderButton);
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    SIZE text{};
    GetTextExtentPoint32W(dc, FNewFolderCaption.c_str(), static_cast<int>(FNewFolderCaption.size()), &text);
    SelectObject(dc, old);
    ReleaseDC(FNewFolderButton, dc);
    const int width = std::max<int>(text.cx + 12, NewFolderButtonMinWidth(dpi));
    SetWindowPos(FNewFolderButton, nullptr, 0, 0, width, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TOskFolderDialog::NewFolderCommand() {
    HWND dialog = FDialog;
    if (!dialog) return;
    const std::wstring name = InputBoxFn ? InputBoxFn(dialog, FNewFolderCaption, L"", L"") : L"";
    if (name.empty()) return;
    FReopen = true;
    const bool needsSeparator = name.front() != L'\\' && (FCurrentPath.empty() || FCurrentPath.back() != L'\\');
    FPendingPath = FCurrentPath + (needsSeparator ? L"\\" : L"") + name;
    if (!ForceDirectories(FPendingPath)) {
        FPendingPath.clear();
        Application().MessageBox(SystemErrorText(ERROR_CANNOT_MAKE), Application().Title(),
                                 MB_OK | MB_ICONERROR);
    }
    // Closing as cancelled lets ExecutePIDL open it again on the new folder.
    PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageW(dialog, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0010001));
}

void TOskFolderDialog::AttachToDialog(HWND dialog) {
    DetachFromDialog();
    if (SetWindowSubclass(dialog, &TOskFolderDialog::DialogProc, reinterpret_cast<UINT_PTR>(this),
                          reinterpret_cast<DWORD_PTR>(this)))
        FAttachedDialog = dialog;
}

void TOskFolderDialog::DetachFromDialog() {
    if (!FAttachedDialog) return;
    RemoveWindowSubclass(FAttachedDialog, &TOskFolderDialog::DialogProc, reinterpret_cast<UINT_PTR>(this));
    FAttachedDialog = nullptr;
}

LRESULT CALLBACK TOskFolderDialog::DialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                              DWORD_PTR data) noexcept {
    auto* self = reinterpret_cast<TOskFolderDialog*>(data);
    if (msg == WM_COMMAND && (LOWORD(wp) & 0xFF) == kNewFolderButtonId && self) {
        Guarded([&] { self->NewFolderCommand(); });
        return 0;
    }
    if (msg == WM_NCDESTROY && self && self->FAttachedDialog == wnd) self->DetachFromDialog();
    return DefSubclassProc(wnd, msg, wp, lp);
}
