#include "platform/pam/PamCheck.h"

#include <gtest/gtest.h>
#include <security/pam_appl.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A stub service: it asks what the test says (messages and prompts), keeps the answers, and
// accepts one password.
struct Service {
    std::vector<pam_message> Asked;
    std::string Right = "s3cret";
    std::string ServiceName, User;
    std::vector<std::string> Answers;
    int StartStatus = PAM_SUCCESS;
    int EndedWith = -1;
    const pam_conv* Conversation = nullptr;
};
Service* Stub = nullptr;

int Start(const char* service, const char* user, const pam_conv* conversation, pam_handle** handle) {
    Stub->ServiceName = service;
    Stub->User = user;
    Stub->Conversation = conversation;
    *handle = reinterpret_cast<pam_handle*>(Stub);
    return Stub->StartStatus;
}

int Authenticate(pam_handle*, int) {
    std::vector<const pam_message*> messages;
    for (const pam_message& m : Stub->Asked) messages.push_back(&m);
    pam_response* responses = nullptr;
    const int talked = Stub->Conversation->conv(static_cast<int>(messages.size()), messages.data(), &responses,
                                                Stub->Conversation->appdata_ptr);
    if (talked != PAM_SUCCESS) return talked;
    bool right = false;
    for (size_t i = 0; i < messages.size(); ++i) {
        Stub->Answers.push_back(responses[i].resp ? responses[i].resp : "(none)");
        if (responses[i].resp && Stub->Right == responses[i].resp) right = true;
        std::free(responses[i].resp);
    }
    std::free(responses);
    return right ? PAM_SUCCESS : PAM_AUTH_ERR;
}

int End(pam_handle*, int status) {
    Stub->EndedWith = status;
    return PAM_SUCCESS;
}

bool CheckWith(Service& service, const std::string& password) {
    Stub = &service;
    platform::pam::cPamCheck check("alice", "glyphfall", {Start, Authenticate, End});
    return check.Check(password.data(), password.size());
}

}  // namespace

TEST(PamCheck, ThePasswordAnswersEveryPromptOfTheUsersGlyphfallServiceAndMessagesGetNothing) {
    Service service;
    service.Asked = {{PAM_TEXT_INFO, "Welcome"}, {PAM_PROMPT_ECHO_OFF, "Password: "}, {PAM_ERROR_MSG, "warning"}};
    EXPECT_TRUE(CheckWith(service, "s3cret"));
    EXPECT_EQ(service.ServiceName, "glyphfall");
    EXPECT_EQ(service.User, "alice");
    EXPECT_EQ(service.Answers, (std::vector<std::string>{"(none)", "s3cret", "(none)"}));
    EXPECT_EQ(service.EndedWith, PAM_SUCCESS);
}

TEST(PamCheck, AWrongPasswordAFailedStartOrAnEmbeddedZeroNeverPass) {
    Service wrong;
    wrong.Asked = {{PAM_PROMPT_ECHO_OFF, "Password: "}};
    EXPECT_FALSE(CheckWith(wrong, "s3cre"));
    EXPECT_FALSE(CheckWith(wrong, "s3crett"));
    EXPECT_EQ(wrong.EndedWith, PAM_AUTH_ERR) << "the handle is ended with the answer";

    Service noStart;
    noStart.StartStatus = PAM_SYSTEM_ERR;
    noStart.Asked = {{PAM_PROMPT_ECHO_OFF, "Password: "}};
    EXPECT_FALSE(CheckWith(noStart, "s3cret"));

    Service zero;
    zero.Asked = {{PAM_PROMPT_ECHO_OFF, "Password: "}};
    EXPECT_FALSE(CheckWith(zero, std::string("s3cret\0x", 8))) << "PAM would read only up to the zero";

    Service none;  // a service that asks nothing and accepts nothing
    EXPECT_FALSE(CheckWith(none, "s3cret"));
}
