#include "trace.h"

#include <algorithm>

#include "failure.h"
#include "load.h"
#include "output.h"
#include "subhost/error.h"
#include "subhost/host.h"
#include "subhost/mapforms/mapforms.h"
#include "subhost/sjis.h"

namespace kznhost {
namespace {

// Prints the trace lines written since the last call, then forgets them.
void Flush(subhost::Host& host, std::ostream& out) {
    for (const std::string& line : host.trace().Lines()) {
        out << "  | " << subhost::ShowSjis(line) << "\n";
    }
    for (const subhost::AssertionReport& a : host.assertions()) {
        out << "  ! assertion report: " << a.file << "(" << a.line << "): " << a.expression << "\n";
    }
    host.trace().Clear();
    host.assertions().clear();
}

}  // namespace

int PrintTrace(const std::string& pluginPath, const std::string& docPath,
               const std::vector<std::string>& commands, std::ostream& out, std::ostream& err) {
    std::unique_ptr<subhost::PluginModule> module = LoadPlugin(pluginPath, err);
    if (module == nullptr) {
        return 2;
    }
    std::unique_ptr<subhost::Document> document;
    if (!docPath.empty()) {
        try {
            document = subhost::ReadMap(docPath);
        } catch (const std::exception& e) {
            err << "kznhost: " << Said(e, "reading the map " + docPath) << "\n";
            return 2;
        }
    }
    subhost::Host host(std::move(module));
    host.KeepCalls(0);  // a session of any length: its calls are counted, not recorded
    if (document) {
        host.SetDocument(std::move(document));
    }

    out << "start-up: returned " << host.Startup() << "\n";
    Flush(host, out);

    std::vector<std::string> names = commands;
    if (names.empty()) {
        // In menu order: the host lists a submenu's commands by their titles.
        std::vector<subhost::FilterRecord> menu = host.filters();
        std::sort(menu.begin(), menu.end(),
                  [](const auto& a, const auto& b) { return a.title < b.title; });
        for (const subhost::FilterRecord& f : menu) {
            names.push_back(f.name);
        }
    }
    for (const std::string& name : names) {
        const subhost::FilterRecord* filter = host.FindFilter(name);
        if (filter == nullptr) {
            err << "kznhost: the Filter menu has no command named " << name << "\n";
            return 2;
        }
        const std::size_t before = host.dialogs().runs().size();
        out << "filter " << name << " (" << subhost::ShowSjis(filter->title) << "): returned "
            << host.RunFilter(filter->handle) << "\n";
        for (std::size_t i = before; i < host.dialogs().runs().size(); ++i) {
            const subhost::DialogRun& run = host.dialogs().runs()[i];
            out << "  dialog " << run.name << " (resource " << run.resourceId
                << ") opened and closed by item " << run.itemHit << "\n";
        }
        Flush(host, out);
    }

    out << "shut-down: returned " << host.Shutdown() << "\n";
    Flush(host, out);
    out << "suites still held: " << host.TotalHeld() << "\n";
    return Written(out, err, 0);
}

}  // namespace kznhost
