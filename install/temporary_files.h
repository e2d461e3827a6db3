#pragma once
// The run's temporary files: the redistributable files extracted into its temporary folder,
// deleted with that folder when the run ends, whatever its outcome.
#include <string>
#include <vector>

struct TemporaryFiles {
    std::wstring folder;
    std::vector<std::wstring> files;
};

// The list of the run in progress, or null between runs.
TemporaryFiles* CurrentTemporaryFiles() noexcept;

// Makes `files` the current list for its lifetime; at the end deletes every listed file and
// then the folder, ignoring every failure.
class TemporaryFilesScope {
public:
    explicit TemporaryFilesScope(TemporaryFiles& files);
    ~TemporaryFilesScope();
    TemporaryFilesScope(const TemporaryFilesScope&) = delete;
    TemporaryFilesScope& operator=(const TemporaryFilesScope&) = delete;

private:
    TemporaryFiles& m_files;
};
