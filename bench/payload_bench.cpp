// Speed and memory of the payload engine on a reference payload, beside bzip2 -dc of the same
// stream. Each measured run is a fresh process, so that its peak memory is its own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "payload/extract.h"
#include "payload/platform.h"
#include "reference_payload.h"
#include "tools/manifest.h"
#include "tools/pack.h"

namespace {

namespace fs = std::filesystem;

struct measurement {
    double seconds;
    long peak_kib;
    bool ok;
};

// Runs argv as a child with its output discarded; wall time and the child's peak RSS.
measurement run(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return {seconds, usage.ru_maxrss, WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int child_test(const char* file)
{
    std::ifstream source(file, std::ios::binary);
    return payload::test_archive(source) ? 0 : 1;
}

int child_extract(const char* file, const char* folder)
{
    const std::wstring root = fs::path(folder).wstring();
    std::map<int, std::wstring> specials;
    for (const int csidl : {0x05, 0x10, 0x19, 0x1A, 0x23, 0x24, 0x25, 0x26, 0x2B, 0x2E})
        specials[csidl] = root + L"/special" + std::to_wstring(csidl);
    payload::platform::set_special_folders(specials);
    std::ifstream source(file, std::ios::binary);
    return payload::extract_archive(source, {root + L"/app", L"", root + L"/tmp"}, {}) ? 0 : 1;
}

struct figures {
    double test, extract, bzip2;
    long test_peak, extract_peak, bzip2_peak;
};

figures measure(const std::string& self, const fs::path& payload, const fs::path& work, int rounds)
{
    std::vector<double> test, extract, bzip2;
    figures f{};
    for (int round = 0; round < rounds; ++round) {
        const measurement b = run({"bzip2", "-dc", payload.string()});
        const measurement t = run({self, "--child-test", payload.string()});
        const fs::path target = work / ("extract" + std::to_string(round));
        const measurement e = run({self, "--child-extract", payload.string(), target.string()});
        fs::remove_all(target);
        if (!b.ok || !t.ok || !e.ok) {
            std::fprintf(stderr, "payload_bench: a measured run failed\n");
            std::exit(1);
        }
        bzip2.push_back(b.seconds);
        test.push_back(t.seconds);
        extract.push_back(e.seconds);
        f.bzip2_peak = std::max(f.bzip2_peak, b.peak_kib);
        f.test_peak = std::max(f.test_peak, t.peak_kib);
        f.extract_peak = std::max(f.extract_peak, e.peak_kib);
    }
    f.test = median(test);
    f.extract = median(extract);
    f.bzip2 = median(bzip2);
    return f;
}

fs::path build_payload(const fs::path& work, unsigned scale)
{
    const fs::path folder = work / ("scale" + std::to_string(scale));
    const fs::path manifest = bench::write_reference_payload(folder, scale);
    const fs::path out = folder / "payload.bz2";
    tools::pack(tools::read_manifest(manifest), out);
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--child-test") == 0)
        return child_test(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "--child-extract") == 0)
        return child_extract(argv[2], argv[3]);
    const int rounds = argc == 3 && std::strcmp(argv[1], "--rounds") == 0 ? std::max(1, std::atoi(argv[2])) : 7;

    const fs::path work = fs::temp_directory_path() / ("vantrel-bench-" + std::to_string(::getpid()));
    fs::create_directories(work);
    const std::string self = fs::read_symlink("/proc/self/exe").string();

    const fs::path reference = build_payload(work, 1);
    std::printf("reference payload: 54 entries, %ju bytes compressed\n", static_cast<std::uintmax_t>(fs::file_size(reference)));
    const figures f = measure(self, reference, work, rounds);
    std::printf("median of %d rounds      seconds   x bzip2 -dc   peak memory\n", rounds);
    std::printf("  bzip2 -dc             %7.3f        1.000      %6.1f MB\n", f.bzip2, f.bzip2_peak / 1024.0);
    std::printf("  test_archive          %7.3f      %7.3f      %6.1f MB\n", f.test, f.test / f.bzip2, f.test_peak / 1024.0);
    std::printf("  extract_archive       %7.3f      %7.3f      %6.1f MB\n", f.extract, f.extract / f.bzip2,
                f.extract_peak / 1024.0);

    const fs::path large = build_payload(work, 10);
    std::printf("ten-fold payload: %ju bytes compressed\n", static_cast<std::uintmax_t>(fs::file_size(large)));
    const figures g = measure(self, large, work, 1);
    std::printf("  peak memory           reference   ten-fold\n");
    std::printf("  test_archive          %6.1f MB   %6.1f MB\n", f.test_peak / 1024.0, g.test_peak / 1024.0);
    std::printf("  extract_archive       %6.1f MB   %6.1f MB\n", f.extract_peak / 1024.0, g.extract_peak / 1024.0);
    std::printf("  (ten-fold: extraction %.3f s, bzip2 -dc %.3f s)\n", g.extract, g.bzip2);
    fs::remove_all(work);
    return 0;
}
