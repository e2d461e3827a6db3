// Speed and memory of the payload engine on a reference payload, beside bzip2 -dc of the same
// stream, with each decoder, on two cores and on one (an affinity mask on the child). Each
// measured run is a fresh process, so that its peak memory is its own.
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
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
#include "tools/istream_source.h"
#include "tools/manifest.h"
#include "tools/pack.h"

namespace {

namespace fs = std::filesystem;

struct measurement {
    double seconds;
    double cpu_seconds; // user and system, all threads
    long peak_kib;
    bool ok;
};

// Runs argv as a child on the first `cores` processors with its output discarded; wall time
// and the child's peak RSS.
measurement run(const std::vector<std::string>& args, int cores)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        cpu_set_t set;
        CPU_ZERO(&set);
        for (int cpu = 0; cpu < cores; ++cpu)
            CPU_SET(cpu, &set);
        if (::sched_setaffinity(0, sizeof set, &set) != 0)
            ::_exit(126);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto cpu = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return {seconds, cpu(usage.ru_utime) + cpu(usage.ru_stime), usage.ru_maxrss, WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

payload::bzip2_decoding decoding_named(const char* name)
{
    return std::strcmp(name, "sequential") == 0 ? payload::bzip2_decoding{0} : payload::default_bzip2_decoding();
}

int child_test(const char* file, const char* decoder)
{
    std::ifstream in(file, std::ios::binary);
    tools::istream_source source(in);
    return payload::test_archive(source, decoding_named(decoder)) ? 0 : 1;
}

int child_extract(const char* file, const char* folder, const char* decoder)
{
    const std::wstring root = fs::path(folder).wstring();
    std::map<int, std::wstring> specials;
    for (const int csidl : {0x05, 0x10, 0x19, 0x1A, 0x23, 0x24, 0x25, 0x26, 0x2B, 0x2E})
        specials[csidl] = root + L"/special" + std::to_wstring(csidl);
    payload::platform::set_special_folders(specials);
    std::ifstream in(file, std::ios::binary);
    tools::istream_source source(in);
    return payload::extract_archive(source, {root + L"/app", L"", root + L"/tmp"}, {}, decoding_named(decoder)) ? 0 : 1;
}

struct figure {
    double seconds = 0;
    double cpu_seconds = 0;
    long peak_kib = 0;
};

// The runs measured, each on two cores and on one: bzip2 -dc, then the test and extraction
// passes with each decoder ("parallel" is the engine's default: sequential on one core).
const char* const run_names[] = {"bzip2 -dc", "test, sequential", "test, parallel", "extract, sequential",
                                 "extract, parallel"};
constexpr int run_count = 5;
using figures = std::array<std::array<figure, 2>, run_count>; // [run][two cores, one core]

figures measure(const std::string& self, const fs::path& payload, const fs::path& work, int rounds, bool one_core)
{
    std::array<std::array<std::vector<double>, 2>, run_count> times, cpu;
    figures f{};
    for (int round = 0; round < rounds; ++round) {
        for (int c = 0; c < (one_core ? 2 : 1); ++c) {
            const int cores = c == 0 ? 2 : 1;
            for (int r = 0; r < run_count; ++r) {
                const char* decoder = r % 2 == 1 ? "sequential" : "parallel";
                const fs::path target = work / ("extract" + std::to_string(round));
                measurement m{};
                if (r == 0)
                    m = run({"bzip2", "-dc", payload.string()}, cores);
                else if (r <= 2)
                    m = run({self, "--child-test", payload.string(), decoder}, cores);
                else
                    m = run({self, "--child-extract", payload.string(), target.string(), decoder}, cores);
                fs::remove_all(target);
                if (!m.ok) {
                    std::fprintf(stderr, "payload_bench: a measured run failed: %s\n", run_names[r]);
                    std::exit(1);
                }
                times[r][c].push_back(m.seconds);
                cpu[r][c].push_back(m.cpu_seconds);
                f[r][c].peak_kib = std::max(f[r][c].peak_kib, m.peak_kib);
            }
        }
    }
    for (int r = 0; r < run_count; ++r) {
        for (int c = 0; c < 2; ++c) {
            if (!times[r][c].empty()) {
                f[r][c].seconds = median(times[r][c]);
                f[r][c].cpu_seconds = median(cpu[r][c]);
            }
        }
    }
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
    if (argc == 4 && std::strcmp(argv[1], "--child-test") == 0)
        return child_test(argv[2], argv[3]);
    if (argc == 5 && std::strcmp(argv[1], "--child-extract") == 0)
        return child_extract(argv[2], argv[3], argv[4]);
    const int rounds = argc == 3 && std::strcmp(argv[1], "--rounds") == 0 ? std::max(1, std::atoi(argv[2])) : 7;

    const fs::path work = fs::temp_directory_path() / ("vantrel-bench-" + std::to_string(::getpid()));
    fs::create_directories(work);
    const std::string self = fs::read_symlink("/proc/self/exe").string();

    const fs::path reference = build_payload(work, 1);
    std::printf("reference payload: 54 entries, %ju bytes compressed\n", static_cast<std::uintmax_t>(fs::file_size(reference)));
    const figures f = measure(self, reference, work, rounds, true);
    // CPU seconds beside wall seconds: on a busy machine the wall figures carry the others' load.
    std::printf("median of %d rounds          two cores                                  one core\n", rounds);
    std::printf("                       seconds  x bzip2 -dc  cpu s  peak memory   seconds  x bzip2 -dc  cpu s  peak memory\n");
    for (int r = 0; r < run_count; ++r) {
        std::printf("  %-20s %7.3f      %7.3f  %5.2f   %6.1f MB   %7.3f      %7.3f  %5.2f   %6.1f MB\n", run_names[r],
                    f[r][0].seconds, f[r][0].seconds / f[0][0].seconds, f[r][0].cpu_seconds, f[r][0].peak_kib / 1024.0,
                    f[r][1].seconds, f[r][1].seconds / f[0][1].seconds, f[r][1].cpu_seconds, f[r][1].peak_kib / 1024.0);
    }

    const fs::path large = build_payload(work, 10);
    std::printf("ten-fold payload: %ju bytes compressed\n", static_cast<std::uintmax_t>(fs::file_size(large)));
    const figures g = measure(self, large, work, 1, false);
    std::printf("  two cores, one round    peak memory: reference   ten-fold    ten-fold seconds  x bzip2 -dc\n");
    for (int r = 0; r < run_count; ++r) {
        std::printf("  %-20s                %6.1f MB  %6.1f MB        %7.3f      %7.3f\n", run_names[r],
                    f[r][0].peak_kib / 1024.0, g[r][0].peak_kib / 1024.0, g[r][0].seconds, g[r][0].seconds / g[0][0].seconds);
    }
    fs::remove_all(work);
    return 0;
}
