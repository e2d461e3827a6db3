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

helper_process::helper_process(const std::wstring& name, const std::wstring& arguments)
{
    static std::atomic<int> serial{0};
    const std::wstring base = L"vantrel-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++serial);
    ready_.reset(::CreateEventW(nullptr, TRUE, FALSE, (base + L"-ready").c_str()));
    quit_.reset(::CreateEventW(nullptr, TRUE, FALSE, (base + L"-quit").c_str()));
    process_ = std::make_unique<program>(test_folder() + name, base + L"-ready " + base + L"-quit " + arguments);
    const HANDLE waits[] = {ready_.get(), process_->handle()};
    if (::WaitForMultipleObjects(2, waits, FALSE, 20000) != WAIT_OBJECT_0)
        throw std::runtime_error("a helper program did not get ready");
}

helper_process::~helper_process() = default;

DWORD helper_process::finish()
{
    ::SetEvent(quit_.get());
    DWORD code = 0xFFFFFFFF;
    process_->wait(20000, code);
    process_.reset();
    return code;
}

void helper_process::kill()
{
    process_.reset(); // a program still running is ended at once
}

} // namespace test
