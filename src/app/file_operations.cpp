// Copying, moving and deleting the file the player is playing, and choosing
// the folder those operations put files into.
#include "app/form1.h"
#include "app/safe_file.h"
#include "app/settings_registry.h"
#include "player/file_io.h"
#include "player/player_window.h"
#include "player/winamp_api.h"

namespace {

// Why a file was left where it was: what was not done (FileNotDeleted,
// FileNotReplaced), with one of the reasons.
const wchar_t* ReasonText(TRecycleResult result) {
    switch (result) {
        case TRecycleResult::InUse: return Text(TTextId::ReasonInUse);
        case TRecycleResult::NotAccepted: return Text(TTextId::ReasonNotAccepted);
        default: return Text(TTextId::ReasonRecycleFailed);
    }
}

void ReportNotRecycled(const std::wstring& path, TTextId what, TRecycleResult result) {
    Application().MessageBox(Text(what, path, ReasonText(result)), Application().Title(), MB_OK | MB_ICONWARNING);
}

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
    // A player that cannot tell its file gets nothing done to any file, nor
    // one that leaves any request on the way unanswered.
    TPlayerRound round;
    const std::wstring source = wCtrl.TrackFileName();
    if (source.empty()) return;
    const std::wstring target = folder + L"\\" + FileNamePart(source);

    if (Keyword == L"Copy") {
        CopyPlayingFile(source, target);
    } else if (Keyword == L"Move") {
        wControl.TrackNext();
        if (!round.AllAnswered()) return;
        MovePlayingFile(source, target);
    } else if (Keyword == L"Del") {
        wControl.TrackNext();
        if (!round.AllAnswered()) return;
        DeletePlayingFile(source);
    }
}

// A file of the same name that holds the same song is kept as it is; a
// different one goes to the Recycle Bin first, and if it cannot, it stays
// and the copy or move does not happen.
TForm1::TTargetPlan TForm1::PrepareTarget(const std::wstring& Source, const std::wstring& Target) {
    if (!IsExistingFile(Target)) return TTargetPlan::Free;
    if (IsSameFile(Source, Target) || HaveSameContent(Source, Target)) return TTargetPlan::HoldsTheSame;
    if (!Checked(CheckBox[14])) return TTargetPlan::Overwrite;
    const TRecycleResult result = RecycleFile(Target);
    if (result == TRecycleResult::Recycled || result == TRecycleResult::Missing) return TTargetPlan::Free;
    ReportNotRecycled(Target, TTextId::FileNotReplaced, result);
    return TTargetPlan::Refused;
}

void TForm1::CopyPlayingFile(const std::wstring& Source, const std::wstring& Target) {
    if (!IsExistingFile(Source)) return;
    bool copied = false;
    switch (PrepareTarget(Source, Target)) {
        case TTargetPlan::HoldsTheSame: copied = true; break;
        case TTargetPlan::Free: copied = CopyFileChecked(Source, Target, false); break;
        case TTargetPlan::Overwrite: copied = CopyFileChecked(Source, Target, true); break;
        case TTargetPlan::Refused: return;
    }
    if (copied && IsExistingFile(Target)) SuccessBalloon(Text(TTextId::Copied, Source));
}

void TForm1::MovePlayingFile(const std::wstring& Source, const std::wstring& Target) {
    if (!IsExistingFile(Source)) return;
    bool moved = false;
    switch (PrepareTarget(Source, Target)) {
        case TTargetPlan::HoldsTheSame:
            // The song is in the target folder already; a second copy of it
            // in the old place is all that is left to remove.
            moved = IsSameFile(Source, Target) || DeleteFileW(Source.c_str());
            break;
        case TTargetPlan::Free: moved = MoveFileSafely(Source, Target, false); break;
        case TTargetPlan::Overwrite: moved = MoveFileSafely(Source, Target, true); break;
        case TTargetPlan::Refused: return;
    }
    if (moved && IsExistingFile(Target)) SuccessBalloon(Text(TTextId::Moved, Target));
}

void TForm1::DeletePlayingFile(const std::wstring& Source) {
    if (!Checked(CheckBox[14])) {
        const bool existed = IsExistingFile(Source);
        DeleteFileW(Source.c_str());
        if (existed && !IsExistingFile(Source)) SuccessBalloon(Text(TTextId::Deleted, Source));
        return;
    }
    const TRecycleResult result = RecycleFile(Source);
    if (result == TRecycleResult::Recycled) {
        SuccessBalloon(Text(TTextId::DeletedToRecycle, Source));
        return;
    }
    if (result != TRecycleResult::Missing) ReportNotRecycled(Source, TTextId::FileNotDeleted, result);
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
