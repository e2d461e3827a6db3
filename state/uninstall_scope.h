#pragma once
// Which paths the product's uninstaller may act on, whatever its log names: only plain full
// paths below the folders the product installs into. Text only, so that it is the same on
// every system; the caller looks at the file system for links along `checked`.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace state {

// A folder the product installs into, or a single file of its own (the desktop link).
struct scope_root {
    std::wstring folder;
    // The system folder `folder` lies in (or `folder` itself). It is taken as the system has
    // it; every element below it is one that a user may have replaced by a link.
    std::wstring anchor;
    // Folders strictly between this one and `folder` may be named too: the product created
    // them and removes them when they are empty. Empty: none.
    std::wstring ancestors_below;
    bool single_file = false;
};

enum class scope_verdict {
    inside,    // `folder` itself or below it (for a single file: that file)
    ancestor,  // a folder between `ancestors_below` and `folder`
    outside,   // a plain path that belongs to no root
    not_plain, // relative, "." or "..", a stream, a device, "\\?\", trailing dots or blanks...
};

struct scope_decision {
    scope_verdict verdict = scope_verdict::not_plain;
    std::size_t root = 0; // the root matched, for inside and ancestor
    // Each element below the root's anchor down to the path itself, as full paths, top-down:
    // none of them may be a link when the uninstaller acts.
    std::vector<std::wstring> checked;
};

// Two path elements name the same file: same length, equal without regard to case.
using same_name_test = std::function<bool(std::wstring_view, std::wstring_view)>;

// Case folded for ASCII letters only: other letters must match exactly, so a difference the
// file system would ignore makes the path "outside", never the reverse.
bool same_name_ascii(std::wstring_view a, std::wstring_view b);

// The elements of a plain full path: "C:" or "\\server" and "share" first, then one per
// name; '/' separates like '\', one trailing separator is dropped. Nothing for anything else.
std::optional<std::vector<std::wstring>> plain_elements(const std::wstring& path);

// Where `path` falls among `roots`; "inside" wins over "ancestor", the first root over later ones.
scope_decision decide_scope(const std::wstring& path, const std::vector<scope_root>& roots,
                            const same_name_test& same = same_name_ascii);

} // namespace state
