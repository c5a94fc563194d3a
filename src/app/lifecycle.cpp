// The program's life: start-up, the tray icon and its menu, and the roads
// to the end.
#include "app/form1.h"

#include <algorithm>

void TForm1::CreateFolderDialog() {
    BrowsFldr = std::make_unique<TOskFolderDialog>();  // owned by the window once it is made
    BrowsFldr->Flags = {TBrowseInfoFlags::ShowPath, TBrowseInfoFlags::NewDialogStyle, TBrowseInfoFlags::ShowShared};
    ApplyDialogTexts();
}


void TForm1::CreateTray() {
    N1 = &TrayMenu.Add(Text(TTextId::MenuAbout), [this] { N1Click(); });
    N2 = &TrayMenu.Add(L"-");
    N3 = &TrayMenu.Add(Text(TTextId::MenuChangeFolder), [this] { N3Click(); });
    N6 = &TrayMenu.Add(Text(TTextId::MenuSettings), [this] { N6Click(); });
    // The settings' own items together; the language stays just above the
    // exit, where a user of the older menu finds it.
    NExport = &TrayMenu.Add(Text(TTextId::MenuExport), [this] { ExportSettings(); });
    NImport = &TrayMenu.Add(Text(TTextId::MenuImport), [this] { ImportSettings(); });
    N7 = &TrayMenu.Add(Text(TTextId::MenuOtherLanguage), [this] { N7Click(); });
    N4 = &TrayMenu.Add(L"-");
    N5 = &TrayMenu.Add(Text(TTextId::MenuExit), [this] { N5Click(); });

    TrayIcon = std::make_unique<TTrayIcon>();
    TrayIcon->SetIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)));
    TrayIcon->SetHint(kTrayHint);
    TrayIcon->SetMinimizeToTray(true);
    TrayIcon->SetPopupMenu(&TrayMenu);
    TrayIcon->OnStartup = [this](TTrayIcon&, bool& show) { TrayIconStartup(show); };
    TrayIcon->OnDblClick = [this](TTrayIcon&) { TrayIconDblClick(); };
    TrayIcon->SetIconVisible(true);
    TrayIcon->Loaded();
}

void TForm1::TrayIconStartup(bool& ShowMainForm) { ShowMainForm = false; }
void TForm1::TrayIconDblClick() { OpenSettingsWindow(); }

void TForm1::N1Click() {
    AboutBoxFn(Application().Handle(), kProgramName, Text(TTextId::AboutOther),
               LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)));
}

void TForm1::N3Click() { ChangeTargetFolder(); }
void TForm1::N6Click() { OpenSettingsWindow(); }
void TForm1::N5Click() { Close(); }


// Each step runs even when one before it failed, so that a bad "WA" costs
// neither the settings nor the hot keys; an error is shown once, however
// many steps run into it.
void TForm1::FormCreate() {
    std::vector<std::wstring> shown;
    const auto step = [this, &shown](auto&& f) {
        // Ended while a box of an earlier step waited: no keys, no player.
        if (FClosed) return;
        try {
            f();
        } catch (const EPlovikError& e) {
            if (std::find(shown.begin(), shown.end(), e.Message()) != shown.end()) return;
            shown.push_back(e.Message());
            Application().HandleException();
        } catch (...) {
            Application().HandleException();
        }
    };
    step([this] { FindPlayerPath(); });
    step([this] { LoadSettings(); });
    step([this] { ApplyHotKeys(); });
    step([this] { ReportKeysNotInForce(); });
    step([this] { PlayerStartupActions(); });
    // The monitor may have reported the song while a box of an earlier step
    // waited, before the settings said where to write it.
    step([this] { ShowSong(false); });
}

bool TForm1::FormCloseQuery() {
    if (!Settings.Options[optAskOnExit]) return true;
    return Application().MessageBox(Text(TTextId::AskExit), Text(TTextId::ConfirmCaption),
                                    MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void TForm1::FormClose() { SaveSettings(); }

// A save that fails is shown and the program ends all the same: the user
// asked to leave, and a registry that refuses a write must not keep him.
void TForm1::Close() {
    if (FClosed || !FormCloseQuery()) return;
    Guarded([this] { FormClose(); });
    FClosed = true;
    if (FHandle) ShowWindow(FHandle, SW_HIDE);
    Application().Terminate();
}

// Windows ends the session: the close's save, without the question, which
// nobody would be there to answer.
void TForm1::EndSession() {
    if (FClosed) return;
    Guarded([this] { FormClose(); });
    FClosed = true;
    Application().Terminate();
}

void TForm1::Button4Click() {
    ApplyHotKeys();
    SaveSettings();
    if (Settings.Options[optAskOnExit] &&
        Application().MessageBox(Text(TTextId::AskExit), Text(TTextId::ConfirmCaption),
                                 MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    Close();
}

