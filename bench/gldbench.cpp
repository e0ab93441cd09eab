// gldbench: our archiver against bzip2 on the same bytes, every side measured as what a user
// runs.
//
// Ours is `gldpack create` over the files of a set and `gldpack extract` of the archive, each a
// whole process. The peers get the same bytes as one concatenated stream, which is their best
// case: bzip2 -9 and -d and lbzip2 as whole processes, and libbz2 in a child process that
// compresses file after file without starting a program per file. Timing a peer once per small
// file would mostly time its start-up and the set-up of its workspace, not its work.
//
// Every command runs once per round and the rounds alternate the commands, so that a shared,
// busy machine slows every side alike; each figure is the median over the rounds. CPU seconds
// (user + system of the child) measure the work; wall seconds measure what the threads gain.
// Every output is checked against the input bytes, and archives made with different numbers of
// threads must be identical.

#include "BlockDecoderUnit.h"
#include "BlockEncoderUnit.h"
#include "CRC32Unit.h"
#include "CompressErrors.h"

#include <bzlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

double Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double ThreadCpuNow() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

struct TSample {
    double cpu = 0, wall = 0, peak_mib = 0;
    bool ok = false;
};

// Runs body in a child process with stdin and stdout redirected; the child's own CPU time and
// peak resident memory come from wait4, so nothing of the bench itself is counted.
TSample RunChild(const std::function<int()>& body, const std::string& in, const std::string& out) {
    TSample s;
    std::fflush(stdout);
    const double t0 = Now();
    const pid_t pid = fork();
    if (pid < 0) return s;
    if (pid == 0) {
        const int fi = open(in.empty() ? "/dev/null" : in.c_str(), O_RDONLY);
        const int fo =
            open(out.empty() ? "/dev/null" : out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fi < 0 || fo < 0) _exit(127);
        dup2(fi, 0);
        dup2(fo, 1);
        close(fi);
        close(fo);
        _exit(body());
    }
    int status = 0;
    rusage u{};
    if (wait4(pid, &status, 0, &u) < 0) return s;
    s.wall = Now() - t0;
    s.cpu = double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
            double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
    s.peak_mib = double(u.ru_maxrss) / 1024.0;
    s.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return s;
}

int Exec(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    return 127;
}

