// kznhost serve over HTTP, as a program of its own: what a person's page does, and what a
// stranger's requests get.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include <nlohmann/json.hpp>

#include "cli/diff.h"
#include "cli/run.h"
#include "subhost/mapforms/mapforms.h"
#include "subhost/picture/mappicture.h"
#include "support/harness.h"
#include "support/maps.h"
#include "support/tempdir.h"

extern char** environ;

namespace {

using kzntest::TempDir;
using nlohmann::json;
using ::testing::HasSubstr;

// kznhost serve MAP --out OUT, running until it is told to end. TMP: the temporary folder it is
// given (TMPDIR), when not the machine's.
class Served {
  public:
    Served(const std::string& map, const std::string& out, const std::string& tmp = "") {
        int pipe[2];
        EXPECT_EQ(::pipe(pipe), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipe[1], 1);
        posix_spawn_file_actions_addclose(&actions, pipe[0]);
        std::vector<std::string> args = {KZN_KZNHOST_PATH, "serve", map, "--out", out};
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            if (tmp.empty() || std::string_view(*e).rfind("TMPDIR=", 0) != 0) {
                env.emplace_back(*e);
            }
        }
        if (!tmp.empty()) {
            env.push_back("TMPDIR=" + tmp);
        }
        std::vector<char*> envp;
        for (std::string& e : env) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipe[1]);
        std::string line;
        for (char c; ::read(pipe[0], &c, 1) == 1 && c != '\n';) {
            line += c;
        }
        ::close(pipe[0]);
        address_ = line;
        if (line.find("token=") == std::string::npos) {
            return;  // it did not start
        }
        const std::size_t colon = line.find(':', 7), slash = line.find('/', colon);
        port_ = std::stoi(line.substr(colon + 1, slash - colon - 1));
        token_ = line.substr(line.find("token=") + 6);
    }
    ~Served() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    httplib::Client Client() const {
        httplib::Client client("127.0.0.1", port_);
        client.set_default_headers({{"X-Kzn-Token", token_}});
        client.set_read_timeout(30);
        return client;
    }
    // Carries out LINE; the answer's status and body.
    std::pair<int, json> Act(const std::string& line) const {
        auto res = Client().Post("/api/action", line, "text/plain");
        if (!res) {
            return {0, json()};
        }
        return {res->status, json::parse(res->body, nullptr, false)};
    }
    // The exit status once it has ended (-1 when it did not end within a few seconds).
    int Exit() {
        for (int i = 0; i < 100; ++i) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = 0;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            ::usleep(50000);
        }
        return -1;
    }
    // REQUEST sent as it stands on a connection of its own: the answer's status and body (and
    // its status line and headers in HEAD).
    // Waits SECONDS at most for what comes.
    std::pair<int, std::string> Raw(const std::string& request, std::string* head = nullptr,
                                    int seconds = 10) const {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port_));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        timeval timeout{seconds, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        std::string answer;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
                static_cast<ssize_t>(request.size())) {
            char buffer[4096];
            for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) {
                answer.append(buffer, static_cast<std::size_t>(n));
            }
        }
        ::close(fd);
        const std::size_t body = answer.find("\r\n\r\n");
        if (answer.size() < 12 || body == std::string::npos) {
            return {0, answer};
        }
        if (head != nullptr) {
            *head = answer.substr(0, body);
        }
        return {std::stoi(answer.substr(9, 3)), answer.substr(body + 4)};
    }
    // The request line and headers of a request to this server, with its token.
    std::string Head(const std::string& line) const {
        return line + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port_) +
               "\r\nX-Kzn-Token: " + token_ + "\r\nConnection: close\r\n";
    }
    // Sends the example table NAME, as the page's file chooser does; the answer's status.
    int Send(const std::string& name) const {
        auto res = Client().Post(("/api/files?name=" + name).c_str(),
                                 kzntest::TempDir::Read(kzntest::SourcePath("examples/" + name)),
                                 "text/csv");
        return res ? res->status : 0;
    }
    pid_t pid() const { return pid_; }
    int port() const { return port_; }
    const std::string& token() const { return token_; }
    const std::string& address() const { return address_; }

  private:
    pid_t pid_ = 0;
    int port_ = 0;
    std::string token_;
    std::string address_;
};

