#include "runtime/UserControl.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/Form.h"
#include "runtime/StockControls.h"
#include "tests/support/SwallowedErrors.h"

namespace {

using Log = std::vector<std::string>;

// Records its life-cycle events into a log shared with its form.
class LoggingControl : public rt::UserControl {
  public:
    LoggingControl(Log& log, std::string tag) : log_(log), tag_(std::move(tag)) {}
    int32_t value = 0;
    bool windowAliveAtTerminate = false;
    bool formAliveAtTerminate = false;
    HDC paintDc = nullptr;

    using UserControl::PropertyChanged;

  protected:
    void UserControl_Initialize() override { Note("Initialize"); }
    void UserControl_InitProperties() override { Note("InitProperties"); }
    void UserControl_ReadProperties(rt::PropertyBag& bag) override {
        Note("ReadProperties");
        value = bag.ReadInt32(L"Value", 0);
        // A control that sizes itself while reading does not raise Resize before it is sited.
        Move(Left(), Top(), Width() + 1);
    }
    void UserControl_WriteProperties(rt::PropertyBag& bag) override { bag.WriteInt32(L"Value", value, 0); }
    void UserControl_Resize() override { Note("Resize"); }
    void UserControl_Show() override { Note("Show"); }
    void UserControl_Paint(HDC dc) override { paintDc = dc; }
    void UserControl_Terminate() override {
        Note("Terminate");
        windowAliveAtTerminate = ::IsWindow(hWnd()) != FALSE;
        formAliveAtTerminate = ParentForm() && ::IsWindow(ParentForm()->hWnd());
    }
    void UserControl_MouseDown(int b, int s, float x, float y) override { Mouse("MouseDown", b, s, x, y); }
    void UserControl_MouseMove(int b, int s, float x, float y) override { Mouse("MouseMove", b, s, x, y); }
    void UserControl_MouseUp(int b, int s, float x, float y) override { Mouse("MouseUp", b, s, x, y); }
    void UserControl_Click() override { Note("Click"); }
    void UserControl_DblClick() override { Note("DblClick"); }

  private:
    void Note(const std::string& event) { log_.push_back(tag_ + "." + event); }
    void Mouse(const char* event, int b, int s, float x, float y) {
        Note(std::string(event) + "(" + std::to_string(b) + "," + std::to_string(s) + "," +
             std::to_string(static_cast<int>(x)) + "," + std::to_string(static_cast<int>(y)) + ")");
    }
    Log& log_;
    std::string tag_;
};

// A control with constituent controls of its own, one of them a user control.
class OuterControl : public LoggingControl {
  public:
    OuterControl(Log& log) : LoggingControl(log, "outer"), innerA(log, "innerA"), innerB(log, "innerB") {}
    LoggingControl innerA, innerB;

  protected:
    void UserControl_Initialize() override {
        LoggingControl::UserControl_Initialize();
        AddUserControl(innerA, L"innerA", 0, 0, 10, 10, nullptr);
        AddUserControl(innerB, L"innerB", 10, 0, 10, 10, nullptr);
    }
};

class HostForm : public rt::Form {
  public:
    Log log;
    rt::PropertyBag stored;
    LoggingControl uc1{log, "uc1"};
    rt::PictureBox box;
    LoggingControl uc2{log, "uc2"};
    OuterControl outer{log};

