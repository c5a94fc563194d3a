// Copying, moving and deleting the playing file, on real files.
#include "app_fixture.h"

#include <algorithm>

namespace {

const std::string kNext = "COMMAND 40048 0";

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring Env(const wchar_t* name) {
    wchar_t buf[2048] = {};
    const DWORD n = GetEnvironmentVariableW(name, buf, static_cast<DWORD>(std::size(buf)));
    return n < std::size(buf) ? std::wstring(buf, n) : std::wstring();
}

// Where Wine keeps a file of one of its drives on the Unix side.
std::string UnixPath(const std::wstring& path) {
    using Fn = char*(CDECL*)(const wchar_t*);
    const auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unix = fn ? fn(path.c_str()) : nullptr;
    const std::string out = unix ? unix : "";
    HeapFree(GetProcessHeap(), 0, unix);
    return out;
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

// Runs a Unix shell command (Wine starts Unix programs too) and waits for
// it through a mark file, since Wine gives no exit code for it.
bool RunUnix(const std::string& command) {
    const std::wstring mark = MakeTempDir(L"unix") + L"\\done";
    const std::string full = "(" + command + ") && echo ok > '" + UnixPath(mark) + "' || echo no > '" +
                             UnixPath(mark) + "'";
    std::wstring cmd = L"/bin/sh -c \"" + Utf8ToWide(full) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(L"Z:\\bin\\sh", cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    WaitFor([&] { return !ReadFileBytes(mark).empty(); }, 20000);
    return ReadFileBytes(mark) == "ok\n";
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

    // The player is on the second song now; a different one of its name waits there.
    const std::wstring secondThere = target + L"\\Second Song.mp3";
    WriteFileBytes(secondThere, "a different second song");
    Form().FileOperation(L"Move");
    EXPECT_FALSE(Exists(second));
    EXPECT_EQ(ReadFileBytes(secondThere), "second song");
    EXPECT_EQ(RecycledFrom(UnixPath(secondThere)), std::vector<std::string>{"a different second song"});
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
    HANDLE held = CreateFileW(copy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
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
    held = CreateFileW(first.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
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
    Form().FileOperation(L"Del");
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

    // A different file of the name there goes to the Recycle Bin first.
    const std::wstring secondThere = other + L"\\Second Song.mp3";
    WriteFileBytes(secondThere, "a different second song");
    Form().FileOperation(L"Move");
    EXPECT_FALSE(Exists(second));
    EXPECT_EQ(ReadFileBytes(secondThere), "second song");
    EXPECT_EQ(RecycledFrom(UnixPath(secondThere)), std::vector<std::string>{"a different second song"});
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
