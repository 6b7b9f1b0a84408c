// Every host call a session makes, failed once: for each command, a session that loads a table,
// edits, saves and presses OK, and one that cancels, is first run as it is and its host calls
// recorded; then it runs once for every recorded call with that call failing (an error code),
// and once for every call that gives back a handle with that handle null. Whatever fails, the
// module must give back every suite it took, leave no dialog object alive, leave the document
// sound, and report a failed checked call at the line that made it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define KZN_LEAK_CHECK 1
#endif

#include "subhost/mapforms/mapforms.h"
#include "support/harness.h"
#include "support/tempdir.h"

namespace {

using kzntest::TempDir;
using subhost::DialogSession;

constexpr ASErr kInjected = FourCharCode('I', 'N', 'J', 'T');

// The files of a session: the tables it loads and the table it saves over.
struct Files {
    std::string romaji, symbols, swap, saved;
};

struct Scenario {
    const char* filter;
    // Run without failures before the session (the map it needs); may be empty.
    std::function<void(subhost::Host&, const Files&)> prepare;
    std::function<void(DialogSession&, const Files&, subhost::Host&)> script;
};

// What goes wrong with a failure: how it was arranged and what broke.
struct Injection {
    std::size_t index;  // of the failed call among the session's calls
    bool nullOut;       // a null out-value instead of an error code
};

// The source file of a trace's source name.
std::string SourceFile(const std::string& source) {
    static const std::map<std::string, std::string> kFiles = {
        {"plugin", "module/frame/plugin.cpp"},
        {"kznAIutil", "module/util/kznAIutil.cpp"},
        {"kznO2ODialog", "module/o2o/kznO2ODialog.cpp"},
        {"kznT2ODialog", "module/t2o/kznT2ODialog.cpp"},
        {"kznT2TDialog", "module/t2t/kznT2TDialog.cpp"},
        {"kznPatternEntry", "module/patterns/kznPatternEntry.cpp"},
    };
    const auto it = kFiles.find(source);
    return it == kFiles.end() ? "" : kzntest::SourcePath(it->second);
}

// Line N (1-based) of FILE, or "" when it has fewer.
std::string LineAt(const std::string& file, int n) {
    static std::map<std::string, std::vector<std::string>> cache;
    auto& lines = cache[file];
    if (lines.empty()) {
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
    }
    return n >= 1 && static_cast<std::size_t>(n) <= lines.size() ? lines[n - 1] : "";
}

bool StartsWithAny(const std::string& text, std::initializer_list<const char*> prefixes) {
    for (const char* prefix : prefixes) {
        if (text.rfind(prefix, 0) == 0) {
            return true;
        }
    }
    return false;
}

// Whether an object may be left behind by the failure itself, not by the module: a call that made
// an object and gave back a null handle to it, or a call that failed to dispose of one.
bool LeavesAnObjectItself(const std::string& call, bool nullOut) {
    return nullOut ? StartsWithAny(call, {"Create", "Open", "Insert", "New", "Begin", "Duplicate"})
                   : StartsWithAny(call, {"Destroy", "Dispose", "Remove", "End", "Close"});
}

void QueueTable(subhost::Host& host, const std::string& path) {
    host.win32().QueueFileAnswer(path);
}

// The sessions. Texts are Shift-JIS, as the sources are compiled.
void TextToText(DialogSession& s, const Files& f, subhost::Host& host, bool ok) {
    s.Pick(1004, "調査地点");
    QueueTable(host, f.romaji);
    s.Click(1101);
    s.ClickRow(1011, 1);
    s.Type(1010, "tsugurame");
    if (!ok) {
        s.Cancel();
        return;
    }
    QueueTable(host, f.saved);
    s.Click(1102);
    s.Ok();
}

void TextToObject(DialogSession& s, const Files& f, subhost::Host& host, bool ok) {
    s.Pick(1004, "調査地点");
    QueueTable(host, f.symbols);
    s.Click(1101);
    s.ClickRow(1011, "ナメクジ");
    s.ClickRow(1018, "菱形");
    s.Click(1020);
    s.ClickRow(1018, "十字");
    s.Click(1020);
    s.ClickRow(1017, 1);
    s.Click(1019);  // the second symbol moves up
    s.Paint();
    if (!ok) {
        s.Click(1021);
        s.Cancel();
        return;
    }
    QueueTable(host, f.saved);
    s.Click(1102);
    s.Check(1132, true);
    s.Check(1041, true);
    s.Check(1039, true);
    s.Ok();
}

void ObjectToObject(DialogSession& s, const Files& f, subhost::Host& host, bool ok) {
    s.Pick(1016, "レイヤー 5");
    QueueTable(host, f.swap);
    s.Click(1101);
    s.ClickRow(1011, 0);
    s.ClickRow(1013, "菱形");
    s.Paint();
    if (!ok) {
        s.Click(1021);
        s.Cancel();
        return;
    }
    QueueTable(host, f.saved);
    s.Click(1102);
    s.Ok();
}

// The text-to-object session run through, so that object to object finds its symbols.
void SymbolsPlaced(subhost::Host& host, const Files& f) {
    host.dialogs().QueueScript([&](DialogSession& s) { TextToObject(s, f, host, true); });
    host.RunFilter("t2o");
}

class FaultSweep : public ::testing::Test {
  protected:
    // Runs SCENARIO once, with INJECTION if given; returns the host calls of the command.
    // Everything that is wrong afterwards is added to problems_.
    std::vector<subhost::CallRecord> RunOnce(const Scenario& scenario,
                                             const std::optional<Injection>& injection,
                                             const std::vector<subhost::CallRecord>& recorded) {
        TempDir dir;
        Files files;
        files.romaji = CopyExample(dir, "snail-romaji.csv");
        files.symbols = CopyExample(dir, "snail-symbols.csv");
        files.swap = CopyExample(dir, "snail-swap-circles.csv");
        files.saved = dir.Write("saved.csv", kPrevious);

        auto host = kzntest::LoadedHost();
        host->SetDocument(subhost::ReadMap(kzntest::SourcePath("examples/snail-map.json")));
        if (host->Startup() != kNoErr) {
            Problem(injection, "start-up failed");
            return {};
        }
        if (scenario.prepare) {
            scenario.prepare(*host, files);
        }
        const std::size_t mark = host->calls().size();
        std::string failed;
        if (injection) {
            const subhost::CallRecord& call = recorded[injection->index];
            int nth = 0;
            for (std::size_t i = 0; i <= injection->index; ++i) {
                nth += recorded[i].suite == call.suite && recorded[i].call == call.call;
            }
            if (injection->nullOut) {
                host->faults().NullOut(call.suite, call.call, nth);
            } else {
                host->faults().Fail(call.suite, call.call, kInjected, nth);
            }
            failed = call.call;
        }
        const std::size_t assertionsBefore = host->assertions().size();
        const std::size_t traceBefore = host->trace().Lines().size();
        host->dialogs().QueueScript([&](DialogSession& s) { scenario.script(s, files, *host); });
        host->RunFilter(scenario.filter);
        std::vector<subhost::CallRecord> calls = host->calls().Since(mark);
        if (!injection && !host->dialogs().scriptError().empty()) {
            Problem(injection,
                    "the session could not be carried out: " + host->dialogs().scriptError());
        }

        // A filter run gives back every suite, also those start-up took; one the host refused to
        // take back is given back at shut-down.
        if (host->TotalHeld() != 0 && failed != "ReleaseSuite") {
            Problem(injection,
                    "the filter run kept " + std::to_string(host->TotalHeld()) + " suites");
        }
        auto& d = host->dialogs();
        const std::size_t alive = d.liveDialogs() + d.liveItems() + d.liveLists() +
                                  d.liveEntries() + d.liveDrawers() + d.liveImages();
        const bool mayLeave = injection && LeavesAnObjectItself(failed, injection->nullOut);
        if (alive != 0 && !mayLeave) {
            Problem(injection, "dialogs " + std::to_string(d.liveDialogs()) + ", items " +
                                   std::to_string(d.liveItems()) + ", lists " +
                                   std::to_string(d.liveLists()) + ", entries " +
                                   std::to_string(d.liveEntries()) + ", drawers " +
                                   std::to_string(d.liveDrawers()) + ", images " +
                                   std::to_string(d.liveImages()) + " alive after the dialog");
        }
        for (const std::string& problem : host->document().Problems()) {
            Problem(injection, "document: " + problem);
        }
        if (host->document().openStreams() != 0 && !mayLeave) {
            Problem(injection, "a text stream was left open");
        }
        CheckTrace(*host, injection, failed, traceBefore, assertionsBefore);
        // The table saved over is the old one or a whole new one, never half of one.
        const std::string saved = TempDir::Read(files.saved);
        if (saved != kPrevious && (saved.empty() || saved.back() != '\n')) {
            Problem(injection, "the saved table was cut short");
        }
        if (host->Shutdown() != kNoErr || host->TotalHeld() != 0) {
            Problem(injection, "suites held after shut-down");
        }
#ifdef KZN_LEAK_CHECK
        // Checked while the module is still loaded, so that the report names its functions. A
        // leak stays in every later report, so only the first run that leaks is named.
        static bool leaked = false;
        if (!leaked && __lsan_do_recoverable_leak_check() != 0) {
            leaked = true;
            Problem(injection, "memory leaked (see the report above)");
        }
#endif
        return calls;
    }

