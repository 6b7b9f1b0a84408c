// The module's thread of a page session and its mailbox.
#include "pagethread.h"

#include "failure.h"
#include "pageview.h"

namespace kznhost {

void ModuleThread::Start(std::function<void()> main) {
    thread_ = std::thread(std::move(main));
}

void ModuleThread::Join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::future<Reply> ModuleThread::Post(Task::Kind kind, ScriptLine line,
                                      std::function<Reply(Where)> query, std::string text) {
    Task task{kind, std::move(text), std::move(line), std::move(query), {}};
    std::future<Reply> answer = task.reply.get_future();
    {
        std::lock_guard lock(mutex_);
        if (quit_) {
            task.reply.set_value(Error(410, "the session has ended"));
            return answer;
        }
        if (kind == Task::Kind::Quit) {
            quit_ = true;
        }
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
    return answer;
}

Reply ModuleThread::Ask(std::function<Reply(Where)> query) {
    return Post(Task::Kind::Query, {}, std::move(query)).get();
}

bool ModuleThread::quitting() {
    std::lock_guard lock(mutex_);
    return quit_;
}

Task ModuleThread::Next(Where where) {
    for (;;) {
        Task task;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return !tasks_.empty(); });
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        if (task.kind != Task::Kind::Query) {
            return task;
        }
        try {
            task.reply.set_value(task.query(where));
        } catch (const std::exception& e) {
            task.reply.set_value(Error(500, Said(e, "answering the page")));
        }
    }
}

}  // namespace kznhost
