#include "payload/plain_path.h"


#include "payload/platform.h"

namespace payload {
namespace {

bool is_separator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

} // namespace

std::vector<std::wstring> elements_below(const std::wstring& root, const std::wstring& target)
{
    std::wstring base = root;
    while (!base.empty() && is_separator(base.back()))
        base.pop_back();
    std::vector<std::wstring> elements;
    if (base.empty() || target.size() <= base.size() || target.compare(0, base.size(), base) != 0
        || !is_separator(target[base.size()]))
        return elements;
    for (std::size_t at = base.size(); at < target.size();) {
        std::size_t next = at;
        while (next < target.size() && is_separator(target[next]))
            ++next;
        if (next == target.size())
            break;
        const std::size_t end = target.find_first_of(L"\\/", next);
        at = end == std::wstring::npos ? target.size() : end;
        elements.push_back(target.substr(0, at));
    }
    return elements;
}

link_fault judge_elements(const std::vector<element_state>& states, std::size_t* at)
{
    for (std::size_t i = 0; i < states.size(); ++i) {
        const element_state& state = states[i];
        if (!state.exists)
            continue;
        const bool target = i + 1 == states.size();
        link_fault fault = link_fault::none;
        if (state.reparse_point)
            fault = target ? link_fault::linked_file : link_fault::linked_folder;
        else if (target && !state.directory && state.links > 1)
            fault = link_fault::hard_linked_file;
        if (fault != link_fault::none) {
            if (at)
                *at = i;
            return fault;
        }
    }
    return link_fault::none;
}

void check_plain_below(const std::wstring& root, const std::wstring& target)
{
    const std::vector<std::wstring> elements = elements_below(root, target);
    std::vector<element_state> states;
    for (const std::wstring& element : elements) {
        states.push_back(platform::inspect_element(element));
        if (!states.back().exists)
            break; // nothing can lie below a missing folder
    }
    std::size_t at = 0;
    const link_fault fault = judge_elements(states, &at);
    if (fault != link_fault::none)
        throw file_error("link below the destination's root", elements[at], platform::link_fault_code(fault));
}

} // namespace payload
