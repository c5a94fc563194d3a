// Remote control of a running player through its window-message interface.
// Keeps no picture of the player: every operation looks the player's window
// up afresh, sends it a message and converts the answer.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

enum class TTarnWinAmpPlayBackStatus : std::uint8_t { wapsPlaying, wapsStopped, wapsPaused };
enum class TTarnWinAmpTimeDisplayMode : std::uint8_t { watdmUnknown, watdmElapsed, watdmRemaining };
enum class TTarnWinAmpPluginType : std::uint8_t {
    waplNone,
    waplGeneric,
    waplDSP,
    waplInput,
    waplOutput,
    waplVisual
};

class TTarnWinAmpLink;

// A player plug-in inside which the link may be hosted; it supplies the
// player's window from inside the player's own process.
class TTarnWinAmpCustomPlugin {
public:
    virtual ~TTarnWinAmpCustomPlugin();
    virtual HWND GetHWindow() = 0;
    virtual TTarnWinAmpPluginType GetPluginType() = 0;
    virtual void SetDescription(const std::wstring& Value) { FDescription = Value; }
    const std::wstring& GetDescription() const noexcept { return FDescription; }

private:
    friend class TTarnWinAmpLink;
    std::wstring FDescription;
    std::vector<TTarnWinAmpLink*> FFreeNotifies;  // links to tell when this plug-in goes
};

// Finds the player's window by its owner's class name.
class TTarnWinAmpNonePlugin : public TTarnWinAmpCustomPlugin {
public:
    explicit TTarnWinAmpNonePlugin(TTarnWinAmpLink& Owner) : FOwner(Owner) {}
    HWND GetHWindow() override;
    TTarnWinAmpPluginType GetPluginType() override { return TTarnWinAmpPluginType::waplNone; }

private:
    TTarnWinAmpLink& FOwner;
};

class TTarnWinAmpLink {
public:
    TTarnWinAmpLink();
    ~TTarnWinAmpLink();
    TTarnWinAmpLink(const TTarnWinAmpLink&) = delete;
    TTarnWinAmpLink& operator=(const TTarnWinAmpLink&) = delete;

    const std::wstring& WindowClassName() const noexcept { return FWindowClassName; }
    void SetWindowClassName(const std::wstring& Value);
    TTarnWinAmpCustomPlugin* GetPlugin() const noexcept { return FPlugin; }
    void SetPlugin(TTarnWinAmpCustomPlugin* Value);
    // Called by a plug-in that is going away.
    void Notification(TTarnWinAmpCustomPlugin* Component);

    HWND GetHWindow();
    bool IsRunning();

    // Commands
    void Quit();
    void TogglePreferences();
    void ToggleAlwaysOnTop();
    void ToggleRepeat();
    void ToggleShuffle();
    void OpenFileDialog();
    void ToggleEQ();
    void TogglePL();
    void ToggleAbout();
    void TrackPrev();
    void TrackPlay();
    void TrackPause();
    void TrackContinue();
    void TrackNext();
    void VolRaise();
    void VolLower();
    void ToggleWindowShade();
    void TogglePlaylistWindowShade();
    void TrackFR();
    void TrackFF();
    void PlaylistStart();
    void OpenURLDialog();
    void PlaylistEnd();
    void ToggleDoubleSize();
    void ToggleEasyMove();
    void OpenInfoDialog();
    void ToggleAutoScroll();
    void VizOpenOptions();
    void VizOpenPluginOptions();
    void VizExec();
    void OpenJumpToTime();
    void OpenJumpToFile();
    void SkinSelect();
    void VizConfigurePlugIn();
    void ToggleMain();
    void SkinReload();
    void ToggleBrowser();
    void TrackStop(bool FadeOut, bool AfterCurrent);
    void SetTimeDisplayMode(TTarnWinAmpTimeDisplayMode Mode);

    // Requests
    WORD GetVersion();
    std::wstring GetVersionString();
    void PlaylistClear();
    void TrackPlaySelected();
    TTarnWinAmpPlayBackStatus GetPlayBackStatus();
    std::uint32_t GetTrackPosition();
    WORD GetTrackLength();
    void SetTrackPosition(std::uint32_t Ms);
    int PlaylistSave();
    void SetPlaylistIndex(int Index);
    void SetVolume(std::uint8_t Volume);
    // The volume as the player has it, 0 to 255.
    std::uint8_t GetVolume();
    void SetPanning(std::uint8_t Pan);
    int GetPlaylistCount();
    int GetPlaylistIndex();
    WORD GetTrackSampleRate();
    WORD GetTrackBitRate();
    WORD GetTrackChannels();
    std::uint8_t GetEQData(int Band);
    std::uint8_t GetEQPreamp();
    bool GetEQEnabled();
    void SetEQData(int Band, std::uint8_t Value);
    void AddToBookmarkList(const std::wstring& FileName);
    void Restart();
    void SetSkin(const std::wstring& Name);
    std::wstring GetSkin();
    void VizSelExec(const std::wstring& Name, int Index);
    std::wstring GetPlaylistFileName(int Index);
    std::wstring GetPlaylistTitle(int Index);
    void SetBrowserURL(const std::wstring& Url);
    bool GetInternet();
    void UpdateInfo();
    std::wstring GetBrowserURL();
    void SetBrowserBlock(bool Block);
    void BrowserForceURL(const std::wstring& Url);
    bool GetShuffle();
    bool GetRepeat();
    void SetShuffle(bool On);
    void SetRepeat(bool On);

    // Text requests that cross process borders
    void PlaybackStart(const std::wstring& FileName);
    void ChangeDir(const std::wstring& Folder);

private:
    void Command(WPARAM Id);
    LRESULT Request(WPARAM wp, LPARAM code);
    LRESULT TextRequest(const std::wstring& Text, LPARAM code);
    bool PluginHosted();
    std::wstring TextAnswer(LRESULT Address);

    std::wstring FWindowClassName;
    TTarnWinAmpCustomPlugin* FPlugin = nullptr;
    TTarnWinAmpNonePlugin FNonePlugin;
};
