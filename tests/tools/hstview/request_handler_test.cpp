// The viewer's answers without a socket: every endpoint, bad parameters, attempts to reach files
// by path, foreign Host headers, and the token.
#include "tools/hstview/request_handler.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/run_program.h"
#include "tools/hstview/workbook_export.h"

namespace hstview {
namespace {

using nlohmann::json;

const std::string kExamples = HSTVIEW_EXAMPLES_DIR;

class ViewerTest : public ::testing::Test {
  protected:
    ViewerTest() { archive.Refresh({kExamples + "/compact.hst", kExamples + "/wide.hst"}); }

    HttpResponse Get(const std::string& target, const std::string& host = "127.0.0.1:8470",
                     const std::string& method = "GET", const std::string& cookie = "") {
        ViewerState state{archive, access, {kExamples}};
        return HandleRequest({method, target, host, cookie}, state);
    }
    json GetJson(const std::string& target) {
        const HttpResponse response = Get(target);
        EXPECT_EQ(response.status, 200) << target << ": " << response.body;
        EXPECT_EQ(response.contentType, "application/json");
        return json::parse(response.body);
    }

    trendtab::Archive archive{16 << 20};
    AccessPolicy access{"", 8470, ""};
};

TEST_F(ViewerTest, FilesAndTagsDescribeTheArchive) {
    const json files = GetJson("/api/files")["files"];
    ASSERT_EQ(files.size(), 2U);
    EXPECT_EQ(files[0]["layout"], "compact");  // earlier in time
    EXPECT_EQ(files[0]["records"], 10);
    EXPECT_EQ(files[0]["first"], 1299225600.0);
    EXPECT_EQ(files[1]["tags"], json({"Pressure", "Counter", "Level"}));
    const json tags = GetJson("/api/tags")["tags"];
    ASSERT_EQ(tags.size(), 7U);
    EXPECT_EQ(tags[4]["name"], "Pressure");
    EXPECT_EQ(tags[4]["description"], "bar, inlet");
}

TEST_F(ViewerTest, SeriesGivesEverySampleWhereColumnsHoldFewerThanFour) {
    // One column per second: the compact file's ten samples a minute apart, as stored.
    const json series =
        GetJson("/api/series?tags=Tank1,Level&from=1299225600&to=1299243912&width=8192")["series"];
    ASSERT_EQ(series.size(), 2U);
    EXPECT_EQ(series[0]["tag"], "Tank1");
    ASSERT_EQ(series[0]["t"].size(), 10U);
    EXPECT_EQ(series[0]["t"][0], 1299225600.0);
    EXPECT_EQ(series[0]["v"][0], 3.14159);  // a single's shortest text, not its binary expansion
    const json wide =
        GetJson("/api/series?tags=Level&from=1299243909&to=1299243912&width=8192")["series"];
    ASSERT_EQ(wide[0]["t"].size(), 10U);
    EXPECT_EQ(wide[0]["t"][9], 1299243911.25);  // wide stamps keep their fraction
    // One column: first, smallest, largest, last at most.
    const json one = GetJson("/api/series?tags=Tank1&from=1299225600&to=1299226200&width=1");
    EXPECT_LE(one["series"][0]["t"].size(), 4U);
    EXPECT_GE(one["series"][0]["t"].size(), 2U);
}

TEST_F(ViewerTest, ZoneOffsetsComeFromTheTimeLibrary) {
    // The zone by its name in the system's zone list: the IANA name, or Windows' key.
    std::string berlin = "Europe/Berlin";
    if (Get("/api/zone?tz=Europe/Berlin&from=0&to=1").status != 200) {
        berlin = "W.%20Europe%20Standard%20Time";
    }
    const json zone = GetJson("/api/zone?tz=" + berlin + "&from=1299225600&to=1320000000");
    EXPECT_EQ(zone["offsets"], json::parse(R"([{"at":1299225600,"offset":3600},
        {"at":1301187600,"offset":7200},{"at":1319936400,"offset":3600}])"));
    EXPECT_EQ(GetJson("/api/zone?tz=UTC&from=0&to=100000000")["offsets"].size(), 1U);
}

TEST_F(ViewerTest, ExportEqualsHstexportsBytes) {
    for (const auto& [query, arguments] :
         std::vector<std::pair<std::string, std::vector<std::string>>>{
             {"tags=Tank1,Level&tz=UTC&from=2011-03-04T08:02:00Z",
              {"--tags", "Tank1,Level", "--from", "2011-03-04T08:02:00Z", "--tz", "UTC"}},
             {"tags=Count*", {"--tags", "Count*"}},
             {"", {}}}) {
        std::vector<std::string> command = {"-o", "-", "-r"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        command.push_back("--");  // a path beginning with "/" is no Windows-style option
        command.push_back(kExamples);
        const testsupport::RunResult expected = testsupport::RunProgram(HSTEXPORT_EXE, command);
        // A file without the tags fails, the others are written.
        ASSERT_FALSE(expected.output.empty()) << expected.exitCode << expected.errors;
        const HttpResponse response = Get("/api/export.csv?" + query);
        EXPECT_EQ(response.status, 200) << response.body;
        EXPECT_EQ(response.contentType, "text/csv; charset=utf-8");
        EXPECT_EQ(response.body, expected.output) << query;
    }
}

TEST_F(ViewerTest, WorkbookExportIsHstexportsWorkbook) {
    if (!WorkbookExportSupported()) {
        const HttpResponse response = Get("/api/export.xlsx?tags=Tank1");
        EXPECT_EQ(response.status, 501);
        EXPECT_TRUE(json::parse(response.body).contains("error"));
        EXPECT_EQ(GetJson("/api/files")["exports"], json({"csv"}));
        return;
    }
    EXPECT_EQ(GetJson("/api/files")["exports"], json({"csv", "xlsx"}));
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::temp_directory_path() /
        ("hstview_test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    struct Case {
        std::string query;
        std::vector<std::string> arguments;
        std::string file;  // the one file the range reaches into
    };
    for (const Case& c : std::vector<Case>{
             {"tags=Tank1,Flow2&tz=UTC&from=2011-03-04T08:02:00Z",
              {"--tags", "Tank1,Flow2", "--tz", "UTC", "--from", "2011-03-04T08:02:00Z"},
              "compact.hst"},
             {"tags=Level,Pressure&to=2011-03-04T13:05:11.5Z&tz=UTC",
              {"--tags", "Level,Pressure", "--to", "2011-03-04T13:05:11.5Z", "--tz", "UTC"},
              "wide.hst"},
             {"tags=Count*", {"--tags", "Count*"}, "wide.hst"},
         }) {
        // The workbook records when it was made, to the second: both made in one second.
        std::string expected;
        HttpResponse response;
        for (int attempt = 0; attempt < 3 && (attempt == 0 || response.body != expected);
             ++attempt) {
            fs::remove_all(folder);
            std::vector<std::string> command = {"--format", "xlsx", "-q", "-o", folder.string()};
            command.insert(command.end(), c.arguments.begin(), c.arguments.end());
            command.push_back("--");
            command.push_back(kExamples + "/" + c.file);
            const testsupport::RunResult run = testsupport::RunProgram(HSTEXPORT_EXE, command);
            ASSERT_EQ(run.exitCode, 0) << run.errors;
            std::ifstream file(folder / (c.file.substr(0, c.file.size() - 4) + ".xlsx"),
                               std::ios::binary);
            expected.assign(std::istreambuf_iterator<char>(file), {});
            response = Get("/api/export.xlsx?" + c.query);
        }
        ASSERT_EQ(response.status, 200) << c.query << ": " << response.body;
        EXPECT_EQ(response.contentType,
                  "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet");
        EXPECT_EQ(response.Header("Content-Disposition"), "attachment; filename=\"export.xlsx\"");
        ASSERT_GT(expected.size(), 1000U);
        EXPECT_TRUE(response.body == expected) << c.query;
    }
    fs::remove_all(folder);
    // Where a workbook cannot be the one hstexport writes: a JSON error, as for the CSV.
    for (const auto& [query, status] : std::vector<std::pair<std::string, int>>{
             {"tags=Tank1,Level", 409},                      // both files
             {"tags=Tank1&from=2012-01-01T00:00:00Z", 404},  // after every sample
             {"tags=Nothing", 404},
             {"tags=Tank1&from=tomorrow", 400},
             {"tags=Tank1&tz=Nowhere/Land", 400}}) {
        const HttpResponse response = Get("/api/export.xlsx?" + query);
        EXPECT_EQ(response.status, status) << query << ": " << response.body;
        EXPECT_TRUE(json::parse(response.body).contains("error")) << query;
    }
    ViewerState small{archive, access, {kExamples}, 1000};
    EXPECT_EQ(
        HandleRequest({"GET", "/api/export.xlsx?tags=Tank1", "127.0.0.1:8470", ""}, small).status,
        413);
}

TEST_F(ViewerTest, BadParametersGet400WithAJsonError) {
    for (const char* target : {
             "/api/series",
             "/api/series?tags=Tank1&from=0&to=10",
             "/api/series?tags=Tank1&from=10&to=10&width=5",
             "/api/series?tags=Tank1&from=x&to=10&width=5",
             "/api/series?tags=Tank1&from=1e3&to=1e9&width=5",
             "/api/series?tags=Tank1&from=0&to=10&width=0",
             "/api/series?tags=Tank1&from=0&to=10&width=8193",
             "/api/series?tags=Tank1&from=0&to=10&width=-1",
             "/api/series?tags=Nope&from=0&to=10&width=5",
             "/api/series?tags=,,,&from=0&to=10&width=5",
             "/api/series?tags=Tank1&from=99999999999999999&to=10&width=5",
             "/api/zone?tz=Nowhere/Land&from=0&to=10",
             "/api/zone?from=0&to=99999999999",
             "/api/export.csv?from=yesterday",
             "/api/export.csv?tz=Nowhere/Land",
             "/api/files?x=%zz",
         }) {
        const HttpResponse response = Get(target);
        EXPECT_EQ(response.status, 400) << target;
        EXPECT_EQ(response.contentType, "application/json") << target;
        EXPECT_TRUE(json::parse(response.body).contains("error")) << target;
    }
}

TEST_F(ViewerTest, NoPathReachesAFile) {
    for (const char* target :
         {"/../../etc/passwd", "/%2e%2e/%2e%2e/etc/passwd", "/..%2f..%2fexamples%2fcompact.hst",
          "/examples/compact.hst", "/index.html%00.js", "//etc/passwd", "/api/../index.html",
          "C:\\Windows\\win.ini", "/api/files/1/../../compact.hst"}) {
        const HttpResponse response = Get(target);
        EXPECT_TRUE(response.status == 404 || response.status == 400) << target;
        EXPECT_EQ(response.body.find("root:"), std::string::npos);
    }
    EXPECT_EQ(Get("/").status, 200);
    EXPECT_NE(Get("/").body.find("<html"), std::string::npos);
    EXPECT_EQ(Get("/app.js").contentType, "text/javascript; charset=utf-8");
}

TEST_F(ViewerTest, EveryAnswerCarriesTheSafetyHeadersAndOnlyGetAndHeadAreServed) {
    for (const auto& [method, status] : std::vector<std::pair<std::string, int>>{{"GET", 200},
                                                                                 {"HEAD", 200},
                                                                                 {"POST", 405},
                                                                                 {"PUT", 405},
                                                                                 {"OPTIONS", 405},
                                                                                 {"DELETE", 405}}) {
        const HttpResponse response = Get("/api/files", "127.0.0.1:8470", method);
        EXPECT_EQ(response.status, status) << method;
        EXPECT_EQ(response.Header("Content-Security-Policy"), "default-src 'self'");
        EXPECT_EQ(response.Header("X-Content-Type-Options"), "nosniff");
        EXPECT_EQ(response.Header("Access-Control-Allow-Origin"), "");
    }
    const HttpResponse head = Get("/api/files", "127.0.0.1:8470", "HEAD");
    EXPECT_TRUE(head.body.empty());
    EXPECT_EQ(head.Header("Content-Length"), std::to_string(Get("/api/files").body.size()));
}

TEST(ViewerAccess, HostHeadersAndTokens) {
    trendtab::Archive archive(1 << 20);
    struct Case {
        std::string listen;  // "" for the loopback default
        std::string token;
        std::string host;
        std::string target;
        std::string cookie;
        int status;
    };
    const std::string t = "0123456789abcdef0123456789abcdef";
    for (const Case& c : std::vector<Case>{
             {"", "", "127.0.0.1:8470", "/api/files", "", 200},
             {"", "", "localhost:8470", "/api/files", "", 200},
             {"", "", "LOCALHOST:8470", "/api/files", "", 200},
             {"", "", "[::1]:8470", "/api/files", "", 200},
             {"", "", "evil.example:8470", "/api/files", "", 403},  // a rebound name
             {"", "", "127.0.0.1:8471", "/api/files", "", 403},
             {"", "", "127.0.0.1", "/api/files", "", 403},
             {"", "", "", "/api/files", "", 403},
             {"10.1.2.3", t, "10.1.2.3:8470", "/api/files", "", 403},
             {"10.1.2.3", t, "10.1.2.3:8470", "/api/files?token=" + t, "", 200},
             {"10.1.2.3", t, "10.1.2.3:8470", "/api/files?token=" + t.substr(1), "", 403},
             {"10.1.2.3", t, "10.1.2.3:8470", "/api/files", "a=1; hstview_token=" + t, 200},
             {"10.1.2.3", t, "10.1.2.3:8470", "/api/files", "hstview_token=" + t + "0", 403},
             {"10.1.2.3", t, "evil.example:8470", "/api/files?token=" + t, "", 403},
             {"0.0.0.0", t, "plant-pc:8470", "/api/files?token=" + t, "", 200},
             {"0.0.0.0", t, "plant-pc:8470", "/api/files", "", 403},
             {"0.0.0.0", "", "plant-pc:8470", "/api/files", "", 403},  // --no-token: own names
             {"0.0.0.0", "", "127.0.0.1:8470", "/api/files", "", 200},
             {"10.1.2.3", "", "10.1.2.3:8470", "/api/files", "", 200},
         }) {
        const AccessPolicy access(c.listen, 8470, c.token);
        ViewerState state{archive, access, {}};
        const HttpResponse response = HandleRequest({"GET", c.target, c.host, c.cookie}, state);
        EXPECT_EQ(response.status, c.status) << c.listen << " " << c.host << " " << c.target;
        const bool tokenInQuery = c.target.find("token=") != std::string::npos;
        if (response.status == 200 && tokenInQuery) {
            EXPECT_EQ(response.Header("Set-Cookie").rfind("hstview_token=" + t + ";", 0), 0U);
        }
    }
    EXPECT_EQ(AccessPolicy::NewToken().size(), 32U);
    EXPECT_NE(AccessPolicy::NewToken(), AccessPolicy::NewToken());
}

}  // namespace
}  // namespace hstview