std::vector<uint8_t> ReadFile(const std::string& name) {
    std::ifstream f(name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

bool WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream f(name, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(f);
}

uint32_t Crc(const std::vector<uint8_t>& bytes) {
    TCRC32 crc;
    crc.Update(bytes.data(), bytes.size());
    return crc.Value();
}

bool SameFiles(const std::string& a, const std::string& b) {
    return ReadFile(a) == ReadFile(b);
}

bool HaveProgram(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// libbz2 over the files one by one in this (child) process: the peer without a process start
// per file. Each result is checked, so a broken round trip fails the run.
int LibBz2Compress(const std::vector<std::string>& files, const std::string& out_dir) {
    for (size_t k = 0; k < files.size(); ++k) {
        std::vector<uint8_t> in = ReadFile(files[k]);
        std::vector<char> out(in.size() + in.size() / 100 + 601);
        unsigned int out_len = unsigned(out.size());
        if (BZ2_bzBuffToBuffCompress(out.data(), &out_len, reinterpret_cast<char*>(in.data()),
                                     unsigned(in.size()), 9, 0, 0) != BZ_OK)
            return 1;
        std::vector<uint8_t> bytes(out.begin(), out.begin() + out_len);
        if (!WriteFile(out_dir + "/" + std::to_string(k) + ".bz2", bytes)) return 1;
    }
    return 0;
}

int LibBz2Expand(const std::vector<std::string>& files, const std::string& dir) {
    for (size_t k = 0; k < files.size(); ++k) {
        std::vector<uint8_t> in = ReadFile(dir + "/" + std::to_string(k) + ".bz2");
        const auto expected = fs::file_size(files[k]);
        std::vector<char> out(expected + 1);
        unsigned int out_len = unsigned(out.size());
        if (BZ2_bzBuffToBuffDecompress(out.data(), &out_len, reinterpret_cast<char*>(in.data()),
                                       unsigned(in.size()), 0, 0) != BZ_OK ||
            out_len != expected)
            return 1;
        std::vector<uint8_t> bytes(out.begin(), out.begin() + out_len);
        if (!WriteFile(dir + "/" + std::to_string(k) + ".out", bytes)) return 1;
    }
    return 0;
}

struct TCommand {
    std::string label;
    bool expands = false;
    int threads = 1;
    bool ours = false;
    std::string peer; // "bzip2", "lbzip2", "libbz2" for the peers
    std::function<void()> prepare;
    std::function<int()> body;
    std::string in, out;
    std::function<int64_t()> packed_size; // compressing commands
    int64_t packed = -1;
    std::vector<TSample> samples;
};

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

struct TFigures {
    double cpu = 0, wall = 0, peak = 0;
    bool ok = false;
};

TFigures FiguresOf(const TCommand& c) {
    TFigures f;
    std::vector<double> cpu, wall, peak;
    f.ok = !c.samples.empty();
    for (const TSample& s : c.samples) {
        f.ok = f.ok && s.ok;
        cpu.push_back(s.cpu);
        wall.push_back(s.wall);
        peak.push_back(s.peak_mib);
    }
    f.cpu = Median(cpu);
    f.wall = Median(wall);
    f.peak = peak.empty() ? 0 : *std::max_element(peak.begin(), peak.end());
    return f;
}

std::string SelfFolder() {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : self.parent_path().string();
}

// The name-part and content of every extracted file, against those of the originals: extract
// keeps name parts only and renames repeats, so the comparison is by content, as a multiset.
bool ExtractedMatches(const std::vector<std::string>& files, const std::string& dir) {
    std::multiset<std::pair<uint64_t, uint32_t>> want, got;
    for (const auto& f : files)
        want.insert({fs::file_size(f), Crc(ReadFile(f))});
    for (const auto& e : fs::directory_iterator(dir))
        if (e.is_regular_file()) got.insert({e.file_size(), Crc(ReadFile(e.path().string()))});
    return want == got;
}

struct TSetResult {
    std::string name;
    int64_t raw = 0;
    std::vector<TCommand> commands;
    bool archives_identical = true;
    bool verified = true;
};

bool GldpackTakesThreads(const std::string& gldpack) {
    const std::string probe = "'" + gldpack + "' --help 2>/dev/null | grep -q -- '-j'";
    return std::system(probe.c_str()) == 0;
}

TSetResult MeasureSet(const std::string& path, const std::vector<std::string>& files,
                      const std::string& scratch, const std::string& gldpack, int all_threads,
                      int rounds, bool peers) {
    TSetResult r;
    r.name = path;
    const std::string dir = scratch + "/" + std::to_string(std::hash<std::string>()(path));
    fs::create_directories(dir);
    const std::string stream = dir + "/stream";
    {
        std::ofstream s(stream, std::ios::binary);
        for (const auto& f : files) {
            std::vector<uint8_t> b = ReadFile(f);
            s.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
            r.raw += int64_t(b.size());
        }
    }
    const bool threads_option = GldpackTakesThreads(gldpack);
    std::vector<int> our_threads = {1};
    if (threads_option && all_threads > 1) our_threads.push_back(all_threads);

    std::vector<TCommand>& cs = r.commands;
    auto archive_of = [&](int j) { return dir + "/ours-j" + std::to_string(j) + ".rs"; };
    for (int j : our_threads) {
        TCommand c;
        c.label = threads_option ? "gldpack create -j " + std::to_string(j) : "gldpack create";
        c.threads = j;
        c.ours = true;
        const std::string archive = archive_of(j);
        c.prepare = [archive] { fs::remove(archive); };
        std::vector<std::string> argv = {gldpack, "create"};
        if (threads_option) argv.insert(argv.end(), {"-j", std::to_string(j)});
        argv.push_back(archive);
        argv.insert(argv.end(), files.begin(), files.end());
        c.body = [argv] { return Exec(argv); };
        c.packed_size = [archive] { return int64_t(fs::file_size(archive)); };
        cs.push_back(c);
    }
    const bool lbzip2 = peers && HaveProgram("lbzip2");
    const std::string n_all = std::to_string(all_threads);
    if (peers) {
        TCommand c;
        c.label = "bzip2 -9";
        c.peer = "bzip2";
        c.body = [] { return Exec({"bzip2", "-9", "-c"}); };
        c.in = stream;
        c.out = dir + "/stream.bz2";
        c.packed_size = [out = c.out] { return int64_t(fs::file_size(out)); };
        cs.push_back(c);
        for (int j : lbzip2 ? std::vector<int>{1, all_threads} : std::vector<int>{}) {
            if (j == 1 && all_threads == 1 && cs.back().peer == "lbzip2") continue;
            TCommand l;
            l.label = "lbzip2 -9 -n " + std::to_string(j);
            l.peer = "lbzip2";
            l.threads = j;
            l.body = [j] { return Exec({"lbzip2", "-9", "-n", std::to_string(j), "-c"}); };
            l.in = stream;
            l.out = dir + "/stream-n" + std::to_string(j) + ".lbz2";
            l.packed_size = [out = l.out] { return int64_t(fs::file_size(out)); };
            cs.push_back(l);
        }
        const std::string lib_dir = dir + "/libbz2";
        fs::create_directories(lib_dir);
        TCommand b;
        b.label = "libbz2, per file";
        b.peer = "libbz2";
        b.body = [files, lib_dir] { return LibBz2Compress(files, lib_dir); };
        b.packed_size = [lib_dir, count = files.size()] {
            int64_t total = 0;
            for (size_t k = 0; k < count; ++k)
                total += int64_t(fs::file_size(lib_dir + "/" + std::to_string(k) + ".bz2"));
            return total;
        };
        cs.push_back(b);
    }
    const size_t compressing = cs.size();
    for (int j : our_threads) {
        TCommand c;
        c.label = threads_option ? "gldpack extract -j " + std::to_string(j) : "gldpack extract";
        c.expands = true;
        c.threads = j;
        c.ours = true;
        const std::string target = dir + "/extract-j" + std::to_string(j);
        c.prepare = [target] {
            fs::remove_all(target);
            fs::create_directories(target);
        };
        std::vector<std::string> argv = {gldpack, "extract"};
        if (threads_option) argv.insert(argv.end(), {"-j", std::to_string(j)});
        argv.insert(argv.end(), {archive_of(our_threads.front()), target});
        c.body = [argv] { return Exec(argv); };
        cs.push_back(c);
    }
    if (peers) {
        TCommand c;
        c.label = "bzip2 -d";
        c.peer = "bzip2";
        c.expands = true;
        c.body = [] { return Exec({"bzip2", "-d", "-c"}); };
        c.in = dir + "/stream.bz2";
        c.out = dir + "/stream.bzip2-d";
        cs.push_back(c);
        if (lbzip2) {
            TCommand l;
            l.label = "lbzip2 -d -n " + n_all;
            l.peer = "lbzip2";
            l.threads = all_threads;
            l.expands = true;
            l.body = [n_all] { return Exec({"lbzip2", "-d", "-n", n_all, "-c"}); };
            l.in = dir + "/stream-n" + n_all + ".lbz2";
            l.out = dir + "/stream.lbzip2-d";
            cs.push_back(l);
        }
        TCommand b;
        b.label = "libbz2, per file";
        b.peer = "libbz2";
        b.expands = true;
        b.body = [files, lib_dir = dir + "/libbz2"] { return LibBz2Expand(files, lib_dir); };
        cs.push_back(b);
    }

    // Round after round, every command once, compressing before expanding (which needs the
    // outputs of the first round).
    for (int round = 0; round < rounds; ++round) {
        for (size_t k = 0; k < cs.size(); ++k) {
            TCommand& c = cs[k];
            if (c.prepare) c.prepare();
            c.samples.push_back(RunChild(c.body, c.in, c.out));
            if (c.packed_size && c.samples.back().ok) c.packed = c.packed_size();
            if (!c.samples.back().ok)
                std::fprintf(stderr, "gldbench: %s failed on %s\n", c.label.c_str(), path.c_str());
            if (round == 0 && k + 1 == compressing && our_threads.size() > 1)
                for (int j : our_threads)
                    r.archives_identical =
                        r.archives_identical && SameFiles(archive_of(1), archive_of(j));
        }
    }
    // Check that every side gave back the bytes it was given.
    for (int j : our_threads)
        r.verified = r.verified && ExtractedMatches(files, dir + "/extract-j" + std::to_string(j));
    if (peers) {
        r.verified = r.verified && SameFiles(stream, dir + "/stream.bzip2-d");
        if (lbzip2) r.verified = r.verified && SameFiles(stream, dir + "/stream.lbzip2-d");
    }
    fs::remove_all(dir);
    return r;
}

double Ratio(double peer, double ours) {
    return ours > 0 ? peer / ours : 0;
}

void PrintSet(const TSetResult& r, size_t file_count, int rounds) {
    std::printf("\n%s: %zu files, %lld bytes; median of %d rounds\n", r.name.c_str(), file_count,
                (long long)r.raw, rounds);
    std::printf("  %-24s %11s %7s %8s %8s %9s %9s\n", "", "size", "size %", "CPU s", "wall s",
                "MB/s wall", "peak MiB");
    bool header_expand = false;
    std::printf("  compression\n");
    std::map<std::string, TFigures> by_label;
    for (const TCommand& c : r.commands) {
        if (c.expands && !header_expand) {
            std::printf("  expansion\n");
            header_expand = true;
        }
        const TFigures f = FiguresOf(c);
        by_label[c.label] = f;
        if (!f.ok) {
            std::printf("    %-22s failed\n", c.label.c_str());
            continue;
        }
        char size[32] = "", share[16] = "";
        if (c.packed >= 0) {
            const int64_t packed = c.packed;
            std::snprintf(size, sizeof size, "%lld", (long long)packed);
            std::snprintf(share, sizeof share, "%.2f", 100.0 * double(packed) / double(r.raw));
        }
        std::printf("    %-22s %11s %7s %8.2f %8.2f %9.2f %9.1f\n", c.label.c_str(), size, share,
                    f.cpu, f.wall, f.wall > 0 ? double(r.raw) / 1e6 / f.wall : 0, f.peak);
    }
    auto find = [&](bool expands, bool ours, const std::string& peer,
                    int threads) -> const TCommand* {
        for (const TCommand& c : r.commands)
            if (c.expands == expands && c.ours == ours && c.peer == peer && c.threads == threads)
                return &c;
        return nullptr;
    };
    auto line = [&](const char* what, const TCommand* ours, const TCommand* peer) {
        if (!ours || !peer) return;
        const TFigures o = FiguresOf(*ours), p = FiguresOf(*peer);
        if (!o.ok || !p.ok) return;
        std::printf("    %-44s CPU %5.2fx   wall %5.2fx\n",
                    (std::string(what) + " against " + peer->label).c_str(), Ratio(p.cpu, o.cpu),
                    Ratio(p.wall, o.wall));
    };
    int all = 1;
    for (const TCommand& c : r.commands)
        all = std::max(all, c.threads);
    std::printf("  speed ratios (the peer's seconds / ours; above 1 means we are faster)\n");
    std::printf("   one thread\n");
    line("create -j 1", find(false, true, "", 1), find(false, false, "bzip2", 1));
    line("create -j 1", find(false, true, "", 1), find(false, false, "lbzip2", 1));
    line("create -j 1", find(false, true, "", 1), find(false, false, "libbz2", 1));
    line("extract -j 1", find(true, true, "", 1), find(true, false, "bzip2", 1));
    line("extract -j 1", find(true, true, "", 1), find(true, false, "libbz2", 1));
    if (all > 1) {
        const std::string j = " -j " + std::to_string(all);
        std::printf("   all threads (%d)\n", all);
        line(("create" + j).c_str(), find(false, true, "", all), find(false, false, "bzip2", 1));
        line(("create" + j).c_str(), find(false, true, "", all), find(false, false, "lbzip2", all));
        line(("extract" + j).c_str(), find(true, true, "", all), find(true, false, "bzip2", 1));
        line(("extract" + j).c_str(), find(true, true, "", all), find(true, false, "lbzip2", all));
    }
    if (find(false, true, "", all) && all > 1)
        std::printf("  archives of -j 1 and -j %d: %s\n", all,
                    r.archives_identical ? "identical" : "DIFFERENT");
    std::printf("  round trips: %s\n", r.verified ? "every output matches its input" : "MISMATCH");
}

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

// Compressing and expanding one block of each shape, in this process; no content may take
// more than three times as long as random bytes.
bool BlockShapes(const std::vector<std::string>& text_files, int rounds) {
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
    make("period 17", [](int32_t i) { return uint8_t("glimmerdrome-save"[i % 17]); });
    make("period 1000", [](int32_t i) { return uint8_t((i % 1000) * 2654435761u >> 24); });
    make("random 4 letters", [&](int32_t) { return uint8_t('a' + rng() % 4); });
    make("zeros, 1% noise", [&](int32_t) { return uint8_t(rng() % 100 == 0 ? rng() : 0); });
    make("two halves", [](int32_t i) { return uint8_t(i < BLOCK_SIZE / 2 ? 'x' : "xy"[i % 2]); });
    {
        // A random phrase repeated with rare mutations: long repeats at a distance.
        std::vector<uint8_t> phrase(5000);
        for (auto& b : phrase)
            b = uint8_t(rng());
        make("phrase, mutated", [&](int32_t i) {
            return rng() % 10000 == 0 ? uint8_t(rng()) : phrase[size_t(i) % phrase.size()];
        });
    }
    for (const auto& t : text_files) {
        std::vector<uint8_t> b = ReadFile(t);
        if (b.size() < size_t(BLOCK_SIZE)) continue;
        b.resize(BLOCK_SIZE);
        shapes.push_back({"text", std::move(b)});
        break;
    }
    TBlockEncoder encoder;
    TBlockDecoder decoder;
    std::vector<uint8_t> coded, back(BLOCK_SIZE);
    double random_comp = 0, random_exp = 0, worst = 0;
    bool ok = true;
    std::printf("\nOne %d-byte block of each shape (CPU ms of this thread, median of %d)\n",
                BLOCK_SIZE, rounds);
    std::printf("  %-18s %9s %8s %9s %8s %10s\n", "", "compress", "/random", "expand", "/random",
                "coded size");
    for (const auto& s : shapes) {
        std::vector<double> comp, exp;
        int32_t packed = 0;
        for (int k = 0; k < rounds; ++k) {
            coded.clear();
            double t0 = ThreadCpuNow();
            packed = encoder.EncodeBlock(s.bytes, coded).compressed_size;
            comp.push_back(ThreadCpuNow() - t0);
            t0 = ThreadCpuNow();
            const int32_t n = decoder.DecodeBlock(coded, back.data(), BLOCK_SIZE, BLOCK_SIZE);
            exp.push_back(ThreadCpuNow() - t0);
            ok = ok && n == BLOCK_SIZE && std::memcmp(back.data(), s.bytes.data(), size_t(n)) == 0;
        }
        const double c = Median(comp), e = Median(exp);
        if (random_comp == 0) {
            random_comp = c;
            random_exp = e;
        }
        worst = std::max({worst, c / random_comp, e / random_exp});
        std::printf("  %-18s %7.1f ms %7.2fx %7.1f ms %7.2fx %10d\n", s.name, c * 1e3,
                    c / random_comp, e * 1e3, e / random_exp, packed);
    }
    std::printf("  slowest shape against random: %.2fx (at most 3x wanted)%s\n", worst,
                ok ? "" : "; SOME BLOCKS DID NOT EXPAND TO THEIR BYTES");
    return ok;
}

const char* const USAGE =
    "usage: gldbench [options] PATH...\n"
    "  Each PATH (a file or a folder) is one set: gldpack packs its files, the peers get the\n"
    "  same bytes as one stream.\n"
    "  --rounds N     rounds of every command, the figures are medians (default 3)\n"
    "  --threads N    the 'all threads' count (default: every core, %u here)\n"
    "  --gldpack FILE the gldpack to measure (default: the one beside gldbench)\n"
    "  --no-peers     measure gldpack alone\n"
    "  --shapes       time one block of each synthetic shape as well\n";

} // namespace

int main(int argc, char** argv) {
    int rounds = 3;
    int threads = int(std::max(1u, std::thread::hardware_concurrency()));
    bool peers = true, shapes = false;
    std::string gldpack = SelfFolder() + "/gldpack";
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (a == "--threads" && i + 1 < argc)
            threads = std::max(1, std::atoi(argv[++i]));
        else if (a == "--gldpack" && i + 1 < argc)
            gldpack = argv[++i];
        else if (a == "--no-peers")
            peers = false;
        else if (a == "--shapes")
            shapes = true;
        else if (a == "-h" || a == "--help") {
            std::printf(USAGE, std::thread::hardware_concurrency());
            return 0;
        } else
            paths.push_back(a);
    }
    if (paths.empty() && !shapes) {
        std::fprintf(stderr, USAGE, std::thread::hardware_concurrency());
        return 2;
    }
    if (!paths.empty() && access(gldpack.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "gldbench: no gldpack at %s (use --gldpack)\n", gldpack.c_str());
        return 2;
    }
    if (peers && !HaveProgram("bzip2")) {
        std::fprintf(stderr, "gldbench: bzip2 is not installed; measuring gldpack alone\n");
        peers = false;
    }
    char scratch_pattern[] = "/tmp/gldbench-XXXXXX";
    if (!mkdtemp(scratch_pattern)) {
        std::perror("gldbench: scratch folder");
        return 1;
    }
    const std::string scratch = scratch_pattern;
    {
        double load[3] = {};
        if (getloadavg(load, 3) == 3)
            std::printf("load average at the start: %.2f %.2f %.2f on %u cores\n", load[0], load[1],
                        load[2], std::thread::hardware_concurrency());
    }
    bool all_ok = true;
    std::vector<std::string> text_candidates;
    for (const auto& path : paths) {
        const std::vector<std::string> files = CollectFiles(path);
        if (files.empty()) {
            std::fprintf(stderr, "gldbench: no files under %s\n", path.c_str());
            all_ok = false;
            continue;
        }
        text_candidates.insert(text_candidates.end(), files.begin(), files.end());
        const TSetResult r = MeasureSet(path, files, scratch, gldpack, threads, rounds, peers);
        PrintSet(r, files.size(), rounds);
        for (const TCommand& c : r.commands)
            all_ok = all_ok && FiguresOf(c).ok;
        all_ok = all_ok && r.verified && r.archives_identical;
    }
    if (shapes) all_ok = BlockShapes(text_candidates, rounds) && all_ok;
    {
        double load[3] = {};
        if (getloadavg(load, 3) == 3)
            std::printf("\nload average at the end: %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    }
    fs::remove_all(scratch);
    if (!all_ok) std::printf("FAILED: see the lines above\n");
    return all_ok ? 0 : 1;
}
