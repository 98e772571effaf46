// The colour dialog's answers.
#include <gtest/gtest.h>

#include "RainRig.h"

using Kind = mRain::UserColorAnswer::Kind;
using rain_test::RainRig;

TEST(UserColorDialog, OffersTheShownColourAndTurnsAnswersIntoColourTextsOrRefusesThem) {
    auto color = [](std::string_view answer) {
        const mRain::UserColorAnswer parsed = mRain::ParseUserColor(answer);
        return parsed.What == Kind::Color ? parsed.Text : "refused";
    };
    for (auto [typed, text] : {std::pair{"0,128,255", "#0080FF"}, {"10,11,12", "#0A0B0C"}, {"255 , 0 , 0", "#FF0000"},
                               {"1,2,3,4", "#010203"}, {"127.5,0.4,254.5", "#8000FE"}, {"  #00a0ff ", "#00a0ff"}})
        EXPECT_EQ(color(typed), text) << typed;  // nearest, halves to even
    EXPECT_EQ(mRain::ParseUserColor("   ").What, Kind::Nothing);
    for (const char* bad : {"red", "00A0FF", "#00A0F", "#00A0FF0", "300,0,0", "-1,0,0", "a,b,c", "1,,2,3", ",1,2",
                            "1,2,", "1e10,0,0"})
        EXPECT_EQ(mRain::ParseUserColor(bad).What, Kind::Invalid) << bad;
    // It offers the colour shown, in whole numbers.
    RainRig rig;
    rig.Rain.SetHexColor("#00A000");
    rig.Rain.LetterColor = rig.Rain.TargetColor;
    EXPECT_EQ(rig.Rain.UserColorDefault(), "0,160,0");
    rig.Rain.LetterColor = {0.999f, 0.5f, 0.0039f, 1};
    EXPECT_EQ(rig.Rain.UserColorDefault(), "254,127,0");
}

