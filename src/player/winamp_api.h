// The player's window-message interface: every command id and request code
// the program uses, named once.
#pragma once

#include <windows.h>

namespace wa {

constexpr wchar_t kWindowClass[] = L"Winamp v1.x";

// WM_COMMAND ids
constexpr WPARAM kCmdQuit = 40001;
constexpr WPARAM kCmdPreferences = 40012;
constexpr WPARAM kCmdAlwaysOnTop = 40019;
constexpr WPARAM kCmdRepeat = 40022;
constexpr WPARAM kCmdShuffle = 40023;
constexpr WPARAM kCmdOpenFile = 40029;
constexpr WPARAM kCmdEqualizer = 40036;
constexpr WPARAM kCmdTimeElapsed = 40037;
constexpr WPARAM kCmdTimeRemaining = 40038;
constexpr WPARAM kCmdPlaylistWindow = 40040;
constexpr WPARAM kCmdAbout = 40041;
constexpr WPARAM kCmdPrev = 40044;
constexpr WPARAM kCmdPlay = 40045;
constexpr WPARAM kCmdPause = 40046;
constexpr WPARAM kCmdStop = 40047;
constexpr WPARAM kCmdNext = 40048;
constexpr WPARAM kCmdVolumeUp = 40058;
constexpr WPARAM kCmdVolumeDown = 40059;
constexpr WPARAM kCmdWindowShade = 40064;
constexpr WPARAM kCmdFocusedWindowShade = 40065;
constexpr WPARAM kCmdRewind5s = 40144;
constexpr WPARAM kCmdFadeStop = 40147;
constexpr WPARAM kCmdForward5s = 40148;
constexpr WPARAM kCmdPlaylistStart = 40154;
constexpr WPARAM kCmdOpenUrl = 40155;
constexpr WPARAM kCmdStopAfterCurrent = 40157;
constexpr WPARAM kCmdPlaylistEnd = 40158;
constexpr WPARAM kCmdDoubleSize = 40165;
constexpr WPARAM kCmdEasyMove = 40186;
constexpr WPARAM kCmdFileInfo = 40188;
constexpr WPARAM kCmdAutoScroll = 40189;
constexpr WPARAM kCmdVisOptions = 40190;
constexpr WPARAM kCmdVisPluginOptions = 40191;
constexpr WPARAM kCmdVisExec = 40192;
constexpr WPARAM kCmdJumpToTime = 40193;
constexpr WPARAM kCmdJumpToFile = 40194;
constexpr WPARAM kCmdSkinSelect = 40219;
constexpr WPARAM kCmdVisConfigure = 40221;
constexpr WPARAM kCmdMainWindow = 40258;
constexpr WPARAM kCmdPlaylistWindowShade = 40266;
constexpr WPARAM kCmdSkinReload = 40291;
constexpr WPARAM kCmdBrowser = 40298;

// WM_USER request codes (lParam)
constexpr LPARAM kIpcGetVersion = 0;
constexpr LPARAM kIpcDeletePlaylist = 101;
constexpr LPARAM kIpcStartPlay = 102;
constexpr LPARAM kIpcIsPlaying = 104;
constexpr LPARAM kIpcGetOutputTime = 105;
constexpr LPARAM kIpcJumpToTime = 106;
constexpr LPARAM kIpcWritePlaylist = 120;
constexpr LPARAM kIpcSetPlaylistPos = 121;
constexpr LPARAM kIpcSetVolume = 122;
constexpr LPARAM kIpcSetPanning = 123;
constexpr LPARAM kIpcGetListLength = 124;
constexpr LPARAM kIpcGetListPos = 125;
constexpr LPARAM kIpcGetInfo = 126;
constexpr LPARAM kIpcGetEqData = 127;
constexpr LPARAM kIpcSetEqData = 128;
constexpr LPARAM kIpcAddBookmark = 129;
constexpr LPARAM kIpcRestart = 135;
constexpr LPARAM kIpcSetSkin = 200;
constexpr LPARAM kIpcGetSkin = 201;
constexpr LPARAM kIpcExecVisPlugin = 202;
constexpr LPARAM kIpcGetPlaylistFile = 211;
constexpr LPARAM kIpcGetPlaylistTitle = 212;
constexpr LPARAM kIpcGetPlaylistFileW = 214;
constexpr LPARAM kIpcGetM3uDirectory = 337;
constexpr LPARAM kIpcGetM3uDirectoryW = 338;
constexpr LPARAM kIpcMbOpenUrl = 241;
constexpr LPARAM kIpcInetAvailable = 242;
constexpr LPARAM kIpcUpdateTitle = 243;
constexpr LPARAM kIpcMbGetUrl = 246;
constexpr LPARAM kIpcMbBlock = 248;
constexpr LPARAM kIpcMbOpenRealUrl = 249;
constexpr LPARAM kIpcGetShuffle = 250;
constexpr LPARAM kIpcGetRepeat = 251;
constexpr LPARAM kIpcSetShuffle = 252;
constexpr LPARAM kIpcSetRepeat = 253;

// WM_COPYDATA request codes (dwData)
constexpr ULONG_PTR kCopyPlayFile = 100;
constexpr ULONG_PTR kCopyChangeDir = 103;

// A player that lacks a request answers it with 1.
constexpr LRESULT kIpcUnsupported = 1;

// Arguments of ShowWindowAsync for the player's window
constexpr int kShowPlayer = SW_SHOW;
constexpr int kHidePlayer = SW_HIDE;

// Answers to kIpcIsPlaying
constexpr int kStateStopped = 0;
constexpr int kStatePlaying = 1;
constexpr int kStatePaused = 3;

// wParam of kIpcSetVolume that asks for the volume instead of setting it
constexpr WPARAM kVolumeQuery = static_cast<WPARAM>(-666);
// The player's volume runs from silence to this.
constexpr int kFullVolume = 255;

}  // namespace wa
