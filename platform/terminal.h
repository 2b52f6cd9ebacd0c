// The terminal (a console on Windows) that standard error is drawn on.
#pragma once

namespace platform {

// The width of the terminal on standard error: its window size, else
// COLUMNS, else 80.
int terminalColumns();
// Its window's width alone; 0 when standard error is no terminal.
int windowColumns();

// While it lives: notes changes of the terminal's size (POSIX: SIGWINCH;
// Windows: the console's width, looked at every few calls), and the
// terminal takes the bar's control sequences (Windows: the console's
// virtual-terminal mode, given back at the end).
class TerminalResizeWatch {
public:
    TerminalResizeWatch();
    ~TerminalResizeWatch();
    TerminalResizeWatch(const TerminalResizeWatch&) = delete;
    TerminalResizeWatch& operator=(const TerminalResizeWatch&) = delete;

    // Whether the terminal was resized since the last call.
    bool takeResize();

private:
    alignas(16) unsigned char previous_[160] = {};
    [[maybe_unused]] int lastColumns_ = 0;
    [[maybe_unused]] unsigned calls_ = 0;
};

}  // namespace platform
