// Stateless queries and commands for a running player, and where the
// player keeps its files. Every function looks the player's window up
// anew; requests that must answer are sent (never waiting longer than the
// player-window limit), plain commands are posted and return at once.
// With no player running, requests read 0 and commands go nowhere.
// Track numbers are 1-based here; the player counts its list from 0.
#pragma once

#include <string>

bool WA_IsRunning();
int WA_Version();
void WA_Visible(bool Show);
bool WA_IsVisible();
void WA_Close();
int WA_TrackLength();        // seconds
int WA_TrackPos();           // milliseconds
void WA_SetTrackPos(int Ms);
// Asks the player to write its playlist files; they are on disk on return.
void WA_WritePlayList();
int WA_PlayState();          // 0 stopped, 1 playing, 3 paused
int WA_CurrentTrackNo();
int WA_NoOfTracksLoaded();
void WA_Stop();
void WA_PrevTrack();
void WA_NextTrack();
void WA_SeekBack();
void WA_SeekForward();
void WA_SetPlaySequence(int Value);  // 0 in order, 1 shuffle
int WA_PlaySequence();
void WA_Play();
void WA_Pause();
void WA_PlayTrack(int N);

// The player's installation folder, upper case, ending in a backslash;
// empty when neither its installation entry nor its running program
// tells it.
std::wstring WinAmpDir();
// The folder of the player's playlist files: the running player's answer,
// else the installation folder; empty when unknown.
std::wstring WA_PlayListDir();

// File name of the N-th entry (1-based) of the player's playlist file,
// written afresh for the purpose. False and FileName untouched when the
// entry or the file is missing. Throws EPlovikError when the opened file
// cannot be read.
bool WA_GetTrackFileName(int N, std::wstring& FileName);
// File name of the N-th entry as the running player holds it in memory.
bool WA_AskTrackFileName(int N, std::wstring& FileName);
// The name of the N-th entry: asked from the player, else from the file.
bool WA_FindTrackFileName(int N, std::wstring& FileName);

// Plays the next entry whose ID3v1 artist differs from the current one's;
// true when there was one.
bool WA_NextArtist();
