#include "serve.h"

#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <string_view>
#include <thread>

#include "failure.h"
#include "page/assets.h"
#include "subhost/files.h"

namespace kznhost {
namespace {

// A token nobody else can guess: every request must carry it.
std::string NewToken() {
    std::random_device random;
    std::string token;
    for (int i = 0; i < 4; ++i) {
        char part[9];
        std::snprintf(part, sizeof part, "%08x", random());
        token += part;
    }
    return token;
}

// Compares in a time that does not tell how much of a guess was right.
bool SameToken(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    unsigned char differ = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        differ |= static_cast<unsigned char>(a[i] ^ b[i]);
    }
    return differ == 0;
}

// How a download is named: a plain ASCII name for every browser, and the name itself (UTF-8,
// percent-encoded) for those that read it.
std::string Disposition(const std::string& name) {
    std::string plain, encoded;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        plain += byte < 0x20 || byte >= 0x7F || c == '"' || c == '\\' ? '_' : c;
        if (std::isalnum(byte) || std::string_view("-._~").find(c) != std::string_view::npos) {
            encoded += c;
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            encoded += hex;
        }
    }
    return "attachment; filename=\"" + plain + "\"; filename*=UTF-8''" + encoded;
}

// Answers smaller than this are given whole (and may be compressed, which costs nothing at that
// size).
constexpr std::size_t kWholeAnswer = 1024;

void Send(httplib::Response& res, const Reply& reply) {
    res.status = reply.status;
    // What is sent (a map's markup, a picture, a table) runs no script however it is opened:
    // a map's own <script> would hold the page's token.
    res.set_header("Content-Security-Policy", "sandbox");
    if (!reply.filename.empty()) {
        res.set_header("Content-Disposition", Disposition(reply.filename));
    }
    // A small answer is given whole: an error's (the error handler keeps a body it sees), and
    // Quit's, which must go out while the server stops (a body given by a provider is cut off
    // once it has). A large one is sent as it is, with its length: compressing on the machine's
    // own loopback gains nothing, and the library's brotli takes seconds over a large map (a
    // body given this way is never compressed).
    if (reply.status >= 400 || reply.body.size() < kWholeAnswer) {
        res.set_content(reply.body, reply.type);
        return;
    }
    auto body = std::make_shared<const std::string>(reply.body);
    res.set_content_provider(
        body->size(), reply.type,
        [body](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            return sink.write(body->data() + offset, std::min(length, body->size() - offset));
        });
}

void SendError(httplib::Response& res, int status, const std::string& what) {
    nlohmann::json body = {{"error", what}};
    res.status = status;
    res.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                    "application/json");
}

// The most bytes of a request's body: a table file and a little more; a map sent to be opened
// may be larger.
constexpr std::size_t kBodyBound = subhost::kTableBound.bytes + 4096;
constexpr std::size_t kOpenBound = std::size_t{256} << 20;
// An action is one session line: none a person makes comes near this (a row's or a layer's text
// is a few hundred bytes; a typed text is kept to its first 100 bytes of Shift-JIS).
constexpr std::size_t kActionBound = std::size_t{64} << 10;

// The most bytes of the body of a request for PATH.
std::size_t BodyBound(const std::string& path) {
    return path == "/api/action" ? kActionBound : path == "/api/open" ? kOpenBound : kBodyBound;
}

// What an answer the HTTP library gives by itself (with no body) means.
std::string Refusal(const httplib::Request& req, int status) {
    switch (status) {
        case 400:
            return "the request is not well-formed HTTP";
        case 404:
            return "this server has no " + req.path;
        case 405:
            return req.method + " is not how " + req.path + " is asked for";
        case 411:
            return "a request's body must be sent with its length, in one Content-Length header";
        case 413:
            if (req.path == "/api/action") {
                return "an action is one session line, of " + std::to_string(kActionBound) +
                       " bytes at most";
            }
            return "a request's body may hold " + std::to_string(BodyBound(req.path)) +
                   " bytes at most";
        case 414:
            return "the request's address is too long";
        default:
            return "the request cannot be answered (HTTP " + std::to_string(status) + ")";
    }
}

