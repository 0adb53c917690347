// tavik-cli's lines on a Windows console: written in UTF-16, they read back
// whole from the screen buffer whatever the console's code page (866 here,
// where UTF-8 bytes would show as "╨Т"), and the program leaves that code
// page as it found it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "cli/cli_console.h"

namespace tavik::cli {
namespace {

// A screen buffer of its own as standard output and error for one test.
class TScreenBuffer {
public:
    TScreenBuffer() {
        // A console of the test's own, whatever it was started with (Wine
        // hands a program run from a pipe a console it cannot draw).
        FreeConsole();
        Allocated_ = AllocConsole();
        Buffer_ = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            CONSOLE_TEXTMODE_BUFFER, nullptr);
        OldOut_ = GetStdHandle(STD_OUTPUT_HANDLE);
        OldErr_ = GetStdHandle(STD_ERROR_HANDLE);
        SetStdHandle(STD_OUTPUT_HANDLE, Buffer_);
        SetStdHandle(STD_ERROR_HANDLE, Buffer_);
    }
    ~TScreenBuffer() {
        SetStdHandle(STD_OUTPUT_HANDLE, OldOut_);
        SetStdHandle(STD_ERROR_HANDLE, OldErr_);
        CloseHandle(Buffer_);
    }
    bool Open() const { return Allocated_ && Buffer_ != INVALID_HANDLE_VALUE; }
    // The row's characters, trailing blanks cut.
    std::wstring Row(short row) const {
        std::wstring text(80, L' ');
        DWORD read = 0;
        ReadConsoleOutputCharacterW(Buffer_, text.data(), 80, COORD{0, row}, &read);
        text.resize(read);
        return text.substr(0, text.find_last_not_of(L' ') + 1);
    }

private:
    BOOL Allocated_ = FALSE;
    HANDLE Buffer_ = INVALID_HANDLE_VALUE;
    HANDLE OldOut_ = nullptr;
    HANDLE OldErr_ = nullptr;
};

TEST(WindowsConsoleOutput, RussianLinesReadBackWholeWhateverTheCodePage) {
    const TScreenBuffer screen;
    ASSERT_TRUE(screen.Open()) << GetLastError();
    SetConsoleOutputCP(866);
    TStdioConsole console;
    EXPECT_TRUE(console.Say("Логгер: V1 = 1,250 В; V2 = 0,000 В"));
    console.Complain("частотомер не подключён");
    EXPECT_EQ(screen.Row(0), L"Логгер: V1 = 1,250 В; V2 = 0,000 В");
    EXPECT_EQ(screen.Row(1), L"tavik-cli: частотомер не подключён");
    EXPECT_EQ(GetConsoleOutputCP(), 866u);
}

}  // namespace
}  // namespace tavik::cli
