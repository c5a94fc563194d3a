#include "app/command_line.h"

#include <windows.h>

#include "app/settings.h"

namespace {

bool Is(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }

// Split as the system splits a command line (quotes group, a backslash
// before a quote escapes it).
std::wstring FirstArgument(const std::wstring& arguments, int& count) {
    count = 0;
    std::wstring first;
    int argc = 0;
    const std::wstring line = L"Plovik.exe " + arguments;
    if (LPWSTR* argv = CommandLineToArgvW(line.c_str(), &argc)) {
        count = argc - 1;
        if (argc > 1) first = argv[1];
        LocalFree(argv);
    }
    return first;
}

}  // namespace

TCommand ParseCommandLine(const std::wstring& arguments) {
    TCommand c;
    int count = 0;
    c.Text = FirstArgument(arguments, count);
    if (count == 0) return c;
    c.Kind = TCommand::Bad;
    if (count > 1 || c.Text.size() < 2 || (c.Text[0] != L'/' && c.Text[0] != L'-')) return c;
    const std::wstring name = c.Text.substr(1);
    if (Is(name, L"?") || Is(name, L"Help")) c.Kind = TCommand::Help;
    if (Is(name, L"Show")) c.Kind = TCommand::Show;
    if (Is(name, L"Exit")) c.Kind = TCommand::Exit;
    for (int n = 1; n <= kActionCount && c.Kind == TCommand::Bad; ++n)
        if (Is(name, kActions[n - 1].Value)) {
            c.Kind = TCommand::Action;
            c.Number = n;
        }
    return c;
}

std::wstring CommandHelp() {
    std::wstring names;
    for (const TActionInfo& a : kActions) names += (names.empty() ? L"" : L", ") + std::wstring(a.Value);
    return Text(TTextId::CommandHelp, names);
}
