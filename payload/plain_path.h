#pragma once
// Below a folder that other users may write (the shared data folder, the user's profile, a
// custom installation folder), a folder or file of ours might have been replaced by a link
// that sends our writes, and the access we grant, somewhere else. Nothing below such a root
// is followed: every element is looked at without following it. The root itself is followed,
// since systems redirect those on purpose.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace payload {

// What one path element is, looked at without following it.
struct element_state {
    bool exists = false;
    bool directory = false;
    bool reparse_point = false; // a junction, a symbolic link or any other reparse point
    std::uint32_t links = 1;    // names of the file (hard links)
};

enum class link_fault {
    none,
    linked_folder,    // a folder element is a reparse point
    linked_file,      // the target itself is a reparse point
    hard_linked_file, // the target has another name elsewhere
};

// The paths of the elements of `target` below `root`, from the first folder under the root
// down to the target itself. Empty when `target` does not lie below `root`.
std::vector<std::wstring> elements_below(const std::wstring& root, const std::wstring& target);

// The verdict on the states of those elements, target last. A missing element is fine
// (the run creates it); a folder that is a link, or a target that is a link or has a second
// name, is not. `at`, when given, receives the index of the element at fault.
link_fault judge_elements(const std::vector<element_state>& states, std::size_t* at = nullptr);

// Looks at every element of `target` below `root` and raises a file_error naming the
// element when one of them is at fault. An empty root checks nothing.
void check_plain_below(const std::wstring& root, const std::wstring& target);

} // namespace payload