std::string Example(const std::string& name) {
    return kzntest::SourcePath("examples/" + name);
}

// The text-to-object sample session, done as the page does it, is a script that kznhost run
// turns into the same map; Undo brings the map back byte for byte.
TEST(Serve, ThePagesActionsMakeAScriptThatRunReplaysToTheSameMap) {
    TempDir dir;
    Served served(Example("snail-map.svg"), dir / "saved.svg");
    ASSERT_THAT(served.address(), ::testing::StartsWith("http://127.0.0.1:"));
    auto client = served.Client();
    ASSERT_EQ(served.Send("snail-symbols.csv"), 200);
    EXPECT_EQ(served.Act("filter t2o").first, 200);
    EXPECT_EQ(served.Act(kzntest::Utf8(u8"layer \"調査地点\"")).first, 200);
    // The open button's file dialog waits for the page's answer.
    auto [status, state] = served.Act("click 1101");
    ASSERT_EQ(status, 200);
    EXPECT_EQ(state["fileDialog"]["save"], false);
    EXPECT_EQ(served.Act("row 1011 0").first, 409);
    EXPECT_EQ(served.Act("file \"snail-symbols.csv\"").first, 200);
    // Lines go as UTF-8, as the page sends them.
    for (const char8_t* line : {u8"row 1011 \"ナメクジ\"", u8"row 1018 \"菱形\"", u8"click 1020",
                                u8"check 1132 on", u8"check 1041 on", u8"check 1039 on"}) {
        EXPECT_EQ(served.Act(kzntest::Utf8(line)).first, 200) << kzntest::Utf8(line);
    }
    // The rows as the module paints them.
    auto rows = client.Get("/api/list?item=1011&top=0");
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->status, 200);
    EXPECT_EQ(rows->body.substr(1, 3), "PNG");
    std::tie(status, state) = served.Act("ok");
    ASSERT_EQ(status, 200);
    EXPECT_TRUE(state["dialog"].is_null());
    EXPECT_EQ(state["version"], 1);
    ASSERT_EQ(client.Post("/api/save", "", "text/plain")->status, 200);

    const std::string script = client.Get("/api/session")->body;
    EXPECT_THAT(script, HasSubstr("file \"snail-symbols.csv\"\nclick 1101\n"));
    dir.Write("session.txt", script);
    dir.Write("snail-symbols.csv", TempDir::Read(Example("snail-symbols.csv")));
    std::ostringstream err, out;
    ASSERT_EQ(kznhost::RunSession({kzntest::ModulePath(), Example("snail-map.svg"),
                                   dir / "session.txt", dir / "replayed.svg", ""},
                                  err),
              0)
        << err.str();
    EXPECT_EQ(kznhost::PrintDiff(dir / "saved.svg", dir / "replayed.svg", out, err), 0)
        << out.str();

    ASSERT_EQ(client.Post("/api/undo", "", "text/plain")->status, 200);
    EXPECT_EQ(client.Get("/api/download")->body, TempDir::Read(Example("snail-map.svg")));
    EXPECT_EQ(client.Get("/api/session")->body.find("filter"), std::string::npos);
    EXPECT_EQ(client.Post("/api/quit", "", "text/plain")->status, 200);
    EXPECT_EQ(served.Exit(), 0);
}

// The size a PNG's header gives.
std::pair<int, int> PngSize(const std::string& png) {
    const auto at = [&](std::size_t i) {
        return (static_cast<unsigned char>(png[i]) << 24) |
               (static_cast<unsigned char>(png[i + 1]) << 16) |
               (static_cast<unsigned char>(png[i + 2]) << 8) |
               static_cast<unsigned char>(png[i + 3]);
    };
    return png.size() < 24 ? std::pair{0, 0} : std::pair{at(16), at(20)};
}