    // A failed checked call writes "ASErr:INJT", then "SOURCE,LINE" naming the line that made
    // the call, and raises an assertion report for that line.
    void CheckTrace(subhost::Host& host, const std::optional<Injection>& injection,
                    const std::string& failed, std::size_t traceBefore,
                    std::size_t assertionsBefore) {
        const auto lines = host.trace().Lines();
        for (std::size_t i = traceBefore; i < lines.size(); ++i) {
            if (lines[i] != "ASErr:INJT") {
                continue;
            }
            ++traced_;
            if (i + 1 >= lines.size()) {
                Problem(injection, "ASErr:INJT without its source line");
                continue;
            }
            const std::string& where = lines[i + 1];
            const std::size_t comma = where.rfind(',');
            const std::string file =
                SourceFile(comma == std::string::npos ? "" : where.substr(0, comma));
            const int line = comma == std::string::npos ? 0 : std::atoi(where.c_str() + comma + 1);
            // The line is the check: the call itself, or where the code checks what a run of
            // calls gave back.
            const std::string text = LineAt(file, line);
            if (file.empty() || text.find("KznChecked(") == std::string::npos) {
                Problem(injection,
                        "traced at \"" + where + "\", which checks no call (" + text + ")");
            } else if (text.find(failed) != std::string::npos) {
                ++tracedAtTheCall_;
            }
            bool reported = false;
            for (std::size_t a = assertionsBefore; a < host.assertions().size(); ++a) {
                reported = reported || (host.assertions()[a].line == line &&
                                        host.assertions()[a].expression == "NULL");
            }
            if (!reported) {
                Problem(injection, "no assertion report for " + where);
            }
        }
    }

