// The scripted window is the ground the controller's tests stand on, so its own rules are
// pinned here: one batch per pump, nothing after a close, menus answered in order.
#include "app/support/FakeWindowPlatform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace app::testing;

class RecordingListener final : public app::iWindowEvents {
public:
    explicit RecordingListener(app::iWindowPlatform* window = nullptr) : window_(window) {}
    std::vector<std::string> Log;
    bool CloseOnEscape = true;
    void KeyDown(int keyCode, int shift) override {
        Log.push_back("key " + std::to_string(keyCode) + " " + std::to_string(shift));
        if (CloseOnEscape && keyCode == app::KeyCode::Escape && window_) window_->Close();
    }
    void MouseDown(int button, int shift, float x, float y) override {
        Log.push_back("down " + std::to_string(button) + " " + std::to_string(shift) + " " +
                      std::to_string(int(x)) + "," + std::to_string(int(y)));
    }
    void MouseMove(int buttons, int shift, float x, float y) override {
        Log.push_back("move " + std::to_string(buttons) + " " + std::to_string(shift) + " " +
                      std::to_string(int(x)) + "," + std::to_string(int(y)));
    }
    void CloseRequested() override { Log.push_back("close"); }

private:
    app::iWindowPlatform* window_;
};

TEST(FakeWindow, DeliversOneBatchPerPump) {
    FakeWindowPlatform window;
    RecordingListener listener;
    window.SetListener(&listener);
    window.Queue({KeyEvent{'A', 0}, MouseMoveEvent{1, 2, 10, 20}});
    window.Queue({MouseDownEvent{app::MouseButton::Right, 0, 5, 6}});
    EXPECT_TRUE(window.PumpEvents());
    EXPECT_EQ(listener.Log, (std::vector<std::string>{"key 65 0", "move 1 2 10,20"}));
    EXPECT_TRUE(window.PumpEvents());
    EXPECT_EQ(listener.Log.back(), "down 2 0 5,6");
    EXPECT_EQ(window.Pumps, 2);
}

TEST(FakeWindow, ClosesWhenTheScriptRunsOut) {
    FakeWindowPlatform window;
    window.Queue({});
    EXPECT_TRUE(window.PumpEvents());
    EXPECT_FALSE(window.PumpEvents());
    EXPECT_FALSE(window.IsOpen());
}

TEST(FakeWindow, CanStayOpenAfterTheScript) {
    FakeWindowPlatform window;
    window.CloseWhenScriptEnds = false;
    EXPECT_TRUE(window.PumpEvents());
    EXPECT_TRUE(window.PumpEvents());
}

TEST(FakeWindow, NothingReachesTheListenerAfterItClosedTheWindow) {
    FakeWindowPlatform window;
    RecordingListener listener(&window);
    window.SetListener(&listener);
    window.Queue({KeyEvent{app::KeyCode::Escape}, KeyEvent{'B'}});
    EXPECT_FALSE(window.PumpEvents());
    EXPECT_EQ(listener.Log, (std::vector<std::string>{"key 27 0"}));
    EXPECT_FALSE(window.PumpEvents());
}

TEST(FakeWindow, CloseRequestGoesToTheListenerWhichDecides) {
    FakeWindowPlatform window;
    RecordingListener listener;
    window.SetListener(&listener);
    window.Queue({CloseEvent{}});
    EXPECT_TRUE(window.PumpEvents()) << "the listener did not close";
    EXPECT_EQ(listener.Log, (std::vector<std::string>{"close"}));
}

TEST(FakeWindow, CloseRequestWithoutListenerCloses) {
    FakeWindowPlatform window;
    window.Queue({CloseEvent{}});
    EXPECT_FALSE(window.PumpEvents());
}

TEST(FakeWindow, MenusAreAnsweredInOrderAndRecordedAsShown) {
    FakeWindowPlatform window;
    window.MenuAnswers.push_back(app::MenuCommand{"mnuLength", 2});
    window.MenuAnswers.push_back(std::nullopt);
    app::MenuModel menu;
    menu.SetChecked("mnuFly", true);
    EXPECT_EQ(window.PopupMenu(menu), (app::MenuCommand{"mnuLength", 2}));
    menu.SetChecked("mnuFly", false);
    EXPECT_EQ(window.PopupMenu(menu), std::nullopt);
    EXPECT_EQ(window.PopupMenu(menu), std::nullopt) << "an empty queue dismisses the menu";
    ASSERT_EQ(window.MenusShown.size(), 3u);
    EXPECT_TRUE(window.MenusShown[0].Checked("mnuFly"));
    EXPECT_FALSE(window.MenusShown[1].Checked("mnuFly"));
}

TEST(FakeWindow, RecordsPointerAttachmentPagesAndFrames) {
    FakeWindowPlatform window;
    window.SetPointer(app::PointerKind::Invisible);
    window.SetPointer(app::PointerKind::Default);
    EXPECT_EQ(window.PointerChanges,
              (std::vector<app::PointerKind>{app::PointerKind::Invisible, app::PointerKind::Default}));
    EXPECT_TRUE(window.AttachToDesktop(true));
    EXPECT_TRUE(window.AttachedToDesktop());
    window.OpenWebPage("https://example.invalid/");
    EXPECT_EQ(window.OpenedPages.size(), 1u);
    EXPECT_TRUE(window.MakeCurrent());
    window.SwapBuffers();
    EXPECT_EQ(window.MakeCurrentCalls, 1);
    EXPECT_EQ(window.Swaps, 1);
}

TEST(FakeWindow, BrokenGLIsReported) {
    FakeWindowPlatform window;
    window.GLWorks = false;
    EXPECT_FALSE(window.MakeCurrent());
    EXPECT_FALSE(window.LastGLError().empty());
}

}  // namespace
