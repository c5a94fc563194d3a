// Copying, moving and deleting the file the player is playing, and choosing
// the folder those operations put files into.
#include "app/form1.h"
#include "app/safe_file.h"
#include "app/settings_registry.h"
#include "look/folder_dialog.h"
#include "player/file_io.h"
#include "player/player_window.h"
#include "player/winamp_api.h"

namespace {

// The largest text a balloon shows; the rest would be cut off at the end.
constexpr size_t kBalloonChars = 255;

const wchar_t* ReasonText(const TFileResult& result, std::wstring& system) {
    switch (result.Fault) {
        case TFileFault::InUse: return Text(TTextId::ReasonInUse);
        case TFileFault::NotAccepted: return Text(TTextId::ReasonNotAccepted);
        case TFileFault::RecycleFailed: return Text(TTextId::ReasonRecycleFailed);
        case TFileFault::Missing: return Text(TTextId::ReasonMissing);
        case TFileFault::ReadOnly: return Text(TTextId::ReasonReadOnly);
        case TFileFault::TooLongForBin: return Text(TTextId::ReasonTooLongForBin);
        case TFileFault::NoRoom: return Text(TTextId::ReasonNoRoom);
        case TFileFault::NoFolder: return Text(TTextId::ReasonNoFolder);
        case TFileFault::NoAccess: return Text(TTextId::ReasonNoAccess);
        case TFileFault::NotVerified: return Text(TTextId::ReasonNotVerified);
        default: system = SystemErrorText(result.Code); return system.c_str();
    }
}

// What was not done, to which file, and why; every file is as it was.
void ReportFault(TTextId notDone, const std::wstring& source, const std::wstring& target, const TFileResult& result) {
    std::wstring system;
    const wchar_t* reason = ReasonText(result, system);
    const std::wstring text = result.AboutTarget ? Text(TTextId::FileNotReplaced, target, reason)
                                                 : Text(notDone, source, reason);
    Application().MessageBox(text, Application().Title(), MB_OK | MB_ICONWARNING);
}

// The part after the last backslash or colon.
std::wstring FileNamePart(const std::wstring& path) {
    const size_t cut = path.find_last_of(L"\\:");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

// A path cut in the middle to room characters: the drive and the file's
// own name, which say where it went, stay.
std::wstring MiddleCut(const std::wstring& path, size_t room) {
    if (path.size() <= room) return path;
    if (room < 2) return path.substr(path.size() - room);
    const size_t head = (room - 1) / 3, tail = room - 1 - head;
    return path.substr(0, head) + L"\u2026" + path.substr(path.size() - tail);
}

// The balloon's text with the whole promise in it, however long the path.
std::wstring BalloonText(TTextId id, const std::wstring& path) {
    const size_t frame = Text(id, L"").size();
    return Text(id, MiddleCut(path, kBalloonChars > frame ? kBalloonChars - frame : 0));
}

void ReportNoAnswer() {
    Application().MessageBox(Text(TTextId::PlayerNoAnswer), Application().Title(), MB_OK | MB_ICONWARNING);
}

}  // namespace

std::wstring TForm1::TargetFolderText() const { return Settings.Folder; }

bool TForm1::ConfirmFileOperation(const std::wstring& Keyword) {
    std::wstring text;
    if (Keyword == L"Move") text = Text(TTextId::AskMove);
    if (Keyword == L"Del") text = Text(TTextId::AskDelete);
    return Application().MessageBox(text, Text(TTextId::WarningCaption), MB_OKCANCEL | MB_ICONWARNING) == IDOK;
}

void TForm1::SuccessBalloon(const std::wstring& Text) {
    if (Settings.Options[optSuccessHint]) TrayIcon->ShowBalloonHint(::Text(TTextId::MessageBalloon), Text, bitInfo, kBalloonSeconds);
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
    if (!round.AllAnswered()) return ReportNoAnswer();
    if (source.empty()) return;
    const std::wstring target = folder + L"\\" + FileNamePart(source);

    if (Keyword == L"Copy") {
        CopyPlayingFile(source, target);
    } else if (Keyword == L"Move") {
        wControl.TrackNext();
        if (!round.AllAnswered()) return ReportNoAnswer();
        MovePlayingFile(source, target);
    } else if (Keyword == L"Del") {
        wControl.TrackNext();
        if (!round.AllAnswered()) return ReportNoAnswer();
        DeletePlayingFile(source);
    }
}

// A file of the same name that holds the same song is kept as it is; a
// different one goes to the Recycle Bin or is overwritten, as the option
// says, once the new file is complete. The balloon comes only when the
// result can be seen on the disk.
void TForm1::CopyPlayingFile(const std::wstring& Source, const std::wstring& Target) {
    const TFileResult result = CopyFileSafely(Source, Target, Settings.Options[optRecycle]);
    if (!result.Ok()) return ReportFault(TTextId::FileNotCopied, Source, Target, result);
    if (IsExistingFile(Target) && HaveSameContent(Source, Target)) SuccessBalloon(BalloonText(TTextId::Copied, Source));
}

void TForm1::MovePlayingFile(const std::wstring& Source, const std::wstring& Target) {
    const TFileResult result = MoveFileSafely(Source, Target, Settings.Options[optRecycle]);
    if (result.Fault == TFileFault::SameFile) {
        Application().MessageBox(Text(TTextId::FileAlreadyThere, Source), Application().Title(), MB_OK);
        return;
    }
    if (!result.Ok()) return ReportFault(TTextId::FileNotMoved, Source, Target, result);
    // Moved only when the original has really left its folder.
    if (!IsExistingFile(Source) && IsExistingFile(Target)) SuccessBalloon(BalloonText(TTextId::Moved, Target));
}

void TForm1::DeletePlayingFile(const std::wstring& Source) {
    const bool recycle = Settings.Options[optRecycle];
    const TFileResult result = DeleteFileSafely(Source, recycle);
    if (!result.Ok()) return ReportFault(TTextId::FileNotDeleted, Source, Source, result);
    if (!IsExistingFile(Source))
        SuccessBalloon(BalloonText(recycle ? TTextId::DeletedToRecycle : TTextId::Deleted, Source));
}

void TForm1::ChangeTargetFolder() {
    if (!BrowsFldr->Execute()) return;
    const std::wstring folder = BrowsFldr->Folder;
    {
        TStoreSession session(*Store);
        if (session.Opened()) session->WriteString(kFolderValue, folder);
    }
    SetTargetFolder(folder);
}

void TForm1::Button3Click() { ChangeTargetFolder(); }
