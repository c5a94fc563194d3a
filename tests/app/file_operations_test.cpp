// Copying, moving and deleting the playing file, on real files.
#include "app_fixture.h"
#include "unix_side.h"

#include <algorithm>
#include <functional>

namespace {

const std::string kNext = "COMMAND 40048 0";

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring Env(const wchar_t* name) {
    wchar_t buf[2048] = {};
    const DWORD n = GetEnvironmentVariableW(name, buf, static_cast<DWORD>(std::size(buf)));
    return n < std::size(buf) ? std::wstring(buf, n) : std::wstring();
}

std::string PercentDecoded(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool coded = text[i] == '%' && i + 2 < text.size();
        out += coded ? static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)) : text[i];
        if (coded) i += 2;
    }
    return out;
}

// Wine's Recycle Bin is the desktop's trash of the Unix user: the file
// itself in Trash/files, and beside it in Trash/info a note of where it
// came from, by which it is put back.
std::wstring TrashFolder() {
    const std::wstring data = Env(L"XDG_DATA_HOME");
    return L"Z:" + (!data.empty() && data[0] == L'/' ? data : Env(L"HOME") + L"/.local/share") + L"/Trash";
}

// What the Recycle Bin holds that came from the given place.
std::vector<std::string> RecycledFrom(const std::string& unixPath) {
    std::vector<std::string> found;
    const std::wstring trash = TrashFolder();
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((trash + L"\\info\\*.trashinfo").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return found;
    do {
        const std::wstring info = fd.cFileName;
        const std::string text = ReadFileBytes(trash + L"\\info\\" + info);
        const size_t at = text.find("\nPath=");
        if (at == std::string::npos) continue;
        const size_t end = text.find('\n', at + 1);
        if (PercentDecoded(text.substr(at + 6, end - at - 6)) != unixPath) continue;
        found.push_back(ReadFileBytes(trash + L"\\files\\" + info.substr(0, info.size() - 10)));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return found;
}

// Opens the file shared with nobody, as a program that locks it does. The
// stand-in player reads the playing song's tag now and then, so the first
// try may meet its read.
HANDLE HoldAlone(const std::wstring& path) {
    HANDLE held = INVALID_HANDLE_VALUE;
    WaitFor([&] {
        held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        return held != INVALID_HANDLE_VALUE;
    });
    return held;
}

std::vector<std::wstring> FolderNames(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = fd.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

class FileOpTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        music = MakeTempDir(L"music");
        target = MakeTempDir(L"target");
        first = music + L"\\First Song.mp3";
        second = music + L"\\Second Song.mp3";
        WriteFileBytes(first, "first song");
        WriteFileBytes(second, "second song");
        Start({L"--file", first, L"--file", second, L"--play"});
        SetWindowTextW(Form().Edit1, target.c_str());
        Form().SetChecked(Form().CheckBox[9], true);  // success messages
    }
    void TearDown() override {
        AppTest::TearDown();
        peer.reset();
        for (const auto& folder : outside) {
            for (const auto& name : FolderNames(folder)) DeleteFileW((folder + L"\\" + name).c_str());
            RemoveDirectoryW(folder.c_str());
        }
    }
    void Start(const std::vector<std::wstring>& args) {
        peer.reset();
        peer = std::make_unique<TPeerPlayer>(false, args);
        ASSERT_TRUE(peer->Started());
        peer->Mark();
    }
    std::wstring Balloon() { return Form().TrayIcon->IconData().szInfo; }
    bool PlayerMovedOn() {
        const auto lines = peer->Lines();
        return std::find(lines.begin(), lines.end(), kNext) != lines.end();
    }
    // The player is on the second song; a different file of its name waits
    // in Folder, goes to the Recycle Bin, and the song takes its place.
    std::wstring MoveSecondOntoADifferentFile(const std::wstring& Folder) {
        const std::wstring there = Folder + L"\\Second Song.mp3";
        WriteFileBytes(there, "a different second song");
        Form().FileOperation(L"Move");
        EXPECT_FALSE(Exists(second));
        EXPECT_EQ(ReadFileBytes(there), "second song");
        EXPECT_EQ(RecycledFrom(UnixPath(there)), std::vector<std::string>{"a different second song"});
        return there;
    }
    std::vector<std::wstring> Questions() {
        std::vector<std::wstring> texts;
        for (const auto& a : asked) texts.push_back(a.Text);
        return texts;
    }

    // /dev/shm is a tmpfs, another file system than the test prefix's drive C:.
    static std::wstring OtherFileSystemFolder() {
        const std::wstring folder = L"Z:\\dev\\shm\\plovik-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                    std::to_wstring(GetTickCount64());
        CreateDirectoryW(folder.c_str(), nullptr);
        return folder;
    }
    // A 64 KB tmpfs under /dev/shm, while the test runs (mounting needs root).
    class TSmallDrive {
    public:
        TSmallDrive() : FFolder(OtherFileSystemFolder()) {
            FMounted = RunUnix("mount -t tmpfs -o size=64k plovik-full '" + UnixPath(FFolder) + "'");
        }
        ~TSmallDrive() {
            if (FMounted) RunUnix("umount '" + UnixPath(FFolder) + "'");
            RemoveDirectoryW(FFolder.c_str());
        }
        TSmallDrive(const TSmallDrive&) = delete;
        TSmallDrive& operator=(const TSmallDrive&) = delete;
        bool Mounted() const { return FMounted; }
        const std::wstring& Folder() const { return FFolder; }

    private:
        std::wstring FFolder;
        bool FMounted = false;
    };
    // Runs WithoutARecycleBinNothingIsDeleted again in a process whose
    // trash folder cannot be made: a file stands where it would go.
    static void ExpectPassesWithoutARecycleBin() {
        const std::wstring dir = MakeTempDir(L"nobin");
        const std::wstring notAFolder = dir + L"\\data", result = dir + L"\\result";
        WriteFileBytes(notAFolder, "not a folder");
        std::wstring env;
        for (const wchar_t* e = GetEnvironmentStringsW(); *e; e += wcslen(e) + 1)
            if (_wcsnicmp(e, L"XDG_DATA_HOME=", 14) != 0) env += std::wstring(e) + L'\0';
        env += L"XDG_DATA_HOME=" + Utf8ToWide(UnixPath(notAFolder)) + L'\0';
        env += L"PLOVIK_NO_BIN_RESULT=" + result + L'\0';
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring cmd = L"\"" + std::wstring(self) + L"\" --gtest_filter=FileOpTest.WithoutARecycleBinNothingIsDeleted";
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(CreateProcessW(self, cmd.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT, env.data(),
                                   nullptr, &si, &pi));
        CloseHandle(pi.hThread);
        const bool ended = WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0;
        DWORD code = 1;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hProcess);
        ASSERT_TRUE(ended);
        EXPECT_EQ(code, 0u);
        EXPECT_EQ(ReadFileBytes(result), "passed") << "the run without a Recycle Bin did not pass";
    }

    std::unique_ptr<TPeerPlayer> peer;
    std::wstring music, target, first, second;
    std::vector<std::wstring> outside;  // folders outside the test prefix, removed after the test
};

}  // namespace