// What the page is shown and handed is what the files would hold: a JSON map's picture as the
// renderer writes it, the download as Save writes it; a dialog's items come by the kinds the page
// builds its controls by, their pictures at their sizes.
TEST(Serve, APortAnotherServerHoldsIsRefused) {
    TempDir dir;
    Served first(Example("snail-map.json"), dir / "first.json");
    ASSERT_GT(first.port(), 0);
    // (A second server that did start would serve until it is stopped: timeout stops it.)
    const std::string command = "timeout 20 " + std::string(KZN_KZNHOST_PATH) + " serve " +
                                Example("snail-map.json") + " --port " +
                                std::to_string(first.port()) + " 2>&1";
    FILE* second = ::popen(command.c_str(), "r");
    ASSERT_NE(second, nullptr);
    std::string said;
    for (int c; (c = std::fgetc(second)) != EOF;) {
        said += static_cast<char>(c);
    }
    const int status = ::pclose(second);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << said;
    EXPECT_EQ(said,
              "kznhost: port " + std::to_string(first.port()) + " on 127.0.0.1 cannot be had\n");
    // The first still answers.
    EXPECT_EQ(first.Client().Get("/api/session")->status, 200);
}

TEST(Serve, ThePagesPicturesAndDownloadsAreWhatFilesWouldHold) {
    TempDir dir;
    Served served(Example("snail-map.json"), dir / "saved.json");
    auto client = served.Client();
    // The map as kznhost convert would write it in SVG (a JSON map too: the browser draws it).
    EXPECT_EQ(
        client.Get("/api/map.svg")->body,
        subhost::FormatMap(*subhost::ReadMap(Example("snail-map.json")), subhost::MapForm::kSvg));
    ASSERT_EQ(client.Post("/api/save", "", "text/plain")->status, 200);
    EXPECT_EQ(client.Get("/api/download")->body, TempDir::Read(dir / "saved.json"));
    // Nothing handed out runs a script, however a browser is made to open it.
    for (const char* path : {"/api/map.svg", "/api/download"}) {
        const auto got = client.Get(path);
        EXPECT_EQ(got->get_header_value("Content-Security-Policy"), "sandbox") << path;
        EXPECT_EQ(got->get_header_value("X-Content-Type-Options"), "nosniff") << path;
    }

    auto [status, state] = served.Act("filter t2o");
    ASSERT_EQ(status, 200);
    std::map<int, json> items;
    for (const json& item : state["dialog"]["items"]) {
        items[item["id"].get<int>()] = item;
    }
    const std::map<int, std::string> kinds = {{1, "default"}, {2, "button"},     {1004, "popup"},
                                              {1011, "list"}, {1101, "picture"}, {1131, "radio"},
                                              {1039, "check"}};
    for (const auto& [id, kind] : kinds) {
        EXPECT_EQ(items[id]["kind"], kind) << id;
    }
    const auto size = [&](int id) {
        return std::pair{items[id]["width"].get<int>(), items[id]["height"].get<int>()};
    };
    EXPECT_EQ(PngSize(client.Get("/api/list?item=1011&top=0")->body), size(1011));
    EXPECT_EQ(PngSize(client.Get("/api/picture?item=1101")->body), size(1101));
    EXPECT_EQ(client.Get("/api/list?item=1101&top=0")->status, 404);
}

