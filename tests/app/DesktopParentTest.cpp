#include "app/DesktopParent.h"

#include <gtest/gtest.h>

#include "app/support/FakeWindowPlatform.h"
#include "core/mCore.h"

namespace {

using app::testing::FakeWindowPlatform;

class DesktopParent : public ::testing::Test {
protected:
    void SetUp() override { mCore::OldParent = 0; }
    void TearDown() override { mCore::OldParent = 0; }
    FakeWindowPlatform window;
};

TEST_F(DesktopParent, AttachAndDetachAreIdempotentAndDetachAllowsALaterAttach) {
    app::SetDesktopParent(window, false);
    EXPECT_TRUE(window.AttachRequests.empty());
    app::SetDesktopParent(window, true);
    const intptr_t recorded = mCore::OldParent;
    app::SetDesktopParent(window, true);
    EXPECT_EQ(mCore::OldParent, recorded);
    app::SetDesktopParent(window, false);
    EXPECT_EQ(mCore::OldParent, 0);
    app::SetDesktopParent(window, true);
    EXPECT_TRUE(window.Attached);
    EXPECT_EQ(window.AttachRequests, (std::vector<bool>{true, false, true}));
}

TEST_F(DesktopParent, WithoutADesktopPlaceNothingChangesAndNothingFails) {
    window.DesktopExists = false;
    app::SetDesktopParent(window, true);
    EXPECT_FALSE(window.Attached);
    EXPECT_EQ(mCore::OldParent, 0);
    app::SetDesktopParent(window, false);
    EXPECT_EQ(window.AttachRequests, (std::vector<bool>{true})) << "nothing to undo";
}

}  // namespace
