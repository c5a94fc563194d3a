#include "desktop/hotkey_manager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <thread>

#include "support/key_holder.h"
#include "support/peer_player.h"

namespace {

constexpr TShortCut kCtrlAltP = 0xC050;  // Ctrl+Alt+P

std::wstring AtomName(TShortCut word) { return L"HotKeyManagerHotKey" + std::to_wstring(word); }
bool AtomExists(const std::wstring& name) { return GlobalFindAtomW(name.c_str()) != 0; }

// What the system posts for a press of the word's combination.
LRESULT Press(TShortCut word, WORD id = 0xC123) {
    WORD mods = 0, key = 0;
    SeparateHotKey(word, mods, key);
    return SendMessageW(Application().Handle(), WM_HOTKEY, id, MAKELPARAM(mods, key));
}

struct Press_ {
    TShortCut HotKey;
    WORD Index;
};

}  // namespace

TEST(SeparateHotKey, SplitsWordIntoSystemModifiersAndKey) {
    struct TRow {
        TShortCut Word;
        WORD Mods, Key;
    };
    const TRow rows[] = {
        {kCtrlAltP, MOD_CONTROL | MOD_ALT, 0x50},
        {0x2000 | VK_F5, MOD_SHIFT, VK_F5},
        // Bits 8-11 carry nothing.
        {0xEF41, MOD_ALT | MOD_CONTROL | MOD_SHIFT, 0x41},
        // The Windows key, alone and with the others.
        {0x1000 | 'N', MOD_WIN, 'N'},
        {0xD000 | VK_RIGHT, MOD_WIN | MOD_CONTROL | MOD_ALT, VK_RIGHT},
        {0, 0, 0},
    };
    for (const TRow& row : rows) {
        WORD mods = 99, key = 99;
        SeparateHotKey(row.Word, mods, key);
        EXPECT_EQ(mods, row.Mods) << std::hex << row.Word;
        EXPECT_EQ(key, row.Key) << std::hex << row.Word;
    }
}

TEST(HotKeyManager, RegistersUnderTheAtomOfTheWordAndReportsItsPress) {
    THotKeyManager m;
    std::vector<Press_> presses;
    m.OnHotKeyPressed = [&](TShortCut hk, WORD idx) { presses.push_back({hk, idx}); };

    const WORD id = m.AddHotKey(kCtrlAltP);
    ASSERT_NE(id, 0);
    EXPECT_GE(id, 0xC000);
    EXPECT_EQ(GlobalFindAtomW(AtomName(kCtrlAltP).c_str()), id);
    ASSERT_EQ(m.Registrations().size(), 1u);
    EXPECT_EQ(m.Registrations()[0].HotKey, kCtrlAltP);
    EXPECT_EQ(m.Registrations()[0].KeyIndex, id);
    EXPECT_FALSE(HotKeyAvailable(kCtrlAltP));

    Press(kCtrlAltP, id);
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0].HotKey, kCtrlAltP);
    EXPECT_EQ(presses[0].Index, id);

    // The identifier in the message is reported, not used for the search.
    Press(kCtrlAltP, 0x1234);
    ASSERT_EQ(presses.size(), 2u);
    EXPECT_EQ(presses[1].Index, 0x1234);

    m.ClearHotKeys();
    EXPECT_TRUE(m.Registrations().empty());
    EXPECT_FALSE(AtomExists(AtomName(kCtrlAltP)));
    EXPECT_TRUE(HotKeyAvailable(kCtrlAltP));
}

TEST(HotKeyManager, RealKeyPressReachesTheHandler) {
    struct TRow {
        TShortCut Word;
        std::vector<WORD> Keys;  // pressed in this order, let go in the other
    };
    const TRow rows[] = {
        {0xC000 | 'K', {VK_CONTROL, VK_MENU, 'K'}},
        {0x9000 | 'K', {VK_LWIN, VK_MENU, 'K'}},
    };
    for (const TRow& row : rows) {
        THotKeyManager m;
        int fired = 0;
        m.OnHotKeyPressed = [&](TShortCut hk, WORD) { fired += hk == row.Word; };
        ASSERT_NE(m.AddHotKey(row.Word), 0);

        std::vector<INPUT> in(row.Keys.size() * 2);
        for (size_t i = 0; i < row.Keys.size(); ++i) {
            in[i].type = INPUT_KEYBOARD;
            in[i].ki.wVk = row.Keys[i];
            in[in.size() - 1 - i].type = INPUT_KEYBOARD;
            in[in.size() - 1 - i].ki.wVk = row.Keys[i];
            in[in.size() - 1 - i].ki.dwFlags = KEYEVENTF_KEYUP;
        }
        ASSERT_EQ(SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)), in.size());
        EXPECT_TRUE(WaitFor([&] { return fired == 1; }, 3000)) << std::hex << row.Word;
    }
}

