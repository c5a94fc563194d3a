#include "desktop/msg_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desktop/application.h"
#include "desktop/window_timer.h"
#include "support/peer_player.h"

namespace {

struct TBox {
    std::wstring Text, Caption;
    UINT Type;
};

// Answers every message box with a scripted code and records what was asked.
class TScriptedBoxes {
public:
    explicit TScriptedBoxes(int answer) : FSaved(Application().MessageBoxFn) {
        Application().MessageBoxFn = [this, answer](HWND, const std::wstring& text, const std::wstring& caption,
                                                    UINT type) {
            Boxes.push_back({text, caption, type});
            return answer;
        };
    }
    ~TScriptedBoxes() { Application().MessageBoxFn = FSaved; }
    TScriptedBoxes(const TScriptedBoxes&) = delete;
    TScriptedBoxes& operator=(const TScriptedBoxes&) = delete;
    std::vector<TBox> Boxes;

private:
    TMessageBoxFn FSaved;
};

// Which answer events fired, by name.
struct TAnswers {
    std::vector<std::string> Fired;
    explicit TAnswers(TMSG& m) {
        m.OnOkClick = [this](TMSG&) { Fired.push_back("ok"); };
        m.OnCancelClick = [this](TMSG&) { Fired.push_back("cancel"); };
        m.OnYesClick = [this](TMSG&) { Fired.push_back("yes"); };
        m.OnNoClick = [this](TMSG&) { Fired.push_back("no"); };
        m.OnIgnoreClick = [this](TMSG&) { Fired.push_back("ignore"); };
        m.OnRetryClick = [this](TMSG&) { Fired.push_back("retry"); };
        m.OnAbortClick = [this](TMSG&) { Fired.push_back("abort"); };
    }
};

using TNames = std::vector<std::string>;

}  // namespace

TEST(MSG, TypeValueIsButtonsPlusIcon) {
    // The help variants go as given; the others are the system's own values.
    EXPECT_EQ(ButtonsTypeValue(TBrowseInfoButtons::Yes_No_Cancel), static_cast<UINT>(MB_YESNOCANCEL));
    EXPECT_EQ(ButtonsTypeValue(TBrowseInfoButtons::Retry_Cancel), static_cast<UINT>(MB_RETRYCANCEL));
    EXPECT_EQ(ButtonsTypeValue(TBrowseInfoButtons::Cancel_Help), 8u);
    EXPECT_EQ(ButtonsTypeValue(TBrowseInfoButtons::Ok_Cancel_Help_Abort_Retry), 14u);
    EXPECT_EQ(IconTypeValue(TBrowseInfoIcons::Information), static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(IconTypeValue(TBrowseInfoIcons::Exclamation), static_cast<UINT>(MB_ICONEXCLAMATION));

    TMSG m;
    EXPECT_EQ(m.Buttons, TBrowseInfoButtons::Ok);
    EXPECT_EQ(m.Icon, TBrowseInfoIcons::None);
    EXPECT_EQ(m.MsgType, TBrowseInfoMsgType::Standart);
    m.Buttons = TBrowseInfoButtons::Yes_No;
    m.Icon = TBrowseInfoIcons::Question;
    EXPECT_EQ(m.TypeValue(), 0x24u);
}

TEST(MSG, TrailingSeparatorRule) {
    EXPECT_EQ(DropTrailingSeparator(L"C:\\"), L"C:\\") << "a drive root keeps it";
    EXPECT_EQ(DropTrailingSeparator(L"C:\\Music\\"), L"C:\\Music");
    EXPECT_EQ(DropTrailingSeparator(L"\\"), L"\\");
    EXPECT_EQ(DropTrailingSeparator(L"Music\\\\"), L"Music\\") << "only one is dropped";
    EXPECT_EQ(DropTrailingSeparator(L"C:\\Music"), L"C:\\Music");
    EXPECT_EQ(DropTrailingSeparator(L""), L"");

    TMSG m;
    m.SetText(L"D:\\Музыка\\");
    m.SetTitle(L"E:\\");
    m.SetDescription(L"x\\");
    EXPECT_EQ(m.Text(), L"D:\\Музыка");
    EXPECT_EQ(m.Title(), L"E:\\");
    EXPECT_EQ(m.Description(), L"x");
}

TEST(MSG, IconMessageReportsTheAnswerThroughItsOneEvent) {
    struct TCase {
        int Answer;
        TNames Fired;
        bool Confirmed;
    };
    const TCase cases[] = {
        {IDOK, {"ok"}, true},         {IDCANCEL, {"cancel"}, false}, {IDYES, {"yes"}, true},
        {IDNO, {"no"}, false},        {IDIGNORE, {"ignore"}, false}, {IDRETRY, {"retry"}, false},
        {IDABORT, {"abort"}, false},  {0, {}, false},                {IDCONTINUE, {}, false},
    };
    for (const TCase& c : cases) {
        TScriptedBoxes boxes(c.Answer);
        TMSG m;
        TAnswers answers(m);
        m.MsgType = TBrowseInfoMsgType::IconMsg;
        m.Buttons = TBrowseInfoButtons::Yes_No;
        m.Icon = TBrowseInfoIcons::Question;
        m.SetText(L"Удалить файл?");
        m.SetTitle(L"Confirm");
        EXPECT_EQ(m.Execute(), c.Confirmed) << "answer " << c.Answer;
        EXPECT_EQ(answers.Fired, c.Fired) << "answer " << c.Answer;
        ASSERT_EQ(boxes.Boxes.size(), 1u);
        EXPECT_EQ(boxes.Boxes[0].Text, L"Удалить файл?");
        EXPECT_EQ(boxes.Boxes[0].Caption, L"Confirm");
        EXPECT_EQ(boxes.Boxes[0].Type, 0x24u);
    }
}

TEST(MSG, PlainMessageShowsTheTextUnderTheApplicationTitle) {
    TScriptedBoxes boxes(IDOK);
    TMSG m;
    TAnswers answers(m);
    m.SetText(L"Привет");
    m.SetTitle(L"ignored");
    m.Icon = TBrowseInfoIcons::Error;
    EXPECT_TRUE(m.Execute());
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, L"Привет");
    EXPECT_EQ(boxes.Boxes[0].Caption, Application().Title());
    EXPECT_EQ(boxes.Boxes[0].Type, static_cast<UINT>(MB_OK));
    EXPECT_TRUE(answers.Fired.empty());
}

