// The installer started for real: another installer holding the lock, and a running product.
// These tests run alone: any other process of the family would count as a running product.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/exit_codes.h"
#include "helper_process.h"
#include "holders/handles.h"
#include "resources/resource_ids.h"
#include "support/registry.h"
#include "window_driver.h"

namespace {

std::wstring installer()
{
    return test::test_folder() + L"..\\..\\InstallVantrel7.05a.exe";
}

// The wizard frame: the dialog with the side panel.
HWND wait_for_wizard(const test::program& p)
{
    return test::wait_for_dialog(p.id(), IDC_SIDE_BACKGROUND, 20000);
}

// Leaves a wizard that asks before leaving.
void leave(HWND wizard, const test::program& p)
{
    test::press(wizard, IDCANCEL);
    const HWND confirm = test::wait_for_message_box(p.id(), 20000);
    ASSERT_TRUE(confirm);
    test::press(confirm, IDYES);
}

// The next installer goes straight to its wizard, with no box before it, and is left again.
void opens_its_wizard_without_a_box()
{
    test::program next(installer());
    const HWND wizard = wait_for_wizard(next);
    EXPECT_EQ(test::wait_for_message_box(next.id(), 0), nullptr);
    ASSERT_TRUE(wizard);
    leave(wizard, next);
    DWORD code = 1;
    ASSERT_TRUE(next.wait(20000, code));
}

// A registered process under the product's program name.
const wchar_t* const product_program = L"product\\Vantrel.exe";

TEST(Startup, ChecksPassThenTheWizardOpens)
{
    test::program first(installer());
    const HWND wizard = wait_for_wizard(first);
    ASSERT_TRUE(wizard);
    leave(wizard, first);
    DWORD code = 1;
    ASSERT_TRUE(first.wait(20000, code));
    EXPECT_EQ(code, static_cast<DWORD>(EXIT_WIZARD_CLOSED));
}

TEST(Startup, AKilledProductLeavesNoStaleCountBehind)
{
    // Another registered process keeps the counter alive, so that the killed product's unit
    // is never given back; it is not of the product family.
    test::helper_process keeper(L"registered_instance.exe", L"");
    {
        test::helper_process product(product_program, L"");
        product.kill();
    }
    opens_its_wizard_without_a_box();
}

// The stand-in product that the default installer carries, as the build packed it.
std::wstring stand_in_product()
{
    return test::test_folder() + L"..\\..\\sample\\files\\Vantrel.exe";
}

// Its main window, once the product has started and registered.
HWND wait_for_product_window(DWORD pid)
{
    for (int i = 0; i < 200; ++i) {
        for (HWND window = ::FindWindowW(L"Vantrel", nullptr); window;
             window = ::FindWindowExW(nullptr, window, L"Vantrel", nullptr)) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner == pid)
                return window;
        }
        ::Sleep(100);
    }
    return nullptr;
}

TEST(Startup, AKilledProductAndInstallerLeaveNoStaleCountBehindWhileARunningProductStillCounts)
{
    // A third process, not of the family, keeps the counter open: the units of the killed
    // processes are never given back.
    test::helper_process keeper(L"registered_instance.exe", L"");
    {
        test::program product(stand_in_product());
        ASSERT_TRUE(wait_for_product_window(product.id()));
        ASSERT_TRUE(::TerminateProcess(product.handle(), 1));
        DWORD code = 0;
        ASSERT_TRUE(product.wait(20000, code));
    }
    {
        test::program killed(installer());
        ASSERT_TRUE(wait_for_wizard(killed));
        ASSERT_TRUE(::TerminateProcess(killed.handle(), 1));
        DWORD code = 0;
        ASSERT_TRUE(killed.wait(20000, code));
    }
    ASSERT_NO_FATAL_FAILURE(opens_its_wizard_without_a_box());
    // Beside the stale units, a product that really runs is still to be closed first.
    test::program product(stand_in_product());
    ASSERT_TRUE(wait_for_product_window(product.id()));
    test::program next(installer());
    const HWND running = test::wait_for_message_box(next.id(), 20000);
    ASSERT_TRUE(running);
    EXPECT_EQ(test::message_box_text(running), L"You should close 'Vantrel' before continuing Installation.");
    test::press(running, IDCANCEL);
    DWORD code = 1;
    ASSERT_TRUE(next.wait(20000, code));
}

