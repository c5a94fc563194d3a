#include "look/input_box.h"

// The message component's input query serves here too.
std::wstring InputBox(HWND owner, const std::wstring& caption, const std::wstring& prompt,
                      const std::wstring& def) {
    std::wstring value = def;
    return InputQuery(owner, caption, prompt, value) ? value : def;
}
