// The colour dialog's default text: the colour shown.
#include <gtest/gtest.h>

#include "RainRig.h"

using rain_test::RainRig;

TEST(UserColorDialog, OffersTheShownColourInWholeNumbers) {
    RainRig rig;
    rig.Rain.SetColor(*ReadColorText("#00A000"));
    rig.Rain.LetterColor = rig.Rain.TargetColor;
    EXPECT_EQ(rig.Rain.UserColorDefault(), "0,160,0");
    rig.Rain.LetterColor = {0.999f, 0.5f, 0.0039f, 1};
    EXPECT_EQ(rig.Rain.UserColorDefault(), "254,127,0");
}