TEST_F(FileOpTest, CopyKeepsAnIdenticalTargetAndRecyclesADifferentOne) {
    const std::wstring copy = target + L"\\First Song.mp3";
    WriteFileBytes(copy, "first song");
    Form().FileOperation(L"Copy");
    EXPECT_EQ(ReadFileBytes(copy), "first song");
    EXPECT_TRUE(RecycledFrom(UnixPath(copy)).empty()) << "the same song is left as it is";
    EXPECT_EQ(Balloon(), L"Файл " + first + L" удачно СКОПИРОВАН");
    EXPECT_EQ(Form().TrayIcon->IconData().szInfoTitle, std::wstring(L"Сообщение"));

    Form().TrayIcon->HideBalloonHint();
    WriteFileBytes(copy, "an older copy");
    Form().FileOperation(L"Copy");
    EXPECT_EQ(ReadFileBytes(copy), "first song");
    EXPECT_EQ(ReadFileBytes(first), "first song");
    EXPECT_EQ(RecycledFrom(UnixPath(copy)), std::vector<std::string>{"an older copy"});
    EXPECT_EQ(Balloon(), L"Файл " + first + L" удачно СКОПИРОВАН");
    EXPECT_EQ(FolderNames(target), std::vector<std::wstring>{L"First Song.mp3"}) << "no spare file is left";

    // Option off: the file there is overwritten.
    Form().SetChecked(Form().CheckBox[14], false);
    WriteFileBytes(copy, "yet another copy");
    Form().FileOperation(L"Copy");
    EXPECT_EQ(ReadFileBytes(copy), "first song");
    EXPECT_EQ(RecycledFrom(UnixPath(copy)).size(), 1u);

    // Copying into the song's own folder leaves it whole.
    Form().SetChecked(Form().CheckBox[14], true);
    SetWindowTextW(Form().Edit1, music.c_str());
    Form().TrayIcon->HideBalloonHint();
    Form().FileOperation(L"Copy");
    EXPECT_EQ(ReadFileBytes(first), "first song");
    EXPECT_TRUE(RecycledFrom(UnixPath(first)).empty());
    EXPECT_EQ(Balloon(), L"Файл " + first + L" удачно СКОПИРОВАН");
    EXPECT_FALSE(PlayerMovedOn());
    EXPECT_TRUE(asked.empty());
}

TEST_F(FileOpTest, MoveOntoAnIdenticalOrADifferentFileOrIntoItsOwnFolder) {
    // The same song is there already: only the old place is cleared.
    const std::wstring firstThere = target + L"\\First Song.mp3";
    WriteFileBytes(firstThere, "first song");
    answers = {IDOK, IDOK};
    Form().FileOperation(L"Move");
    EXPECT_FALSE(Exists(first));
    EXPECT_EQ(ReadFileBytes(firstThere), "first song");
    EXPECT_TRUE(RecycledFrom(UnixPath(firstThere)).empty());
    EXPECT_EQ(Balloon(), L"Файл " + firstThere + L" удачно ПЕРЕМЕЩЕН");

    const std::wstring secondThere = MoveSecondOntoADifferentFile(target);
    EXPECT_EQ(Balloon(), L"Файл " + secondThere + L" удачно ПЕРЕМЕЩЕН");

    // A song moved into the folder it is in stays.
    const std::wstring third = music + L"\\Third Song.mp3";
    WriteFileBytes(third, "third song");
    Start({L"--file", third, L"--play"});
    SetWindowTextW(Form().Edit1, music.c_str());
    answers = {IDOK};
    Form().FileOperation(L"Move");
    EXPECT_EQ(ReadFileBytes(third), "third song");
    EXPECT_TRUE(RecycledFrom(UnixPath(third)).empty());
}