// What a stranger's page or a malformed request gets: refused with a word, the session going on.
TEST(Serve, RefusesWhatIsNotThePagesAndGoesOn) {
    TempDir dir;
    Served served(Example("snail-map.svg"), dir / "saved.svg");
    httplib::Client bare("127.0.0.1", served.port());
    EXPECT_EQ(bare.Get("/api/state")->status, 403);
    EXPECT_EQ(bare.Get("/?token=0123")->status, 403);
    EXPECT_EQ(bare.Get(("/?token=" + served.token()).c_str())->status, 200);
    // A name of someone else's that points here, and another page's request.
    EXPECT_EQ(bare.Get(("/api/state?token=" + served.token()).c_str(),
                       {{"Host", "rebound.example:" + std::to_string(served.port())}})
                  ->status,
              403);
    EXPECT_EQ(bare.Get(("/api/state?token=" + served.token()).c_str(),
                       {{"Origin", "http://rebound.example"}})
                  ->status,
              403);

    auto client = served.Client();
    EXPECT_EQ(served.Act("jump 3").first, 400);
    EXPECT_EQ(served.Act("filter t2o\nok").first, 400);
    EXPECT_EQ(served.Act("click 1101").first, 409);  // no dialog is open
    EXPECT_EQ(served.Act("filter nothing").first, 409);
    EXPECT_EQ(served.Act("filter t2o").first, 200);
    EXPECT_EQ(served.Act("filter t2o").first, 409);
    EXPECT_EQ(served.Act("click 9999").first, 409);
    EXPECT_EQ(served.Act("row 1011 100000").first, 409);
    EXPECT_EQ(served.Act("snapshot \"/tmp/kzn.png\"").first, 409);
    // Files are the tables sent to the page, by name: no path reaches the module.
    EXPECT_EQ(served.Act("file \"/etc/passwd\"").first, 409);
    EXPECT_EQ(client.Post("/api/files?name=../escape.csv", "x", "text/csv")->status, 400);
    EXPECT_EQ(client.Post("/api/files?name=t.csv", "a", "text/csv")->status, 200);
    EXPECT_EQ(client.Post("/api/files?name=t.csv", "b", "text/csv")->status, 409);
    EXPECT_EQ(client.Get("/api/files?name=../../etc/passwd")->status, 400);
    EXPECT_EQ(client.Get("/api/list?item=1011&top=x")->status, 400);
    EXPECT_EQ(client.Post("/api/undo", "", "text/plain")->status, 409);  // a dialog is open
    // Refused before it is read: the connection closes under the sender.
    ::signal(SIGPIPE, SIG_IGN);
    const std::string huge((std::size_t{65} << 20), 'x');
    auto refused = client.Post("/api/files?name=huge.csv", huge, "text/csv");
    EXPECT_TRUE(!refused || refused->status == 413);

    // Still there, the dialog still open.
    auto state = json::parse(client.Get("/api/state")->body);
    EXPECT_FALSE(state["dialog"].is_null());
    // Ctrl-C cancels the dialog, shuts the module down and ends the program well.
    ::kill(served.pid(), SIGINT);
    EXPECT_EQ(served.Exit(), 0);
}

