// How long the commands take at map scale, beside what the host itself needs for the same
// document changes (the floor), and how much the module allocates while it paints list rows.
//
//   kzn_bench [--sizes=1000,10000,100000] [--patterns=50,500] [--rows=1000] [--csv=FILE]
//             [--maps=DIR] [Google Benchmark flags]
//
// --maps keeps the map files the kznhost figures run on in DIR/SIZE.
// Prints Google Benchmark's report, then one table of every figure; --csv writes the table.
#include <benchmark/benchmark.h>

#include <time.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "allocations.h"
#include "commands.h"
#include "generated.h"
#include "host/suitenames.h"
#include "subhost/document/artgeometry.h"
#include "subhost/mapforms/mapforms.h"
#include "support/harness.h"
#include "support/tempdir.h"

namespace kznbench {
namespace {

// The monotonic clock. (<chrono> cannot be compiled into Shift-JIS: it spells microseconds
// with a character the code page lacks.)
struct Clock {
    using time_point = double;
    static double now() {
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
    }
};
using subhost::Art;
using subhost::DialogSession;
using subhost::Document;
using subhost::Host;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return to - from;
}

// Item ids of the three dialogs.
constexpr int kOpen = 1101;
constexpr int kT2TList = 1011;
constexpr int kT2OLabels = 1011, kT2OSymbols = 1017, kT2OPatterns = 1018;
constexpr int kO2OObjects = 1011, kO2OPatterns = 1013;

// One row of the table: what a benchmark measures and of what size.
struct Figure {
    std::string what;  // e.g. "t2o run"
    std::string unit;  // what the size counts: labels, rows, swatches
    int size = 0;
    int patterns = 0;
};
std::map<std::string, Figure>& Figures() {
    static std::map<std::string, Figure> figures;
    return figures;
}

std::unique_ptr<Host> StartedHost() {
    auto host = kzntest::LoadedHost();
    host->KeepCalls(0);  // runs of millions of calls: counted, not recorded
    if (host->Startup() != kNoErr) {
        throw std::runtime_error("the module did not start");
    }
    return host;
}

// Hands a document to HOST and forgets what the last run left in its records.
void Prepare(Host& host, std::unique_ptr<Document> doc) {
    host.SetDocument(std::move(doc));
    host.trace().Clear();
    host.assertions().clear();
}

bool RunFilter(benchmark::State& state, Host& host, const char* name) {
    host.RunFilter(name);
    if (!host.dialogs().scriptError().empty()) {
        state.SkipWithError(("the session failed: " + host.dialogs().scriptError()).c_str());
        return false;
    }
    return true;
}

// Runs command NAME with a session that loads TABLE and presses OK, and times the iteration from
// OK to the dialog's close; false (the benchmark told) when the session failed.
bool TimedRun(benchmark::State& state, Host& host, const char* name, const std::string& table) {
    Clock::time_point ok{};
    host.dialogs().QueueScript([&](DialogSession& s) {
        host.win32().QueueFileAnswer(table);
        s.Click(kOpen);
        ok = Clock::now();
        s.Ok();
    });
    if (!RunFilter(state, host, name)) {
        return false;
    }
    state.SetIterationTime(Seconds(ok, Clock::now()));
    return true;
}

// The walk over the swatch list that each look-up of a symbol by name makes, through the host
// calls the module makes: per swatch its colour, the pattern's name, the next swatch. Returns
// the seconds per swatch visited.
double SwatchStep(Host& host, int walks) {
    const void* a = nullptr;
    const void* b = nullptr;
    host.Acquire(kSwatchListSuite, kSwatchListSuiteVersion, &a);
    host.Acquire(kPatternSuite, kPatternSuiteVersion, &b);
    const auto* swatches = static_cast<const SwatchListSuite*>(a);
    const auto* patterns = static_cast<const PatternSuite*>(b);
    std::size_t visited = 0;
    unsigned char name[256];
    const auto start = Clock::now();
    for (int w = 0; w < walks; ++w) {
        SwatchHandle s = nullptr;
        swatches->GetFirstSwatch(nullptr, &s);
        while (s != nullptr) {
            AIColor color{};
            if (swatches->GetAIColor(s, &color) == kNoErr && color.kind == kPatternColor) {
                patterns->GetPatternName(color.c.p.pattern, name);
            }
            SwatchHandle next = nullptr;
            swatches->GetNextSwatch(s, &next);
            s = next;
            ++visited;
        }
    }
    const double seconds = Seconds(start, Clock::now());
    host.Release(kSwatchListSuite, kSwatchListSuiteVersion);
    host.Release(kPatternSuite, kPatternSuiteVersion);
    benchmark::DoNotOptimize(name);
    return visited == 0 ? 0 : seconds / static_cast<double>(visited);
}

// Swatches a look-up of pattern K visits before it stops.
double StepsTo(int k) {
    return kGraySwatches + k + 1;
}

void Report(benchmark::State& state, double floor, double walks) {
    const auto n = static_cast<double>(state.iterations());
    state.counters["floor"] = benchmark::Counter(floor / n);
    state.counters["walks"] = benchmark::Counter(walks / n);
}

// The floors: the document changes of each run made directly on the host's document.

// Text to text: one text written per label.
double T2TFloor(Document& doc, const Plan& plan) {
    const auto start = Clock::now();
    std::size_t i = 0;
    for (Art* art : doc.layers()[0]->group->children) {
        const std::string value = "katatsumuri" + std::to_string(plan.formOfLabel[i++]);
        const TextStreamRef stream = doc.OpenStream(*art, kTextStreamWrite);
        doc.Get(doc.Get(stream).art).text.append(value);
        doc.CloseStream(stream);
    }
    return Seconds(start, Clock::now());
}

// Text to object with the symbols on the label's layer and every label deleted: per label its
// symbols duplicated, moved and tagged; with two or more a group, the copies and an arc moved
// into it; the result transformed and moved to the front of the layer; the label deleted.
double T2OFloor(Document& doc, const Plan& plan) {
    Art& layer = *doc.layers()[0]->group;
    std::vector<Art*> labels(layer.children.begin(), layer.children.end());
    const auto start = Clock::now();
    for (std::size_t i = 0; i < labels.size(); ++i) {
        Art& text = *labels[i];
        const auto& symbols = plan.symbolsOfForm[static_cast<std::size_t>(plan.formOfLabel[i])];
        Art* group = symbols.size() >= 2 ? &doc.NewArt(kGroupArt, kPlaceAbove, text) : nullptr;
        Art* result = group;
        double x = 0;
        for (int k : symbols) {
            Art& copy =
                doc.Duplicate(*doc.patterns()[static_cast<std::size_t>(k)]->art, kPlaceAbove, text);
            copy.tags["kznObjectName"] = plan.patternNames[static_cast<std::size_t>(k)];
            subhost::TransformArt(copy, geometry::Matrix::Translation(x, -10), 1,
                                  kTransformObjects);
            x += 12;
            if (group != nullptr) {
                doc.Reorder(copy, kPlaceInsideOnTop, *group);
            } else {
                result = &copy;
            }
        }
        if (group != nullptr) {
            Art& arc = doc.NewArt(kPathArt, kPlaceAbove, text);
            arc.segments.resize(3);
            doc.Reorder(arc, kPlaceInsideOnTop, *group);
        }
        subhost::TransformArt(*result, geometry::Matrix::Translation(text.anchor.x, text.anchor.y),
                              1, kTransformObjects);
        doc.Reorder(*result, kPlaceInsideOnTop, layer);
        doc.Dispose(text);
    }
    return Seconds(start, Clock::now());
}

// Object to object: per symbol a copy of the new pattern, moved, tagged twice, and the symbol
// deleted.
double O2OFloor(Document& doc, const Plan& plan) {
    Art& layer = *doc.layers()[0]->group;
    std::vector<Art*> symbols(layer.children.begin(), layer.children.end());
    const auto n = static_cast<int>(plan.patternNames.size());
    const auto start = Clock::now();
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        Art& old = *symbols[i];
        const int k = (plan.patternOfSymbol[i] + 1) % n;
        Art& copy =
            doc.Duplicate(*doc.patterns()[static_cast<std::size_t>(k)]->art, kPlaceAbove, old);
        subhost::TransformArt(copy, geometry::Matrix::Translation(5, 5), 1, kTransformObjects);
        copy.tags["BBAccumRotation"] = "0.000000";
        copy.tags["kznObjectName"] = plan.patternNames[static_cast<std::size_t>(k)];
        doc.Dispose(old);
    }
    return Seconds(start, Clock::now());
}

