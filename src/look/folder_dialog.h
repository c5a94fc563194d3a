// The folder picker: the shell's folder browser with captions in the
// system's language, a shortened path of the selection in its status line,
// rules for enabling OK, a new-folder button of its own for the old dialog
// style, recognition of special folders and a dialog centred on the screen.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

enum class TBrowseInfoFlags {
    OnlyComputers,
    OnlyPrinters,
    OnlyDomains,
    OnlyAncestors,
    OnlyFileSystem,
    ShowPath,
    EditBox,
    Includefiles,
    IncludeURLs,
    NewDialogStyle,
    UsageHint,
    HideNewFolderButton,
    ShowShared,
    Validate,
};

class TBrowseInfoFlagSet {
public:
    TBrowseInfoFlagSet() = default;
    TBrowseInfoFlagSet(std::initializer_list<TBrowseInfoFlags> flags) {
        for (TBrowseInfoFlags f : flags) Include(f);
    }
    bool Contains(TBrowseInfoFlags f) const noexcept { return (FBits & Bit(f)) != 0; }
    void Include(TBrowseInfoFlags f) noexcept { FBits |= Bit(f); }
    void Exclude(TBrowseInfoFlags f) noexcept { FBits &= ~Bit(f); }
    bool operator==(const TBrowseInfoFlagSet&) const = default;

private:
    static std::uint32_t Bit(TBrowseInfoFlags f) noexcept { return 1u << static_cast<int>(f); }
    std::uint32_t FBits = 0;
};

// The browser's option bits for a set of flags.
UINT BrowseOptions(const TBrowseInfoFlagSet& flags);

enum class TSHFolders {
    foDesktop,
    foDesktopExpanded,
    foPrograms,
    foControlPanel,
    foPrinters,
    foPersonal,
    foFavorites,
    foStartup,
    foRecent,
    foSendto,
    foRecycleBin,
    foStartMenu,
    foDesktopFolder,
    foMyComputer,
    foNetwork,
    foNetworkNeighborhood,
    foFonts,
    foTemplates,
};

// Special-folder number of a root, or -1 for foDesktopExpanded (no root).
int RootFolderNumber(TSHFolders folder);

// Lines "key=text"; the key is "Default" or a language as four hex digits.
using TKeyedList = std::vector<std::wstring>;

const TKeyedList& DefaultLabelCaptions();
const TKeyedList& DefaultNewFolderCaptions();

// Shortens a path to at most maxLength characters, keeping its root (or
// server) and as many trailing folders as fit: "C:\...\music\rock".
std::wstring MakeDisplayPath(const std::wstring& path, int maxLength);

// Text of a system error code, as the system words it.
std::wstring SystemErrorText(DWORD code);

// File-system path of an item (empty outside the file system, at most
// MAX_PATH characters), the text to show for it (the path, or the item's
// display name outside the file system) and its attributes (SFGAO_*).
void GetPathDisplayAndAttr(PCIDLIST_ABSOLUTE item, std::wstring& path, std::wstring& display,
                           DWORD& attr);

// The folder holding an item, and the item's own identifier inside the list.
// Through the shell's SHBindToParent when present, otherwise by walking the list.
bool BindToParentFolder(PCIDLIST_ABSOLUTE item, IShellFolder** parent, PCUITEMID_CHILD* child);
bool BindToParentByWalk(PCIDLIST_ABSOLUTE item, IShellFolder** parent, PCUITEMID_CHILD* child);

// Geometry of the old-style dialog's new-folder button before it is widened
// to its caption: left, top, width, height by screen resolution.
RECT NewFolderButtonBounds(int dpi, int clientHeight, int captionHeight);
int NewFolderButtonMinWidth(int dpi);

class TOskFolderDialog;
using TBrowserInitializedEvent = std::function<void(TOskFolderDialog& Sender, HWND DialogHandle)>;
using TSelectionChangedEvent =
    std::function<void(TOskFolderDialog& Sender, HWND DialogHandle, PCIDLIST_ABSOLUTE ItemIDList,
                       const std::wstring& Folder, DWORD Attr)>;
using TValidateFailedEvent = std::function<void(TOskFolderDialog& Sender, HWND DialogHandle)>;

// The modal runs: the shell's browser and the box asking for a new folder's
// name. Tests put scripted stand-ins here in place of a person.
using TBrowseFn = std::function<PIDLIST_ABSOLUTE(BROWSEINFOW& info)>;
using TInputBoxFn = std::function<std::wstring(HWND owner, const std::wstring& caption,
                                               const std::wstring& prompt, const std::wstring& def)>;

