// Starts tests/peer/key_holder.exe: another program that holds hot keys.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

class TKeyHolder {
public:
    // Starts the holder with these words and waits until it has tried them all.
    explicit TKeyHolder(std::initializer_list<unsigned> words);
    ~TKeyHolder();
    TKeyHolder(const TKeyHolder&) = delete;
    TKeyHolder& operator=(const TKeyHolder&) = delete;

    bool Ready() const { return FWindow != nullptr; }
    bool Holds(unsigned word) const;
    // Lets go of a key (or takes it again) and waits until the holder says so.
    bool Release(unsigned word);
    bool Take(unsigned word);
    std::string Log() const;

private:
    bool Control(UINT msg, unsigned word, const std::string& line);

    PROCESS_INFORMATION FPi{};
    HWND FWindow = nullptr;
    std::wstring FLogPath;
};