TEST_F(FileOpTest, MoveAsksFirstThenMovesOnAndMoves) {
    answers = {IDOK};
    Form().FileOperation(L"Move");
    EXPECT_EQ(Questions(), std::vector<std::wstring>{L"Вы действительно хотите ПЕРЕМЕСТИТЬ данный файл ?"});
    EXPECT_EQ(asked[0].Caption, L"Warning");
    EXPECT_FALSE(Exists(first));
    EXPECT_EQ(ReadFileBytes(target + L"\\First Song.mp3"), "first song");
    EXPECT_TRUE(PlayerMovedOn());
    EXPECT_EQ(Balloon(), L"Файл " + target + L"\\First Song.mp3 удачно ПЕРЕМЕЩЕН");
}

TEST_F(FileOpTest, AMoveThatFailsKeepsTheFileAndClaimsNothing) {
    SetWindowTextW(Form().Edit1, (target + L"\\gone").c_str());
    answers = {IDOK};
    Form().FileOperation(L"Move");
    EXPECT_EQ(ReadFileBytes(first), "first song");
    EXPECT_TRUE(PlayerMovedOn());
    EXPECT_EQ(Balloon(), L"");
}

TEST_F(FileOpTest, DeleteAsksThenPutsTheSongIntoTheRecycleBin) {
    answers = {IDOK};
    Form().FileOperation(L"Del");
    EXPECT_EQ(Questions(), std::vector<std::wstring>{L"Вы действительно хотите УДАЛИТЬ данный файл ?"});
    EXPECT_FALSE(Exists(first));
    EXPECT_TRUE(PlayerMovedOn());
    // In the bin with the place it came from, so it can be put back.
    EXPECT_EQ(RecycledFrom(UnixPath(first)), std::vector<std::string>{"first song"});
    EXPECT_EQ(Balloon(), L"Файл " + first + L" удачно УДАЛЕН в корзину");
    EXPECT_EQ(FolderNames(music), std::vector<std::wstring>{L"Second Song.mp3"}) << "no spare file is left";
}

TEST_F(FileOpTest, WithTheOptionOffDeleteIsForGood) {
    Form().SetChecked(Form().CheckBox[14], false);
    answers = {IDOK};
    Form().FileOperation(L"Del");
    EXPECT_FALSE(Exists(first));
    EXPECT_TRUE(RecycledFrom(UnixPath(first)).empty());
    EXPECT_EQ(Balloon(), L"Файл " + first + L" удачно УДАЛЕН");
}

TEST_F(FileOpTest, ALockedFileIsNeitherRecycledNorDeletedNorReplaced) {
    // Another program holds the file of that name in the target folder.
    const std::wstring copy = target + L"\\First Song.mp3";
    WriteFileBytes(copy, "an older copy");
    HANDLE held = HoldAlone(copy);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Form().FileOperation(L"Copy");
    CloseHandle(held);
    EXPECT_EQ(Questions(), std::vector<std::wstring>{L"Файл " + copy +
                                                     L" уже есть в каталоге и не заменен: он занят другой программой."});
    EXPECT_EQ(asked[0].Caption, L"(Merrowind) Plovik v4.0");
    EXPECT_EQ(ReadFileBytes(copy), "an older copy");
    EXPECT_TRUE(RecycledFrom(UnixPath(copy)).empty());
    EXPECT_EQ(FolderNames(target), std::vector<std::wstring>{L"First Song.mp3"});
    EXPECT_EQ(Balloon(), L"");

    // And the playing file itself.
    asked.clear();
    held = HoldAlone(first);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    answers = {IDOK};
    Form().FileOperation(L"Del");
    CloseHandle(held);
    EXPECT_EQ(Questions(), (std::vector<std::wstring>{L"Вы действительно хотите УДАЛИТЬ данный файл ?",
                                                      L"Файл " + first + L" не удален: он занят другой программой."}));
    EXPECT_EQ(ReadFileBytes(first), "first song");
    EXPECT_TRUE(RecycledFrom(UnixPath(first)).empty());
    EXPECT_EQ(FolderNames(music), (std::vector<std::wstring>{L"First Song.mp3", L"Second Song.mp3"}));
    EXPECT_EQ(Balloon(), L"");
}