    // Records the session's calls, then fails each in turn; returns the number of runs.
    void Sweep(const Scenario& scenario) {
        const std::clock_t start = std::clock();
        const std::vector<subhost::CallRecord> recorded = RunOnce(scenario, std::nullopt, {});
        ASSERT_TRUE(problems_.empty()) << problems_.front();
        ASSERT_FALSE(recorded.empty());
        recorded_ = &recorded;
        int errorRuns = 0;
        int nullRuns = 0;
        const std::size_t stride = Stride();
        for (std::size_t i = 0; i < recorded.size(); ++i) {
            if (i % stride != 0 && i + 1 != recorded.size()) {
                continue;
            }
            RunOnce(scenario, Injection{i, false}, recorded);
            ++errorRuns;
            if (recorded[i].pointerOut) {
                RunOnce(scenario, Injection{i, true}, recorded);
                ++nullRuns;
            }
            if (problems_.size() > 40) {
                break;
            }
        }
        const long long ms = (std::clock() - start) * 1000LL / CLOCKS_PER_SEC;
        std::printf(
            "%s: %zu host calls (every %zu-th failed, and the last); %d failed with an error "
            "code, %d with a null out-value; %d failures traced (%d at the failed call itself); "
            "%lld ms of processor time\n",
            ::testing::UnitTest::GetInstance()->current_test_info()->name(), recorded.size(),
            stride, errorRuns, nullRuns, traced_, tracedAtTheCall_, ms);
        for (const std::string& problem : problems_) {
            ADD_FAILURE() << problem;
        }
    }

