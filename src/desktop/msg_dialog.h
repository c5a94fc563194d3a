// A configurable message: a plain message, a message box whose answer is
// reported through one event per button, or a one-line input query whose
// answer replaces the component's text.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

enum class TBrowseInfoButtons {
    Ok,
    Ok_Cancel,
    Abort_Retry_Ignore,
    Yes_No_Cancel,
    Yes_No,
    Retry_Cancel,
    Help,
    Cancel_Help,
    Ok_Cancel_Help,
    Help_Ok_Cancel_Help,
    Ok_Cancel_Help_Abort_Retry,
};

enum class TBrowseInfoIcons { None, Error, Question, Exclamation, Information };

enum class TBrowseInfoMsgType { Standart = 0, IconMsg = 1, EditMsg = 2 };

// The message-box type value each choice contributes.
UINT ButtonsTypeValue(TBrowseInfoButtons Buttons);
UINT IconTypeValue(TBrowseInfoIcons Icon);

// A path-like string loses one trailing "\" unless it is a drive root or
// nothing but the separator.
std::wstring DropTrailingSeparator(const std::wstring& Value);

// A modal one-line input query; true when the user confirmed. Value comes in
// as the initial answer and holds the answer afterwards.
bool InputQuery(const std::wstring& Caption, const std::wstring& Prompt, std::wstring& Value);
// The same, owned by the given window.
bool InputQuery(HWND Owner, const std::wstring& Caption, const std::wstring& Prompt, std::wstring& Value);
// The query's edit field and prompt, for whoever drives it from outside.
constexpr int kInputQueryEditId = 100;
constexpr int kInputQueryPromptId = 101;

class TMSG {
public:
    using TNotifyEvent = std::function<void(TMSG& Sender)>;
    using TInputQueryFn =
        std::function<bool(const std::wstring& Caption, const std::wstring& Prompt, std::wstring& Value)>;

    TMSG();
    virtual ~TMSG() = default;

    TNotifyEvent OnOkClick, OnCancelClick, OnYesClick, OnNoClick, OnIgnoreClick, OnRetryClick, OnAbortClick;

    TBrowseInfoButtons Buttons = TBrowseInfoButtons::Ok;
    TBrowseInfoIcons Icon = TBrowseInfoIcons::None;
    TBrowseInfoMsgType MsgType = TBrowseInfoMsgType::Standart;

    const std::wstring& Text() const noexcept { return FText; }
    const std::wstring& Title() const noexcept { return FTitle; }
    const std::wstring& Description() const noexcept { return FDescription; }
    void SetText(const std::wstring& Value) { FText = DropTrailingSeparator(Value); }
    void SetTitle(const std::wstring& Value) { FTitle = DropTrailingSeparator(Value); }
    void SetDescription(const std::wstring& Value) { FDescription = DropTrailingSeparator(Value); }

    UINT TypeValue() const { return ButtonsTypeValue(Buttons) + IconTypeValue(Icon); }

    // True when the user confirmed: a plain message always, a message box
    // answered OK or Yes, an input query answered OK.
    bool Execute();

    // The input query as a seam; message boxes go through the application's.
    TInputQueryFn InputQueryFn;

protected:
    virtual void DoOkClick();
    virtual void DoCancelClick();
    virtual void DoYesClick();
    virtual void DoNoClick();
    virtual void DoIgnoreClick();
    virtual void DoRetryClick();
    virtual void DoAbortClick();

private:
    void Fire(const TNotifyEvent& Event);
    bool Answer(int Code);

    std::wstring FText, FTitle, FDescription;
};
