#include "platform/pam/PamCheck.h"

#include <pwd.h>
#include <security/pam_appl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace platform::pam {

namespace {

struct Secret {
    const char* Data;
    size_t Length;
};

// Each prompt (hidden or shown) gets the password; messages get no answer and are not shown:
// nothing of the conversation reaches the terminal. PAM frees the answers (and wipes the
// password it keeps at pam_end).
int Converse(int count, const pam_message** messages, pam_response** oResponses, void* data) {
    if (count <= 0 || count > PAM_MAX_NUM_MSG) return PAM_CONV_ERR;
    const auto* secret = static_cast<const Secret*>(data);
    auto* responses = static_cast<pam_response*>(std::calloc(static_cast<size_t>(count), sizeof(pam_response)));
    if (!responses) return PAM_BUF_ERR;
    for (int i = 0; i < count; ++i) {
        const int style = messages[i]->msg_style;
        if (style != PAM_PROMPT_ECHO_OFF && style != PAM_PROMPT_ECHO_ON) continue;
        char* answer = static_cast<char*>(std::malloc(secret->Length + 1));
        if (!answer) {
            for (int k = 0; k < i; ++k)
                if (responses[k].resp) {
                    explicit_bzero(responses[k].resp, secret->Length);
                    std::free(responses[k].resp);
                }
            std::free(responses);
            return PAM_BUF_ERR;
        }
        std::memcpy(answer, secret->Data, secret->Length);
        answer[secret->Length] = '\0';
        responses[i].resp = answer;
    }
    *oResponses = responses;
    return PAM_SUCCESS;
}

}  // namespace

PamCalls SystemPam() { return {pam_start, pam_authenticate, pam_end}; }

cPamCheck::cPamCheck(std::string user, std::string service, PamCalls calls)
    : User_(std::move(user)), Service_(std::move(service)), Calls_(calls) {}

bool cPamCheck::Check(const char* password, size_t length) {
    // A password with a zero byte could not be told apart from a shorter one by PAM.
    if (std::memchr(password, '\0', length)) return false;
    Secret secret{password, length};
    const pam_conv conversation{Converse, &secret};
    pam_handle* handle = nullptr;
    if (Calls_.Start(Service_.c_str(), User_.c_str(), &conversation, &handle) != PAM_SUCCESS) return false;
    const int status = Calls_.Authenticate(handle, PAM_SILENT);
    Calls_.End(handle, status);
    return status == PAM_SUCCESS;
}

std::string CurrentUserName() {
    const passwd* entry = getpwuid(getuid());
    return entry && entry->pw_name ? entry->pw_name : "";
}

}  // namespace platform::pam