// Wine without a usable trash folder deletes for good what it was asked to
// recycle, as Windows does on a drive without a Recycle Bin. Wine reads the
// folder once per process, so this runs in a second one.
TEST_F(FileOpTest, WithoutARecycleBinNothingIsDeleted) {
    const std::wstring resultFile = Env(L"PLOVIK_NO_BIN_RESULT");
    if (resultFile.empty()) {
        ExpectPassesWithoutARecycleBin();
        return;
    }
    const std::wstring copy = target + L"\\First Song.mp3";
    WriteFileBytes(copy, "an older copy");
    Form().FileOperation(L"Copy");
    answers = {IDOK};
    // Asked first whether the drive has a bin: no keeper, link or copy, is
    // made beside the song only to be thrown away.
    HANDLE watch = FindFirstChangeNotificationW(music.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    ASSERT_NE(watch, INVALID_HANDLE_VALUE);
    Form().FileOperation(L"Del");
    EXPECT_EQ(WaitForSingleObject(watch, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "a file was made in the song's folder";
    FindCloseChangeNotification(watch);
    const std::wstring why =
        L"корзина его не принимает (на этом диске нет корзины, она отключена или файл для нее слишком велик), "
        L"а безвозвратно файл не удаляется.";
    EXPECT_EQ(Questions(), (std::vector<std::wstring>{L"Файл " + copy + L" уже есть в каталоге и не заменен: " + why,
                                                      L"Вы действительно хотите УДАЛИТЬ данный файл ?",
                                                      L"Файл " + first + L" не удален: " + why}));
    EXPECT_EQ(ReadFileBytes(copy), "an older copy");
    EXPECT_EQ(ReadFileBytes(first), "first song");
    EXPECT_EQ(FolderNames(music), (std::vector<std::wstring>{L"First Song.mp3", L"Second Song.mp3"}));
    EXPECT_EQ(FolderNames(target), std::vector<std::wstring>{L"First Song.mp3"});
    EXPECT_EQ(Balloon(), L"");
    if (!HasFailure()) WriteFileBytes(resultFile, "passed");
}

TEST_F(FileOpTest, AMoveToAnotherFileSystemCopiesChecksAndRemovesTheOriginal) {
    const std::wstring other = OtherFileSystemFolder();
    outside.push_back(other);
    WriteFileBytes(music + L"\\probe", "");
    ASSERT_FALSE(MoveFileExW((music + L"\\probe").c_str(), (other + L"\\probe").c_str(), 0));
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SAME_DEVICE)) << "no rename between the two";
    DeleteFileW((music + L"\\probe").c_str());
    SetWindowTextW(Form().Edit1, other.c_str());
    answers = {IDOK, IDOK};
    Form().FileOperation(L"Move");
    EXPECT_FALSE(Exists(first));
    EXPECT_EQ(ReadFileBytes(other + L"\\First Song.mp3"), "first song");
    EXPECT_EQ(Balloon(), L"Файл " + other + L"\\First Song.mp3 удачно ПЕРЕМЕЩЕН");

    MoveSecondOntoADifferentFile(other);
    EXPECT_EQ(FolderNames(other), (std::vector<std::wstring>{L"First Song.mp3", L"Second Song.mp3"}));
}

TEST_F(FileOpTest, AMoveThatRunsOutOfRoomKeepsTheOriginalAndLeavesNoPart) {
    const TSmallDrive full;
    if (!full.Mounted()) GTEST_SKIP() << "mounting a small tmpfs is not permitted here";
    const std::wstring big = music + L"\\Big Song.mp3";
    const std::string bytes(300 * 1024, 'x');
    WriteFileBytes(big, bytes);
    Start({L"--file", big, L"--file", second, L"--play"});
    SetWindowTextW(Form().Edit1, full.Folder().c_str());
    Form().FileOperation(L"Copy");
    answers = {IDOK};
    Form().FileOperation(L"Move");
    EXPECT_TRUE(PlayerMovedOn());
    EXPECT_EQ(ReadFileBytes(big), bytes);
    EXPECT_TRUE(FolderNames(full.Folder()).empty()) << "the broken copies are removed";
    EXPECT_EQ(Balloon(), L"");
}

TEST_F(FileOpTest, CancelChangesNothing) {
    answers = {IDCANCEL, IDCANCEL};
    Form().FileOperation(L"Move");
    Form().FileOperation(L"Del");
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(ReadFileBytes(first), "first song");
    EXPECT_FALSE(PlayerMovedOn());
    EXPECT_EQ(Balloon(), L"");
}

TEST_F(FileOpTest, WithoutSuccessMessagesASuccessShowsNothing) {
    Form().SetChecked(Form().CheckBox[9], false);
    Form().FileOperation(L"Copy");
    EXPECT_TRUE(Exists(target + L"\\First Song.mp3"));
    EXPECT_EQ(Balloon(), L"");
}

TEST_F(FileOpTest, NoFolderNoPlayerOrNoFileNameMeansNothingDone) {
    SetWindowTextW(Form().Edit1, L"");
    Form().FileOperation(L"Copy");
    Form().FileOperation(L"Move");
    EXPECT_EQ(Questions(), (std::vector<std::wstring>{L"Каталог для файлов не выбран", L"Каталог для файлов не выбран"}));
    EXPECT_FALSE(PlayerMovedOn());

    // A player that cannot tell its file: nothing is touched, it is not moved on.
    SetWindowTextW(Form().Edit1, target.c_str());
    asked.clear();
    Start({L"--file", first, L"--play", L"--without", L"211,214,120", L"--playlist-dir", MakeTempDir(L"nolist")});
    answers = {IDOK, IDOK};
    Form().FileOperation(L"Copy");
    Form().FileOperation(L"Del");
    EXPECT_EQ(ReadFileBytes(first), "first song");
    EXPECT_FALSE(Exists(target + L"\\First Song.mp3"));
    EXPECT_FALSE(PlayerMovedOn());
    EXPECT_EQ(Balloon(), L"");

    peer.reset();
    asked.clear();
    for (const wchar_t* op : {L"Copy", L"Move", L"Del"}) Form().FileOperation(op);
    EXPECT_EQ(Questions(), std::vector<std::wstring>(3, L"Winamp не найден"));
    EXPECT_EQ(ReadFileBytes(first), "first song");
}

// The player plays the second song and answers the first requests of an
// operation, then stops answering in time. Read as 0, the position of the
// playing entry would name the first song. However far it gets: no file
// touched, not moved on, nothing claimed, nothing more asked; and once it
// answers everything the operation is done on the right file.
TEST_F(FileOpTest, APlayerThatStopsAnsweringOnTheWayGetsNothingDone) {
    const std::wstring copied = target + L"\\Second Song.mp3";
    for (const wchar_t* op : {L"Copy", L"Move", L"Del"}) {
        WriteFileBytes(second, "second song");
        DeleteFileW(copied.c_str());
        peer->SetEntryNow(1);
        bool done = false;
        for (size_t answered = 0; !done && answered < 12; ++answered) {
            Form().TrayIcon->HideBalloonHint();
            answers = {IDOK};
            peer->Mark();
            peer->SlowAfter(static_cast<int>(answered), 1500);
            Form().FileOperation(op);
            const std::vector<std::string> lines = peer->Lines();
            const size_t received = peer->Received();
            peer->SlowAfter(0, 0);
            done = std::find(lines.begin(), lines.end(), "SLOW 1500") == lines.end();
            if (done) break;
            const std::string how = WideToUtf8(op) + " with " + std::to_string(answered) + " answered";
            EXPECT_EQ(received, answered + 1) << how;
            EXPECT_EQ(ReadFileBytes(first), "first song") << how;
            EXPECT_EQ(ReadFileBytes(second), "second song") << how;
            EXPECT_FALSE(Exists(target + L"\\First Song.mp3")) << how;
            EXPECT_FALSE(Exists(copied)) << how;
            EXPECT_EQ(Balloon(), L"") << how;
            // Only the next-track command itself may be the one left unanswered.
            auto next = std::find(lines.begin(), lines.end(), kNext);
            EXPECT_TRUE(next == lines.end() || next + 2 == lines.end()) << how;
        }
        ASSERT_TRUE(done) << WideToUtf8(op);
        EXPECT_EQ(ReadFileBytes(first), "first song");
        EXPECT_NE(Balloon(), L"") << WideToUtf8(op);
        EXPECT_EQ(Exists(second), std::wstring(op) == L"Copy");
        EXPECT_EQ(Exists(copied), std::wstring(op) != L"Del");
    }
}

TEST_F(FileOpTest, TheChosenFolderIsShownAndStoredAndCancelKeepsIt) {
    WriteDword(L"Play", 0);  // the settings key exists
    const std::wstring chosen = MakeTempDir(L"chosen");
    bool cancel = false;
    Form().BrowsFldr->BrowseFn = [&](BROWSEINFOW&) -> PIDLIST_ABSOLUTE {
        return cancel ? nullptr : ILCreateFromPathW(chosen.c_str());
    };
    Form().Button3Click();
    EXPECT_EQ(EditText(), chosen);
    EXPECT_EQ(Text(kSettingsKey, L"Dir"), chosen);
    cancel = true;
    Form().N3Click();
    EXPECT_EQ(EditText(), chosen);
    EXPECT_EQ(Text(kSettingsKey, L"Dir"), chosen);
}

// ---------------------------------------------------------------------------
// The invariant over every condition a song can be in: copy, move and delete,
// with "Удалять в корзину" on and off. After each operation every byte that
// was in the watched folders is in its place, at the target, or in the
// Recycle Bin with its path recorded; no other file has appeared; a balloon
// shows only when the promised result holds, and otherwise a message tells.
namespace {

const std::string kSongBytes = [] {
    std::string s(200 * 1024, '\0');
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>('a' + (i * 7) % 26);
    return s;
}();
const std::string kOtherBytes = "the user's other file of the same name";
const std::string kBigOtherBytes(300 * 1024, 'o');  // more than the small bin below takes
const wchar_t kSongName[] = L"First Song.mp3";

// Everything a row sets up for one cell, and how to take it down again.
struct TCell {
    std::wstring SongFolder, TargetFolder;
    std::wstring Song() const { return SongFolder + L"\\" + kSongName; }
    std::wstring Target() const { return TargetFolder + L"\\" + kSongName; }
    std::vector<std::function<void()>> Undo;  // run last first
    std::vector<HANDLE> Held;
    bool StallAfterQuestion = false;
    std::function<void()> Busy;  // what another program starts doing just before the operation
    std::function<void()> AfterOperation;  // what happens to the drives once the key's work is done
};

std::wstring LongPath(const std::wstring& path) { return L"\\\\?\\" + path; }

// A folder nested until its path is length characters long.
std::wstring Deep(std::wstring folder, size_t length) {
    while (folder.size() < length) {
        folder += L"\\" + std::wstring(std::min<size_t>(40, length - folder.size()), L'd');
        CreateDirectoryW(LongPath(folder).c_str(), nullptr);
    }
    return folder;
}

}  // namespace

class FileInvariantTest : public FileOpTest {
public:  // the rows of the table arrange their cells through these
    // Unix mount points made for a cell: a small tmpfs, an exFAT image.
    std::wstring Mount(const std::string& how) {
        const std::wstring folder = OtherFileSystemFolder();
        outside.push_back(folder);
        const std::string unix = UnixPath(folder);
        EXPECT_TRUE(RunUnix(how + " '" + unix + "'")) << how;
        cell.Undo.push_back([this, unix] { RunUnix("umount -l '" + unix + "'"); });
        return folder;
    }
    // A folder as a mount of its own: bound onto itself, then read-only.
    void MakeReadOnly(const std::wstring& folder) {
        const std::string unix = UnixPath(folder);
        ASSERT_TRUE(RunUnix("mount --bind '" + unix + "' '" + unix + "' && mount -o remount,ro,bind '" + unix + "'"));
        cell.Undo.push_back([unix] { RunUnix("umount -l '" + unix + "'"); });
    }
    std::wstring Tmpfs(const char* size) { return Mount(std::string("mount -t tmpfs -o size=") + size + " plovik"); }
    // A drive that takes the bytes into memory and fails only when they
    // reach the disk, as a thin-provisioned or overcommitted store does:
    // ext2 on a loop device whose backing tmpfs is filled up once the empty
    // file system is on it. After the key's work the drive is pulled and put
    // back, so that only what really reached the disk counts.
    std::wstring FullOnlyOnTheDisk() {
        const std::string image = UnixPath(Tmpfs("1m")) + "/ext2.img";
        const std::wstring folder = OtherFileSystemFolder();
        outside.push_back(folder);
        const std::string unix = UnixPath(folder), plug = "mount -o loop '" + image + "' '" + unix + "'";
        EXPECT_TRUE(RunUnix("truncate -s 8M '" + image + "' && mkfs.ext2 -q -F '" + image + "' && " + plug +
                            " && mkdir '" + unix + "/music' && sync && (dd if=/dev/zero of='" + image +
                            ".fill' bs=4k 2>/dev/null; true)"));
        cell.Undo.push_back([unix] { RunUnix("umount -l '" + unix + "'"); });
        cell.AfterOperation = [unix, plug] {
            EXPECT_TRUE(RunUnix("umount '" + unix + "' && " + plug)) << "the drive was not pulled and put back";
        };
        return folder + L"\\music";
    }
    // exFAT keeps no hard links, as FAT sticks and many network shares.
    std::wstring ExFat() {
        const std::string image = UnixPath(MakeTempDir(L"img")) + "/exfat.img";
        const std::wstring folder = Mount("truncate -s 8M '" + image + "' && mkfs.exfat '" + image +
                                          "' >/dev/null && mount.exfat-fuse $(losetup -f --show '" + image + "')");
        cell.Undo.insert(cell.Undo.begin(), [image] {
            RunUnix("losetup -j '" + image + "' | cut -d: -f1 | xargs -r -n1 losetup -d");
        });
        return folder;
    }
    void WriteTargetFile(const std::string& bytes) { WriteFileBytes(cell.Target(), bytes); }
    void PlaceSong(const std::wstring& folder) {
        cell.SongFolder = folder;
        WriteFileBytes(cell.Song(), kSongBytes);
    }
    HANDLE Hold(const std::wstring& path, DWORD share) {
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << WideToUtf8(path);
        cell.Held.push_back(h);
        return h;
    }
    // Another program recycles files all the while the operation runs:
    // Wine's bin gains items.
    void AnotherProgramRecycles() {
        cell.Busy = [this] { StartRecycling(); };
    }
    void StartRecycling() {
        const std::wstring busy = MakeTempDir(L"busy");
        const std::string trash = UnixPath(TrashFolder()), flag = UnixPath(busy) + "/on";
        // Each round writes the note first and the file after it, as Wine's own bin does.
        const std::string script = "i=0\nwhile [ -e '" + flag + "' ]; do\n  i=$((i+1))\n" +
                                   "  printf '[Trash Info]\\nPath=/tmp/o%s\\n' $i > '" + trash +
                                   "/info/plovik-other-'$i.trashinfo\n" + "  echo x > '" + trash +
                                   "/files/plovik-other-'$i\n  sleep 0.01\ndone\ntouch '" + flag + ".off'\n";
        WriteFileBytes(busy + L"\\recycle.sh", script);
        ASSERT_TRUE(RunUnix("touch '" + flag + "' && setsid sh '" + UnixPath(busy) +
                            "/recycle.sh' </dev/null >/dev/null 2>&1 &"));
        cell.Undo.push_back([trash, flag] {
            RunUnix("rm -f '" + flag + "'");
            WaitFor([&] { return RunUnix("test -e '" + flag + ".off'"); }, 10000);
            RunUnix("rm -f '" + trash + "'/files/plovik-other-* '" + trash + "'/info/plovik-other-*");
        });
        const auto others = [] {
            size_t n = 0;
            for (const auto& name : FolderNames(TrashFolder() + L"\\info")) n += name.rfind(L"plovik-other-", 0) == 0;
            return n;
        };
        const size_t started = others();
        ASSERT_TRUE(WaitFor([&] { return others() > started; })) << "the other program does not recycle";
    }

    struct TCondition {
        const char* Name;
        const char* Expect;  // copy, move, delete; each with the option on, then off: D done, R refused
        std::function<void(FileInvariantTest&)> Arrange;
        const wchar_t* Why = nullptr;  // how every message of a refused cell ends, where one reason holds for all
    };

    void RunCell(const TCondition& row, const wchar_t* op, bool recycle, char expect);

    TCell cell;
    std::wstring playing;  // the song the stand-in player was started with
};

namespace {

using TSnapshot = std::vector<std::pair<std::wstring, std::string>>;  // path, bytes

TSnapshot Snapshot(const std::vector<std::wstring>& folders) {
    TSnapshot out;
    for (const auto& folder : folders)
        for (const auto& name : FolderNames(folder))
            out.push_back({folder + L"\\" + name, ReadFileBytes(folder + L"\\" + name)});
    return out;
}

size_t InBin(const std::wstring& path, const std::string& bytes) {
    const auto found = RecycledFrom(UnixPath(path));
    return static_cast<size_t>(std::count(found.begin(), found.end(), bytes));
}

std::wstring Ending(const wchar_t* op, bool recycle) {
    if (std::wstring(op) == L"Copy") return L" удачно СКОПИРОВАН";
    if (std::wstring(op) == L"Move") return L" удачно ПЕРЕМЕЩЕН";
    return recycle ? L" удачно УДАЛЕН в корзину" : L" удачно УДАЛЕН";
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

void FileInvariantTest::RunCell(const TCondition& row, const wchar_t* op, bool recycle, char expect) {
    const std::string name = std::string(row.Name) + ", " + WideToUtf8(op) + (recycle ? ", bin on" : ", bin off");
    SCOPED_TRACE(name);
    cell = TCell{};
    cell.SongFolder = music;
    SetFileAttributesW(first.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteFileBytes(first, kSongBytes);
    cell.TargetFolder = MakeTempDir(L"to");
    struct TUndo {
        TCell& Cell;
        ~TUndo() {
            for (HANDLE h : Cell.Held) CloseHandle(h);
            Cell.Held.clear();
            for (auto it = Cell.Undo.rbegin(); it != Cell.Undo.rend(); ++it) (*it)();
            SetFileAttributesW(Cell.Target().c_str(), FILE_ATTRIBUTE_NORMAL);
        }
    } undo{cell};
    row.Arrange(*this);
    if (HasFatalFailure()) return;

    const std::wstring song = cell.Song(), targetFile = cell.Target();
    if (playing != song) {
        Start({L"--file", song, L"--file", second, L"--play"});
        playing = song;
    }
    peer->SetEntryNow(0);
    peer->Mark();
    const std::vector<std::wstring> folders = {cell.SongFolder, cell.TargetFolder};
    const TSnapshot before = Snapshot(folders);
    const size_t songInBin = InBin(song, kSongBytes);
    std::vector<size_t> binBefore;
    for (const auto& [path, bytes] : before) binBefore.push_back(InBin(path, bytes));

    SetWindowTextW(Form().Edit1, cell.TargetFolder.c_str());
    Form().SetChecked(Form().CheckBox[14], recycle);
    Form().TrayIcon->HideBalloonHint();
    asked.clear();
    if (cell.StallAfterQuestion && std::wstring(op) == L"Copy") peer->SlowAfter(0, 1500);
    bool stalled = cell.StallAfterQuestion && std::wstring(op) == L"Copy";
    Application().MessageBoxFn = [&](HWND, const std::wstring& text, const std::wstring& caption, UINT flags) {
        asked.push_back({text, caption, flags});
        if (cell.StallAfterQuestion && !stalled) peer->SlowAfter(0, 1500);
        stalled = cell.StallAfterQuestion;
        return IDOK;
    };
    if (cell.Busy) cell.Busy();
    if (HasFatalFailure()) return;
    Form().FileOperation(op);
    peer->SlowAfter(0, 0);
    for (HANDLE h : cell.Held) CloseHandle(h);
    cell.Held.clear();
    if (cell.AfterOperation) cell.AfterOperation();

    const std::wstring balloon = Balloon();
    const bool claimed = !balloon.empty();
    std::vector<std::wstring> messages;
    for (const auto& a : asked)
        if (a.Text != L"Вы действительно хотите ПЕРЕМЕСТИТЬ данный файл ?" &&
            a.Text != L"Вы действительно хотите УДАЛИТЬ данный файл ?")
            messages.push_back(a.Text);

    EXPECT_EQ(claimed, expect == 'D') << "balloon: " << WideToUtf8(balloon) << "; messages: " << messages.size();
    if (claimed) {
        // The whole promise, with the place named, fits the balloon.
        const bool copy = std::wstring(op) == L"Copy", del = std::wstring(op) == L"Del";
        const std::wstring named = std::wstring(op) == L"Move" ? targetFile : song;
        EXPECT_TRUE(balloon.rfind(L"Файл " + named.substr(0, 3), 0) == 0) << WideToUtf8(balloon);
        EXPECT_TRUE(EndsWith(balloon, std::wstring(L"\\") + kSongName + Ending(op, recycle))) << WideToUtf8(balloon);
        EXPECT_TRUE(del || ReadFileBytes(targetFile) == kSongBytes) << "the promised copy is not there";
        EXPECT_TRUE(!copy || ReadFileBytes(song) == kSongBytes) << "the original has changed";
        EXPECT_TRUE(copy || !Exists(song)) << "the original has not left its folder";
        EXPECT_TRUE(!del || !recycle || InBin(song, kSongBytes) > songInBin) << "not in the Recycle Bin";
    } else {
        EXPECT_FALSE(messages.empty()) << "nothing done, and nothing said";
        for (const auto& message : messages)
            EXPECT_TRUE(!row.Why || EndsWith(message, row.Why)) << "the wrong reason: " << WideToUtf8(message);
    }
    // Every byte accounted for, and a refused operation leaves all as it was.
    for (size_t i = 0; i < before.size(); ++i) {
        const auto& [path, bytes] = before[i];
        const bool inPlace = ReadFileBytes(path) == bytes && Exists(path);
        const bool isSong = path == song, isTarget = path == targetFile;
        const bool atTarget = isSong && claimed && ReadFileBytes(targetFile) == bytes;
        const bool recycled = InBin(path, bytes) > binBefore[i];
        const bool givenUp = claimed && !recycle && ((isSong && std::wstring(op) == L"Del") || (isTarget && !isSong));
        EXPECT_TRUE(inPlace || atTarget || recycled || givenUp) << "lost: " << WideToUtf8(path);
        if (!claimed) {
            EXPECT_TRUE(inPlace && !recycled) << "changed although refused: " << WideToUtf8(path);
        }
    }
    for (const auto& folder : folders)
        for (const auto& file : FolderNames(folder)) {
            const std::wstring path = folder + L"\\" + file;
            const bool known = std::any_of(before.begin(), before.end(), [&](const auto& b) { return b.first == path; });
            EXPECT_TRUE(known || path == targetFile) << "left behind: " << WideToUtf8(path);
        }
}

TEST_F(FileInvariantTest, EveryByteIsAccountedForUnderEveryCondition) {
    using T = FileInvariantTest;
    const auto sameName = [](T& t) { t.WriteTargetFile(kOtherBytes); };
    // The order of a row's outcomes: copy on, copy off, move on, move off, delete on, delete off.
    const std::vector<TCondition> rows = {
        {"same volume, target absent", "DDDDDD", [](T&) {}},
        {"target holds the same bytes", "DDDDDD", [](T& t) { t.WriteTargetFile(kSongBytes); }},
        {"target holds different bytes", "DDDDDD", sameName},
        // An ID3v1 tag edited in place keeps the file's size: only the bytes at its end differ.
        {"target holds different bytes of the same size", "DDDDDD",
         [](T& t) {
             std::string edited = kSongBytes;
             edited.replace(edited.size() - 128, 3, "TAG");
             t.WriteTargetFile(edited);
         }},
        {"target read-only", "DRDRDD",
         [&](T& t) {
             sameName(t);
             SetFileAttributesW(t.cell.Target().c_str(), FILE_ATTRIBUTE_READONLY);
         }},
        {"target held open", "RRRRDD",
         [&](T& t) {
             sameName(t);
             t.Hold(t.cell.Target(), FILE_SHARE_READ);
         },
         L"он занят другой программой."},
        {"target folder missing", "RRRRDD", [](T& t) { t.cell.TargetFolder += L"\\gone"; }, L"каталога нет."},
        {"target folder read-only", "RRRRDD", [](T& t) { t.MakeReadOnly(t.cell.TargetFolder); }},
        {"target folder fills up part-way", "RRRRDD", [](T& t) { t.cell.TargetFolder = t.Tmpfs("64k"); },
         L"на диске не хватает места."},
        {"target folder fills up part-way, different bytes there", "RRRRDD",
         [&](T& t) {
             t.cell.TargetFolder = t.Tmpfs("64k");
             sameName(t);
         },
         L"на диске не хватает места."},
        {"target drive that runs out of room only when the bytes reach the disk", "RRRRDD",
         [](T& t) { t.cell.TargetFolder = t.FullOnlyOnTheDisk(); }, L"на диске не хватает места."},
        {"target on another file system, different bytes there", "DDDDDD",
         [&](T& t) {
             t.cell.TargetFolder = t.Tmpfs("4m");
             sameName(t);
         }},
        {"read-only song, target on another file system with different bytes", "DDDDDR",
         [&](T& t) {
             t.cell.TargetFolder = t.Tmpfs("4m");
             sameName(t);
             SetFileAttributesW(t.cell.Song().c_str(), FILE_ATTRIBUTE_READONLY);
         }},
        {"song held open, delete shared", "DDDDDR",
         [](T& t) { t.Hold(t.cell.Song(), FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE); }},
        {"song held open, delete not shared", "DDRRRR", [](T& t) { t.Hold(t.cell.Song(), FILE_SHARE_READ); }},
        {"song that cannot be deleted, different bytes at the target", "DDRRRR",
         [&](T& t) {
             t.PlaceSong(t.Tmpfs("4m"));
             sameName(t);
             t.MakeReadOnly(t.cell.SongFolder);
         }},
        {"song where hard links are unavailable (exFAT)", "DDDDDD", [](T& t) { t.PlaceSong(t.ExFat()); }},
        // Two fresh file systems number their first files alike, and on
        // drive Z: Wine's identity is the Unix file number with a volume
        // serial of 0, as some redirectors give: the two files' identities
        // read the same, and only counting an identity with a zero volume as
        // another file keeps the copy and the move from doing nothing.
        {"song and a different target with the same file index", "DDDDDD",
         [&](T& t) {
             t.PlaceSong(t.Tmpfs("4m"));
             t.cell.TargetFolder = t.Tmpfs("4m");
             sameName(t);
         }},
        {"paths near 260 characters", "DDDDDD",
         [](T& t) {
             t.PlaceSong(Deep(MakeTempDir(L"deep"), 236));
             t.cell.TargetFolder = Deep(MakeTempDir(L"deeper"), 236);
         }},
        // The Recycle Bin takes no path of 260 characters or more; the rest works.
        {"paths beyond 260 characters", "DDDDRD",
         [](T& t) {
             t.PlaceSong(Deep(MakeTempDir(L"deep"), 262));
             t.cell.TargetFolder = Deep(MakeTempDir(L"deeper"), 262);
         },
         L"путь к нему длиннее 259 знаков, а корзина таких не принимает."},
        {"the Recycle Bin refusing the file while another program recycles", "RDRDRD",
         [](T& t) {
             t.WriteTargetFile(kBigOtherBytes);
             const std::string files = UnixPath(TrashFolder()) + "/files";
             ASSERT_TRUE(RunUnix("mount -t tmpfs -o size=192k plovik '" + files + "'"));
             t.cell.Undo.push_back([files] { RunUnix("umount -l '" + files + "'"); });
             t.AnotherProgramRecycles();
         }},
        {"a player that stops answering between the question and the action", "RRRRRR",
         [&](T& t) {
             sameName(t);
             t.cell.StallAfterQuestion = true;
         },
         L"Winamp не ответил вовремя: с файлом ничего не сделано."},
    };
    for (const auto& row : rows) {
        const wchar_t* ops[] = {L"Copy", L"Move", L"Del"};
        for (int op = 0; op < 3; ++op)
            for (int on = 1; on >= 0; --on) RunCell(row, ops[op], on == 1, row.Expect[op * 2 + (on ? 0 : 1)]);
    }
}