// What the HTTP layer refuses by itself is refused with a word too; a body is bounded before it
// is read, whatever way it is sent.
TEST(Serve, EveryRefusalSaysWhyAndNoBodyOutgrowsItsBound) {
    TempDir dir;
    Served served(Example("snail-map.svg"), dir / "saved.svg");
    const auto said = [](const std::pair<int, std::string>& answer) {
        const json body = json::parse(answer.second, nullptr, false);
        return body.is_object() ? body.value("error", "") : "";
    };
    // Chunked, a body of unknown length; compressed, a body that grows when it is read.
    auto answer = served.Raw(served.Head("POST /api/files?name=c.csv") +
                             "Transfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n");
    EXPECT_EQ(answer.first, 411);
    EXPECT_THAT(said(answer), HasSubstr("Content-Length"));
    EXPECT_EQ(served.Client().Get("/api/files?name=c.csv")->status, 404);
    answer = served.Raw(served.Head("POST /api/files?name=z.csv") +
                        "Content-Encoding: gzip\r\nContent-Length: 3\r\n\r\nabc");
    EXPECT_EQ(answer.first, 415);
    EXPECT_EQ(served.Raw(served.Head("POST /api/undo") + "\r\n").first, 411);
    // A form is taken apart by the HTTP layer before the server sees it.
    EXPECT_EQ(served.Client()
                  .Post("/api/action", "filter t2t", "application/x-www-form-urlencoded")
                  ->status,
              415);
    // Answered at once, not after reading (or waiting for) what was announced.
    answer = served.Raw(
        served.Head("POST /api/files?name=big.csv") + "Content-Length: 99999999999\r\n\r\n",
        nullptr, 2);
    EXPECT_EQ(answer.first, 413);
    EXPECT_THAT(said(answer), HasSubstr("bytes at most"));
    answer = served.Raw(served.Head("GET /nowhere") + "\r\n");
    EXPECT_EQ(answer.first, 404);
    EXPECT_THAT(said(answer), HasSubstr("/nowhere"));
    answer = served.Raw(served.Head("GET /api/action") + "\r\n");
    EXPECT_EQ(answer.first, 405);
    EXPECT_EQ(said(answer), "GET is not how /api/action is asked for");
    answer = served.Raw(served.Head("GET /?x=" + std::string(10000, 'x')) + "\r\n");
    EXPECT_EQ(answer.first, 414);
    EXPECT_THAT(said(answer), HasSubstr("too long"));
    answer = served.Raw(served.Head("GET /api/list?item=1011&top=x") + "\r\n");
    EXPECT_EQ(answer.first, 400);
    EXPECT_EQ(said(answer), "top must be a whole number, not \"x\"");
    // A host's name in capitals is the same host; a second Host header is a request to doubt.
    const std::string port = std::to_string(served.port());
    const std::string state = "GET /api/state?token=" + served.token() + " HTTP/1.1\r\n";
    EXPECT_EQ(served.Raw(state + "Host: LOCALHOST:" + port + "\r\nConnection: close\r\n\r\n").first,
              200);
    EXPECT_EQ(served
                  .Raw(state + "Host: 127.0.0.1:" + port + "\r\nHost: rebound.example:" + port +
                       "\r\nConnection: close\r\n\r\n")
                  .first,
              403);
    EXPECT_EQ(served.Act("filter t2t").first, 200);  // and on it goes
}

// A number the page's API is given wrong is named, with the value it was given: each parameter
// in turn, the first that is wrong.
TEST(Serve, AWrongNumberIsNamedWithItsValue) {
    TempDir dir;
    Served served(Example("snail-map.json"), dir / "saved.json");
    ASSERT_EQ(served.Act("filter t2o").first, 200);
    auto client = served.Client();
    struct Case {
        const char* path;
        std::string says;
    };
    for (const Case& c : std::vector<Case>{
             {"/api/list?item=abc", R"(item must be a whole number, not "abc")"},
             {"/api/list?top=x&item=abc", R"(item must be a whole number, not "abc")"},
             {"/api/list?top=0", "item must be given, a whole number"},
             {"/api/list?item=1011", "top must be given, a whole number"},
             {"/api/list?item=1011&top=1.5", R"(top must be a whole number, not "1.5")"},
             {"/api/list?item=1011&top=0&scale=2x", R"(scale must be a whole number, not "2x")"},
             {"/api/picture?item=", R"(item must be a whole number, not "")"},
             {"/api/picture?item=99999999999", R"(item must be a whole number, not "99999999999")"},
         }) {
        const auto res = client.Get(c.path);
        ASSERT_TRUE(res) << c.path;
        EXPECT_EQ(res->status, 400) << c.path;
        EXPECT_EQ(json::parse(res->body, nullptr, false).value("error", ""), c.says) << c.path;
    }
}