TEST(Startup, RunningProductThenSecondInstallerThenRetry)
{
    auto product = std::make_unique<test::helper_process>(product_program, L"");
    test::program first(installer());

    const HWND running = test::wait_for_message_box(first.id(), 20000);
    ASSERT_TRUE(running);
    EXPECT_EQ(test::message_box_text(running), L"You should close 'Vantrel' before continuing Installation.");
    EXPECT_EQ(test::window_text(running), L"Installer \u2013 Vantrel 7.05a");
    EXPECT_TRUE(::GetDlgItem(running, IDRETRY));
    EXPECT_TRUE(::GetDlgItem(running, IDCANCEL));

    // Retry with the product still running asks again.
    test::press(running, IDRETRY);
    ::Sleep(300);
    const HWND again = test::wait_for_message_box(first.id(), 20000);
    ASSERT_TRUE(again);
    EXPECT_EQ(test::message_box_text(again), L"You should close 'Vantrel' before continuing Installation.");

    // The first installer holds the lock meanwhile: a second one refuses to run. Its language
    // is not chosen yet, so its caption is the French title.
    {
        test::program second(installer());
        const HWND busy = test::wait_for_message_box(second.id(), 20000);
        ASSERT_TRUE(busy);
        EXPECT_EQ(test::message_box_text(busy), test::system_text(ERROR_BUSY));
        EXPECT_EQ(test::window_text(busy), L"Installeur \u2013 Vantrel 7.05a");
        test::press(busy, IDOK);
        DWORD code = 1;
        EXPECT_TRUE(second.wait(20000, code));
    }

    // The product ends: Retry goes on to the wizard.
    EXPECT_EQ(product->finish(), 0u);
    product.reset();
    test::press(again, IDRETRY);
    const HWND wizard = wait_for_wizard(first);
    ASSERT_TRUE(wizard);
    leave(wizard, first);
    DWORD code = 1;
    ASSERT_TRUE(first.wait(20000, code));
    EXPECT_EQ(code, static_cast<DWORD>(EXIT_WIZARD_CLOSED));
}

TEST(Startup, CancelWhileTheProductRunsEnds)
{
    test::helper_process product(product_program, L"");
    test::program installer_process(installer());
    const HWND running = test::wait_for_message_box(installer_process.id(), 20000);
    ASSERT_TRUE(running);
    test::press(running, IDCANCEL);
    DWORD code = 1;
    ASSERT_TRUE(installer_process.wait(20000, code));
    EXPECT_EQ(code, static_cast<DWORD>(EXIT_PRODUCT_RUNNING));
    EXPECT_EQ(test::wait_for_message_box(installer_process.id(), 0), nullptr);
}

} // namespace

namespace {

// The product's Uninstall key naming `program` as the installed program; removed at the end.
class registered_program {
public:
    explicit registered_program(const std::wstring& program)
    {
        const tal::unique_hkey key = tal::create_key(HKEY_LOCAL_MACHINE, key_name, KEY_ALL_ACCESS);
        const std::wstring icon = program + L",0";
        created_ = key && ::RegSetValueExW(key.get(), L"DisplayIcon", 0, REG_SZ,
                                           reinterpret_cast<const BYTE*>(icon.c_str()),
                                           static_cast<DWORD>((icon.size() + 1) * sizeof(wchar_t)))
                              == ERROR_SUCCESS;
    }
    ~registered_program() { ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_name); }
    registered_program(const registered_program&) = delete;
    registered_program& operator=(const registered_program&) = delete;

    bool created() const { return created_; }

private:
    static constexpr const wchar_t* key_name = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel 7";
    bool created_ = false;
};

TEST(Startup, InstalledProgramHeldByAnotherProcessShowsWhy)
{
    // The installed program is there with a good version record, but another program holds it
    // open without sharing: the box tells that, not a missing resource.
    const std::wstring folder = test::test_folder() + L"held-program";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring program = folder + L"\\Vantrel.exe";
    ASSERT_TRUE(::CopyFileW((test::test_folder() + L"program_7_5_1_1.dll").c_str(), program.c_str(), FALSE));
    const registered_program registered(program);
    ASSERT_TRUE(registered.created());
    {
        const test::helper_process holder(L"hold_file.exe", L"\"" + program + L"\" 60000");
        test::program installer_process(installer());
        const HWND box = test::wait_for_message_box(installer_process.id(), 20000);
        ASSERT_TRUE(box);
        EXPECT_EQ(test::message_box_text(box), program + L"\r\n\r\n" + test::system_text(ERROR_SHARING_VIOLATION));
        EXPECT_EQ(test::window_text(box), L"Installer \u2013 Vantrel 7.05a");
        test::press(box, IDOK);
        DWORD code = 1;
        EXPECT_TRUE(installer_process.wait(20000, code));
    }
    ::DeleteFileW(program.c_str());
    ::RemoveDirectoryW(folder.c_str());
}

TEST(Startup, InstalledVersionThatCannotBeReadStopsBeforeTheWizard)
{
    const registered_program registered(L"C:\\nowhere\\Vantrel.exe");
    ASSERT_TRUE(registered.created());

    test::program installer_process(installer());
    const HWND box = test::wait_for_message_box(installer_process.id(), 20000);
    ASSERT_TRUE(box);
    EXPECT_EQ(test::message_box_text(box), L"C:\\nowhere\\Vantrel.exe\r\n\r\n" + test::system_text(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(test::window_text(box), L"Installer \u2013 Vantrel 7.05a");
    test::press(box, IDOK);
    DWORD code = 1;
    EXPECT_TRUE(installer_process.wait(20000, code));
}

} // namespace