// Whether TEXT names this machine at PORT (":8080"), as a Host header or an origin's host does;
// names are compared without regard to case.
bool ThisMachine(std::string text, const std::string& port) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text == "127.0.0.1" + port || text == "localhost" + port;
}

class Server {
  public:
    Server(PageSession& session, std::string token) : session_(session), token_(std::move(token)) {}

    // Binds to 127.0.0.1 (PORT, or a free one when 0); the port, or -1.
    int Bind(int port) {
        Routes();
        // A port another server holds is not shared (httplib would let the two split the
        // requests between them); one just left by a server that ended may be taken again.
        http_.set_socket_options([](socket_t sock) {
            int yes = 1;
            ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
            // Answers go out as they are written (the connections accepted take this from the
            // listening socket): Nagle's algorithm would hold a small answer back until the
            // browser acknowledged the last one, which it delays, some 40 ms a request.
            ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        });
        if (port == 0) {
            port_ = http_.bind_to_any_port("127.0.0.1");
        } else {
            port_ = http_.bind_to_port("127.0.0.1", port) ? port : -1;
        }
        return port_;
    }

    void Listen() {
        http_.listen_after_bind();
        ended_ = true;
    }
    // Stops the server, once it listens (a signal may come before it does: up to 5 s are given
    // for that); whether it has ended within waitMs milliseconds, its connections closed.
    bool Stop(int waitMs) {
        for (int i = 0; i < 500 && !http_.is_running() && !ended_; ++i) {
            ::usleep(10000);  // (<chrono> cannot be compiled into Shift-JIS)
        }
        http_.stop();
        for (int i = 0; i < waitMs / 10 && !ended_; ++i) {
            ::usleep(10000);
        }
        return ended_;
    }

  private:
    // Refuses what does not come from the page this server gave out.
    httplib::Server::HandlerResponse Guard(const httplib::Request& req, httplib::Response& res) {
        // A page elsewhere could reach the server through a name of its own that points here
        // (DNS rebinding): the Host header must name this machine and port.
        const std::string port = ":" + std::to_string(port_);
        if (req.get_header_value_count("Host") != 1 ||
            !ThisMachine(req.get_header_value("Host"), port)) {
            SendError(res, 403, "this server answers requests for 127.0.0.1" + port + " only");
            return httplib::Server::HandlerResponse::Handled;
        }
        const std::string origin = req.get_header_value("Origin");
        if (req.get_header_value_count("Origin") > 1 ||
            (!origin.empty() &&
             (origin.rfind("http://", 0) != 0 || !ThisMachine(origin.substr(7), port)))) {
            SendError(res, 403, "requests from other pages are refused");
            return httplib::Server::HandlerResponse::Handled;
        }
        // A body's length is known before it is read, and what is read is what is kept: a
        // chunked or compressed body could be larger than any bound.
        const bool hasBody = req.method != "GET" && req.method != "HEAD" &&
                             req.method != "OPTIONS" && req.method != "CONNECT";
        if (req.has_header("Transfer-Encoding") ||
            (hasBody && req.get_header_value_count("Content-Length") != 1)) {
            SendError(res, 411, Refusal(req, 411));
            return httplib::Server::HandlerResponse::Handled;
        }
        if (req.has_header("Content-Length")) {
            const std::string text = req.get_header_value("Content-Length");
            std::uint64_t length = 0;
            const auto [end, error] =
                std::from_chars(text.data(), text.data() + text.size(), length);
            if (error != std::errc() || end != text.data() + text.size()) {
                SendError(res, 400, "Content-Length is not a number");
                return httplib::Server::HandlerResponse::Handled;
            }
            if (length > BodyBound(req.path)) {
                // Refused before it is read: the connection closes on what was not.
                SendError(res, 413, Refusal(req, 413));
                res.set_header("Connection", "close");
                return httplib::Server::HandlerResponse::Handled;
            }
        }
        if (req.has_header("Content-Encoding") &&
            req.get_header_value("Content-Encoding") != "identity") {
            SendError(res, 415, "a request's body is sent as it is, not compressed");
            return httplib::Server::HandlerResponse::Handled;
        }
        // A form's body would be taken apart (and bounded) by the HTTP layer before it is seen.
        if (const std::string type = req.get_header_value("Content-Type");
            type.rfind("application/x-www-form-urlencoded", 0) == 0 ||
            type.rfind("multipart/form-data", 0) == 0) {
            SendError(res, 415, "a request's body is sent as it is, not as a form");
            return httplib::Server::HandlerResponse::Handled;
        }
        const std::string token = req.has_header("X-Kzn-Token")
                                      ? req.get_header_value("X-Kzn-Token")
                                      : req.get_param_value("token");
        if (!SameToken(token, token_)) {
            SendError(res, 403, "the request does not carry the page's token");
            return httplib::Server::HandlerResponse::Handled;
        }
        res.set_header("Cache-Control", "no-store");
        res.set_header("X-Content-Type-Options", "nosniff");
        res.set_header("Referrer-Policy", "no-referrer");
        return httplib::Server::HandlerResponse::Unhandled;
    }

