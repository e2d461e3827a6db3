#include "state/journal_file.h"

#include <cstdio>

#include "state/journal.h"
#include "support/path.h"
#include "support/utf8.h"

namespace {

constexpr const wchar_t* journal_file_name = L"run.journal";

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string escape(const std::string& field)
{
    std::string result;
    for (const char c : field) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || c == '%' || byte == 0x7F) {
            char code[4] = {};
            std::snprintf(code, sizeof code, "%%%02X", byte);
            result += code;
        } else {
            result += c;
        }
    }
    return result;
}

bool unescape(const std::string& field, std::string& result)
{
    result.clear();
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto byte = static_cast<unsigned char>(field[i]);
        if (byte < 0x20 || byte == 0x7F)
            return false; // never written bare: damage
        if (field[i] != '%') {
            result += field[i];
            continue;
        }
        const int high = i + 1 < field.size() ? hex_digit(field[i + 1]) : -1;
        const int low = i + 2 < field.size() ? hex_digit(field[i + 2]) : -1;
        if (high < 0 || low < 0)
            return false;
        result += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

// The number of fields each record has.
int field_count(char tag)
{
    switch (tag) {
    case 'D': return 1;
    case 'E': return 4;
    case 'B': return 3;
    case 'P': return 1;
    case 'N': return 0;
    case 'V': return 3;
    case 'K': return 1;
    case 'L': return 2;
    case 'C': return 0;
    default: return -1;
    }
}

bool parse_line(const std::string& line, JournalRecord& record)
{
    if (line.empty() || field_count(line[0]) < 0)
        return false;
    record.tag = static_cast<journal_tag>(line[0]);
    record.fields.clear();
    std::size_t at = 1;
    while (at < line.size()) {
        if (line[at] != '\t')
            return false;
        const std::size_t end = line.find('\t', at + 1);
        const std::string raw = line.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
        std::string bytes;
        std::wstring field;
        if (!unescape(raw, bytes) || !tal::from_utf8(bytes, field))
            return false;
        record.fields.push_back(std::move(field));
        at = end == std::string::npos ? line.size() : end;
    }
    return static_cast<int>(record.fields.size()) == field_count(line[0]);
}

} // namespace

std::string journal_line(journal_tag tag, const std::vector<std::wstring>& fields)
{
    std::string line(1, static_cast<char>(tag));
    for (const std::wstring& field : fields)
        line += '\t' + escape(tal::to_utf8(field));
    return line + '\n';
}

std::vector<JournalRecord> parse_journal(const std::string& bytes)
{
    std::vector<JournalRecord> records;
    std::size_t start = 0;
    for (std::size_t end = bytes.find('\n'); end != std::string::npos; end = bytes.find('\n', start)) {
        JournalRecord record;
        if (parse_line(bytes.substr(start, end - start), record))
            records.push_back(std::move(record));
        start = end + 1;
    }
    return records;
}

std::wstring journal_file_path(const std::wstring& folder)
{
    return tal::append_path(folder, journal_file_name);
}

DWORD JournalFile::Create(const std::wstring& folder)
{
    path_ = journal_file_path(folder);
    file_.reset(::CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_)
        return ::GetLastError();
    good_ = true;
    return ERROR_SUCCESS;
}

void JournalFile::Remove() noexcept
{
    if (!file_)
        return;
    file_.reset();
    ::DeleteFileW(path_.c_str());
}

void JournalFile::Write(journal_tag tag, const std::vector<std::wstring>& fields, bool flush)
{
    if (!file_)
        return;
    // One call a record: a process that dies leaves whole lines only.
    const std::string line = journal_line(tag, fields);
    DWORD written = 0;
    if (!::WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr)
        || written != line.size())
        good_ = false;
    if (flush && !::FlushFileBuffers(file_.get()))
        good_ = false;
}

void JournalFile::Folder(const std::wstring& path)
{
    Write(journal_tag::folder, {path}, false);
}

void JournalFile::Entry(journal_kind kind, bool existed, DWORD attributes, const std::wstring& path)
{
    wchar_t number[16] = {};
    std::swprintf(number, 16, L"%08lX", static_cast<unsigned long>(attributes));
    Write(journal_tag::entry, {std::to_wstring(static_cast<int>(kind)), existed ? L"1" : L"0", number, path}, false);
}

void JournalFile::Backup(bool copy, const std::wstring& origin, const std::wstring& backup)
{
    Write(journal_tag::backup, {copy ? L"1" : L"0", origin, backup}, true);
}

void JournalFile::EntryPath(const std::wstring& path)
{
    Write(journal_tag::entry_path, {path}, false);
}

void JournalFile::KeyOpening()
{
    Write(journal_tag::key_opening, {}, true);
}

void JournalFile::KeyValue(const std::wstring& name, DWORD type, const std::string& data)
{
    std::wstring hex;
    for (const char c : data) {
        wchar_t digits[3] = {};
        std::swprintf(digits, 3, L"%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
        hex += digits;
    }
    Write(journal_tag::key_value, {name, std::to_wstring(type), hex}, false);
}

void JournalFile::Key(bool existed)
{
    Write(journal_tag::key, {existed ? L"1" : L"0"}, true);
}

void JournalFile::Log(const std::wstring& path, const std::wstring& backup)
{
    Write(journal_tag::log, {path, backup}, true);
}

void JournalFile::Commit()
{
    Write(journal_tag::commit, {}, true);
}
