// The protocol: the lifecycle, malformed messages and their error
// responses, and the framing on a byte stream.
#include <sstream>

#include "client.h"
#include "lsp/transport.h"

namespace vyl::lsp::test {
namespace {

json Hover() { return {{"textDocument", {{"uri", Client::kUri}}}, {"position", {{"line", 0}, {"character", 0}}}}; }

TEST(LifecycleTest, InitializeTellsTheCapabilities) {
  Client c(false);
  const json result = c.Result("initialize", {{"capabilities", json::object()}});
  const json& caps = result["capabilities"];
  EXPECT_EQ(caps["textDocumentSync"]["change"], 1);  // the whole document
  EXPECT_TRUE(caps["textDocumentSync"]["openClose"].get<bool>());
  for (const char* provider : {"documentSymbolProvider", "definitionProvider", "referencesProvider",
                               "hoverProvider", "renameProvider", "completionProvider", "signatureHelpProvider",
                               "semanticTokensProvider"}) {
    EXPECT_TRUE(caps.contains(provider)) << provider;
  }
  EXPECT_EQ(caps["completionProvider"]["triggerCharacters"], json::array({"."}));
  EXPECT_EQ(result["serverInfo"]["name"], "vyl-lsp");
  EXPECT_EQ(c.ErrorCode("initialize", {{"capabilities", json::object()}}), kInvalidRequest);
}

TEST(LifecycleTest, NothingButInitializeBeforeIt) {
  Client c(false);
  EXPECT_EQ(c.ErrorCode("textDocument/hover", Hover()), kServerNotInitialized);
  // A notification before it is dropped: the document is not opened.
  c.Notify("textDocument/didOpen", {{"textDocument", {{"uri", Client::kUri}, {"version", 1}, {"text", "x"}}}});
  c.Result("initialize", {{"capabilities", json::object()}});
  EXPECT_EQ(c.ErrorCode("textDocument/hover", Hover()), kInvalidParams);  // not open
}

TEST(LifecycleTest, ShutdownThenExit) {
  Client c;
  EXPECT_TRUE(c.Result("shutdown", nullptr).is_null());
  EXPECT_EQ(c.ErrorCode("textDocument/hover", Hover()), kInvalidRequest);
  EXPECT_FALSE(c.server().exited());
  c.Notify("exit", nullptr);
  EXPECT_TRUE(c.server().exited());
  EXPECT_EQ(c.server().exitCode(), 0);
}

TEST(LifecycleTest, ExitWithoutShutdownIsAnError) {
  Client c;
  c.Notify("exit", nullptr);
  EXPECT_EQ(c.server().exitCode(), 1);
}

// One raw message's replies: exactly one, an error with that code and id.
void ExpectError(Client& c, std::string_view text, int code, const json& id) {
  const std::vector<json> replies = c.Send(text);
  ASSERT_EQ(replies.size(), 1u) << text;
  EXPECT_EQ(replies[0]["error"]["code"], code) << text;
  EXPECT_EQ(replies[0]["id"], id) << text;
  EXPECT_EQ(replies[0]["jsonrpc"], "2.0");
}

TEST(MalformedTest, EachGetsItsErrorResponse) {
  Client c;
  ExpectError(c, "{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":", kParseError, nullptr);
  ExpectError(c, "\xFF\xFE", kParseError, nullptr);
  ExpectError(c, "[1,2]", kInvalidRequest, nullptr);
  ExpectError(c, "42", kInvalidRequest, nullptr);
  ExpectError(c, R"({"jsonrpc":"2.0","id":{"a":1},"method":"shutdown"})", kInvalidRequest, nullptr);
  ExpectError(c, R"({"jsonrpc":"2.0","id":1.5,"method":"shutdown"})", kInvalidRequest, nullptr);
  ExpectError(c, R"({"id":7,"method":"shutdown"})", kInvalidRequest, 7);
  ExpectError(c, R"({"jsonrpc":"1.0","id":7,"method":"shutdown"})", kInvalidRequest, 7);
  ExpectError(c, R"({"jsonrpc":"2.0","id":"s","method":5})", kInvalidRequest, "s");
  ExpectError(c, R"({"jsonrpc":"2.0","id":8})", kInvalidRequest, 8);
  ExpectError(c, R"({"jsonrpc":"2.0","id":9,"method":"no/such"})", kMethodNotFound, 9);
  ExpectError(c, R"({"jsonrpc":"2.0","id":10,"method":"textDocument/hover","params":3})", kInvalidParams, 10);
  ExpectError(c, R"({"jsonrpc":"2.0","id":11,"method":"textDocument/hover","params":[1]})", kInvalidParams, 11);
  ExpectError(c, R"({"jsonrpc":"2.0","id":12,"method":"textDocument/hover","params":{}})", kInvalidParams, 12);
}

TEST(MalformedTest, DeeplyNestedValuesAreReadInPlace) {
  Client c;
  const std::string deep = std::string(200000, '[') + std::string(200000, ']');
  ExpectError(c, R"({"jsonrpc":"2.0","id":1,"method":"textDocument/hover","params":{"textDocument":)" + deep + "}}",
              kInvalidParams, 1);
  ExpectError(c, R"({"jsonrpc":"2.0","id":)" + deep + R"(,"method":"x","params":)" + deep + "}", kInvalidRequest,
              nullptr);
  EXPECT_TRUE(c.Send(R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":)"
                     R"({"uri":"u","text":"","version":)" + deep + "}}}").size() == 1);
}

TEST(MalformedTest, BadParamsOfAnOpenDocument) {
  Client c;
  c.Open("void main() {}\n");
  json at = Hover();
  at["position"] = {{"line", -1}, {"character", 0}};
  EXPECT_EQ(c.ErrorCode("textDocument/hover", at), kInvalidParams);
  at["position"] = {{"line", "0"}, {"character", 0}};
  EXPECT_EQ(c.ErrorCode("textDocument/definition", at), kInvalidParams);
  at["position"] = {{"line", 0}};
  EXPECT_EQ(c.ErrorCode("textDocument/completion", at), kInvalidParams);
  at["position"] = {{"line", 4000000000u}, {"character", 4000000000u}};  // past the end: clamped
  EXPECT_TRUE(c.Result("textDocument/hover", at).is_null());
  json rename = Hover();
  rename["newName"] = 3;
  EXPECT_EQ(c.ErrorCode("textDocument/rename", rename), kInvalidParams);
}

TEST(MalformedTest, NotificationsAreNeverAnswered) {
  Client c;
  for (std::string_view text : {R"({"jsonrpc":"2.0","method":"$/cancelRequest","params":{"id":3}})",
                                R"({"jsonrpc":"2.0","method":"$/unknown/thing"})",
                                R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":7}})",
                                R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{}})",
                                R"({"jsonrpc":"2.0","method":"textDocument/didClose","params":[]})",
                                R"({"jsonrpc":"2.0","id":4,"result":null})"}) {
    EXPECT_TRUE(c.Send(text).empty()) << text;
  }
}

TEST(MalformedTest, DocumentTextIsAnyBytes) {
  Client c;
  // Bytes that are no UTF-8 reach the compiler as they are; the reply is
  // still JSON.
  const std::vector<json> replies =
      c.Send(R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":)"
             R"({"uri":"file:///x.vyl","version":1,"text":"void main() { \u0000 \u00ff }"}}})");
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0]["method"], "textDocument/publishDiagnostics");
  EXPECT_EQ(replies[0]["params"]["diagnostics"][0]["severity"], 1);
}

