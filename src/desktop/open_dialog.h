// The system's open-file dialog. Running it waits for a person, so the run
// goes through a function object that tests replace.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class TOpenDialog {
public:
    std::wstring Title;
    // Pairs of description and pattern separated by '|': "Text files|*.txt".
    std::wstring Filter;
    // The chosen file; kept between runs of the dialog.
    std::wstring FileName;
    HWND Owner = nullptr;
    // The save dialog: the file need not exist.
    bool Save = false;

    // True when the user chose a file; FileName then holds it.
    bool Execute();
    // Replaces the system dialog (tests): gets the dialog, returns the answer.
    std::function<bool(TOpenDialog&)> ExecuteFn;
    // The same for every dialog that has no ExecuteFn of its own, for dialogs
    // that run while their owner is still being made.
    static std::function<bool(TOpenDialog&)> DefaultExecuteFn;

    // The filter as the system wants it: zero-separated, two zeros at the end.
    std::wstring SystemFilter() const;
};
