#pragma once
// What the lock screen does with the keys, apart from any window system: the typed password
// (masked, bounded, wiped), the check on a thread of its own so the rain goes on, and what the
// rain spells meanwhile. The spelled text carries nothing of what was typed beyond how many
// characters: one and the same glyph for each, whatever the key.
#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "app/PasswordCheck.h"
#include "app/SecretText.h"

namespace app {

enum class LockKey { Character, Backspace, Escape, Enter, Ignored };

class cLockScreen {
public:
    // The glyph every typed character shows as; the word a refused password brings.
    static constexpr std::string_view MaskGlyph = "#";
    static constexpr std::string_view WrongWord = "wrong";
    static constexpr std::string_view CapsLockWord = "caps lock";

    explicit cLockScreen(iPasswordCheck& check);
    // Waits for a check under way, then wipes the text.
    ~cLockScreen();
    cLockScreen(const cLockScreen&) = delete;
    cLockScreen& operator=(const cLockScreen&) = delete;

    bool MemoryLocked() const { return Typed_.Locked(); }

    // One key press: for Character, text is what the key types in the active layout. Keys
    // while a check runs, and characters beyond the room, are ignored.
    void Press(LockKey key, std::string_view text = {});
    void SetCapsLock(bool on);
    // Takes up a finished check's answer (call it between frames).
    void Poll();

    bool Checking() const { return Checking_; }
    bool Unlocked() const { return Unlocked_; }
    size_t TypedCharacters() const { return Typed_.Characters(); }
    const cSecretText& Typed() const { return Typed_; }
    // What the rain should spell now, once after each change.
    std::optional<std::string> TakeSpelling();
    // Wipes the text now (the process is about to end without its destructors).
    void Wipe() { Typed_.Clear(); }

private:
    void StartCheck();
    void Respell(bool wrong = false);

    iPasswordCheck& Check_;
    cSecretText Typed_;
    std::thread Checker_;
    std::atomic<bool> Answered_ = false;
    bool Right_ = false;  // written by the checker before Answered_
    bool Checking_ = false;
    bool Unlocked_ = false;
    bool CapsLock_ = false;
    std::optional<std::string> Spelling_;
};

// The process while the session is locked: no core dumps (nothing typed may reach a file), and
// the end signals ignored (SIGTERM, SIGINT, SIGHUP: the lock stays and the program goes on).
void HardenForLock();

}  // namespace app