// A typed text longer than the plug-in keeps is kept as the plug-in keeps it: the session's script
// holds its first 100 bytes of Shift-JIS (no character cut in two), and the page is warned as run
// warns of the whole text. An action larger than any session line is refused before it is read.
TEST(Serve, ALongTypedTextIsKeptAsThePluginKeepsIt) {
    TempDir dir;
    Served served(Example("snail-map.json"), dir / "saved.json");
    ASSERT_EQ(served.Act("filter t2t").first, 200);
    std::string a49;  // 98 bytes of Shift-JIS
    for (int i = 0; i < 49; ++i) {
        a49 += kzntest::Utf8(u8"あ");
    }
    // 102 bytes: the quote and the backslash are the 99th and the 100th.
    const std::string quoted = "type 1010 \"" + a49 + R"(\"\\yz")";
    // 101 bytes: a 50th あ would end at the 101st.
    const std::string cut = "type 1010 \"x" + a49 + kzntest::Utf8(u8"あ") + "\"";
    for (const std::string& line : {quoted, cut}) {
        const auto [status, state] = served.Act(line);
        ASSERT_EQ(status, 200) << state.dump();
        // The warning run gives for the same line.
        dir.Write("session.txt", "filter t2t\n" + line + "\n");
        std::ostringstream err;
        kznhost::RunSession(
            {kzntest::ModulePath(), Example("snail-map.json"), dir / "session.txt", "", ""}, err);
        const std::string warning = state["warnings"].at(0).get<std::string>();
        EXPECT_THAT(warning, HasSubstr("bytes of Shift-JIS typed; a destination keeps its first"));
        EXPECT_THAT(err.str(), HasSubstr("session.txt:2: " + warning + "\n"));
    }
    EXPECT_THAT(served.Client().Get("/api/session")->body,
                HasSubstr("filter t2t\ntype 1010 \"" + a49 + R"(\"\\")" + "\ntype 1010 \"x" + a49 +
                          "\"\n"));

    const std::string longest((std::size_t{64} << 10) - 12, 'x');
    EXPECT_EQ(served.Act("type 1010 \"" + longest + "\"").first, 200);
    const auto answer = served.Raw(served.Head("POST /api/action") +
                                       "Content-Type: text/plain\r\nContent-Length: 65537\r\n\r\n",
                                   nullptr, 2);
    EXPECT_EQ(answer.first, 413);
    EXPECT_THAT(answer.second, HasSubstr("an action is one session line, of 65536 bytes at most"));
    const std::string script = served.Client().Get("/api/session")->body;
    ASSERT_LT(script.size(), 1000U);  // the script holds no more than the plug-in keeps
    EXPECT_THAT(script, HasSubstr("\ntype 1010 \"" + longest.substr(0, 100) + "\"\n"));
}

// A file dialog is answered by the tables sent to the page: none that was never sent is opened
// and none that was sent is saved over; a file line comes when its dialog is open, so that it is
// known which of the two it answers.
TEST(Serve, FileAnswersAreTheTablesSentToThePage) {
    TempDir dir;
    const std::string out = dir / kzntest::Utf8(u8"地図 \"1\".svg");
    Served served(Example("snail-map.svg"), out);
    auto client = served.Client();
    ASSERT_EQ(served.Send("snail-symbols.csv"), 200);
    EXPECT_EQ(served.Act("filter t2o").first, 200);
    EXPECT_EQ(served.Act("click 1101").first, 200);
    auto [status, state] = served.Act("file \"never-sent.csv\"");
    EXPECT_EQ(status, 409);
    EXPECT_THAT(state.value("error", ""), HasSubstr("never-sent.csv has not been sent"));
    EXPECT_EQ(served.Act("file \"snail-symbols.csv\"").first, 200);
    EXPECT_EQ(served.Act("click 1102").first, 200);
    EXPECT_EQ(served.Act("file \"snail-symbols.csv\"").first, 409);
    std::tie(status, state) = served.Act("file \"mine.csv\"");
    EXPECT_EQ(status, 200);
    EXPECT_TRUE(state["fileDialog"].is_null());
    EXPECT_EQ(client.Get("/api/files?name=mine.csv")->status, 200);
    // An answer sent ahead of its dialog could be taken by one that saves over a sent table.
    EXPECT_EQ(served.Act("file \"snail-symbols.csv\"").first, 409);
    EXPECT_EQ(served.Act("click 1102").first, 200);
    EXPECT_EQ(served.Act("file cancel").first, 200);
    EXPECT_EQ(client.Get("/api/files?name=snail-symbols.csv")->body,
              TempDir::Read(Example("snail-symbols.csv")));
    // A name no file line could give.
    EXPECT_EQ(client.Post("/api/files?name=a%0Ab.csv", "x", "text/csv")->status, 400);

    // A download is named for any browser, and by its own name for those that read it.
    std::string head;
    EXPECT_EQ(served.Raw(served.Head("GET /api/download") + "\r\n", &head).first, 200);
    EXPECT_THAT(head, HasSubstr("\r\nContent-Disposition: attachment; filename=\"______ _1_.svg\"; "
                                "filename*=UTF-8''%E5%9C%B0%E5%9B%B3%20%221%22.svg\r\n"));
}

