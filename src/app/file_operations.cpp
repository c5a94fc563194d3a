// Copying, moving and deleting the file the player is playing, and choosing
// the folder those operations put files into.
#include "app/form1.h"
#include "app/settings_registry.h"
#include "player/file_io.h"
#include "player/player_window.h"
#include "player/winamp_api.h"

namespace {

// The part after the last backslash or colon.
std::wstring FileNamePart(const std::wstring& path) {
    const size_t cut = path.find_last_of(L"\\:");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

}  // namespace

std::wstring TForm1::TargetFolderText() const { return WindowText(Edit1); }

bool TForm1::ConfirmFileOperation(const std::wstring& Keyword) {
    std::wstring text;
    if (Keyword == L"Move") text = Text(TTextId::AskMove);
    if (Keyword == L"Del") text = Text(TTextId::AskDelete);
    return Application().MessageBox(text, Text(TTextId::WarningCaption), MB_OKCANCEL | MB_ICONWARNING) == IDOK;
}

void TForm1::SuccessBalloon(const std::wstring& Text) {
    if (Checked(CheckBox[9])) TrayIcon->ShowBalloonHint(::Text(TTextId::MessageBalloon), Text, bitInfo, kBalloonSeconds);
}

void TForm1::FileOperation(const std::wstring& Keyword) {
    if (!FindPlayerWindow(wa::kWindowClass)) {
        Application().MessageBox(Text(TTextId::PlayerNotFound), Application().Title(), MB_OK);
        return;
    }
    const std::wstring folder = TargetFolderText();
    if ((Keyword == L"Copy" || Keyword == L"Move") && folder.empty()) {
        Application().MessageBox(Text(TTextId::NoTargetFolder), Application().Title(), MB_OK);
        return;
    }
    if ((Keyword == L"Move" || Keyword == L"Del") && !ConfirmFileOperation(Keyword)) return;

    // Asked once, after the confirmation: the file playing at this moment.
    // A player that cannot tell its file gets nothing done to any file.
    const std::wstring source = wCtrl.TrackFileName();
    if (source.empty()) return;
    const std::wstring target = folder + L"\\" + FileNamePart(source);

    if (Keyword == L"Copy") {
        const bool copied = IsExistingFile(source) && CopyFileW(source.c_str(), target.c_str(), FALSE) &&
                            IsExistingFile(target);
        if (copied) SuccessBalloon(Text(TTextId::Copied, source));
    } else if (Keyword == L"Move") {
        wControl.TrackNext();
        // A rename only: a move to another volume fails rather than copying.
        const bool moved = IsExistingFile(source) && MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) &&
                           !IsExistingFile(source) && IsExistingFile(target);
        if (moved) SuccessBalloon(Text(TTextId::Moved, target));
    } else if (Keyword == L"Del") {
        wControl.TrackNext();
        const bool existed = IsExistingFile(source);
        DeleteFileW(source.c_str());
        if (existed && !IsExistingFile(source)) SuccessBalloon(Text(TTextId::Deleted, source));
    }
}

void TForm1::ChangeTargetFolder() {
    if (!BrowsFldr->Execute()) return;
    const std::wstring folder = BrowsFldr->Folder;
    TRegistry& reg = SettingsRegistry();
    {
        TKeyCloser closer(reg);
        if (reg.OpenKey(kSettingsKey, false)) reg.WriteString(L"Dir", folder);
    }
    SetWindowTextW(Edit1, folder.c_str());
}

void TForm1::Button3Click() { ChangeTargetFolder(); }
