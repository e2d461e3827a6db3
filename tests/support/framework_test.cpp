// The framework's entry point drives the application object exactly once.
#include <windows.h>

#include <gtest/gtest.h>

#include "helper_process.h"
#include "holders/handles.h"

namespace {

DWORD run_probe(const std::wstring& arguments)
{
    const std::wstring exe = test::test_folder() + L"app_probe.exe";
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return 0xFFFFFFFF;
    const tal::unique_handle process(info.hProcess), thread(info.hThread);
    ::WaitForSingleObject(process.get(), 20000);
    DWORD code = 0;
    ::GetExitCodeProcess(process.get(), &code);
    return code;
}

TEST(Framework, InitInstanceOnceThenTheEnd)
{
    EXPECT_EQ(run_probe(L""), 41u);
}

TEST(Framework, MessageLoopEndsWithTheQuitCode)
{
    EXPECT_EQ(run_probe(L"quit 17"), 17u);
}

} // namespace
