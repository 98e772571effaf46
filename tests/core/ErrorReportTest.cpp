#include "core/ErrorReport.h"

#include <gtest/gtest.h>

#include "support/FakePlatform.h"

using testing_support::ScopedFakePlatform;

TEST(ErrorReport, FailureShowsProcedureAndDescriptionAndCarriesOn) {
    ScopedFakePlatform platform;
    bool afterFailure = false;
    const bool completed = mCore::Guarded("frmMain.Animate", [&] {
        throw mCore::Failure("Overflow");
        afterFailure = true;
    });
    EXPECT_FALSE(completed);
    EXPECT_FALSE(afterFailure);
    EXPECT_TRUE(mCore::Guarded("mCore.Initialize", [] {}));  // success shows nothing
    ASSERT_EQ(platform.Dialogs.Messages.size(), 1u);
    EXPECT_EQ(platform.Dialogs.Messages[0].Text, "Error in frmMain.Animate\r\n\r\nOverflow");
    EXPECT_EQ(platform.Dialogs.Messages[0].Title, "Glyphfall");
    EXPECT_EQ(platform.Dialogs.Messages[0].Icon, mCore::MessageIcon::None);
}