class TOskFolderDialog {
public:
    // owner: the window the dialog belongs to; none means the application's
    // main window, or the application window when there is none.
    explicit TOskFolderDialog(HWND owner = nullptr);
    ~TOskFolderDialog();
    TOskFolderDialog(const TOskFolderDialog&) = delete;
    TOskFolderDialog& operator=(const TOskFolderDialog&) = delete;

    bool ReturnSpecialFolder = false;
    int SpecialFolder = -1;
    std::wstring Folder;
    TBrowseInfoFlagSet Flags{TBrowseInfoFlags::ShowPath, TBrowseInfoFlags::NewDialogStyle,
                             TBrowseInfoFlags::ShowShared};
    TSHFolders RootFolder = TSHFolders::foDesktopExpanded;
    TBrowserInitializedEvent OnInitialized;
    TSelectionChangedEvent OnSelectionChanged;
    TValidateFailedEvent OnValidateFailed;

    const TKeyedList& LabelCaptions() const noexcept { return FLabelCaptions; }
    void SetLabelCaptions(const TKeyedList& list);
    const TKeyedList& NewFolderCaptions() const noexcept { return FNewFolderCaptions; }
    void SetNewFolderCaptions(const TKeyedList& list);
    const TKeyedList& Titles() const noexcept { return FTitles; }
    void SetTitles(const TKeyedList& list);

    std::wstring Version() const { return L"8.00.00.00"; }
    void SetVersion(const std::wstring&) {}  // fixed: assigning changes nothing

    bool Execute();
    PIDLIST_ABSOLUTE ExecutePIDL(PCIDLIST_ABSOLUTE initial, bool freeInitial);

    void SetSelectionPIDL(HWND dialog, PCIDLIST_ABSOLUTE item);
    void SetSelectionPath(HWND dialog, const std::wstring& path);
    void EnableOK(HWND dialog, bool enable);
    void SetSelectedFolder(const std::wstring& path);
    void SetNewFolderCaption(const std::wstring& caption);

    std::wstring LocaleText(const TKeyedList& list) const;

    // The system's default language as four upper-case hex digits, taken when
    // the component is made; settable for other languages' captions.
    const std::wstring& LanguageKey() const noexcept { return FLanguageKey; }
    void SetLanguageKey(const std::wstring& key);

    // Resolved texts and what the last successful run chose.
    const std::wstring& LabelText() const noexcept { return FLabelText; }
    const std::wstring& NewFolderCaption() const noexcept { return FNewFolderCaption; }
    const std::wstring& DisplayName() const noexcept { return FDisplayName; }
    DWORD Attributes() const noexcept { return FAttributes; }
    int ImageIndex() const noexcept { return FImageIndex; }
    HWND DialogHandle() const noexcept { return FDialog; }
    HWND NewFolderButton() const noexcept { return FNewFolderButton; }

    TBrowseFn BrowseFn;
    TInputBoxFn InputBoxFn;

protected:
    void Loaded();
    int HandleNotification(HWND dialog, UINT msg, LPARAM lp);

private:
    static int CALLBACK BrowseCallback(HWND dialog, UINT msg, LPARAM lp, LPARAM data) noexcept;
    static LRESULT CALLBACK DialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                       DWORD_PTR data) noexcept;
    void Initialized(HWND dialog);
    void SelectionChanged(HWND dialog, PCIDLIST_ABSOLUTE item);
    void ValidateFailed(HWND dialog);
    void CentreDialog(HWND dialog);
    void SelectInitialItem(HWND dialog);
    void CreateNewFolderButton(HWND dialog);
    void NewFolderCommand();
    HWND OwnerWindow() const;
    void FindSpecialFolder(IShellFolder* desktop, PCIDLIST_ABSOLUTE item);
    void AttachToDialog(HWND dialog);
    void DetachFromDialog();

    HWND FOwner = nullptr;
    bool FComInitialized = false;
    TKeyedList FLabelCaptions;
    TKeyedList FNewFolderCaptions;
    TKeyedList FTitles;
    std::wstring FLanguageKey;
    std::wstring FLabelText;
    std::wstring FNewFolderCaption;

    HWND FDialog = nullptr;
    HWND FNewFolderButton = nullptr;
    HWND FAttachedDialog = nullptr;
    bool FNewStyle = false;
    std::wstring FCurrentPath;
    std::wstring FCurrentDisplay;
    std::wstring FPendingPath;
    bool FReopen = false;
    bool FRunning = false;
    bool FInFileSystem = true;
    PCIDLIST_ABSOLUTE FInitialItem = nullptr;
    DWORD FAttributes = 0;
    std::wstring FDisplayName;
    int FImageIndex = 0;
};
