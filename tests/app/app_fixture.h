// A fresh account for every test: no settings key, no auto-start entry,
// and scripted answers to the program's questions.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include <shlobj.h>

#include "app/form1.h"
#include "app/hotkey_field.h"
#include "app/settings_registry.h"
#include "support/peer_player.h"

struct TAsked {
    std::wstring Text, Caption;
    UINT Flags;
};

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application().SetTitle(L"(Merrowind) Plovik v4.0");
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Merrowind");
        DeleteRunEntry();
        // A clean account has no player in the usual place and none running.
        CloseAllPlayers();
        DeleteFileW(TForm1::DefaultPlayerPath());
        Application().MessageBoxFn = [this](HWND, const std::wstring& text, const std::wstring& caption, UINT flags) {
            asked.push_back({text, caption, flags});
            if (answers.empty()) return IDOK;
            const int a = answers.front();
            answers.pop_front();
            return a;
        };
        TOpenDialog::DefaultExecuteFn = [this](TOpenDialog& d) {
            ++openDialogRuns;
            if (openDialogAnswer.empty()) return false;
            d.FileName = openDialogAnswer;
            return true;
        };
    }
    void TearDown() override {
        form.reset();
        CloseAllPlayers();
        Application().MessageBoxFn = nullptr;
        TOpenDialog::DefaultExecuteFn = nullptr;
    }

    // The program with its settings window made, as after the user first
    // opened it: most tests read or change its controls.
    TForm1& Form() {
        if (!form) Start();
        return *form;
    }
    void Restart() {
        form.reset();
        Start();
    }
    void Start() {
        form = std::make_unique<TForm1>();
        form->EnsureWindow();
    }
    // The program as most users run it: started, its window never opened.
    TForm1& StartWithoutWindow() {
        form = std::make_unique<TForm1>();
        return *form;
    }

    static void DeleteRunEntry() {
        HKEY k;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS) {
            RegDeleteValueW(k, L"Plovik");
            RegCloseKey(k);
        }
    }

    // Direct registry access, bypassing the program.
    static bool ReadDword(const wchar_t* key, const wchar_t* name, DWORD& out) {
        DWORD size = sizeof(out), type = 0;
        return RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_ANY, &type, &out, &size) == ERROR_SUCCESS &&
               type == REG_DWORD;
    }
    static DWORD Dword(const wchar_t* name) {
        DWORD v = 0xDEADBEEF;
        ReadDword(kSettingsKey, name, v);
        return v;
    }
    static std::wstring Text(const wchar_t* key, const wchar_t* name) {
        wchar_t buf[1024] = {};
        DWORD size = sizeof(buf);
        if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
            return L"<absent>";
        return buf;
    }
    static void WriteRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        HKEY k;
        RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
        RegSetValueExW(k, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(k);
    }
    static void WriteDword(const wchar_t* name, DWORD v) { WriteRaw(name, REG_DWORD, &v, sizeof(v)); }
    static DWORD ValueCount() {
        HKEY k;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &k) != ERROR_SUCCESS) return 0xFFFFFFFF;
        DWORD n = 0;
        RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &n, nullptr, nullptr, nullptr,
                         nullptr);
        RegCloseKey(k);
        return n;
    }
    std::wstring EditText() { return WindowText(Form().Edit1); }

    // What the system posts to the application window for a press.
    static void Press(TShortCut word) {
        WORD mods = 0, key = 0;
        SeparateHotKey(word, mods, key);
        SendMessageW(Application().Handle(), WM_HOTKEY, 0xC000, MAKELPARAM(mods, key));
    }

    // Puts the 32-bit stand-in player at path (the program starts it without
    // arguments, so it takes them from peer.args beside it); the log it will
    // write is returned.
    static std::wstring InstallPlayer(const std::wstring& path, const std::vector<std::wstring>& args = {}) {
        const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
        SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
        CopyFileW(PeerExe(true).c_str(), path.c_str(), FALSE);
        const std::wstring log = MakeTempDir(L"installed") + L"\\player.log";
        std::string lines = "--log\n" + Utf8(log) + "\n";
        for (const auto& a : args) lines += Utf8(a) + "\n";
        WriteFileBytes(folder + L"\\peer.args", lines);
        return log;
    }
    static std::wstring InstallDefaultPlayer(const std::vector<std::wstring>& args = {}) {
        return InstallPlayer(TForm1::DefaultPlayerPath(), args);
    }
    static std::string Utf8(const std::wstring& w) {
        std::string s(w.size() * 3, '\0');
        s.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(),
                                                         static_cast<int>(s.size()), nullptr, nullptr)));
        return s;
    }
    static bool LogHas(const std::wstring& log, const std::string& line) {
        std::string text = "\n";
        text += ReadFileBytes(log);
        return text.find("\n" + line + "\n") != std::string::npos;
    }
    static int PlayerWindows() {
        int n = 0;
        for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"Winamp v1.x", nullptr)) != nullptr;) ++n;
        return n;
    }
    // Players the program started are closed after each test, so that the
    // next test starts with none.
    static void CloseAllPlayers() {
        for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"Winamp v1.x", nullptr)) != nullptr;)
            PostMessageW(w, WM_CLOSE, 0, 0);
        WaitFor([] { return PlayerWindows() == 0; });
    }

    std::unique_ptr<TForm1> form;
    std::deque<int> answers;
    std::vector<TAsked> asked;
    int openDialogRuns = 0;
    std::wstring openDialogAnswer;  // empty: the user cancels
};
