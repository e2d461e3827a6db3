// The installation benchmark's Windows side. Each mode prints "name milliseconds" lines.
//   install_bench steps PAYLOAD          one installation run over PAYLOAD, step by step
//   install_bench wizard INSTALLER [PACE] a quick installation: from pressing Install to the run's end;
//                                        PACE ms spent reading each page before going on (default 0)
//   install_bench process PROGRAM [ARGS] a program's whole run, from its start to its exit; ended
//                                        after a minute (an installer that ignores /S shows its wizard)
//   install_bench engine PAYLOAD ROUNDS  the archive test, an extraction with no callback and one
//                                        through the run's callback, interleaved, in one process
//   install_bench reset                  takes away what an installation left
//   install_bench put INSTALLER PAYLOAD OUT   INSTALLER with PAYLOAD as its payload resource
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/localized_strings.h"
#include "app/message_keys.h"
#include "app/product.h"
#include "holders/handles.h"
#include "install/extraction_callback.h"
#include "install/installation_run.h"
#include "install/payload_check.h"
#include "installation_fixture.h"
#include "payload/extract.h"
#include "resources/resource_ids.h"
#include "state/journal.h"
#include "support/language.h"
#include "support/named_mutex.h"

namespace {

using clock_type = std::chrono::steady_clock;

double ms_since(clock_type::time_point start)
{
    return std::chrono::duration<double, std::milli>(clock_type::now() - start).count();
}

std::string read_all(const std::wstring& path)
{
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Marks where each step begins by the texts the run shows; a step ends where the next begins.
class timing_report : public InstallationReport {
public:
    timing_report() : start_(clock_type::now()) { mark("setup"); }

    void SetStatus(const std::wstring& text) override
    {
        if (text == LoadLocalizedString(MSG_CLICK_TO_CONTINUE))
            mark("cleanup");
    }
    void SetStatusPath(const std::wstring&) override
    {
        if (steps_.back().name == std::string("archive_test"))
            mark("extraction");
    }
    void AppendLog(const std::wstring& text, bool) override
    {
        static const struct {
            unsigned key;
            const char* name;
        } starts[] = {{MSG_PREPARING, "archive_test"},          {MSG_CREATING_SHORTCUTS, "shortcuts"},
                      {MSG_DIRECTX_UPDATE, "directx"},          {MSG_WRITING_REGISTRY, "key_and_registration"},
                      {MSG_WRITING_INSTALLATION_DATA, "log"}};
        for (const auto& s : starts) {
            if (text == LoadLocalizedString(s.key))
                mark(s.name);
        }
        log_ += text;
    }
    void StartProgress() override {}
    void SetProgress(int) override {}

    void finish()
    {
        mark("end");
        for (std::size_t i = 0; i + 1 < steps_.size(); ++i)
            std::printf("%s %.1f\n", steps_[i].name, steps_[i + 1].at - steps_[i].at);
        std::printf("run %.1f\n", steps_.back().at);
    }
    const std::wstring& log() const { return log_; }

private:
    struct step {
        const char* name;
        double at;
    };
    void mark(const char* name) { steps_.push_back({name, ms_since(start_)}); }

    clock_type::time_point start_;
    std::vector<step> steps_;
    std::wstring log_;
};

// What an installation leaves, taken away: the end-to-end tests' own clean-up.
struct cleaner : test::Installation {
    void TestBody() override {}
    void clean() { TearDown(); }
};

int run_steps(const std::wstring& payload_path)
{
    cleaner().clean();
    tal::set_language(1); // English
    const std::string bytes = read_all(payload_path);
    tal::named_mutex lock{L"Vantrel-install-bench", false, false};
    if (!lock.try_acquire())
        return 3;
    InstallationSettings settings;
    settings.installFolder = test::shell_folder(CSIDL_PROGRAM_FILES) + L"\\Marrowin\\Vantrel 7";
    settings.startMenuFolder = test::shell_folder(CSIDL_COMMON_PROGRAMS) + L"\\Marrowin\\Vantrel 7";
    settings.menuShortcut = settings.desktopShortcut = true;
    settings.nameTemporaryFolder = [](std::wstring& folder, std::wstring&) {
        wchar_t temp[MAX_PATH + 1] = {};
        ::GetTempPathW(MAX_PATH + 1, temp);
        folder = std::wstring(temp) + L"marrowin_{bench}";
        return true;
    };
    InstallJournal journal{GetProductName(false), GetProductKeyName()};
    timing_report report;
    // Tested in line, as a run without a window does: the step's cost stays in the figures.
    PayloadCheck payload(bytes.data(), bytes.size());
    InstallationRun run(std::move(settings), journal, lock, report);
    const bool installed = run.Run(payload);
    report.finish();
    lock.release();
    cleaner().clean();
    if (!installed)
        std::fprintf(stderr, "%ls\n", report.log().c_str());
    return installed ? 0 : 1;
}

// A report that shows nothing: what the callback costs beyond the engine is its own.
struct silent_report : InstallationReport {
    void SetStatus(const std::wstring&) override {}
    void SetStatusPath(const std::wstring&) override {}
    void AppendLog(const std::wstring&, bool) override {}
    void StartProgress() override {}
    void SetProgress(int) override {}
};

// Where the extraction spends its time beyond decoding: the same payload tested, extracted
// with nobody listening, and extracted through the installation page's callback.
int run_engine(const std::wstring& payload_path, int rounds)
{
    tal::set_language(1);
    const std::string bytes = read_all(payload_path);
    const std::wstring install = test::shell_folder(CSIDL_PROGRAM_FILES) + L"\\Marrowin\\Vantrel 7";
    const std::wstring temporary = test::shell_folder(CSIDL_PROGRAM_FILES) + L"\\Marrowin\\Temporary";
    std::vector<double> tested, bare, called;
    for (int r = 0; r < rounds; ++r) {
        cleaner().clean();
        tal::imemstream source(bytes.data(), bytes.size());
        auto start = clock_type::now();
        if (!payload::test_archive(source))
            return 1;
        tested.push_back(ms_since(start));

        cleaner().clean();
        tal::imemstream again(bytes.data(), bytes.size());
        start = clock_type::now();
        if (!payload::extract_archive(again, {install, L"Vantrel Examples", temporary}, nullptr))
            return 1;
        bare.push_back(ms_since(start));

        cleaner().clean();
        InstallJournal journal{GetProductName(false), GetProductKeyName()};
        InstallationSettings settings;
        settings.installFolder = install;
        RunState state(settings, journal);
        state.temporary.folder = temporary;
        silent_report report;
        // Found sound already: the test is timed above, not again here.
        PayloadCheck payload(bytes.data(), bytes.size(), [](payload::byte_source&) { return true; });
        ExtractionCallback callback(report, state, payload);
        tal::imemstream third = payload.Open();
        start = clock_type::now();
        if (!payload::extract_archive(third, {install, L"Vantrel Examples", temporary}, std::ref(callback)))
            return 1;
        called.push_back(ms_since(start));
    }
    cleaner().clean();
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("engine_test %.1f\nengine_extract_bare %.1f\nengine_extract_callback %.1f\n", median(tested),
                median(bare), median(called));
    return 0;
}

int run_wizard(const std::wstring& installer, DWORD pace_ms)
{
    cleaner().clean();
    int code = 1;
    {
        test::wizard w(installer);
        ::Sleep(pace_ms);
        w.next();
        if (!w.wait_page(PAGE_MODE))
            return 3;
        ::Sleep(pace_ms);
        w.next();
        if (!w.wait_page(PAGE_INSTALL))
            return 3;
        ::Sleep(pace_ms);
        const HWND exit_button = ::GetDlgItem(w.frame(), IDCANCEL);
        const auto start = clock_type::now();
        ::PostMessageW(::GetDlgItem(w.frame(), IDOK), BM_CLICK, 0, 0);
        // Exit is disabled while the run works and enabled again at its end.
        while (::IsWindowEnabled(exit_button) && ms_since(start) < 10000)
            ::Sleep(1);
        while (!::IsWindowEnabled(exit_button) && ms_since(start) < 120000)
            ::Sleep(1);
        const double ms = ms_since(start);
        const std::wstring status = test::item_text(w.page(), IDC_STATUS);
        std::printf("wizard_run %.1f\n", ms);
        std::fprintf(stderr, "status: %ls\n", status.c_str());
        if (!test::item_enabled(w.frame(), IDC_BACK)) {
            code = 0;
            w.next();
            w.wait_page(PAGE_END);
        }
        w.leave();
    }
    cleaner().clean();
    return code;
}

// A whole process, ARGS as they are on its command line (/D= takes the rest of the line).
int run_process(const std::wstring& program, const std::wstring& args)
{
    constexpr DWORD time_limit_ms = 60000;
    std::wstring command = L"\"" + program + L"\"";
    if (!args.empty())
        command += L" " + args;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const auto start = clock_type::now();
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return 3;
    const tal::unique_handle process(info.hProcess), thread(info.hThread);
    if (::WaitForSingleObject(process.get(), time_limit_ms) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), 5);
        ::WaitForSingleObject(process.get(), INFINITE);
        std::fprintf(stderr, "no exit within %lu ms\n", static_cast<unsigned long>(time_limit_ms));
        return 5;
    }
    std::printf("process %.1f\n", ms_since(start));
    DWORD code = 1;
    ::GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}

