#include "ui/Services.h"

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

// What a status bar was sent: SB_SETTEXTA's part-and-style word and text.
struct SetTextCall {
    WPARAM partAndStyle;
    Text text;
};

std::vector<SetTextCall> g_setTextCalls; // filled by the status bars' subclass procedure

constexpr UINT_PTR kRecordSubclass = 1;
constexpr DWORD_PTR kHasNoParts = 1; // reference data of a bar that answers for an empty part list

LRESULT CALLBACK RecordSetText(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR data) {
    if (message == SB_SETTEXTA)
        g_setTextCalls.push_back({wParam, reinterpret_cast<const char*>(lParam)});
    // Wine's status bar keeps at least one part, so an empty part list is answered here.
    if (message == SB_GETPARTS && data == kHasNoParts)
        return 0;
    return DefSubclassProc(window, message, wParam, lParam);
}

// A hidden top-level window with a single-line and a multi-line edit box and two status bars,
// one with a single part and one without parts; the edit boxes and the first bar are bound to
// the controls the services address.
class Services : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES};
        InitCommonControlsEx(&classes);
    }

    void SetUp() override {
        window_ = CreateWindowExA(0, "STATIC", "services", WS_OVERLAPPEDWINDOW, 0, 0, 495, 288,
                                  nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
        nameBox_ = Child("EDIT", ES_AUTOHSCROLL);
        resultsBox_ = Child("EDIT", ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL);
        bar_ = Child(STATUSCLASSNAMEA, 0);
        barWithoutParts_ = Child(STATUSCLASSNAMEA, 0);
        ASSERT_TRUE(nameBox_ && resultsBox_ && bar_ && barWithoutParts_);

        int rightEdge = 376;
        SendMessageA(bar_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&rightEdge));
        SendMessageA(barWithoutParts_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>("before"));
        SetWindowSubclass(bar_, RecordSetText, kRecordSubclass, 0);
        SetWindowSubclass(barWithoutParts_, RecordSetText, kRecordSubclass, kHasNoParts);
        g_setTextCalls.clear();

        BindControl(Control::编辑框1, nameBox_);
        BindControl(Control::编辑框2, resultsBox_);
        BindControl(Control::状态条1, bar_);
    }

    void TearDown() override {
        for (Control control : {Control::编辑框1, Control::编辑框2, Control::状态条1})
            BindControl(control, nullptr);
        if (bar_)
            RemoveWindowSubclass(bar_, RecordSetText, kRecordSubclass);
        if (barWithoutParts_)
            RemoveWindowSubclass(barWithoutParts_, RecordSetText, kRecordSubclass);
        DestroyWindow(window_);
    }

    HWND Child(const char* className, DWORD style) {
        return CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 300, 60,
                               window_, nullptr, nullptr, nullptr);
    }

    static Text PartText(HWND bar) {
        char text[256] = {};
        SendMessageA(bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
        return text;
    }

    static WORD PartStyle(HWND bar) { return HIWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, 0, 0)); }

    static Text RawText(HWND window) {
        char text[1024] = {};
        GetWindowTextA(window, text, sizeof text);
        return text;
    }

    HWND window_ = nullptr;
    HWND nameBox_ = nullptr;
    HWND resultsBox_ = nullptr;
    HWND bar_ = nullptr;
    HWND barWithoutParts_ = nullptr;
};