  protected:
    void CreateControls() override {
        stored.WriteInt32(L"Value", 42, 0);
        AddUserControl(uc1, L"uc1", 0, 0, 90, 30, &stored);
        Add(box, L"box", 100, 0, 200, 100);
        AddUserControl(uc2, L"uc2", 5, 5, 50, 20, nullptr, &box);
        AddUserControl(outer, L"outer", 0, 200, 90, 24, nullptr);
    }
    void Form_Load() override { log.push_back("Form_Load"); }
    void Form_Resize() override { log.push_back("Form_Resize"); }
    void Form_QueryUnload(bool&) override { log.push_back("Form_QueryUnload"); }
    void Form_Unload(bool&) override { log.push_back("Form_Unload"); }
};

TEST(UserControlLifecycle, EventsRunInDeclaredOrderAndTerminateInReverse) {
    HostForm form;
    form.Show(SW_SHOWNORMAL);
    EXPECT_EQ(::GetParent(form.uc2.hWnd()), form.box.hWnd());
    EXPECT_EQ(::GetParent(form.outer.innerA.hWnd()), form.outer.hWnd());
    EXPECT_EQ(form.outer.innerA.ParentForm(), &form);
    EXPECT_EQ(::GetWindowLongW(form.uc1.hWnd(), GWL_STYLE) & (WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN),
              WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    EXPECT_TRUE(::GetClassLongPtrW(form.uc1.hWnd(), GCL_STYLE) & CS_DBLCLKS);
    EXPECT_EQ(form.uc1.BackColor(), rt::SysColor::ButtonFace);
    EXPECT_EQ(form.uc1.Font(), rt::FontInfo{});
    EXPECT_EQ(form.log, (Log{"uc1.Initialize",
                             "uc1.ReadProperties",
                             "uc1.Resize", //
                             "uc2.Initialize",
                             "uc2.InitProperties",
                             "uc2.Resize", //
                             "outer.Initialize",
                             "innerA.Initialize",
                             "innerA.InitProperties", //
                             "innerA.Resize",
                             "innerB.Initialize",
                             "innerB.InitProperties", //
                             "innerB.Resize",
                             "outer.InitProperties",
                             "outer.Resize",
                             "Form_Load", //
                             "Form_Resize",
                             "uc1.Show",
                             "uc2.Show",
                             "outer.Show",
                             "innerA.Show",
                             "innerB.Show"}));
    form.log.clear();
    form.Unload();
    EXPECT_EQ(form.log, (Log{"Form_QueryUnload", "Form_Unload", "outer.Terminate", "innerB.Terminate",
                             "innerA.Terminate", "uc2.Terminate", "uc1.Terminate"}));
    EXPECT_TRUE(form.uc1.windowAliveAtTerminate);
    EXPECT_TRUE(form.uc1.formAliveAtTerminate);
    EXPECT_TRUE(form.outer.innerA.windowAliveAtTerminate);
    for (rt::Control* c :
         {static_cast<rt::Control*>(&form.uc1), static_cast<rt::Control*>(&form.uc2),
          static_cast<rt::Control*>(&form.outer), static_cast<rt::Control*>(&form.outer.innerB)})
        EXPECT_EQ(c->hWnd(), nullptr) << std::string(c->Name().begin(), c->Name().end());
}

TEST(UserControlProperties, StoredPropertiesAreReadAndSavedBack) {
    HostForm form;
    ASSERT_TRUE(form.Load());
    EXPECT_EQ(form.uc1.value, 42);
    EXPECT_EQ(form.uc1.SaveProperties(), form.stored);
    EXPECT_EQ(form.uc2.SaveProperties().size(), 0u) << "a new control keeps only defaults";
    form.uc2.value = 7;
    form.uc2.PropertyChanged(L"Value");
    form.uc2.PropertyChanged(L"Enabled");
    EXPECT_EQ(form.uc2.ChangedProperties(), (std::vector<std::wstring>{L"Value", L"Enabled"}));
    EXPECT_EQ(form.uc2.SaveProperties().ReadInt32(L"Value", 0), 7);
    form.Unload();
}

class AmbientTest : public ::testing::TestWithParam<bool> {};

TEST_P(AmbientTest, UserModeComesFromTheFormAlsoThroughAnOuterControl) {
    const bool design = GetParam();
    HostForm form;
    form.SetDesignMode(design);
    ASSERT_TRUE(form.Load());
    EXPECT_EQ(form.uc1.AmbientUserMode(), !design);
    EXPECT_EQ(form.outer.innerA.AmbientUserMode(), !design);
    EXPECT_EQ(form.uc2.AmbientDisplayName(), L"uc2");
    form.Unload();
}

INSTANTIATE_TEST_SUITE_P(Modes, AmbientTest, ::testing::Bool());

TEST(UserControlEvents, ResizeAfterSitingPaintGetsADcAndShowWaitsForVisibility) {
    HostForm form;
    ASSERT_TRUE(form.Load());
    form.uc2.SetVisible(false);
    form.Show(SW_SHOWNORMAL);
    form.log.clear();
    form.uc1.Move(0, 0, 120, 40);
    EXPECT_EQ(form.log, (Log{"uc1.Resize"}));
    form.uc1.Refresh();
    EXPECT_NE(form.uc1.paintDc, nullptr);
    form.log.clear();
    form.uc2.SetVisible(true);
    form.uc2.SetVisible(false);
    form.uc2.SetVisible(true);
    EXPECT_EQ(form.log, (Log{"uc2.Show"}));
    form.Unload();
}

struct VetoCase {
    const char* name;
    std::function<void(bool&)> handler;
    bool goesOn;
    std::optional<rt::Swallowed> swallowed;
};
class VetoableTest : public ::testing::TestWithParam<VetoCase> {};

TEST_P(VetoableTest, CancelStartsFalseAndOnlyASetCancelStopsTheAction) {
    const VetoCase& c = GetParam();
    if (c.swallowed) testsupport::ExpectSwallowed(*c.swallowed);
    bool sawCancel = true;
    auto handler = c.handler ? std::function<void(bool&)>([&](bool& cancel) {
        sawCancel = cancel;
        c.handler(cancel);
    })
                             : std::function<void(bool&)>();
    EXPECT_EQ(rt::UserControl::RaiseVetoable(handler), c.goesOn);
    if (c.handler) {
        EXPECT_FALSE(sawCancel);
    }
}

INSTANTIATE_TEST_SUITE_P(Handlers, VetoableTest,
                         ::testing::Values(VetoCase{"none", nullptr, true, {}},
                                           VetoCase{"leaves", [](bool&) {}, true, {}},
                                           VetoCase{"cancels", [](bool& c) { c = true; }, false, {}},
                                           VetoCase{"throws", [](bool&) { rt::RaiseInvalidCall(); }, true, rt::Swallowed::RtError},
                                           VetoCase{"cancels_then_throws",
                                                    [](bool& c) {
                                                        c = true;
                                                        throw std::runtime_error("x");
                                                    },
                                                    true, rt::Swallowed::OtherError}),
                         [](const auto& info) { return std::string(info.param.name); });

class MouseForm : public rt::Form {
  public:
    Log log;
    LoggingControl uc{log, "uc"};

  protected:
    void CreateControls() override { AddUserControl(uc, L"uc", 10, 10, 100, 50, nullptr); }
};

struct MouseMsg {
    UINT msg;
    WPARAM keys;
    int x, y;
};
struct MouseCase {
    const char* name;
    std::vector<MouseMsg> input;
    Log events;
};
class MouseEventTest : public ::testing::TestWithParam<MouseCase> {};

TEST_P(MouseEventTest, MessagesBecomeEventsWithButtonShiftAndPixels) {
    const MouseCase& c = GetParam();
    MouseForm form;
    form.Show(SW_SHOWNORMAL);
    form.log.clear();
    for (const MouseMsg& m : c.input)
        ::SendMessageW(form.uc.hWnd(), m.msg, m.keys,
                       MAKELPARAM(static_cast<WORD>(m.x), static_cast<WORD>(m.y)));
    Log events;
    for (const std::string& e : form.log)
        events.push_back(e.substr(3));
    EXPECT_EQ(events, c.events);
    EXPECT_NE(::GetCapture(), form.uc.hWnd()) << "the capture taken for a press ends with the release";
    form.Unload();
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, MouseEventTest,
    ::testing::Values(MouseCase{"left_click",
                                {{WM_LBUTTONDOWN, MK_LBUTTON, 5, 6}, {WM_LBUTTONUP, 0, 5, 6}},
                                {"MouseDown(1,0,5,6)", "MouseUp(1,0,5,6)", "Click"}},
                      MouseCase{"right_with_shift_ctrl",
                                {{WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT | MK_CONTROL, 1, 2},
                                 {WM_RBUTTONUP, MK_SHIFT | MK_CONTROL, 1, 2}},
                                {"MouseDown(2,3,1,2)", "MouseUp(2,3,1,2)"}},
                      MouseCase{"released_outside",
                                {{WM_LBUTTONDOWN, MK_LBUTTON, 5, 6}, {WM_LBUTTONUP, 0, -3, 200}},
                                {"MouseDown(1,0,5,6)", "MouseUp(1,0,-3,200)"}},
                      MouseCase{"double_click",
                                {{WM_LBUTTONDOWN, MK_LBUTTON, 5, 6},
                                 {WM_LBUTTONUP, 0, 5, 6},
                                 {WM_LBUTTONDBLCLK, MK_LBUTTON, 5, 6},
                                 {WM_LBUTTONUP, 0, 5, 6}},
                                {"MouseDown(1,0,5,6)", "MouseUp(1,0,5,6)", "Click", "DblClick",
                                 "MouseUp(1,0,5,6)"}},
                      MouseCase{"move_with_buttons_held",
                                {{WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON | MK_SHIFT, 7, 8}},
                                {"MouseMove(3,1,7,8)"}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