// The payload resource's language in the installer, which the replacement must keep.
BOOL CALLBACK first_language(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found)
{
    *reinterpret_cast<WORD*>(found) = language;
    return FALSE;
}

int put_payload(const std::wstring& installer, const std::wstring& payload_path, const std::wstring& out)
{
    WORD language = 0;
    {
        const tal::unique_hmodule module(::LoadLibraryExW(installer.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (!module)
            return 3;
        ::EnumResourceLanguagesW(module.get(), MAKEINTRESOURCEW(RT_PAYLOAD), MAKEINTRESOURCEW(IDR_PAYLOAD),
                                 first_language, reinterpret_cast<LONG_PTR>(&language));
    }
    if (!::CopyFileW(installer.c_str(), out.c_str(), FALSE))
        return 3;
    std::string bytes = read_all(payload_path);
    const HANDLE update = ::BeginUpdateResourceW(out.c_str(), FALSE);
    if (!update)
        return 3;
    if (!::UpdateResourceW(update, MAKEINTRESOURCEW(RT_PAYLOAD), MAKEINTRESOURCEW(IDR_PAYLOAD), language, bytes.data(),
                           static_cast<DWORD>(bytes.size()))) {
        ::EndUpdateResourceW(update, TRUE);
        return 3;
    }
    return ::EndUpdateResourceW(update, FALSE) ? 0 : 3;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    try {
        if (mode == L"steps" && argc == 3)
            return run_steps(argv[2]);
        if (mode == L"wizard" && (argc == 3 || argc == 4))
            return run_wizard(argv[2], argc == 4 ? static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)) : 0);
        if (mode == L"process" && argc >= 3) {
            std::wstring args;
            for (int i = 3; i < argc; ++i)
                args += (i > 3 ? L" " : L"") + std::wstring(argv[i]);
            return run_process(argv[2], args);
        }
        if (mode == L"engine" && argc == 4)
            return run_engine(argv[2], std::stoi(argv[3]));
        if (mode == L"reset" && argc == 2) {
            cleaner().clean();
            return 0;
        }
        if (mode == L"put" && argc == 5)
            return put_payload(argv[2], argv[3], argv[4]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 4;
    }
    return 2;
}
