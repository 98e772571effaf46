#include "app/SecretText.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace app {

namespace {
constexpr size_t Page = 4096;

// Clears memory in a way the compiler may not leave out as a dead store.
void Wipe(char* data, size_t size) { explicit_bzero(data, size); }

bool ContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
}  // namespace

static_assert(cSecretText::Capacity <= Page);

cSecretText::cSecretText() {
    Room_ = static_cast<char*>(std::aligned_alloc(Page, Page));
    if (!Room_) throw std::bad_alloc();
    Locked_ = ::mlock(Room_, Page) == 0;
    // Not in a core dump either, where the system offers that.
    ::madvise(Room_, Page, MADV_DONTDUMP);
    Wipe(Room_, Page);
}

cSecretText::~cSecretText() {
    Wipe(Room_, Page);
    if (Locked_) ::munlock(Room_, Page);
    std::free(Room_);
}

bool cSecretText::Append(std::string_view character) {
    if (character.empty() || character.size() > Capacity - Size_) return false;
    std::memcpy(Room_ + Size_, character.data(), character.size());
    Size_ += character.size();
    for (char c : character) Characters_ += ContinuationByte(c) ? 0 : 1;
    return true;
}

void cSecretText::RemoveLast() {
    if (Size_ == 0) return;
    size_t start = Size_ - 1;
    while (start > 0 && ContinuationByte(Room_[start])) --start;
    Wipe(Room_ + start, Size_ - start);
    Size_ = start;
    --Characters_;
}

void cSecretText::Clear() {
    Wipe(Room_, Capacity);
    Size_ = 0;
    Characters_ = 0;
}

}  // namespace app
