#pragma once
// The lock screen's password check through PAM, service "glyphfall" (/etc/pam.d/glyphfall), for
// the user the program runs as, in the program's own process (pam_unix checks a user's own
// password through its set-group-id helper). The calls into libpam go through a table, so the
// conversation can be tried against a stub service.
#include <string>

#include "app/PasswordCheck.h"

struct pam_handle;
struct pam_conv;

namespace platform::pam {

struct PamCalls {
    int (*Start)(const char* service, const char* user, const pam_conv* conversation, pam_handle** handle);
    int (*Authenticate)(pam_handle* handle, int flags);
    int (*End)(pam_handle* handle, int status);
};
// libpam's own.
PamCalls SystemPam();

class cPamCheck final : public app::iPasswordCheck {
public:
    // user: the login name; service: the file under /etc/pam.d.
    cPamCheck(std::string user, std::string service = "glyphfall", PamCalls calls = SystemPam());
    bool Check(const char* password, size_t length) override;

private:
    std::string User_;
    std::string Service_;
    PamCalls Calls_;
};

// The name of the user the program runs as; empty when the system knows none.
std::string CurrentUserName();

}  // namespace platform::pam