TEST(MSG, InputQueryAnswerReplacesTheTextAsTyped) {
    TMSG m;
    m.MsgType = TBrowseInfoMsgType::EditMsg;
    m.SetTitle(L"Папка");
    m.SetDescription(L"Куда копировать:");
    m.SetText(L"before");
    std::wstring caption, prompt, initial = L"?";
    m.InputQueryFn = [&](const std::wstring& c, const std::wstring& p, std::wstring& v) {
        caption = c;
        prompt = p;
        initial = v;
        v = L"C:\\Music\\";
        return true;
    };
    EXPECT_TRUE(m.Execute());
    EXPECT_EQ(caption, L"Папка");
    EXPECT_EQ(prompt, L"Куда копировать:");
    EXPECT_EQ(initial, L"") << "the query starts empty";
    EXPECT_EQ(m.Text(), L"C:\\Music\\") << "the answer is kept without the separator rule";

    m.InputQueryFn = [](const std::wstring&, const std::wstring&, std::wstring& v) {
        v = L"typed, then cancelled";
        return false;
    };
    EXPECT_FALSE(m.Execute());
    EXPECT_EQ(m.Text(), L"C:\\Music\\");
}

// The real query dialog, filled in and answered from a timer while it runs.
TEST(MSG, InputQueryDialogTakesTheTypedLineOnOkOnly) {
    for (int button : {IDOK, IDCANCEL}) {
        std::wstring seenPrompt;
        bool answered = false;
        TWindowTimer driver;
        driver.SetInterval(30);
        driver.OnTimer = [&] {
            HWND dlg = FindWindowW(L"#32770", L"Папка");
            if (!dlg || answered) return;
            answered = true;
            wchar_t buf[128] = {};
            GetDlgItemTextW(dlg, 101, buf, 128);
            seenPrompt = buf;
            SetDlgItemTextW(dlg, 100, L"D:\\Новая");
            PostMessageW(dlg, WM_COMMAND, button, 0);
        };
        driver.SetEnabled(true);
        std::wstring value = L"start";
        const bool ok = InputQuery(L"Папка", L"Куда копировать:", value);
        EXPECT_TRUE(answered);
        EXPECT_EQ(seenPrompt, L"Куда копировать:");
        EXPECT_EQ(ok, button == IDOK);
        EXPECT_EQ(value, button == IDOK ? L"D:\\Новая" : L"start");
    }
}
