// Reading and writing frames, and the loop that serves a client.
#include "lsp/transport.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace vyl::lsp {

namespace {

constexpr std::size_t kMaxHeaderLine = 1024;

// One header line without its line end; false at the end of the input.
// A line longer than kMaxHeaderLine keeps its first bytes only.
bool ReadLine(std::istream& in, std::string& line) {
  line.clear();
  for (;;) {
    const int c = in.get();
    if (c == std::char_traits<char>::eof()) return false;
    if (c == '\n') break;
    if (line.size() < kMaxHeaderLine) line.push_back(static_cast<char>(c));
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// The value of a Content-Length header: decimal digits, surrounded by
// blanks; false for anything else.
bool LengthOf(std::string_view value, std::size_t& length) {
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
  if (value.empty() || value.size() > 18) return false;
  length = 0;
  for (char c : value) {
    if (c < '0' || c > '9') return false;
    length = length * 10 + static_cast<std::size_t>(c - '0');
  }
  return true;
}

}  // namespace

Frame ReadFrame(std::istream& in, std::string& body, std::string& problem, std::size_t limit) {
  std::string line;
  bool headers = false;  // a header line was read
  bool known = false;
  bool bad = false;
  std::size_t length = 0;
  for (;;) {
    if (!ReadLine(in, line)) return Frame::kEnd;
    if (line.empty()) {
      if (!headers) continue;  // blank lines between messages
      break;
    }
    headers = true;
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) {
      bad = true;
      continue;
    }
    if (EqualsIgnoringCase(std::string_view(line).substr(0, colon), "Content-Length")) {
      known = LengthOf(std::string_view(line).substr(colon + 1), length);
      if (!known) bad = true;
    }
  }
  if (!known) {
    problem = "The message has no valid Content-Length header.";
    return Frame::kMalformed;
  }
  if (bad || length > limit) {
    // Passed over unread, so that the next frame starts where it should.
    for (std::size_t left = length; left > 0 && in;) {
      const auto chunk = static_cast<std::streamsize>(std::min<std::size_t>(left, std::size_t{1} << 20));
      in.ignore(chunk);
      left -= static_cast<std::size_t>(chunk);
    }
    problem = bad ? "A header line of the message is malformed."
                  : "The message is longer than " + std::to_string(limit) + " bytes.";
    return Frame::kMalformed;
  }
  body.resize(length);
  in.read(body.data(), static_cast<std::streamsize>(length));
  if (static_cast<std::size_t>(in.gcount()) < length) return Frame::kEnd;
  return Frame::kMessage;
}

void WriteFrame(std::ostream& out, std::string_view body) {
  out << "Content-Length: " << body.size() << "\r\n\r\n";
  out.write(body.data(), static_cast<std::streamsize>(body.size()));
}

int Serve(std::istream& in, std::ostream& out, ServerOptions options) {
  Server server(std::move(options));
  std::string body;
  std::string problem;
  for (;;) {
    const Frame frame = ReadFrame(in, body, problem);
    if (frame == Frame::kEnd) break;
    if (frame == Frame::kMalformed) {
      WriteFrame(out, server.FramingError(problem));
    } else {
      for (const std::string& reply : server.Handle(body)) WriteFrame(out, reply);
    }
    out.flush();
    if (server.exited()) break;
  }
  return server.exitCode();
}

}  // namespace vyl::lsp