// The framing: a byte stream in, the frames out.
std::vector<json> Exchange(const std::string& input, int* status = nullptr) {
  std::istringstream in(input);
  std::ostringstream out;
  const int code = Serve(in, out);
  if (status) *status = code;
  std::vector<json> replies;
  std::istringstream back(out.str());
  std::string body, problem;
  while (ReadFrame(back, body, problem) == Frame::kMessage) replies.push_back(json::parse(body));
  return replies;
}

std::string Framed(const std::string& body, const std::string& eol = "\r\n") {
  return "Content-Length: " + std::to_string(body.size()) + eol + eol + body;
}

TEST(FramingTest, ServesAWholeSessionOnAStream) {
  int status = -1;
  const auto replies = Exchange(Framed(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}})") +
                                    Framed(R"({"jsonrpc":"2.0","id":2,"method":"shutdown"})") +
                                    Framed(R"({"jsonrpc":"2.0","method":"exit"})") + Framed("never read"),
                                &status);
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[0]["id"], 1);
  EXPECT_EQ(replies[1]["id"], 2);
  EXPECT_EQ(status, 0);
}

TEST(FramingTest, HeadersOtherThanLengthAndBareLineFeeds) {
  const std::string body = R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}})";
  const auto replies =
      Exchange("content-length:   " + std::to_string(body.size()) +
               "\nContent-Type: application/vscode-jsonrpc; charset=utf-8\n\n" + body);
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_TRUE(replies[0].contains("result"));
}

TEST(FramingTest, BrokenHeadersGetAParseErrorAndReadingGoesOn) {
  const std::string ok = Framed(R"({"jsonrpc":"2.0","id":5,"method":"initialize","params":{"capabilities":{}}})");
  for (const std::string& bad : {std::string("Content-Length: x12\r\n\r\n"), std::string("Content-Type: a\r\n\r\n"),
                                 std::string("no colon here\r\nContent-Length: 2\r\n\r\n{}"),
                                 std::string("Content-Length: 99999999999\r\n\r\n")}) {
    const auto replies = Exchange(bad + ok);
    ASSERT_GE(replies.size(), 1u) << bad;
    EXPECT_EQ(replies[0]["error"]["code"], kParseError) << bad;
  }
  // A body shorter than its length ends the input: no reply, status 1.
  int status = 0;
  EXPECT_TRUE(Exchange("Content-Length: 50\r\n\r\n{}", &status).empty());
  EXPECT_EQ(status, 1);
}

TEST(FramingTest, LengthsPastTheLimitAreSkipped) {
  std::istringstream in(Framed(std::string(101, ' ')) + Framed("{}"));
  std::string body, problem;
  EXPECT_EQ(ReadFrame(in, body, problem, 100), Frame::kMalformed);
  EXPECT_NE(problem.find("longer"), std::string::npos);
  EXPECT_EQ(ReadFrame(in, body, problem, 100), Frame::kMessage);  // the next frame, where it starts
  EXPECT_EQ(body, "{}");
  EXPECT_EQ(ReadFrame(in, body, problem, 100), Frame::kEnd);
}

}  // namespace
}  // namespace vyl::lsp::test
