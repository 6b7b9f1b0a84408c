// kznhost: runs the kzn.aip module headless on this machine.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#ifdef _WIN32
#include "host/win32.h"
#endif

#include "convert.h"
#include "diff.h"
#include "failure.h"
#include "info.h"
#include "picture.h"
#include "run.h"
#ifdef KZN_SERVE
#include "serve.h"
#endif
#include "subhost/files.h"
#include "trace.h"

namespace {

// The kzn.aip beside this program.
std::string DefaultPlugin() {
    const std::string self = subhost::RunningProgram();
    return self.empty() ? "kzn.aip"
                        : (std::filesystem::path(self).parent_path() / "kzn.aip").string();
}

// An option or argument naming a file: an empty name is a mistake (a variable that was not set),
// not a wish to leave the file out.
std::string NamesAFile(const std::string& name) {
    return name.empty() ? "a file name is needed, not an empty one" : "";
}

#if defined(__linux__) && defined(__GLIBC__)
// A map of a hundred thousand labels and its symbols is several hundred megabytes of small
// objects; with the heap in pages of 4 KiB a fifth of reading one goes to faulting the pages in.
// glibc puts its heap into transparent huge pages when a tunable says so, and reads tunables at
// start-up only: kznhost starts itself once more with it, unless its caller set tunables of its
// own (and goes on as it is where it cannot start itself).
void UseHugePages(char** argv) {
    if (std::getenv("GLIBC_TUNABLES") != nullptr) {
        return;
    }
    ::setenv("GLIBC_TUNABLES", "glibc.malloc.hugetlb=1", 1);
    ::execv("/proc/self/exe", argv);
    ::unsetenv("GLIBC_TUNABLES");
}
#endif

// The command ARGV asks for; its exit status.
int Command(int argc, char** argv) {
    CLI::App app{"kznhost: runs the kzn.aip plug-in module headless"};
    app.set_version_flag("--version", std::string("kznhost ") + KZN_VERSION);
    app.require_subcommand(1);

    std::string plugin = DefaultPlugin();
    CLI::App* info = app.add_subcommand(
        "info", "Show the module's property list, Filter menu commands and dialogs");
    info->add_option("--plugin", plugin, "The module file (default: the kzn.aip beside kznhost)")
        ->check(NamesAFile);

    kznhost::RunOptions run{plugin, {}, {}, {}, {}};
    CLI::App* runCommand = app.add_subcommand(
        "run", "Read a map, carry out a session script in the plug-in's dialogs, write the map");
    runCommand
        ->add_option("--plugin", run.plugin,
                     "The module file (default: the kzn.aip beside kznhost)")
        ->check(NamesAFile);
    runCommand
        ->add_option("--doc", run.doc,
                     "The map to work on (JSON, or SVG for a name ending in .svg or .svgz)")
        ->required()
        ->check(NamesAFile);
    runCommand->add_option("--script", run.script, "The session script")
        ->required()
        ->check(NamesAFile);
    runCommand
        ->add_option("--out", run.out,
                     "Where to write the map afterwards (its name gives its form)")
        ->check(NamesAFile);
    runCommand->add_option("--trace", run.trace, "Where to write the module's trace lines")
        ->check(NamesAFile);

    std::string before;
    std::string after;
    CLI::App* diff = app.add_subcommand(
        "diff",
        "Show what differs between two maps; exit status 0 when they are the same, 1 when they "
        "differ, 2 when one cannot be read");
    diff->add_option("before", before, "The map before")->required()->check(NamesAFile);
    diff->add_option("after", after, "The map after")->required()->check(NamesAFile);

    std::string tracePlugin = plugin;
    std::string traceDoc;
    std::vector<std::string> commands;
    CLI::App* trace = app.add_subcommand(
        "trace",
        "Send start-up, run Filter commands (their dialogs are cancelled), send shut-down, and "
        "print the module's trace");
    trace
        ->add_option("--plugin", tracePlugin,
                     "The module file (default: the kzn.aip beside kznhost)")
        ->check(NamesAFile);
    trace
        ->add_option("--doc", traceDoc,
                     "The map the commands run on (JSON or SVG; default: none, an empty document)")
        ->check(NamesAFile);
    trace->add_option("commands", commands, "Filter commands to run (default: all registered)");

    std::string renderMap;
    std::string renderOut;
    double scale = 1;
    CLI::App* render =
        app.add_subcommand("render", "Draw a map as a person sees it, into a PNG or SVG picture");
    render->add_option("map", renderMap, "The map (JSON or SVG)")->required()->check(NamesAFile);
    render->add_option("--out", renderOut, "The picture to write (.png or .svg)")
        ->required()
        ->check(NamesAFile);
    render->add_option("--scale", scale, "Pixels to a document unit (default 1)");

    std::string legendMap;
    std::string legendOut;
    CLI::App* legend = app.add_subcommand(
        "legend", "Draw the legend of a map: each symbol, its name and how many points carry it");
    legend->add_option("map", legendMap, "The map (JSON or SVG)")->required()->check(NamesAFile);
    legend->add_option("--out", legendOut, "The picture to write (.png or .svg)")
        ->required()
        ->check(NamesAFile);

    std::string convertIn;
    std::string convertOut;
    CLI::App* convert = app.add_subcommand(
        "convert", "Read a map and write it in the form OUT's name gives (.svg, .svgz or JSON)");
    convert->add_option("in", convertIn, "The map to read")->required()->check(NamesAFile);
    convert->add_option("out", convertOut, "The map to write")->required()->check(NamesAFile);

#ifdef KZN_SERVE
    kznhost::ServeOptions serve{plugin, {}, {}, 0};
    CLI::App* serveCommand = app.add_subcommand(
        "serve", "Show the map and the plug-in's dialogs in a web page on this machine");
    serveCommand->add_option("map", serve.map, "The map (JSON or SVG)")
        ->required()
        ->check(NamesAFile);
    serveCommand->add_option("--out", serve.out, "Where Save writes the map (JSON or SVG)")
        ->check(NamesAFile);
    serveCommand->add_option("--port", serve.port, "The port on 127.0.0.1 (default: a free one)")
        ->check(CLI::Range(1, 65535));
    serveCommand
        ->add_option("--plugin", serve.plugin,
                     "The module file (default: the kzn.aip beside kznhost)")
        ->check(NamesAFile);
#endif

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {
            return app.exit(e);  // --help
        }
        std::cerr << "kznhost: " << e.what() << " (kznhost --help tells what it takes)\n";
        return 2;
    }

