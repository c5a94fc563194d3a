#include "look/input_box.h"

#include <vector>

#include "desktop/application.h"

namespace {

struct TInputBoxState {
    std::wstring Caption;
    std::wstring Prompt;
    std::wstring Value;
};

// A dialog template built in memory: the program carries no dialog resources.
class TTemplate {
public:
    void Word(WORD w) { FData.push_back(w); }
    void DWord(DWORD d) {
        Word(LOWORD(d));
        Word(HIWORD(d));
    }
    void Text(const wchar_t* s) {
        for (; *s; ++s) Word(static_cast<WORD>(*s));
        Word(0);
    }
    void AlignToDWord() {
        if (FData.size() % 2) Word(0);
    }
    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD systemClass,
              const wchar_t* text) {
        AlignToDWord();
        DWord(style | WS_CHILD | WS_VISIBLE);
        DWord(0);
        Word(static_cast<WORD>(x));
        Word(static_cast<WORD>(y));
        Word(static_cast<WORD>(cx));
        Word(static_cast<WORD>(cy));
        Word(id);
        Word(0xFFFF);
        Word(systemClass);
        Text(text);
        Word(0);  // no creation data
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(FData.data()); }

private:
    std::vector<WORD> FData;
};

constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082;

TTemplate MakeTemplate() {
    TTemplate t;
    t.DWord(DS_MODALFRAME | DS_SETFONT | DS_SHELLFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    t.DWord(0);
    t.Word(4);  // items
    t.Word(0);
    t.Word(0);
    t.Word(186);
    t.Word(64);
    t.Word(0);  // no menu
    t.Word(0);  // standard class
    t.Text(L"");
    t.Word(8);
    t.Text(L"MS Shell Dlg");
    t.Item(SS_LEFT | SS_NOPREFIX, 7, 7, 172, 8, kInputBoxPromptId, kStatic, L"");
    t.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 19, 172, 12, kInputBoxEditId, kEdit, L"");
    t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 75, 42, 50, 14, IDOK, kButton, L"OK");
    t.Item(BS_PUSHBUTTON | WS_TABSTOP, 129, 42, 50, 14, IDCANCEL, kButton, L"Cancel");
    return t;
}

std::wstring ItemText(HWND dlg, int id) {
    HWND item = GetDlgItem(dlg, id);
    const int n = GetWindowTextLengthW(item);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(item, text.data(), n + 1)));
    return text;
}

INT_PTR CALLBACK InputBoxProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    switch (msg) {
    case WM_INITDIALOG: {
        auto* state = reinterpret_cast<TInputBoxState*>(lp);
        SetWindowLongPtrW(dlg, DWLP_USER, lp);
        SetWindowTextW(dlg, state->Caption.c_str());
        SetDlgItemTextW(dlg, kInputBoxPromptId, state->Prompt.c_str());
        SetDlgItemTextW(dlg, kInputBoxEditId, state->Value.c_str());
        SendDlgItemMessageW(dlg, kInputBoxEditId, EM_SETSEL, 0, -1);
        SetFocus(GetDlgItem(dlg, kInputBoxEditId));
        return FALSE;  // the focus is set
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) {
            auto* state = reinterpret_cast<TInputBoxState*>(GetWindowLongPtrW(dlg, DWLP_USER));
            Guarded([&] { state->Value = ItemText(dlg, kInputBoxEditId); });
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        if (LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

}  // namespace

std::wstring InputBox(HWND owner, const std::wstring& caption, const std::wstring& prompt,
                      const std::wstring& def) {
    TInputBoxState state{caption, prompt, def};
    const TTemplate t = MakeTemplate();
    const INT_PTR answer = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), owner,
                                                   &InputBoxProc, reinterpret_cast<LPARAM>(&state));
    return answer == IDOK ? state.Value : def;
}