// Whole replacement runs, from OK to the dialog's close.

void T2TRun(benchmark::State& state, int labels, int patterns) {
    auto host = StartedHost();
    kzntest::TempDir dir;
    const Shape shape{labels, patterns};
    Plan plan;
    LabelMap(shape, &plan);
    const std::string table = dir.Write("t2t.csv", TextTable(plan));
    double floor = 0;
    for (auto _ : state) {
        Prepare(*host, LabelMap(shape, nullptr));
        if (!TimedRun(state, *host, "t2t", table)) {
            return;
        }
        if (host->document().layers()[0]->group->children.front()->text.rfind("katatsumuri", 0) !=
            0) {
            state.SkipWithError("the labels were not replaced");
            return;
        }
        auto fresh = LabelMap(shape, nullptr);
        floor += T2TFloor(*fresh, plan);
    }
    Report(state, floor, 0);
}

void T2ORun(benchmark::State& state, int labels, int patterns) {
    auto host = StartedHost();
    kzntest::TempDir dir;
    const Shape shape{labels, patterns};
    Plan plan;
    LabelMap(shape, &plan);
    const std::string table = dir.Write("t2o.csv", SymbolTable(plan));
    // Each symbol of each label is looked up by name.
    double steps = 0;
    for (int f : plan.formOfLabel) {
        for (int k : plan.symbolsOfForm[static_cast<std::size_t>(f)]) {
            steps += StepsTo(k);
        }
    }
    double floor = 0, walks = 0;
    for (auto _ : state) {
        Prepare(*host, LabelMap(shape, nullptr));
        if (!TimedRun(state, *host, "t2o", table)) {
            return;
        }
        const Art& front = *host->document().layers()[0]->group->children.front();
        if (front.type == kTextArt || host->document().layers()[0]->group->children.size() !=
                                          static_cast<std::size_t>(labels)) {
            state.SkipWithError("the labels were not replaced");
            return;
        }
        walks += steps * SwatchStep(*host, 20);
        auto fresh = LabelMap(shape, nullptr);
        floor += T2OFloor(*fresh, plan);
    }
    Report(state, floor, walks);
}