TEST_F(Services, AppendEditTextAddsAtTheEndWhateverTheSelection) {
    SetWindowTextA(resultsBox_, "D:\\誠\\a.txt");
    SendMessageA(resultsBox_, EM_SETSEL, 2, 5);
    AppendEditText(Control::编辑框2, "E:\\b.txt");
    EXPECT_EQ(RawText(resultsBox_), "D:\\誠\\a.txtE:\\b.txt");

    DWORD start = 0;
    DWORD end = 0;
    SendMessageA(resultsBox_, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    const auto length = static_cast<DWORD>(GetWindowTextLengthW(resultsBox_));
    EXPECT_EQ(start, length) << "the caret ends after the inserted text, nothing selected";
    EXPECT_EQ(end, length);
}

TEST_F(Services, AppendEditTextRunsSeveralTextsTogether) {
    SetWindowTextA(resultsBox_, "one\r\n");
    SendMessageA(resultsBox_, EM_SETSEL, 0, -1);
    AppendEditText(Control::编辑框2, "two", Text("三"), "");
    AppendEditText(Control::编辑框2, "four");
    EXPECT_EQ(RawText(resultsBox_), "one\r\ntwo三four");
}

TEST_F(Services, AppendEditTextToAnEmptyBox) {
    AppendEditText(Control::编辑框2, "E:\\p\\q\\hit.txt");
    EXPECT_EQ(RawText(resultsBox_), "E:\\p\\q\\hit.txt");
}

TEST_F(Services, GetControlTextKeepsSpacesAndLineBreaks) {
    const Text multiLine = "  first line \r\n\r\n  誠 last  ";
    SetWindowTextA(resultsBox_, multiLine.c_str());
    EXPECT_EQ(GetControlText(Control::编辑框2), multiLine);

    SetWindowTextA(nameBox_, "  name.txt  ");
    EXPECT_EQ(GetControlText(Control::编辑框1), "  name.txt  ");
}

TEST_F(Services, GetControlTextOfAnEmptyBoxIsEmpty) {
    EXPECT_EQ(GetControlText(Control::编辑框1), "");
    EXPECT_EQ(GetControlText(Control::编辑框2), "");
}

TEST_F(Services, SetControlTextReplacesTheWholeText) {
    SetWindowTextA(resultsBox_, "old text");
    SendMessageA(resultsBox_, EM_SETSEL, 1, 3);
    SetControlText(Control::编辑框2, "new");
    EXPECT_EQ(RawText(resultsBox_), "new");
    SetControlText(Control::编辑框2, "");
    EXPECT_EQ(GetWindowTextLengthA(resultsBox_), 0);
}

TEST_F(Services, StatusTextReplacesThePartTextKeepingItsStyle) {
    for (const WORD style : {WORD{0}, WORD{SBT_NOBORDERS}, WORD{SBT_POPOUT}}) {
        SendMessageA(bar_, SB_SETTEXTA, style, reinterpret_cast<LPARAM>("old text"));
        ASSERT_EQ(PartStyle(bar_), style);
        g_setTextCalls.clear();

        SetStatusBarText(bar_, "D:\\a");
        EXPECT_EQ(PartText(bar_), "D:\\a") << "style " << style;
        EXPECT_EQ(PartStyle(bar_), style);
        ASSERT_EQ(g_setTextCalls.size(), 1u);
        EXPECT_EQ(g_setTextCalls[0].partAndStyle, WPARAM{style}) << "part 0 with its style";
    }
}

TEST_F(Services, SetStatusTextAddressesTheBoundBar) {
    SetStatusText("文件已找到！");
    EXPECT_EQ(PartText(bar_), "文件已找到！");
    SetStatusText("");
    EXPECT_EQ(PartText(bar_), "");
}

TEST_F(Services, StatusBarWithoutPartsIsLeftAlone) {
    ASSERT_EQ(SendMessageA(barWithoutParts_, SB_GETPARTS, 0, 0), 0);
    SetStatusBarText(barWithoutParts_, "D:\\a");
    EXPECT_TRUE(g_setTextCalls.empty()) << "no text was sent to a bar without parts";
    EXPECT_EQ(PartText(barWithoutParts_), "before");
}

class WaitCursor : public ::testing::Test {
  protected:
    void TearDown() override { EndWaitCursor(); }

    const HCURSOR cross_ = LoadCursorA(nullptr, IDC_CROSS);
    const HCURSOR wait_ = LoadCursorA(nullptr, IDC_WAIT);
};

TEST_F(WaitCursor, ShowsTheHourglassAndBringsBackTheCursorBefore) {
    SetCursor(cross_);
    BeginWaitCursor();
    EXPECT_EQ(GetCursor(), wait_);
    EndWaitCursor();
    EXPECT_EQ(GetCursor(), cross_);
}

TEST_F(WaitCursor, SecondBeginKeepsTheCursorSavedByTheFirst) {
    SetCursor(cross_);
    BeginWaitCursor();
    BeginWaitCursor();
    EXPECT_EQ(GetCursor(), wait_);
    EndWaitCursor();
    EXPECT_EQ(GetCursor(), cross_);
}

TEST_F(WaitCursor, EndWithoutBeginLeavesCursorAndPointer) {
    SetCursor(cross_);
    POINT before{};
    ASSERT_TRUE(GetCursorPos(&before));
    EndWaitCursor();
    POINT after{};
    ASSERT_TRUE(GetCursorPos(&after));
    EXPECT_EQ(GetCursor(), cross_);
    EXPECT_EQ(after.x, before.x);
    EXPECT_EQ(after.y, before.y);
}

} // namespace
