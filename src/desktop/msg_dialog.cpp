#include "desktop/msg_dialog.h"

#include <iterator>
#include <vector>

#include "desktop/application.h"

namespace {

constexpr int kEditId = kInputQueryEditId;
constexpr int kPromptId = kInputQueryPromptId;

// ---- the input query's dialog template, built in memory ----

class TDialogTemplate {
public:
    void Header(DWORD style, WORD count, short cx, short cy, const std::wstring& caption) {
        Align();
        Dword(style);
        Dword(0);  // extended style
        FWords.push_back(count);
        Short(0);
        Short(0);
        Short(cx);
        Short(cy);
        FWords.push_back(0);  // no menu
        FWords.push_back(0);  // default class
        Text(caption);
        FWords.push_back(8);  // point size, then the face of DS_SETFONT
        Text(L"MS Shell Dlg");
    }

    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD cls, const std::wstring& text) {
        Align();
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(0);
        Short(x);
        Short(y);
        Short(cx);
        Short(cy);
        FWords.push_back(id);
        FWords.push_back(0xFFFF);  // a predefined class by its atom
        FWords.push_back(cls);
        Text(text);
        FWords.push_back(0);  // no creation data
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(FWords.data()); }

private:
    void Align() {
        if (FWords.size() % 2) FWords.push_back(0);
    }
    void Dword(DWORD v) {
        FWords.push_back(LOWORD(v));
        FWords.push_back(HIWORD(v));
    }
    void Short(short v) { FWords.push_back(static_cast<WORD>(v)); }
    void Text(const std::wstring& s) {
        FWords.insert(FWords.end(), s.begin(), s.end());
        FWords.push_back(0);
    }
    std::vector<WORD> FWords;
};

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;

struct TQueryState {
    const std::wstring* Prompt;
    std::wstring* Value;
};

INT_PTR CALLBACK QueryProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG: {
            SetWindowLongPtrW(dlg, DWLP_USER, lp);
            auto* state = reinterpret_cast<TQueryState*>(lp);
            SetDlgItemTextW(dlg, kPromptId, state->Prompt->c_str());
            SetDlgItemTextW(dlg, kEditId, state->Value->c_str());
            SendDlgItemMessageW(dlg, kEditId, EM_SETSEL, 0, -1);
            SetFocus(GetDlgItem(dlg, kEditId));
            return FALSE;  // the focus is set
        }
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK) {
                auto* state = reinterpret_cast<TQueryState*>(GetWindowLongPtrW(dlg, DWLP_USER));
                *state->Value = WindowText(GetDlgItem(dlg, kEditId));
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

HWND DialogOwner() {
    HWND form = Application().MainForm();
    return form && IsWindowVisible(form) ? form : Application().Handle();
}

}  // namespace

bool InputQuery(const std::wstring& Caption, const std::wstring& Prompt, std::wstring& Value) {
    return InputQuery(DialogOwner(), Caption, Prompt, Value);
}

bool InputQuery(HWND Owner, const std::wstring& Caption, const std::wstring& Prompt, std::wstring& Value) {
    TDialogTemplate t;
    t.Header(DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 4, 180, 63, Caption);
    t.Item(SS_LEFT | SS_NOPREFIX, 8, 6, 164, 10, kPromptId, kStaticAtom, L"");
    t.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 8, 18, 164, 12, kEditId, kEditAtom, L"");
    t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 38, 40, 50, 14, IDOK, kButtonAtom, L"OK");
    t.Item(BS_PUSHBUTTON | WS_TABSTOP, 92, 40, 50, 14, IDCANCEL, kButtonAtom, L"Cancel");
    std::wstring answer = Value;
    TQueryState state{&Prompt, &answer};
    const INT_PTR r = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), Owner, &QueryProc,
                                              reinterpret_cast<LPARAM>(&state));
    if (r != IDOK) return false;
    Value = answer;
    return true;
}

UINT ButtonsTypeValue(TBrowseInfoButtons Buttons) {
    static const UINT values[] = {0, 1, 2, 3, 4, 5, 6, 8, 10, 12, 14};
    const auto i = static_cast<size_t>(Buttons);
    return i < std::size(values) ? values[i] : 0;
}

UINT IconTypeValue(TBrowseInfoIcons Icon) {
    static const UINT values[] = {0, 0x10, 0x20, 0x30, 0x40};
    const auto i = static_cast<size_t>(Icon);
    return i < std::size(values) ? values[i] : 0;
}

std::wstring DropTrailingSeparator(const std::wstring& Value) {
    const size_t n = Value.size();
    if (n > 1 && Value[n - 1] == L'\\' && Value[n - 2] != L':') return Value.substr(0, n - 1);
    return Value;
}

// ---- TMSG ------------------------------------------------------------------

TMSG::TMSG()
    : InputQueryFn(static_cast<bool (*)(const std::wstring&, const std::wstring&, std::wstring&)>(&InputQuery)) {}

bool TMSG::Execute() {
    switch (MsgType) {
        case TBrowseInfoMsgType::Standart:
            Application().MessageBox(FText, Application().Title(), MB_OK);
            return true;
        case TBrowseInfoMsgType::EditMsg: {
            std::wstring answer;
            if (!InputQueryFn || !InputQueryFn(FTitle, FDescription, answer)) return false;
            FText = answer;  // the answer is kept as typed
            return true;
        }
        case TBrowseInfoMsgType::IconMsg:
            return Answer(Application().MessageBox(FText, FTitle, TypeValue()));
    }
    return false;
}

bool TMSG::Answer(int Code) {
    switch (Code) {
        case IDOK: DoOkClick(); return true;
        case IDCANCEL: DoCancelClick(); break;
        case IDYES: DoYesClick(); return true;
        case IDNO: DoNoClick(); break;
        case IDIGNORE: DoIgnoreClick(); break;
        case IDRETRY: DoRetryClick(); break;
        case IDABORT: DoAbortClick(); break;
        default: break;
    }
    return false;
}

void TMSG::Fire(const TNotifyEvent& Event) {
    if (Event) Event(*this);
}

void TMSG::DoOkClick() { Fire(OnOkClick); }
void TMSG::DoCancelClick() { Fire(OnCancelClick); }
void TMSG::DoYesClick() { Fire(OnYesClick); }
void TMSG::DoNoClick() { Fire(OnNoClick); }
void TMSG::DoIgnoreClick() { Fire(OnIgnoreClick); }
void TMSG::DoRetryClick() { Fire(OnRetryClick); }
void TMSG::DoAbortClick() { Fire(OnAbortClick); }