TEST(HotKeyManager, SecondRegistrationOfAWordIsRefusedAndLeaksNoAtomReference) {
    THotKeyManager first, second;
    ASSERT_NE(first.AddHotKey(kCtrlAltP), 0);
    EXPECT_EQ(second.AddHotKey(kCtrlAltP), 0);
    EXPECT_EQ(first.AddHotKey(kCtrlAltP), 0);
    EXPECT_TRUE(second.Registrations().empty());
    EXPECT_EQ(first.Registrations().size(), 1u);

    // One reference remains, the first manager's: releasing it frees the atom.
    first.ClearHotKeys();
    EXPECT_FALSE(AtomExists(AtomName(kCtrlAltP)));
}

TEST(HotKeyManager, EachManagerReactsOnlyToItsOwnWords) {
    THotKeyManager a, b;
    int aPressed = 0, bPressed = 0;
    a.OnHotKeyPressed = [&](TShortCut, WORD) { ++aPressed; };
    b.OnHotKeyPressed = [&](TShortCut, WORD) { ++bPressed; };
    ASSERT_NE(a.AddHotKey(0xC000 | 'A'), 0);
    ASSERT_NE(b.AddHotKey(0xC000 | 'B'), 0);

    Press(0xC000 | 'A');
    Press(0xC000 | 'A');
    Press(0xC000 | 'B');
    Press(0xC000 | 'Q');  // nobody's
    EXPECT_EQ(aPressed, 2);
    EXPECT_EQ(bPressed, 1);
}

TEST(HotKeyManager, WordWithBits8To11RegistersButNeverFires) {
    THotKeyManager m;
    int fired = 0;
    m.OnHotKeyPressed = [&](TShortCut, WORD) { ++fired; };
    const TShortCut odd = 0xC000 | 0x0F00 | 'J';
    ASSERT_NE(m.AddHotKey(odd), 0);
    EXPECT_FALSE(HotKeyAvailable(0xC000 | 'J'));  // the system holds Ctrl+Alt+J
    Press(odd);
    EXPECT_EQ(fired, 0);
    m.ClearHotKeys();
    EXPECT_TRUE(HotKeyAvailable(0xC000 | 'J'));
    EXPECT_FALSE(AtomExists(AtomName(odd)));
}

TEST(HotKeyManager, ARefusalReportsTheSystemsReasonAndLeaksNoAtom) {
    const TShortCut held = 0xC000 | 'K';
    TKeyHolder other({held});
    ASSERT_TRUE(other.Holds(held)) << other.Log();
    THotKeyManager m;
    EXPECT_EQ(m.AddHotKey(held), 0);
    EXPECT_EQ(m.LastError(), static_cast<DWORD>(ERROR_HOTKEY_ALREADY_REGISTERED));
    EXPECT_FALSE(AtomExists(AtomName(held)));
    EXPECT_TRUE(m.Registrations().empty());

    // Refused for another reason: the target window belongs to another thread.
    const TShortCut free = 0xC000 | 'J';
    std::thread([&] { EXPECT_EQ(m.AddHotKey(free), 0); }).join();
    EXPECT_EQ(m.LastError(), static_cast<DWORD>(ERROR_WINDOW_OF_OTHER_THREAD));
    EXPECT_FALSE(AtomExists(AtomName(free)));

    EXPECT_NE(m.AddHotKey(free), 0);
    EXPECT_EQ(m.LastError(), 0u);
    ASSERT_TRUE(other.Release(held));
    EXPECT_NE(m.AddHotKey(held), 0) << "taken once the other program lets go";
    m.ClearHotKeys();
    EXPECT_FALSE(AtomExists(AtomName(held)));
}

TEST(HotKeyManager, HooksNestMostRecentFirstAndPassEveryMessageOn) {
    std::vector<std::string> order;
    TWindowHook before;
    before.Hook(Application().Handle(), [&](TMessage& m) {
        if (m.Msg == WM_HOTKEY) order.push_back("before");
    });
    auto m1 = std::make_unique<THotKeyManager>();
    auto m2 = std::make_unique<THotKeyManager>();
    m1->OnHotKeyPressed = [&](TShortCut, WORD) { order.push_back("m1"); };
    m2->OnHotKeyPressed = [&](TShortCut, WORD) { order.push_back("m2"); };
    ASSERT_NE(m1->AddHotKey(0xC000 | 'H'), 0);
    ASSERT_NE(m2->AddHotKey(0xC000 | 'G'), 0);
    TWindowHook after;
    after.Hook(Application().Handle(), [&](TMessage& m) {
        if (m.Msg == WM_HOTKEY) order.push_back("after");
    });

    Press(0xC000 | 'H');
    EXPECT_EQ(order, (std::vector<std::string>{"after", "m1", "before"}));
    order.clear();
    Press(0xC000 | 'G');
    EXPECT_EQ(order, (std::vector<std::string>{"after", "m2", "before"}));

    // Without a handler the message passes straight on.
    order.clear();
    m2->OnHotKeyPressed = nullptr;
    Press(0xC000 | 'G');
    EXPECT_EQ(order, (std::vector<std::string>{"after", "before"}));

    // Unhooking out of order keeps the rest of the chain intact.
    order.clear();
    m1.reset();
    Press(0xC000 | 'H');
    EXPECT_EQ(order, (std::vector<std::string>{"after", "before"}));
}