// The history a person trusts: a cancelled command is no step, undo and redo walk the changes
// with their scripts, 最初から goes back to the map as opened, and another map sent from the
// browser starts afresh (one that cannot be read changes nothing).
TEST(Serve, UndoRedoRestartAndAnotherMap) {
    TempDir dir;
    Served served(Example("snail-map.svg"), dir / "saved.svg");
    auto client = served.Client();
    const std::string opened = client.Get("/api/download")->body;
    const auto post = [&](const std::string& path, const std::string& body = "") {
        auto res = client.Post(path, body, "text/plain");
        return std::pair{res->status, json::parse(res->body, nullptr, false)};
    };
    EXPECT_EQ(served.Act("filter t2t").first, 200);
    auto [status, state] = served.Act("cancel");
    EXPECT_EQ(state["unchanged"], kzntest::Utf8(u8"テキスト->テキスト置換"));
    EXPECT_EQ(state["canUndo"], false);
    EXPECT_EQ(state["unsaved"], false);

    // A Japanese table name reaches the module in code page 932, and shows as it is.
    ASSERT_EQ(client
                  .Post("/api/files?name=" + kzntest::Utf8(u8"丸の入替.csv"),
                        TempDir::Read(Example("snail-symbols.csv")), "text/csv")
                  ->status,
              200);
    EXPECT_EQ(served.Act("filter t2o").first, 200);
    EXPECT_EQ(served.Act("click 1101").first, 200);
    std::tie(status, state) = served.Act(kzntest::Utf8(u8"file \"丸の入替.csv\""));
    ASSERT_EQ(status, 200);
    EXPECT_THAT(state.dump(), HasSubstr(kzntest::Utf8(u8"ファイル名:丸の入替.csv")));
    EXPECT_EQ(client.Post("/api/files?name=%F0%9F%90%8C.csv", "x", "text/csv")->status, 400);
    std::tie(status, state) = served.Act("ok");
    EXPECT_EQ(state["canUndo"], true);
    EXPECT_EQ(state["unsaved"], true);
    const std::string changed = client.Get("/api/download")->body;
    const std::string script = client.Get("/api/session")->body;

    std::tie(status, state) = post("/api/undo");
    EXPECT_EQ(state["step"], kzntest::Utf8(u8"テキスト->オブジェクト置換"));
    EXPECT_EQ(client.Get("/api/download")->body, opened);
    EXPECT_EQ(state["unsaved"], false);
    EXPECT_EQ(post("/api/undo").first, 409);  // the cancelled command was no step
    std::tie(status, state) = post("/api/redo");
    EXPECT_EQ(status, 200);
    EXPECT_EQ(client.Get("/api/download")->body, changed);
    EXPECT_EQ(client.Get("/api/session")->body, script);
    EXPECT_EQ(post("/api/redo").first, 409);

    std::tie(status, state) = post("/api/restart");
    EXPECT_EQ(client.Get("/api/download")->body, opened);
    EXPECT_EQ(state["canRestart"], false);
    EXPECT_EQ(post("/api/restart").first, 409);
    std::tie(status, state) = post("/api/undo");
    EXPECT_EQ(state["step"], kzntest::Utf8(u8"最初から"));
    EXPECT_EQ(client.Get("/api/download")->body, changed);

    // Another map: what cannot be read is refused and changes nothing; a map that reads starts a
    // new session with nowhere to save.
    std::tie(status, state) = post("/api/open?name=broken.svg", "<svg");
    EXPECT_EQ(status, 400);
    EXPECT_THAT(state.value("error", ""), HasSubstr("broken.svg"));
    EXPECT_EQ(client.Get("/api/download")->body, changed);
    std::tie(status, state) =
        post("/api/open?name=snail.json", TempDir::Read(Example("snail-map.json")));
    ASSERT_EQ(status, 200);
    EXPECT_EQ(state["mapName"], "snail.json");
    EXPECT_TRUE(state["saveTo"].is_null());
    EXPECT_EQ(state["canUndo"], false);
    EXPECT_EQ(client.Post("/api/save", "", "text/plain")->status, 409);
    EXPECT_THAT(client.Get("/api/session")->body, HasSubstr("--doc snail.json"));
    // A map with a width of its own and no viewBox is given the viewBox of its art only.
    ASSERT_EQ(
        post("/api/open?name=wide.svg", R"(<svg xmlns="http://www.w3.org/2000/svg" width="300">)"
                                        R"(<text x="5" y="20">a</text></svg>)")
            .first,
        200);
    const std::string picture = client.Get("/api/map.svg")->body;
    const std::string root = picture.substr(0, picture.find('>'));
    EXPECT_THAT(root, HasSubstr("viewBox=\""));
    EXPECT_EQ(root.find("width="), root.rfind("width=")) << root;
    EXPECT_EQ(root.find("height="), std::string::npos) << root;
    EXPECT_EQ(client.Post("/api/quit", "", "text/plain")->status, 200);
    EXPECT_EQ(served.Exit(), 0);
}

