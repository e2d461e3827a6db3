#pragma once
// Starts one of the tests' helper programs (beside the test executable) and waits until it
// says it is ready. The helper gets the names of two events as its first arguments: it sets
// the first when ready and ends when the second is set.
#include <windows.h>

#include <memory>
#include <string>

#include "holders/handles.h"
#include "window_driver.h"

namespace test {

class helper_process {
public:
    helper_process(const std::wstring& name, const std::wstring& arguments);
    ~helper_process();
    helper_process(const helper_process&) = delete;
    helper_process& operator=(const helper_process&) = delete;

    // Lets the helper end by itself and waits for it; returns its exit code.
    DWORD finish();
    // Ends the helper at once, as a crash would.
    void kill();

private:
    tal::unique_handle ready_;
    tal::unique_handle quit_;
    std::unique_ptr<program> process_;
};

// The folder of the running test executable, with a trailing backslash.
std::wstring test_folder();

} // namespace test
