// The module's thread of a page session, and the mailbox through which the requests reach it:
// everything that touches the host runs on that thread; a request is posted as a task, and its
// answer is a future that the thread fulfils.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>

#include "pagesession.h"
#include "session.h"

namespace kznhost {

// Where the module waits when a task reaches it: for the next command, in a dialog, or in a
// file dialog.
enum class Where { Top, Dialog, FileDialog };

struct Task {
    enum class Kind { Line, Query, Quit } kind = Kind::Line;
    std::string text;  // a line as the page sent it
    ScriptLine line;
    std::function<Reply(Where)> query;
    std::promise<Reply> reply;
};

class ModuleThread {
  public:
    // Starts the thread, which runs MAIN.
    void Start(std::function<void()> main);
    // Waits for the thread to end, once.
    void Join();

    // Hands a task to the module's thread; the future is its answer. Once Quit has been posted,
    // every task is answered at once: the session has ended.
    std::future<Reply> Post(Task::Kind kind, ScriptLine line, std::function<Reply(Where)> query,
                            std::string text = {});
    // Runs QUERY on the module's thread, wherever it waits, and waits for its answer.
    Reply Ask(std::function<Reply(Where)> query);
    // Whether Quit has been posted.
    bool quitting();

    // On the module's thread: waits for the next task that is not a query (a line, or quit) and
    // hands it back. The queries that come meanwhile are answered where the module waits.
    Task Next(Where where);

  private:
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> tasks_;
    bool quit_ = false;
};

}  // namespace kznhost