    // What the command does, for what it cannot say itself (the machine out of memory).
    std::string doing = "starting";
    try {
        if (info->parsed()) {
            doing = "showing the module " + plugin;
            return kznhost::PrintInfo(plugin, std::cout, std::cerr);
        }
        if (diff->parsed()) {
            doing = "comparing the maps " + before + " and " + after;
            return kznhost::PrintDiff(before, after, std::cout, std::cerr);
        }
        if (runCommand->parsed()) {
            doing = "running the session script " + run.script;
            return kznhost::RunSession(run, std::cerr);
        }
        if (render->parsed()) {
            doing = "drawing the picture " + renderOut;
            return kznhost::RenderPicture(renderMap, renderOut, scale, std::cerr);
        }
        if (legend->parsed()) {
            doing = "drawing the legend " + legendOut;
            return kznhost::RenderLegend(legendMap, legendOut, std::cerr);
        }
        if (convert->parsed()) {
            doing = "converting the map " + convertIn;
            return kznhost::ConvertMap(convertIn, convertOut, std::cerr);
        }
#ifdef KZN_SERVE
        if (serveCommand->parsed()) {
            doing = "serving the map " + serve.map;
            return kznhost::Serve(serve, std::cout, std::cerr);
        }
#endif
        if (trace->parsed()) {
            doing = "tracing the module " + tracePlugin;
            return kznhost::PrintTrace(tracePlugin, traceDoc, commands, std::cout, std::cerr);
        }
    } catch (const std::exception& e) {
        // The commands report their own errors; this is the last line of defence.
        std::cerr << "kznhost: " << kznhost::Said(e, doing) << "\n";
    }
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(__linux__) && defined(__GLIBC__)
    UseHugePages(argv);
#endif
    try {
        return Command(argc, argv);
    } catch (const std::exception& e) {
        // Before a command has begun (its options being read).
        std::cerr << "kznhost: " << kznhost::Said(e, "reading the command line") << "\n";
        return 2;
    }
}