// Whatever ends it (a closed terminal, a client that holds a connection) or keeps it from
// starting, kznhost serve leaves nothing behind in the temporary folder.
TEST(Serve, EndsPromptlyAndLeavesNothingBehind) {
    TempDir tmp, dir;
    const auto left = [&] {
        return std::distance(std::filesystem::directory_iterator(tmp.path()), {});
    };
    {
        Served plugin(Example("snail-map.svg"), kzntest::ModulePath(), tmp.path());
        EXPECT_EQ(plugin.Exit(), 2);
        Served nowhere(Example("snail-map.svg"), dir / "no/such/folder.svg", tmp.path());
        EXPECT_EQ(nowhere.Exit(), 2);
        EXPECT_EQ(left(), 0);
    }
    Served served(Example("snail-map.svg"), dir / "saved.svg", tmp.path());
    EXPECT_EQ(left(), 1);
    EXPECT_EQ(served.Act("filter t2o").first, 200);
    // A request whose headers never end, sent a byte at a time, each in good time.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(served.port()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::send(fd, "GET / HTTP/1.1\r\nX-Slow: ", 24, MSG_NOSIGNAL), 24);
    std::atomic<bool> done = false;
    std::thread slow([&] {
        for (int i = 0; i < 100 && !done; ++i) {
            ::send(fd, "x", 1, MSG_NOSIGNAL);
            ::usleep(100000);
        }
    });
    ::usleep(300000);
    ::kill(served.pid(), SIGHUP);
    EXPECT_EQ(served.Exit(), 0);
    done = true;
    slow.join();
    ::close(fd);
    EXPECT_EQ(left(), 0);
}

}  // namespace
