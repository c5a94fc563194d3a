#include "app/step_list.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/texts.h"

namespace {

// Every volume step is offered; of the seek steps, those a listener uses:
// a few seconds to skip a phrase, minutes to cross a long recording.
std::vector<int> Choices(TStepUnit Unit, int Selected) {
    std::vector<int> steps{0};
    if (Unit == TStepUnit::Percent) {
        for (int s = 1; s <= kMaxVolStep; ++s) steps.push_back(s);
    } else {
        for (int s : {1, 2, 3, 5, 10, 15, 20, 30, 45, 60, 90, 120, 180, 300, 600}) steps.push_back(s);
    }
    if (std::find(steps.begin(), steps.end(), Selected) == steps.end())
        steps.insert(std::upper_bound(steps.begin(), steps.end(), Selected), Selected);
    return steps;
}

std::wstring ItemText(TStepUnit Unit, int Step) {
    if (Step == 0) return Text(TTextId::StepPlayersOwn);
    return Text(Unit == TStepUnit::Percent ? TTextId::StepPercent : TTextId::StepSeconds, std::to_wstring(Step));
}

}  // namespace

void FillStepList(HWND Combo, TStepUnit Unit, int Selected) {
    SendMessageW(Combo, CB_RESETCONTENT, 0, 0);
    for (int step : Choices(Unit, Selected)) {
        const std::wstring text = ItemText(Unit, step);
        const auto index = SendMessageW(Combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageW(Combo, CB_SETITEMDATA, static_cast<WPARAM>(index), step);
        if (step == Selected) SendMessageW(Combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

int SelectedStep(HWND Combo) {
    const auto index = SendMessageW(Combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return 0;
    return static_cast<int>(SendMessageW(Combo, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}
