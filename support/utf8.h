#pragma once
// UTF-8 for the files the installer writes itself (its journal, the /LOG file).
#include <string>

namespace tal {

std::string to_utf8(const std::wstring& text);
// False, with `result` empty, for bytes that are not UTF-8.
bool from_utf8(const std::string& text, std::wstring& result);

} // namespace tal
