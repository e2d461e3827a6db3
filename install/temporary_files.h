#pragma once
// The run's temporary files: the redistributable files extracted into its temporary folder,
// deleted with that folder when the run ends, whatever its outcome.
#include <string>
#include <vector>

struct TemporaryFiles {
    std::wstring folder;
    std::vector<std::wstring> files;
};

// Deletes every listed file and then the folder, ignoring every failure, and forgets them.
void RemoveTemporaryFiles(TemporaryFiles& temporary) noexcept;
