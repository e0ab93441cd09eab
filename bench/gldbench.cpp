// gldbench: measures our block compressor and expander on files or folders, beside bzip2 -9
// and bzip2 -d (and xz -6 with --xz) run as processes on the same bytes in the same run.
//
// Speeds are CPU seconds (user + system) of the work, ours measured on this process and the
// peers' on their own processes, so that a busy shared machine skews both sides alike. Every
// block we compress is expanded again and compared with the original bytes.

#include "BWTCompressUnit.h"
#include "BWTExpandUnit.h"
#include "CompressErrors.h"
#include "FileStream.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

double CpuNow() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double PeakRssMiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

// Runs argv with stdin and stdout redirected; returns the child's CPU seconds, or -1.
double RunTool(const std::vector<std::string>& argv, const std::string& in,
               const std::string& out) {
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        int fi = open(in.c_str(), O_RDONLY);
        int fo = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fi < 0 || fo < 0) _exit(127);
        dup2(fi, 0);
        dup2(fo, 1);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage u{};
    if (wait4(pid, &status, 0, &u) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

struct TResult {
    int64_t raw = 0, packed = 0;
    double comp_cpu = 0, exp_cpu = 0;
    bool ok = true;
};

struct TSlowest {
    double seconds = 0;
    std::string file;
    int64_t block = 0;
};

std::vector<std::string> CollectFiles(const std::string& arg) {
    std::vector<std::string> files;
    if (fs::is_directory(arg)) {
        for (const auto& e : fs::recursive_directory_iterator(arg))
            if (e.is_regular_file() && fs::file_size(e.path()) > 0)
                files.push_back(e.path().string());
    } else if (fs::is_regular_file(arg)) {
        files.push_back(arg);
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Reads up to count bytes at offset of a file; the source stays on disk, so memory stays flat.
int32_t ReadAt(TFileStream& f, int64_t offset, uint8_t* to, int32_t count) {
    f.Seek(offset, 0);
    return f.Read(to, count);
}

// With --keep, the data blocks of the last file measured stay there for inspection.
std::string keep_path;

TResult RunOurs(const std::vector<std::string>& files, const std::string& scratch,
                TSlowest& slowest) {
    TResult r;
    TCompressor compressor;
    TExpander expander;
    std::vector<uint8_t> original(BLOCK_SIZE), expanded(BLOCK_SIZE);
    const std::string packed_name = scratch + "/ours.pak";
    for (const auto& name : files) {
        std::vector<int32_t> raw_sizes;
        {
            TFileStream source(name, fmOpenRead);
            TBitFile out(packed_name, fmCreate);
            int64_t offset = 0;
            for (;;) {
                const double t0 = CpuNow();
                uint8_t* input = compressor.GetInputBuffer();
                const int32_t got = ReadAt(source, offset, input + 1, BLOCK_SIZE);
                if (got <= 0) break;
                r.packed += compressor.CompressBlock(got, out) + DATA_HEADER_SIZE;
                const double dt = CpuNow() - t0;
                r.comp_cpu += dt;
                if (dt > slowest.seconds) slowest = {dt, name, offset / BLOCK_SIZE};
                raw_sizes.push_back(got);
                r.raw += got;
                offset += got;
            }
            const double t0 = CpuNow();
            out.FlushBuffer();
            r.comp_cpu += CpuNow() - t0;
        }
        TFileStream source(name, fmOpenRead);
        TBitFile in(packed_name, fmOpenRead);
        int64_t offset = 0;
        for (int32_t size : raw_sizes) {
            const double t0 = CpuNow();
            int32_t n = 0;
            try {
                n = expander.ExpandBlock(in, expanded.data(), BLOCK_SIZE, size);
            } catch (const ECompressError& e) {
                std::fprintf(stderr, "gldbench: %s block %lld: %s\n", name.c_str(),
                             (long long)(offset / BLOCK_SIZE), e.what());
                r.ok = false;
                break;
            }
            r.exp_cpu += CpuNow() - t0;
            ReadAt(source, offset, original.data(), size);
            if (n != size || std::memcmp(original.data(), expanded.data(), size_t(size)) != 0) {
                std::fprintf(stderr, "gldbench: %s block %lld expands to other bytes\n",
                             name.c_str(), (long long)(offset / BLOCK_SIZE));
                r.ok = false;
            }
            offset += size;
        }
    }
    if (!keep_path.empty())
        fs::copy_file(packed_name, keep_path, fs::copy_options::overwrite_existing);
    fs::remove(packed_name);
    return r;
}

TResult RunPeer(const std::vector<std::string>& files, const std::string& scratch,
                const std::vector<std::string>& compress_argv,
                const std::vector<std::string>& expand_argv) {
    TResult r;
    const std::string packed = scratch + "/peer.out", back = scratch + "/peer.back";
    for (const auto& name : files) {
        const double c = RunTool(compress_argv, name, packed);
        const double d = c < 0 ? -1 : RunTool(expand_argv, packed, back);
        if (c < 0 || d < 0) {
            r.ok = false;
            break;
        }
        r.comp_cpu += c;
        r.exp_cpu += d;
        r.raw += int64_t(fs::file_size(name));
        r.packed += int64_t(fs::file_size(packed));
    }
    fs::remove(packed);
    fs::remove(back);
    return r;
}

double MBps(int64_t bytes, double seconds) {
    return seconds > 0 ? double(bytes) / 1e6 / seconds : 0;
}

void PrintRow(const char* who, const TResult& r) {
    if (!r.ok) {
        std::printf("  %-10s  failed\n", who);
        return;
    }
    std::printf("  %-10s %12lld %7.2f%% %8.3f %9.2f %9.2f\n", who, (long long)r.packed,
                100.0 * double(r.packed) / double(r.raw), double(r.packed) * 8.0 / double(r.raw),
                MBps(r.raw, r.comp_cpu), MBps(r.raw, r.exp_cpu));
}

// CPU seconds of compressing one block of each shape; the sorter must not fall behind on any.
void BlockShapes(const std::string& scratch, const std::vector<std::string>& text_files,
                 int repeat) {
    struct TShape {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    std::vector<TShape> shapes;
    std::mt19937 rng(1);
    auto make = [&](const char* name, auto byte_at) {
        std::vector<uint8_t> b(BLOCK_SIZE);
        for (int32_t i = 0; i < BLOCK_SIZE; ++i)
            b[size_t(i)] = byte_at(i);
        shapes.push_back({name, std::move(b)});
    };
    make("random", [&](int32_t) { return uint8_t(rng()); });
    make("equal bytes", [](int32_t) { return uint8_t('a'); });
    make("period 2", [](int32_t i) { return uint8_t("ab"[i % 2]); });
    make("period 3", [](int32_t i) { return uint8_t("abc"[i % 3]); });
    make("period 17", [](int32_t i) { return uint8_t("glimmerdrome-saver"[i % 17]); });
    make("period 1000", [&](int32_t i) { return uint8_t((i % 1000) * 2654435761u >> 24); });
    make("zeros, 1% noise", [&](int32_t) { return uint8_t(rng() % 100 == 0 ? rng() : 0); });
    make("two halves", [&](int32_t i) { return uint8_t(i < BLOCK_SIZE / 2 ? 'x' : "xy"[i % 2]); });
    for (const auto& t : text_files) {
        TFileStream f(t, fmOpenRead);
        if (f.Size() < BLOCK_SIZE) continue;
        std::vector<uint8_t> b(BLOCK_SIZE);
        f.Read(b.data(), BLOCK_SIZE);
        shapes.push_back({"text", std::move(b)});
        break;
    }
    TCompressor compressor;
    const std::string name = scratch + "/shape.pak";
    double random_time = 0, worst_ratio = 0;
    std::printf("\nOne %d-byte block of each shape (CPU ms, best of %d)\n", BLOCK_SIZE, repeat);
    for (const auto& s : shapes) {
        double best = 1e9;
        int32_t packed = 0;
        for (int k = 0; k < repeat; ++k) {
            TBitFile out(name, fmCreate);
            std::memcpy(compressor.GetInputBuffer() + 1, s.bytes.data(), s.bytes.size());
            const double t0 = CpuNow();
            packed = compressor.CompressBlock(BLOCK_SIZE, out);
            best = std::min(best, CpuNow() - t0);
        }
        if (random_time == 0) random_time = best;
        const double ratio = best / random_time;
        worst_ratio = std::max(worst_ratio, ratio);
        std::printf("  %-16s %8.1f ms %6.2fx random %9d bytes\n", s.name, best * 1e3, ratio,
                    packed);
    }
    fs::remove(name);
    std::printf("  slowest shape / random: %.2fx   (target at most 3.00x)\n", worst_ratio);
}

void Usage() {
    std::fprintf(stderr, "usage: gldbench [--xz] [--no-bzip2] [--shapes] [--repeat N] PATH...\n"
                         "  Each PATH (file or folder) is measured as one set.\n"
                         "  --xz        also run xz -6 and xz -d\n"
                         "  --shapes    time one block of each synthetic shape as well\n"
                         "  --repeat N  best of N runs for every figure (default 1)\n"
                         "  --keep FILE keep our data blocks of the last file measured in FILE\n");
}

} // namespace

int main(int argc, char** argv) {
    bool with_xz = false, with_bzip2 = true, shapes = false;
    int repeat = 1;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--xz")
            with_xz = true;
        else if (a == "--no-bzip2")
            with_bzip2 = false;
        else if (a == "--shapes")
            shapes = true;
        else if (a == "--keep" && i + 1 < argc)
            keep_path = argv[++i];
        else if (a == "--repeat" && i + 1 < argc)
            repeat = std::max(1, std::atoi(argv[++i]));
        else if (a == "-h" || a == "--help") {
            Usage();
            return 0;
        } else
            paths.push_back(a);
    }
    if (paths.empty() && !shapes) {
        Usage();
        return 2;
    }
    char scratch_pattern[] = "/tmp/gldbench-XXXXXX";
    if (!mkdtemp(scratch_pattern)) {
        std::perror("gldbench: scratch folder");
        return 1;
    }
    const std::string scratch = scratch_pattern;
    bool all_ok = true;
    std::vector<std::string> text_candidates;

    for (const auto& path : paths) {
        const std::vector<std::string> files = CollectFiles(path);
        if (files.empty()) {
            std::fprintf(stderr, "gldbench: no files under %s\n", path.c_str());
            all_ok = false;
            continue;
        }
        for (const auto& f : files)
            text_candidates.push_back(f);
        auto best_of = [&](auto run) {
            TResult best = run();
            for (int k = 1; k < repeat; ++k) {
                TResult r = run();
                best.comp_cpu = std::min(best.comp_cpu, r.comp_cpu);
                best.exp_cpu = std::min(best.exp_cpu, r.exp_cpu);
                best.ok = best.ok && r.ok;
            }
            return best;
        };
        TSlowest slowest;
        const TResult ours = best_of([&] { return RunOurs(files, scratch, slowest); });
        TResult bz, xz;
        if (with_bzip2)
            bz = best_of([&] {
                return RunPeer(files, scratch, {"bzip2", "-9", "-c"}, {"bzip2", "-d", "-c"});
            });
        if (with_xz)
            xz = best_of([&] {
                return RunPeer(files, scratch, {"xz", "-6", "-c"}, {"xz", "-d", "-c"});
            });

        std::printf("\n%s: %zu files, %lld bytes\n", path.c_str(), files.size(),
                    (long long)ours.raw);
        std::printf("  %-10s %12s %8s %8s %9s %9s\n", "", "compressed", "size", "bits/B",
                    "comp MB/s", "exp MB/s");
        PrintRow("ours", ours);
        if (with_bzip2) PrintRow("bzip2 -9", bz);
        if (with_xz) PrintRow("xz -6", xz);
        std::printf("  slowest block: %.1f ms (%s, block %lld)\n", slowest.seconds * 1e3,
                    slowest.file.c_str(), (long long)slowest.block);
        if (with_bzip2 && bz.ok && ours.ok) {
            const double cr = MBps(ours.raw, ours.comp_cpu) / MBps(bz.raw, bz.comp_cpu);
            const double er = MBps(ours.raw, ours.exp_cpu) / MBps(bz.raw, bz.exp_cpu);
            std::printf("  against bzip2: compression %.2fx, expansion %.2fx, size %.3fx\n", cr, er,
                        double(ours.packed) / double(bz.packed));
        }
        all_ok = all_ok && ours.ok;
    }
    if (shapes) BlockShapes(scratch, text_candidates, repeat);
    std::printf("\npeak memory of this process: %.1f MiB   (target under 32 MiB)\n", PeakRssMiB());
    fs::remove_all(scratch);
    if (!all_ok) std::printf("FAILED: some blocks did not expand to their bytes\n");
    return all_ok ? 0 : 1;
}