void O2ORun(benchmark::State& state, int labels, int patterns) {
    auto host = StartedHost();
    kzntest::TempDir dir;
    const Shape shape{labels, patterns};
    Plan plan;
    SymbolMap(shape, &plan);
    const std::string table = dir.Write("o2o.csv", SwapTable(plan));
    // One look-up per name found on the layer.
    const std::set<int> names(plan.patternOfSymbol.begin(), plan.patternOfSymbol.end());
    double steps = 0;
    for (int k : names) {
        steps += StepsTo((k + 1) % patterns);
    }
    double floor = 0, walks = 0;
    for (auto _ : state) {
        Prepare(*host, SymbolMap(shape, nullptr));
        if (!TimedRun(state, *host, "o2o", table)) {
            return;
        }
        const Art& front = *host->document().layers()[0]->group->children.front();
        const std::string expected =
            plan.patternNames[static_cast<std::size_t>((plan.patternOfSymbol[0] + 1) % patterns)];
        if (front.tags.count("kznObjectName") == 0 || front.tags.at("kznObjectName") != expected) {
            state.SkipWithError("the symbols were not replaced");
            return;
        }
        walks += steps * SwatchStep(*host, 20);
        auto fresh = SymbolMap(shape, nullptr);
        floor += O2OFloor(*fresh, plan);
    }
    Report(state, floor, walks);
}

