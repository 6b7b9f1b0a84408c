#include "commands.h"

#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "generated.h"
#include "subhost/mapforms/mapforms.h"
#include "support/harness.h"
#include "support/tempdir.h"
#ifdef KZN_SERVE
#include "cli/pagesession.h"
#endif

extern char** environ;

namespace kznbench {
namespace {

double Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::string gMapsFolder;

// The files of one size.
struct Maps {
    std::unique_ptr<kzntest::TempDir> temporary;  // unless kept in --maps
    std::string dir, map, table, session, result;
};

std::string InFolder(const Maps& maps, const std::string& name) {
    return maps.dir + "/" + name;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + path);
    }
}

// Runs kznhost with ARGS, its standard output to OUT and its error output to ERR; its exit
// status, or -1 when it did not exit. PEAK (where given) is set to the most memory it held, in
// MiB.
int Kznhost(const std::vector<std::string>& args, const std::string& out, const std::string& err,
            double* peak = nullptr) {
    std::vector<std::string> all = {KZN_KZNHOST};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // The child's peak memory starts from what this process holds when it starts the child: give
    // back what is free first.
    malloc_trim(0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return -1;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (peak != nullptr) {
        *peak = static_cast<double>(usage.ru_maxrss) / 1024;  // given in KiB
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::size_t SizeOf(const std::string& path) {
    struct stat s {};
    return ::stat(path.c_str(), &s) == 0 ? static_cast<std::size_t>(s.st_size) : 0;
}

// The physical floor: the files READ read whole and BYTES written to a new file with plain file
// I/O, as kznhost writes (beside the target, then renamed over it).
double PlainFileWork(const std::vector<std::string>& read, std::size_t bytes,
                     const std::string& target) {
    std::vector<char> buffer(1 << 20);
    const double start = Now();
    for (const std::string& path : read) {
        // Through one buffer: the bytes read, kept nowhere.
        const int fd = ::open(path.c_str(), O_RDONLY);
        while (::read(fd, buffer.data(), buffer.size()) > 0) {
            benchmark::DoNotOptimize(buffer.data());
        }
        ::close(fd);
    }
    const std::string temporary = target + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string block(buffer.size(), 'x');
    for (std::size_t left = bytes; left > 0;) {
        const std::size_t n = std::min(left, block.size());
        if (::write(fd, block.data(), n) != static_cast<ssize_t>(n)) {
            break;
        }
        left -= n;
    }
    ::close(fd);
    std::rename(temporary.c_str(), target.c_str());
    return Now() - start;
}

const Maps& MapsOf(int labels) {
    static std::map<int, Maps> made;
    if (const auto found = made.find(labels); found != made.end()) {
        return found->second;
    }
    Maps maps;
    if (gMapsFolder.empty()) {
        maps.temporary = std::make_unique<kzntest::TempDir>();
        maps.dir = maps.temporary->path();
    } else {
        maps.dir = gMapsFolder + "/" + std::to_string(labels);
        std::filesystem::create_directories(maps.dir);
    }
    Plan plan;
    maps.map = InFolder(maps, "map.json");
    subhost::WriteMap(*LabelMap({labels, 50}, &plan), maps.map);
    maps.table = InFolder(maps, "symbols.csv");
    WriteFile(maps.table, SymbolTable(plan));
    maps.session = InFolder(maps, "t2o-session.txt");
    WriteFile(maps.session, "filter t2o\nfile \"symbols.csv\"\nclick 1101\nok\n");
    maps.result = InFolder(maps, "result.json");
    if (Kznhost({"run", "--doc", maps.map, "--script", maps.session, "--out", maps.result},
                InFolder(maps, "run.out"), InFolder(maps, "run.err")) != 0) {
        throw std::runtime_error("kznhost run failed: " +
                                 kzntest::TempDir::Read(InFolder(maps, "run.err")));
    }
    return made.emplace(labels, std::move(maps)).first->second;
}

// Times kznhost with ARGS (expecting exit status STATUS) and, beside it, the plain file work of
// reading READ and writing as many bytes as it wrote to WRITTEN.
void TimeCommand(benchmark::State& state, const Maps& maps, const std::vector<std::string>& args,
                 int status, const std::vector<std::string>& read, const std::string& written) {
    double floor = 0, peak = 0;
    const std::string out = InFolder(maps, "command.out"), err = InFolder(maps, "command.err");
    for (auto _ : state) {
        const double start = Now();
        const int exit = Kznhost(args, out, err, &peak);
        state.SetIterationTime(Now() - start);
        if (exit != status) {
            state.SkipWithError(
                ("kznhost exited with " + std::to_string(exit) + ": " + kzntest::TempDir::Read(err))
                    .c_str());
            return;
        }
        floor += PlainFileWork(read, SizeOf(written), InFolder(maps, "floor.bin"));
    }
    state.counters["floor"] = floor / static_cast<double>(state.iterations());
    state.counters["walks"] = 0;
    state.counters["peak"] = peak;
}

// Runs BODY with the maps of LABELS, or tells the benchmark why there are none.
template <typename Body>
void WithMaps(benchmark::State& state, int labels, Body body) {
    const Maps* maps = nullptr;
    try {
        maps = &MapsOf(labels);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        for (auto _ : state) {
        }
        return;
    }
    body(*maps);
}

}  // namespace

void SetMapsFolder(const char* dir) {
    gMapsFolder = dir;
}

void CommandRun(benchmark::State& state, int labels) {
    WithMaps(state, labels, [&](const Maps& maps) {
        const std::string out = InFolder(maps, "run-result.json");
        TimeCommand(state, maps, {"run", "--doc", maps.map, "--script", maps.session, "--out", out},
                    0, {maps.map, maps.table, maps.session}, out);
    });
}

void CommandRender(benchmark::State& state, int labels) {
    WithMaps(state, labels, [&](const Maps& maps) {
        const std::string out = InFolder(maps, "result.png");
        TimeCommand(state, maps, {"render", maps.result, "--out", out, "--scale", "0.1"}, 0,
                    {maps.result}, out);
    });
}

void CommandLegend(benchmark::State& state, int labels) {
    WithMaps(state, labels, [&](const Maps& maps) {
        const std::string out = InFolder(maps, "legend.png");
        TimeCommand(state, maps, {"legend", maps.result, "--out", out}, 0, {maps.result}, out);
    });
}

void CommandDiff(benchmark::State& state, int labels) {
    WithMaps(state, labels, [&](const Maps& maps) {
        TimeCommand(state, maps, {"diff", maps.map, maps.result}, 1, {maps.map, maps.result},
                    InFolder(maps, "command.out"));
    });
}

#ifdef KZN_SERVE
void ServeAction(benchmark::State& state, int labels) {
    WithMaps(state, labels, [&](const Maps& maps) {
        kznhost::PageSession session({kzntest::ModulePath(), maps.map, "", 0});
        const auto failed = [&](const kznhost::Reply& reply) {
            if (reply.status == 200) {
                return false;
            }
            state.SkipWithError(reply.body.c_str());
            return true;
        };
        const std::string table = ReadFile(maps.table);
        if (failed(session.Act("filter t2o")) || failed(session.Upload("symbols.csv", table)) ||
            failed(session.Act("click 1101")) || failed(session.Act("file \"symbols.csv\""))) {
            return;
        }
        int row = 0;
        for (auto _ : state) {
            // A click on a row further down, and the list's picture as it then shows.
            row = (row + 37) % labels;
            const double start = Now();
            const kznhost::Reply clicked = session.Act("row 1011 " + std::to_string(row));
            const kznhost::Reply rows = session.ListPicture(1011, row * 16);
            state.SetIterationTime(Now() - start);
            if (failed(clicked) || failed(rows)) {
                return;
            }
        }
        session.Quit();
    });
}
#endif

}  // namespace kznbench