    // Which calls are failed: every one, or under the slower builds (sanitizers, Wine) every
    // KZN_SWEEP_STRIDE-th, so that the sweep stays within minutes there too.
    static std::size_t Stride() {
        const char* stride = std::getenv("KZN_SWEEP_STRIDE");
        const long n = stride != nullptr ? std::strtol(stride, nullptr, 10) : 1;
        return n > 1 ? static_cast<std::size_t>(n) : 1;
    }

    void Problem(const std::optional<Injection>& injection, const std::string& what) {
        std::string where = "the session without failures";
        if (injection && recorded_ != nullptr) {
            const subhost::CallRecord& call = (*recorded_)[injection->index];
            where = "call " + std::to_string(injection->index) + " " + call.suite + "/" +
                    call.call + (injection->nullOut ? " (null out-value)" : " (error)");
        }
        problems_.push_back(where + ": " + what);
    }

    static std::string CopyExample(const TempDir& dir, const std::string& name) {
        return dir.Write(name, TempDir::Read(kzntest::SourcePath("examples/" + name)));
    }

    static constexpr const char* kPrevious = "前の,表\r\n";
    std::vector<std::string> problems_;
    const std::vector<subhost::CallRecord>* recorded_ = nullptr;
    int traced_ = 0;
    int tracedAtTheCall_ = 0;
};

TEST_F(FaultSweep, TextToTextLoadEditSaveOK) {
    Sweep({"t2t", nullptr,
           [](DialogSession& s, const Files& f, subhost::Host& h) { TextToText(s, f, h, true); }});
}

TEST_F(FaultSweep, TextToTextLoadEditCancel) {
    Sweep({"t2t", nullptr,
           [](DialogSession& s, const Files& f, subhost::Host& h) { TextToText(s, f, h, false); }});
}

TEST_F(FaultSweep, TextToObjectLoadEditSaveOK) {
    Sweep({"t2o", nullptr, [](DialogSession& s, const Files& f, subhost::Host& h) {
               TextToObject(s, f, h, true);
           }});
}

TEST_F(FaultSweep, TextToObjectLoadEditCancel) {
    Sweep({"t2o", nullptr, [](DialogSession& s, const Files& f, subhost::Host& h) {
               TextToObject(s, f, h, false);
           }});
}

TEST_F(FaultSweep, ObjectToObjectLoadEditSaveOK) {
    Sweep({"o2o", SymbolsPlaced, [](DialogSession& s, const Files& f, subhost::Host& h) {
               ObjectToObject(s, f, h, true);
           }});
}

TEST_F(FaultSweep, ObjectToObjectLoadEditCancel) {
    Sweep({"o2o", SymbolsPlaced, [](DialogSession& s, const Files& f, subhost::Host& h) {
               ObjectToObject(s, f, h, false);
           }});
}

}  // namespace
