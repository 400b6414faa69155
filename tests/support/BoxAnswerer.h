#pragma once
// Answers a real message box from a background thread: the test thread sits in the box's modal loop
// (or waits for another program) while this polls for the box of the process by title, reads its text
// and clicks a button.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>

namespace rt::test {

class BoxAnswerer {
  public:
    // Looks for a visible "#32770" window of process processId (0: this process) with this title for
    // up to timeout, then posts the button. With expectedText, a box whose text differs is still answered
    // (so the test goes on) but Wait() reports false. When no such box shows up in time, any box left
    // open by that process gets the button, so a test with a wrong title fails instead of hanging.
    BoxAnswerer(std::wstring title, int button, std::optional<std::wstring> expectedText = std::nullopt,
                std::chrono::milliseconds timeout = std::chrono::seconds(10), DWORD processId = 0);
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;
    ~BoxAnswerer();

    // Waits for the poller to finish; true when the box was found, its text was as expected and the
    // button was posted.
    bool Wait();
    // Valid after Wait().
    bool Found() const { return found_; }
    const std::wstring& Text() const { return text_; }
    // True when it gave up and dismissed some other box of this process.
    bool DismissedOther() const { return dismissedOther_; }

  private:
    void Run();

    std::wstring title_;
    int button_;
    std::optional<std::wstring> expected_;
    std::chrono::milliseconds timeout_;
    DWORD processId_;
    std::atomic<bool> stop_{false};
    bool found_ = false;
    bool matched_ = false;
    bool dismissedOther_ = false;
    std::wstring text_;
    std::thread thread_;
};

// The text of a message box, held by its static control with id 0xFFFF.
std::wstring MessageBoxText(HWND box);

// Answers the first box of process processId with this title (as BoxAnswerer does) and returns its
// text; nothing when none showed up within timeout.
std::optional<std::wstring> AnswerBox(DWORD processId, const std::wstring& title, int button,
                                      std::chrono::milliseconds timeout = std::chrono::seconds(20));

} // namespace rt::test
