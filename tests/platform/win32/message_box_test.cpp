#include "platform/win32/message_box.h"

#include <gtest/gtest.h>

namespace {

HWND FakeWindow(std::uintptr_t value) {
    return reinterpret_cast<HWND>(value);
}

class MessageBoxTest : public testing::Test {
protected:
    ~MessageBoxTest() override {
        SetMessageBoxHook({});
        SetActiveWindow(nullptr);
    }
};

TEST_F(MessageBoxTest, HookSeesTheBoxAndAnswers) {
    HWND seenOwner = nullptr;
    std::string seenText;
    std::string seenCaption;
    UINT seenType = 0;
    SetMessageBoxHook(
        [&](HWND owner, const std::string& text, const std::string& caption, UINT type) {
            seenOwner = owner;
            seenText = text;
            seenCaption = caption;
            seenType = type;
            return IDCANCEL;
        });
    EXPECT_EQ(MessageBoxA(FakeWindow(0x42), "Disk full", "Quillane", MB_OKCANCEL | MB_ICONERROR),
              IDCANCEL);
    EXPECT_EQ(seenOwner, FakeWindow(0x42));
    EXPECT_EQ(seenText, "Disk full");
    EXPECT_EQ(seenCaption, "Quillane");
    EXPECT_EQ(seenType, MB_OKCANCEL | MB_ICONERROR);
}

TEST_F(MessageBoxTest, WithoutHookPrintsAndTakesTheDefaultButton) {
    struct Case {
        UINT type;
        int answer;
    } cases[] = {
        {MB_OK | MB_ICONWARNING, IDOK},
        {MB_OKCANCEL, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_YESNO | MB_ICONQUESTION, IDYES},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
        {MB_RETRYCANCEL, IDRETRY},
        {MB_OK | MB_DEFBUTTON3, IDOK},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(MessageBoxA(nullptr, "Some text", "Title", c.type), c.answer) << c.type;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "Title: Some text\n");
    }
    testing::internal::CaptureStderr();
    MessageBoxA(nullptr, nullptr, nullptr, MB_OK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), ": \n");
}

TEST_F(MessageBoxTest, ActiveWindowIsNullUntilSet) {
    EXPECT_EQ(GetActiveWindow(), nullptr);
    EXPECT_EQ(SetActiveWindow(FakeWindow(7)), nullptr);
    EXPECT_EQ(SetActiveWindow(FakeWindow(9)), FakeWindow(7));
    EXPECT_EQ(GetActiveWindow(), FakeWindow(9));
}

} // namespace