    // Runs one request at a time: one that comes meanwhile waits its turn (the page asks for a
    // dialog's pictures all at once).
    template <typename Handle>
    httplib::Server::Handler One(Handle handle) {
        return [this, handle](const httplib::Request& req, httplib::Response& res) {
            std::unique_lock lock(busy_);
            try {
                Send(res, handle(req));
            } catch (const std::bad_alloc& e) {
                SendError(res, 503, Said(e, "answering " + req.method + " " + req.path));
            } catch (const std::exception& e) {
                SendError(res, 400, e.what());
            }
        };
    }

    // Routes PATH to HANDLER, and knows it as a path the server answers.
    void Get(const std::string& path, httplib::Server::Handler handler) {
        routes_.insert(path);
        http_.Get(path, std::move(handler));
    }
    void Post(const std::string& path, httplib::Server::Handler handler) {
        routes_.insert(path);
        http_.Post(path, std::move(handler));
    }

    // The whole-number parameter NAME; throws std::invalid_argument naming it and its value.
    static int Number(const httplib::Request& req, const char* name) {
        if (!req.has_param(name)) {
            throw std::invalid_argument(std::string(name) + " must be given, a whole number");
        }
        const std::string text = req.get_param_value(name);
        int value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
            throw std::invalid_argument(std::string(name) + " must be a whole number, not \"" +
                                        text + "\"");
        }
        return value;
    }

    // An optional whole-number parameter NAME, FALLBACK when it is not given.
    static int Number(const httplib::Request& req, const char* name, int fallback) {
        return req.has_param(name) ? Number(req, name) : fallback;
    }

    void Routes() {
        http_.set_payload_max_length(kOpenBound);
        // A client that sends slowly or keeps its connection open holds a thread of the server
        // for a few seconds at most.
        http_.set_read_timeout(5);
        http_.set_write_timeout(5);
        http_.set_keep_alive_timeout(1);
        // Threads enough that a few clients holding connections open leave the page its own.
        http_.new_task_queue = [] { return new httplib::ThreadPool(32); };
        http_.set_error_handler(httplib::Server::HandlerWithResponse(
            [this](const httplib::Request& req, httplib::Response& res) {
                if (!res.body.empty()) {
                    return httplib::Server::HandlerResponse::Unhandled;  // the server's own word
                }
                if (res.status == 404 && routes_.count(req.path) != 0) {
                    res.status = 405;
                }
                SendError(res, res.status, Refusal(req, res.status));
                if (!res.has_header("X-Content-Type-Options")) {
                    res.set_header("X-Content-Type-Options", "nosniff");
                }
                return httplib::Server::HandlerResponse::Handled;
            }));
        http_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
            return Guard(req, res);
        });
        Get("/", [this](const httplib::Request&, httplib::Response& res) {
            std::string page(reinterpret_cast<const char*>(page::kIndexHtml), page::kIndexHtmlSize);
            // The page's own files are asked for with the token too.
            for (const char* asset : {"page.js", "page.css"}) {
                const std::string name = "\"" + std::string(asset) + "\"";
                if (const std::size_t at = page.find(name); at != std::string::npos) {
                    page.replace(at, name.size(),
                                 "\"" + std::string(asset) + "?token=" + token_ + "\"");
                }
            }
            res.set_header("Content-Security-Policy",
                           "default-src 'self'; img-src 'self' blob: data:; "
                           "frame-ancestors 'none'; form-action 'none'");
            res.set_header("X-Frame-Options", "DENY");
            res.set_content(page, "text/html; charset=utf-8");
        });
        Get("/page.js", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(reinterpret_cast<const char*>(page::kPageJs), page::kPageJsSize,
                            "text/javascript; charset=utf-8");
        });
        Get("/page.css", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(reinterpret_cast<const char*>(page::kPageCss), page::kPageCssSize,
                            "text/css; charset=utf-8");
        });
        Get("/api/state", One([this](const httplib::Request&) { return session_.State(); }));
        Post("/api/action",
             One([this](const httplib::Request& req) { return session_.Act(req.body); }));
        Get("/api/map.svg", One([this](const httplib::Request&) { return session_.MapPicture(); }));
        Get("/api/list", One([this](const httplib::Request& req) {
                // One after the other, so that the first that is wrong is the one named.
                const int item = Number(req, "item");
                const int top = Number(req, "top");
                return session_.ListPicture(item, top, Number(req, "scale", 1));
            }));
        Get("/api/texts", One([this](const httplib::Request& req) {
                return session_.ListTexts(Number(req, "item"));
            }));
        Get("/api/picture", One([this](const httplib::Request& req) {
                return session_.ItemPicture(Number(req, "item"));
            }));
        Post("/api/files", One([this](const httplib::Request& req) {
                 return session_.Upload(req.get_param_value("name"), req.body);
             }));
        Get("/api/files", One([this](const httplib::Request& req) {
                return session_.File(req.get_param_value("name"));
            }));
        Post("/api/undo", One([this](const httplib::Request&) { return session_.Undo(); }));
        Post("/api/redo", One([this](const httplib::Request&) { return session_.Redo(); }));
        Post("/api/restart", One([this](const httplib::Request&) { return session_.Restart(); }));
        Post("/api/open", One([this](const httplib::Request& req) {
                 return session_.Open(req.get_param_value("name"), req.body);
             }));
        Get("/api/labels", One([this](const httplib::Request&) { return session_.Labels(); }));
        Post("/api/save", One([this](const httplib::Request&) { return session_.Save(); }));
        Get("/api/download", One([this](const httplib::Request&) { return session_.Download(); }));
        Get("/api/session", One([this](const httplib::Request&) { return session_.Script(); }));
        Post("/api/quit", One([this](const httplib::Request&) {
                 Reply reply = session_.Quit();
                 // The server stops once this answer is out (see Serve).
                 ::kill(::getpid(), SIGTERM);
                 return reply;
             }));
    }

    PageSession& session_;
    std::string token_;
    httplib::Server http_;
    int port_ = -1;
    std::mutex busy_;
    std::set<std::string> routes_;  // the paths the server answers, with any method
    std::atomic<bool> ended_ = false;
};

}  // namespace