// Opening a dialog on a layer: from the command to the dialog shown with its list filled.
void Open(benchmark::State& state, const char* filter, int labels, int patterns) {
    auto host = StartedHost();
    const Shape shape{labels, patterns};
    const bool symbols = std::string(filter) == "o2o";
    for (auto _ : state) {
        Prepare(*host, symbols ? SymbolMap(shape, nullptr) : LabelMap(shape, nullptr));
        Clock::time_point shown;
        std::size_t rows = 0;
        host->dialogs().QueueScript([&](DialogSession& s) {
            shown = Clock::now();
            rows = s.Rows(1011).size();
            s.Cancel();
        });
        const auto start = Clock::now();
        if (!RunFilter(state, *host, filter)) {
            return;
        }
        state.SetIterationTime(Seconds(start, shown));
        if (rows == 0) {
            state.SkipWithError("the dialog listed nothing");
            return;
        }
    }
}

// The draw procedure of the list being painted, and the one put in its place, which counts.
EntryDrawProc gModuleDraw = nullptr;
std::size_t gRowsPainted = 0;
void KZN_API CountedDraw(EntryRef entry, DrawerRef drawer) {
    ++gRowsPainted;
    ModuleAllocations::EnterModule();
    gModuleDraw(entry, drawer);
    ModuleAllocations::LeaveModule();
}

// Paints rows of LIST, scrolling a page at a time and round again, until ROWS were painted.
void PaintRows(subhost::DialogManager& dialogs, subhost::List& list, std::size_t rows) {
    const int height = list.item->bounds.bottom - list.item->bounds.top;
    const int total = static_cast<int>(list.entries.size()) * subhost::DialogManager::kRowHeight;
    gRowsPainted = 0;
    while (gRowsPainted < rows) {
        dialogs.Paint(list);
        list.scrollTop += height;
        if (list.scrollTop >= total) {
            list.scrollTop = 0;
        }
    }
}

// Repainting ROWS rows of list ID of a dialog, after they were painted once (the caches warm);
// counts the module's allocations.
void Repaint(benchmark::State& state, const char* filter, int id, int rows, int patterns) {
    auto host = StartedHost();
    kzntest::TempDir dir;
    const bool symbols = std::string(filter) == "o2o";
    const Shape shape{1000, patterns};
    Plan plan;
    Prepare(*host, symbols ? SymbolMap(shape, &plan) : LabelMap(shape, &plan));
    const std::string table =
        dir.Write("table.csv", std::string(filter) == "t2t"   ? TextTable(plan)
                               : std::string(filter) == "t2o" ? SymbolTable(plan)
                                                              : SwapTable(plan));
    std::size_t allocations = 0;
    host->dialogs().QueueScript([&](DialogSession& s) {
        host->win32().QueueFileAnswer(table);
        s.Click(kOpen);
        if (id == kT2OSymbols) {
            s.ClickRow(kT2OLabels, 0);  // lists the first label's symbols
        }
        subhost::List& list = host->dialogs().Get(s.item(id).list->ref);
        if (list.entries.empty() || list.draw == nullptr) {
            state.SkipWithError("the list has no rows the module paints");
            return;
        }
        gModuleDraw = list.draw;
        list.draw = CountedDraw;
        PaintRows(host->dialogs(), list, static_cast<std::size_t>(rows));
        for (auto _ : state) {
            list.scrollTop = 0;
            ModuleAllocations::Start();
            const auto start = Clock::now();
            PaintRows(host->dialogs(), list, static_cast<std::size_t>(rows));
            const double seconds = Seconds(start, Clock::now());
            allocations += ModuleAllocations::Stop();
            state.SetIterationTime(seconds);
        }
        list.draw = gModuleDraw;
        s.Cancel();
    });
    RunFilter(state, *host, filter);
    state.counters["allocs"] = benchmark::Counter(static_cast<double>(allocations) /
                                                  static_cast<double>(state.iterations()));
}