TEST(HotKeyManager, ChangeAndRemoveTouchOnlyWhatIsInTheList) {
    THotKeyManager m;
    const TShortCut w1 = 0xC000 | 'E', w2 = 0xC000 | 'F';
    const WORD id1 = m.AddHotKey(w1);
    ASSERT_NE(id1, 0);

    EXPECT_EQ(m.ChangeHotKey(0xBEEF, w2), 0);
    EXPECT_FALSE(m.RemoveHotKey(w2));
    EXPECT_FALSE(m.RemoveHotKeyByIndex(0xBEEF));
    ASSERT_EQ(m.Registrations().size(), 1u);
    EXPECT_FALSE(HotKeyAvailable(w1));

    const WORD id2 = m.ChangeHotKey(id1, w2);
    ASSERT_NE(id2, 0);
    EXPECT_EQ(GlobalFindAtomW(AtomName(w2).c_str()), id2);
    EXPECT_TRUE(HotKeyAvailable(w1));
    EXPECT_FALSE(AtomExists(AtomName(w1)));
    ASSERT_EQ(m.Registrations().size(), 1u);
    EXPECT_EQ(m.Registrations()[0].HotKey, w2);

    EXPECT_TRUE(m.RemoveHotKeyByIndex(id2));
    EXPECT_TRUE(m.Registrations().empty());
    EXPECT_TRUE(HotKeyAvailable(w2));

    ASSERT_NE(m.AddHotKey(w1), 0);
    EXPECT_TRUE(m.RemoveHotKey(w1));
    EXPECT_TRUE(HotKeyAvailable(w1));
    m.ClearHotKeys();  // empty: nothing to do
    EXPECT_TRUE(m.Registrations().empty());
}

TEST(HotKeyManager, ChangeToARefusedWordLeavesNeitherKey) {
    THotKeyManager m, other;
    const TShortCut mine = 0xC000 | 'R', taken = 0xC000 | 'S';
    ASSERT_NE(other.AddHotKey(taken), 0);
    const WORD id = m.AddHotKey(mine);
    ASSERT_NE(id, 0);
    EXPECT_EQ(m.ChangeHotKey(id, taken), 0);
    EXPECT_TRUE(m.Registrations().empty());
    EXPECT_TRUE(HotKeyAvailable(mine));
}

TEST(HotKeyManager, AvailabilityTestLeavesNothingBehind) {
    const TShortCut w = 0xC000 | 'T';
    EXPECT_TRUE(HotKeyAvailable(w));
    EXPECT_TRUE(HotKeyAvailable(w));
    EXPECT_FALSE(AtomExists(L"HotKeyManagerHotKeyTest"));
    THotKeyManager m;
    ASSERT_NE(m.AddHotKey(w), 0);
    EXPECT_FALSE(HotKeyAvailable(w));
    EXPECT_FALSE(AtomExists(L"HotKeyManagerHotKeyTest"));
}

TEST(HotKeyManager, EmptyWordIsPassedOnAndReleasedCleanly) {
    {
        THotKeyManager m;
        const WORD id = m.AddHotKey(0);
        // Whether the system takes "no key" is its own affair; the list
        // follows its answer and no reference is left either way.
        EXPECT_EQ(m.Registrations().size(), id != 0 ? 1u : 0u);
    }
    EXPECT_FALSE(AtomExists(AtomName(0)));
}

TEST(HotKeyManager, DestructionReleasesEveryRegistration) {
    const TShortCut words[] = {0xC000 | 'U', 0xA000 | 'U', 0x8000 | VK_F9};
    {
        THotKeyManager m;
        for (TShortCut w : words) ASSERT_NE(m.AddHotKey(w), 0);
        for (TShortCut w : words) EXPECT_FALSE(HotKeyAvailable(w));
    }
    for (TShortCut w : words) {
        EXPECT_TRUE(HotKeyAvailable(w));
        EXPECT_FALSE(AtomExists(AtomName(w)));
    }
}
