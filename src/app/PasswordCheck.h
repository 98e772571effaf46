#pragma once
// Whether a typed password is the user's: the lock screen asks this and nothing else of the
// system's authentication (a platform folder implements it: PAM).
#include <cstddef>

namespace app {

class iPasswordCheck {
public:
    virtual ~iPasswordCheck() = default;
    // True when the password (length bytes of UTF-8, not terminated) is the user's. Called
    // off the drawing thread, one call at a time; may take seconds (a wrong password is held
    // back on purpose). Keeps no copy of the password.
    virtual bool Check(const char* password, size_t length) = 0;
};

}  // namespace app
