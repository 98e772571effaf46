#pragma once
// Typed text that must not outlive its use: a fixed room in memory locked against swapping,
// wiped on every clear and at the end. The room is bounded; keys beyond it are ignored. It
// knows how many characters it holds, and gives its bytes only to the password check.
#include <cstddef>
#include <string_view>

namespace app {

class cSecretText {
public:
    static constexpr size_t Capacity = 512;  // bytes of UTF-8

    cSecretText();
    ~cSecretText();
    cSecretText(const cSecretText&) = delete;
    cSecretText& operator=(const cSecretText&) = delete;

    // Whether the room is locked in memory (false where the system refused: the lock refuses
    // to start then).
    bool Locked() const { return Locked_; }

    // Appends what one key typed (UTF-8); false (nothing added) when it would not fit whole.
    bool Append(std::string_view character);
    // Takes the last character (code point) away.
    void RemoveLast();
    // Wipes every byte.
    void Clear();

    size_t Characters() const { return Characters_; }
    size_t Size() const { return Size_; }
    const char* Data() const { return Room_; }
    // The whole room, for checks that it was wiped.
    std::string_view Room() const { return {Room_, Capacity}; }

private:
    char* Room_ = nullptr;
    size_t Size_ = 0;
    size_t Characters_ = 0;
    bool Locked_ = false;
};

}  // namespace app