// A map of LABELS labels, or of as many symbols (copies of coloured patterns) where SYMBOLS.
std::unique_ptr<subhost::Document> BenchMap(int labels, bool symbols) {
    return symbols ? SymbolMap({labels, 50}, nullptr) : LabelMap({labels, 50}, nullptr);
}

// Writing and reading the map in the form NAME's ending gives (map.json, map.svg).
void MapWrite(benchmark::State& state, int labels, const char* name, bool symbols) {
    kzntest::TempDir dir;
    auto doc = BenchMap(labels, symbols);
    const std::string path = dir / name;
    for (auto _ : state) {
        const auto start = Clock::now();
        subhost::WriteMap(*doc, path);
        state.SetIterationTime(Seconds(start, Clock::now()));
    }
}

void MapRead(benchmark::State& state, int labels, const char* name, bool symbols) {
    kzntest::TempDir dir;
    const std::string path = dir / name;
    subhost::WriteMap(*BenchMap(labels, symbols), path);
    for (auto _ : state) {
        const auto start = Clock::now();
        auto doc = subhost::ReadMap(path);
        state.SetIterationTime(Seconds(start, Clock::now()));
        if (doc->layers()[0]->group->children.size() != static_cast<std::size_t>(labels)) {
            state.SkipWithError("the map did not read back");
            return;
        }
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
}

// Loading a table file through the text-to-text dialog's open button: ROWS rows, or with
// LINE one row of a form and ROWS fields.
void TableLoad(benchmark::State& state, int rows, bool line) {
    auto host = StartedHost();
    kzntest::TempDir dir;
    const std::string table = dir.Write("large.csv", line ? LongTableLine(rows) : LargeTable(rows));
    for (auto _ : state) {
        Prepare(*host, LabelMap({10, 5}, nullptr));
        double seconds = 0;
        host->dialogs().QueueScript([&](DialogSession& s) {
            host->win32().QueueFileAnswer(table);
            const auto start = Clock::now();
            s.Click(kOpen);
            seconds = Seconds(start, Clock::now());
            s.Cancel();
        });
        if (!RunFilter(state, *host, "t2t")) {
            return;
        }
        state.SetIterationTime(seconds);
    }
}

// A whole walk over the swatch list through the host calls, per swatch count.
void SwatchWalk(benchmark::State& state, int patterns) {
    auto host = StartedHost();
    Prepare(*host, LabelMap({10, patterns}, nullptr));
    const auto swatches = static_cast<double>(host->document().swatches().size());
    for (auto _ : state) {
        state.SetIterationTime(SwatchStep(*host, 10) * swatches);
    }
}

// Iterations by size: enough for a steady figure at 1k, one at 100k.
int IterationsFor(int size) {
    return size <= 1000 ? 5 : size <= 10000 ? 2 : 1;
}

template <typename Fn, typename... Args>
void Add(Figure figure, int iterations, Fn fn, Args... args) {
    std::string name = figure.what + "/" + std::to_string(figure.size);
    if (figure.patterns != 0) {
        name += "/" + std::to_string(figure.patterns);
    }
    for (char& c : name) {
        c = c == ' ' ? '_' : c;
    }
    Figures()[name] = figure;
    benchmark::RegisterBenchmark(name.c_str(), fn, args...)
        ->UseManualTime()
        ->Iterations(iterations)
        ->Unit(benchmark::kMillisecond);
}

void RegisterAll(const std::vector<int>& sizes, const std::vector<int>& patternCounts, int rows) {
    for (int p : patternCounts) {
        for (int n : sizes) {
            const int it = IterationsFor(n);
            Add({"t2t run", "labels", n, p}, it, T2TRun, n, p);
            Add({"t2o run", "labels", n, p}, it, T2ORun, n, p);
            Add({"o2o run", "labels", n, p}, it, O2ORun, n, p);
            Add({"t2t open", "labels", n, p}, it, Open, "t2t", n, p);
            Add({"t2o open", "labels", n, p}, it, Open, "t2o", n, p);
            Add({"o2o open", "labels", n, p}, it, Open, "o2o", n, p);
        }
    }
    for (int n : sizes) {
        for (const bool symbols : {false, true}) {
            const char* what = symbols ? "symbols" : "labels";
            const int it = IterationsFor(n) * 2;
            Add({symbols ? "symbol map write" : "map write", what, n, 50}, it, MapWrite, n,
                "map.json", symbols);
            Add({symbols ? "symbol map read" : "map read", what, n, 50}, it, MapRead, n, "map.json",
                symbols);
            Add({symbols ? "svg symbol map write" : "svg map write", what, n, 50}, it, MapWrite, n,
                "map.svg", symbols);
            Add({symbols ? "svg symbol map read" : "svg map read", what, n, 50}, it, MapRead, n,
                "map.svg", symbols);
        }
        Add({"table load", "rows", n, 0}, IterationsFor(n), TableLoad, n, false);
        Add({"table line", "fields", n, 0}, IterationsFor(n), TableLoad, n, true);
    }
    for (int n : sizes) {
        Add({"kznhost run t2o --out", "labels", n, 50}, IterationsFor(n), CommandRun, n);
        Add({"kznhost render", "labels", n, 50}, IterationsFor(n), CommandRender, n);
        Add({"kznhost legend", "labels", n, 50}, IterationsFor(n), CommandLegend, n);
        Add({"kznhost diff", "labels", n, 50}, IterationsFor(n), CommandDiff, n);
#ifdef KZN_SERVE
        Add({"serve action", "labels", n, 50}, 20, ServeAction, n);
#endif
    }
    const int patterns = patternCounts.back();
    Add({"repaint t2t forms", "rows", rows, patterns}, 5, Repaint, "t2t", kT2TList, rows, patterns);
    Add({"repaint t2o labels", "rows", rows, patterns}, 5, Repaint, "t2o", kT2OLabels, rows,
        patterns);
    Add({"repaint t2o symbols", "rows", rows, patterns}, 5, Repaint, "t2o", kT2OSymbols, rows,
        patterns);
    Add({"repaint t2o patterns", "rows", rows, patterns}, 5, Repaint, "t2o", kT2OPatterns, rows,
        patterns);
    Add({"repaint o2o objects", "rows", rows, patterns}, 5, Repaint, "o2o", kO2OObjects, rows,
        patterns);
    Add({"repaint o2o patterns", "rows", rows, patterns}, 5, Repaint, "o2o", kO2OPatterns, rows,
        patterns);
    for (int p : patternCounts) {
        Add({"swatch walk", "swatches", p + kGraySwatches, 0}, 20, SwatchWalk, p);
    }
}

// Collects every run beside the console report.
class Collector : public benchmark::ConsoleReporter {
  public:
    struct Row {
        Figure figure;
        double seconds = 0;
        std::map<std::string, double> counters;
        std::string error;
    };
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            Row row;
            const auto found = Figures().find(run.run_name.function_name);
            if (found == Figures().end()) {
                continue;
            }
            row.figure = found->second;
            row.seconds = run.GetAdjustedRealTime() / 1000;  // milliseconds
            for (const auto& [name, counter] : run.counters) {
                row.counters[name] = counter.value;
            }
            if (run.error_occurred) {
                row.error = run.error_message;
            }
            rows.push_back(row);
        }
    }
    std::vector<Row> rows;
};

