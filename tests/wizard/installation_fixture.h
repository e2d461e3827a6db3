#pragma once
// What the end-to-end installations share: the product's Uninstall key, the folders an
// installation writes, and a fixture that takes everything away again after each test.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "state_fixture.h"
#include "wizard_driver.h"

namespace test {

extern const std::wstring product_key;

std::wstring shell_folder(int csidl);
// A text or number value of the product's key; "<none>" and 0xFFFFFFFF when it is missing.
std::wstring registry_text(const wchar_t* name);
DWORD registry_number(const wchar_t* name);
// Every value of the product's key: name -> type and bytes; empty when there is no key.
std::map<std::wstring, std::pair<DWORD, std::string>> product_key_values();

// Waits up to 20 s until none of `paths` exists, looking without opening them (an open folder
// could not be removed): the uninstaller's private copy goes on after the uninstaller has ended.
void wait_until_gone(const std::vector<std::wstring>& paths);

// A previous installation of the product with a program of the given version (a module
// beside the tests), for as long as this lives.
class installed_product {
public:
    explicit installed_product(const wchar_t* module);
    ~installed_product();
    installed_product(const installed_product&) = delete;
    installed_product& operator=(const installed_product&) = delete;

private:
    scratch_folder folder_;
};

// Waits until a run started on the installation page has ended (Exit enabled again).
bool wait_run_end(const wizard& w);
// Installs through the wizard in quick mode; returns the page's log when the run has ended.
std::wstring install_quickly(wizard& w);

// Everything an installation leaves, removed again so that the next test starts clean.
class Installation : public ::testing::Test {
protected:
    void TearDown() override;

    std::wstring install_folder = shell_folder(CSIDL_PROGRAM_FILES) + L"\\Marrowin\\Vantrel 7";
};

} // namespace test
