#include "helper_process.h"

#include <atomic>
#include <stdexcept>

namespace test {

std::wstring test_folder()
{
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder = self;
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

helper_process::helper_process(const std::wstring& program, const std::wstring& arguments)
{
    static std::atomic<int> serial{0};
    const std::wstring base = L"vantrel-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++serial);
    ready_.reset(::CreateEventW(nullptr, TRUE, FALSE, (base + L"-ready").c_str()));
    quit_.reset(::CreateEventW(nullptr, TRUE, FALSE, (base + L"-quit").c_str()));
    const std::wstring exe = test_folder() + program;
    std::wstring command = L"\"" + exe + L"\" " + base + L"-ready " + base + L"-quit " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        throw std::runtime_error("cannot start a helper program");
    process_.reset(info.hProcess);
    const tal::unique_handle thread(info.hThread);
    const HANDLE waits[] = {ready_.get(), process_.get()};
    if (::WaitForMultipleObjects(2, waits, FALSE, 20000) != WAIT_OBJECT_0)
        throw std::runtime_error("a helper program did not get ready");
}

helper_process::~helper_process()
{
    if (process_)
        kill();
}

DWORD helper_process::finish()
{
    ::SetEvent(quit_.get());
    ::WaitForSingleObject(process_.get(), 20000);
    DWORD code = 0;
    ::GetExitCodeProcess(process_.get(), &code);
    process_.reset();
    return code;
}

void helper_process::kill()
{
    ::TerminateProcess(process_.get(), 99);
    ::WaitForSingleObject(process_.get(), 20000);
    process_.reset();
}

} // namespace test