std::string Format(const char* format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// The table: per figure its size, its time, its floor (with the swatch walks it makes, where
// it makes them), the ratio of the two, and the time per unit of size.
std::vector<std::vector<std::string>> Table(const std::vector<Collector::Row>& rows) {
    std::vector<std::vector<std::string>> table;
    table.push_back({"figure", "size", "unit", "patterns", "time_ms", "floor_ms", "walks_ms",
                     "ratio", "us_per_unit", "module_allocs", "peak_mib"});
    for (const auto& row : rows) {
        const auto counter = [&](const char* name) {
            const auto it = row.counters.find(name);
            return it == row.counters.end() ? std::nan("") : it->second;
        };
        const double floor = counter("floor"), walks = counter("walks");
        const double allocs = counter("allocs"), peak = counter("peak");
        const double ms = row.seconds * 1000;
        std::vector<std::string> line = {
            row.figure.what,
            std::to_string(row.figure.size),
            row.figure.unit,
            row.figure.patterns ? std::to_string(row.figure.patterns) : "",
            row.error.empty() ? Format("%.3f", ms) : "failed: " + row.error,
            std::isnan(floor) ? "" : Format("%.3f", floor * 1000),
            std::isnan(walks) || walks == 0 ? "" : Format("%.3f", walks * 1000),
            std::isnan(floor) || floor + walks <= 0
                ? ""
                : Format("%.2f", row.seconds / (floor + (std::isnan(walks) ? 0 : walks))),
            Format("%.3f", row.seconds * 1e6 / row.figure.size),
            std::isnan(allocs) ? "" : Format("%.0f", allocs),
            std::isnan(peak) ? "" : Format("%.0f", peak),
        };
        table.push_back(line);
    }
    return table;
}

void PrintTable(const std::vector<std::vector<std::string>>& table) {
    std::vector<std::size_t> width(table.front().size(), 0);
    for (const auto& line : table) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            width[i] = std::max(width[i], line[i].size());
        }
    }
    std::printf("\n");
    for (const auto& line : table) {
        std::string text;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const std::string pad(width[i] - line[i].size(), ' ');
            text += i == 0 ? line[i] + pad : "  " + pad + line[i];
        }
        std::printf("%s\n", text.c_str());
    }
}