int Serve(const ServeOptions& options, std::ostream& out, std::ostream& err) {
    // Ctrl-C, the page's Quit and a closed terminal reach a thread of their own, which ends
    // the session.
    sigset_t stop;
    sigemptyset(&stop);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&stop, signal);
    }
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);

    std::unique_ptr<PageSession> session;
    try {
        session = std::make_unique<PageSession>(options);
    } catch (const std::exception& e) {
        err << "kznhost: " << Said(e, "loading the module and reading the map " + options.map)
            << "\n";
        return 2;
    }
    const std::string token = NewToken();
    Server server(*session, token);
    const int port = server.Bind(options.port);
    if (port < 0) {
        err << "kznhost: port " << options.port << " on 127.0.0.1 cannot be had\n";
        return 2;
    }
    out << "http://127.0.0.1:" << port << "/?token=" << token << std::endl;

    std::thread stopper([&] {
        int signal = 0;
        sigwait(&stop, &signal);
        session->Quit();  // the module shut down, the session's folder removed
        // A client may hold a connection open (a request sent slowly, a browser's idle one):
        // after a second and a half it is dropped with the program (an idle one ends in one).
        if (!server.Stop(1500)) {
            out.flush();
            std::_Exit(0);
        }
    });
    server.Listen();
    ::kill(::getpid(), SIGTERM);  // wakes the stopper, had the server ended by itself
    stopper.join();
    return 0;
}

}  // namespace kznhost
