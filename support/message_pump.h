#pragma once

namespace tal {

// Processes the messages waiting in the GUI thread's queue and returns when it is empty, so
// that windows stay alive during long work inside one handler. A WM_QUIT is put back for the
// framework's own loop, and pumping stops there.
void PumpMessages();

} // namespace tal
