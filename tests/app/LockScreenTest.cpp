#include "app/LockScreen.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>

using app::LockKey;

namespace {

// A check that knows one password and can hold its answer back until the test lets it go.
class StubCheck final : public app::iPasswordCheck {
public:
    explicit StubCheck(std::string right) : Right_(std::move(right)) {}
    bool Check(const char* password, size_t length) override {
        Seen = std::string(password, length);
        if (Hold) Release.get_future().wait();
        return Seen == Right_;
    }
    std::string Seen;
    bool Hold = false;
    std::promise<void> Release;

private:
    std::string Right_;
};

void Type(app::cLockScreen& lock, std::string_view text) {
    for (char c : text) lock.Press(LockKey::Character, std::string_view(&c, 1));
}

// Polls until the check's answer is taken up (a second at most).
void AwaitAnswer(app::cLockScreen& lock) {
    for (int i = 0; i < 1000 && lock.Checking(); ++i) {
        lock.Poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool Wiped(const app::cSecretText& text) { return text.Room().find_first_not_of('\0') == std::string_view::npos; }

}  // namespace

TEST(LockScreen, TheSpelledTextShowsHowManyCharactersWereTypedAndNothingOfWhich) {
    StubCheck check("x");
    app::cLockScreen a(check), b(check);
    Type(a, "hunter2");
    Type(b, "Zz9!@ q");
    const std::string spelled = *a.TakeSpelling();
    EXPECT_EQ(spelled, "#######");
    EXPECT_EQ(*b.TakeSpelling(), spelled);
    EXPECT_FALSE(a.TakeSpelling()) << "spelled once per change";
    // A character of several bytes is one glyph too.
    a.Press(LockKey::Character, "\u00E4");
    EXPECT_EQ(*a.TakeSpelling(), "########");
    a.Press(LockKey::Backspace);
    EXPECT_EQ(*a.TakeSpelling(), "#######");
    a.SetCapsLock(true);
    EXPECT_EQ(*a.TakeSpelling(), "#######<br>caps lock");
    a.Press(LockKey::Escape);
    EXPECT_EQ(*a.TakeSpelling(), "<br>caps lock");
    EXPECT_EQ(a.TypedCharacters(), 0u);
}

TEST(LockScreen, TypedTextIsLockedInMemoryBoundedAndWipedByEveryClear) {
    StubCheck check("x");
    app::cLockScreen lock(check);
    EXPECT_TRUE(lock.MemoryLocked());
    for (int i = 0; i < 10000; ++i) lock.Press(LockKey::Character, "\u00E4");  // two bytes each
    EXPECT_EQ(lock.Typed().Size(), app::cSecretText::Capacity);
    EXPECT_EQ(lock.TypedCharacters(), app::cSecretText::Capacity / 2);
    lock.Press(LockKey::Backspace);
    EXPECT_EQ(lock.Typed().Room().substr(lock.Typed().Size()).find_first_not_of('\0'), std::string_view::npos)
        << "the removed character's bytes are wiped";
    lock.Press(LockKey::Escape);
    EXPECT_TRUE(Wiped(lock.Typed()));
}

TEST(LockScreen, OnlyTheRightPasswordUnlocksAndEveryAnswerWipesTheText) {
    StubCheck check("right");
    app::cLockScreen lock(check);
    lock.Press(LockKey::Enter);
    EXPECT_FALSE(lock.Checking()) << "nothing typed, nothing checked";
    Type(lock, "wrong");
    lock.Press(LockKey::Enter);
    AwaitAnswer(lock);
    EXPECT_EQ(check.Seen, "wrong");
    EXPECT_FALSE(lock.Unlocked());
    EXPECT_TRUE(Wiped(lock.Typed()));
    EXPECT_EQ(*lock.TakeSpelling(), std::string(app::cLockScreen::WrongWord));
    // A prefix, a longer text and the right one with a character taken back.
    for (std::string_view near : {"righ", "rightt"}) {
        Type(lock, near);
        lock.Press(LockKey::Enter);
        AwaitAnswer(lock);
        EXPECT_FALSE(lock.Unlocked()) << near;
    }
    Type(lock, "rightx");
    lock.Press(LockKey::Backspace);
    lock.Press(LockKey::Enter);
    AwaitAnswer(lock);
    EXPECT_TRUE(lock.Unlocked());
    EXPECT_TRUE(Wiped(lock.Typed()));
}

TEST(LockScreen, KeysWhileTheCheckRunsChangeNothingAndTheRainIsNotHeldUp) {
    StubCheck check("right");
    check.Hold = true;
    app::cLockScreen lock(check);
    Type(lock, "right");
    lock.Press(LockKey::Enter);
    lock.Poll();  // returns at once while the check waits
    EXPECT_TRUE(lock.Checking());
    Type(lock, "xyz");
    lock.Press(LockKey::Backspace);
    lock.Press(LockKey::Escape);
    lock.Press(LockKey::Enter);
    check.Release.set_value();
    AwaitAnswer(lock);
    EXPECT_EQ(check.Seen, "right");
    EXPECT_TRUE(lock.Unlocked());
    Type(lock, "more");
    EXPECT_EQ(lock.TypedCharacters(), 0u) << "nothing is typed once unlocked";
}
