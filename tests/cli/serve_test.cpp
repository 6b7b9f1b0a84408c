// kznhost serve over HTTP, as a program of its own: what a person's page does, and what a
// stranger's requests get.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "cli/diff.h"
#include "cli/run.h"
#include "support/harness.h"
#include "support/maps.h"
#include "support/tempdir.h"

extern char** environ;

namespace {

using kzntest::TempDir;
using nlohmann::json;
using ::testing::HasSubstr;

// kznhost serve MAP --out OUT, running until it is told to end.
class Served {
  public:
    Served(const std::string& map, const std::string& out) {
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
        EXPECT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipe[1]);
        std::string line;
        for (char c; ::read(pipe[0], &c, 1) == 1 && c != '\n';) {
            line += c;
        }
        ::close(pipe[0]);
        address_ = line;
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
    ASSERT_EQ(client
                  .Post("/api/files?name=snail-symbols.csv",
                        TempDir::Read(Example("snail-symbols.csv")), "text/csv")
                  ->status,
              200);
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

}  // namespace