std::vector<int> Numbers(const std::string& list) {
    std::vector<int> numbers;
    std::stringstream in(list);
    for (std::string item; std::getline(in, item, ',');) {
        numbers.push_back(std::stoi(item));
    }
    return numbers;
}

}  // namespace
}  // namespace kznbench

int main(int argc, char** argv) {
    std::vector<int> sizes = {1000, 10000, 100000};
    std::vector<int> patterns = {50, 500};
    int rows = 1000;
    std::string csv;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--sizes=", 0) == 0) {
            sizes = kznbench::Numbers(arg.substr(8));
        } else if (arg.rfind("--patterns=", 0) == 0) {
            patterns = kznbench::Numbers(arg.substr(11));
        } else if (arg.rfind("--rows=", 0) == 0) {
            rows = std::stoi(arg.substr(7));
        } else if (arg.rfind("--maps=", 0) == 0) {
            kznbench::SetMapsFolder(argv[i] + 7);
        } else if (arg.rfind("--csv=", 0) == 0) {
            csv = arg.substr(6);
        } else {
            rest.push_back(argv[i]);
        }
    }
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data())) {
        return 2;
    }
    if (sizes.empty() || patterns.empty() || rows <= 0) {
        std::fprintf(stderr, "kzn_bench: --sizes, --patterns and --rows need numbers\n");
        return 2;
    }
    kznbench::RegisterAll(sizes, patterns, rows);
    kznbench::Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();
    const auto table = kznbench::Table(collector.rows);
    kznbench::PrintTable(table);
    if (!csv.empty()) {
        std::ofstream out(csv);
        for (const auto& line : table) {
            for (std::size_t i = 0; i < line.size(); ++i) {
                out << (i ? "," : "") << line[i];
            }
            out << "\n";
        }
        if (!out) {
            std::fprintf(stderr, "kzn_bench: cannot write %s\n", csv.c_str());
            return 2;
        }
    }
    bool failed = false;
    for (const auto& row : collector.rows) {
        failed = failed || !row.error.empty();
    }
    return failed ? 1 : 0;
}
