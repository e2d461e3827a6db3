#pragma once
// Reads a shell link back through the shell: its target and working folder.
#include <string>
#include <utility>

namespace test {

std::pair<std::wstring, std::wstring> read_link(const std::wstring& link);

} // namespace test
