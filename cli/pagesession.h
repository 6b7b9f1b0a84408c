// A person's session with the plug-in in a web page (kznhost serve), without the network: the
// module runs on a thread of its own, where its modal dialogs wait for the person's next action;
// each request is handed to that thread and answered when the module waits again. Every action is
// a session line, carried out by the same code as kznhost run's, and the lines carried out make a
// script that kznhost run turns into the same map.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace kznhost {

struct ServeOptions {
    std::string plugin;
    std::string map;
    std::string out;  // empty: Save has nowhere to write
    int port = 0;     // 0: a free one
};

// An answer: an HTTP status and its body (JSON unless said otherwise).
struct Reply {
    int status = 200;
    std::string body;
    std::string type = "application/json";
    std::string filename;  // a download's name, when it is one
};

class PageSession {
  public:
    // Loads the module and the map and sends start-up; throws std::runtime_error naming what
    // cannot be read.
    explicit PageSession(const ServeOptions& options);
    ~PageSession();  // quits, if Quit was not called
    PageSession(const PageSession&) = delete;
    PageSession& operator=(const PageSession&) = delete;

    // What the page shows: the Filter commands, the open dialog with every item's state, an open
    // file dialog, whether there is something to undo.
    Reply State();
    // Carries out one session line (UTF-8), kept as the plug-in takes it (a typed text cut to what
    // it keeps, with run's warning). 400: not a session line; 409: a person could not do it now
    // (the session goes on).
    Reply Act(const std::string& line);
    // The map as the renderer draws it (SVG).
    Reply MapPicture();
    // The rows of list ITEM of the open dialog that show when it is scrolled TOP pixels down, as
    // the module paints them (PNG of the list's size).
    Reply ListPicture(int item, int top, int scale = 1);
    // The texts the rows of list ITEM of the open dialog stand for.
    Reply ListTexts(int item);
    // A picture button of the open dialog as it is drawn (PNG).
    Reply ItemPicture(int item);
    // A table file the page sends, kept as NAME (a plain file name) for file lines to pick.
    Reply Upload(const std::string& name, const std::string& bytes);
    // A file of the session's folder (a table the module saved), to download.
    Reply File(const std::string& name);
    // The map as it was before the last command that changed it; the answer's "step" names it.
    Reply Undo();
    // The map as the last Undo found it.
    Reply Redo();
    // The map as it was opened (a step Undo takes back).
    Reply Restart();
    // Another map, sent as NAME's BYTES: a new session on it, with nowhere to save but a
    // download. 400 when it cannot be read (the session goes on as it was).
    Reply Open(const std::string& name, const std::string& bytes);
    // The labels of the map's visible layers, as boxes of the map picture's own units.
    Reply Labels();
    // Writes the map to --out, whole or nothing.
    Reply Save();
    // The map in its form, to download.
    Reply Download();
    // The lines carried out so far, as a script.
    Reply Script();
    // Cancels an open dialog, sends shut-down and removes the session's folder; the session takes
    // nothing more.
    Reply Quit();
    bool quitting() const;

  private:
    class Worker;
    std::unique_ptr<Worker> worker_;
};

}  // namespace kznhost
