// The hosts under the file slots: the real file system and console, and an
// in-memory one for tests.
#if defined(__unix__) && !defined(__EMSCRIPTEN__)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#define VYL_MAPPED_FILES 1
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <cstdio>
#include <cstdlib>

#include "io/io.h"

namespace vyl {

namespace {

// The file's writes are gathered here rather than in the stream's own
// buffer (the stream is unbuffered): a piece costs a copy, not a call into
// the stream.  Only the compiling thread writes a file.
class StdOutFile : public OutFile {
 public:
  explicit StdOutFile(std::FILE* f) : f_(f) { std::setvbuf(f_, nullptr, _IONBF, 0); }
  ~StdOutFile() override { Close(); }
  void Put(char c) override {
    if (used_ == buffer_.size()) Flush();
    buffer_[used_++] = c;
  }
  void Write(std::string_view text) override {
    if (text.size() > buffer_.size() - used_) {
      Flush();
      if (text.size() >= buffer_.size()) {
        fwrite_unlocked(text.data(), 1, text.size(), f_);
        return;
      }
    }
    std::memcpy(buffer_.data() + used_, text.data(), text.size());
    used_ += text.size();
  }
  void Close() override {
    if (!f_) return;
    Flush();
    std::fclose(f_);
    f_ = nullptr;
  }

 private:
  void Flush() {
    if (used_ > 0) fwrite_unlocked(buffer_.data(), 1, used_, f_);
    used_ = 0;
  }
  std::FILE* f_;
  std::size_t used_ = 0;
  std::array<char, 4096> buffer_;
};

#ifdef VYL_MAPPED_FILES
class MappedRegion : public MappedFile {
 public:
  MappedRegion(void* base, std::size_t size) : base_(base), size_(size) {}
  ~MappedRegion() override { munmap(base_, size_); }
  std::string_view bytes() const override { return {static_cast<const char*>(base_), size_}; }

 private:
  void* base_;
  std::size_t size_;
};

// Files below this size are read: their copy costs less than a mapping.
constexpr off_t kMapFrom = off_t{1} << 16;
#endif

class MemoryOutFile : public OutFile {
 public:
  explicit MemoryOutFile(std::string& text) : text_(text) {}
  void Put(char c) override { text_.push_back(c); }
  void Write(std::string_view text) override { text_.append(text); }
  void Close() override {}

 private:
  std::string& text_;
};

}  // namespace

std::string StdHost::AskSourceFile(std::string_view) {
  if (!path_.empty() || !prompt_) return path_;
  std::fputs("Source file (.vyl): ", stdout);
  std::fflush(stdout);
  // stdio rather than iostreams: a compilation pays for no stream set-up.
  char* buffer = nullptr;
  std::size_t capacity = 0;
  ssize_t got = getline(&buffer, &capacity, stdin);
  std::string line = got < 0 ? std::string() : std::string(buffer, static_cast<std::size_t>(got));
  std::free(buffer);
  if (got < 0) return "";
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  return line;
}

std::optional<std::string> StdHost::ReadFile(const std::string& name, std::size_t limit) {
  std::string text;
  if (!ReadFileInto(name, limit, text)) return std::nullopt;
  return text;
}

bool StdHost::ReadFileInto(const std::string& name, std::size_t limit, std::string& text) {
  std::FILE* f = std::fopen(name.c_str(), "rb");
  if (!f) {
    lastError_ = std::strerror(errno);
    return false;
  }
  // Read straight into a string of the file's size (at most `limit`), in
  // one piece: growing it step by step would touch twice the memory.
  std::size_t expected = 1 << 16;
  if (std::fseek(f, 0, SEEK_END) == 0) {
    long end = std::ftell(f);
    if (end > 0) expected = static_cast<std::size_t>(end);
    std::rewind(f);
  }
  // One byte more than expected, so that the first read already meets the
  // end of the file; a file that grew meanwhile is read on.
  std::size_t filled = 0;
  for (std::size_t size = expected + 1; filled < limit; size = filled * 2) {
    text.resize(std::min(limit, size));
    std::size_t want = text.size() - filled;
    std::size_t got = std::fread(text.data() + filled, 1, want, f);
    filled += got;
    if (got < want) break;
  }
  text.resize(filled);
  // A directory opens but cannot be read: it is no source, not an empty one.
  bool failed = std::ferror(f) != 0;
  int error = errno;
  std::fclose(f);
  if (failed) {
    lastError_ = std::strerror(error);
    text.clear();
    return false;
  }
  return true;
}

std::shared_ptr<const MappedFile> StdHost::MapFile(const std::string& name, std::size_t limit) {
#ifdef VYL_MAPPED_FILES
  int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;  // ReadFileInto tells why
  struct stat st {};
  void* base = MAP_FAILED;
  std::size_t size = 0;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= kMapFrom) {
    size = std::min(limit, static_cast<std::size_t>(st.st_size));
    base = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  }
  close(fd);
  if (base == MAP_FAILED) return nullptr;
  return std::make_shared<MappedRegion>(base, size);
#else
  (void)name;
  (void)limit;
  return nullptr;
#endif
}

std::unique_ptr<OutFile> StdHost::WriteFile(const std::string& name) {
  std::FILE* f = std::fopen(name.c_str(), "wb");
  if (!f) {
    lastError_ = std::strerror(errno);
    return nullptr;
  }
  return std::make_unique<StdOutFile>(f);
}

void StdHost::ConsoleChar(char c) { std::fputc(c, stdout); }

void StdHost::StdoutText(std::string_view s) { std::fwrite(s.data(), 1, s.size(), stdout); }

void StdHost::StderrText(std::string_view s) {
  std::fflush(stdout);
  std::fwrite(s.data(), 1, s.size(), stderr);
}

int64_t StdHost::Milliseconds() {
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
  if (start_ < 0) start_ = ms;
  return ms - start_;
}

std::string MemoryHost::AskSourceFile(std::string_view) { return source; }

std::optional<std::string> MemoryHost::ReadFile(const std::string& name, std::size_t limit) {
  auto it = files.find(name);
  if (it == files.end()) return std::nullopt;
  return it->second.substr(0, limit);
}

std::unique_ptr<OutFile> MemoryHost::WriteFile(const std::string& name) {
  std::string& text = files[name];
  text.clear();
  return std::make_unique<MemoryOutFile>(text);
}

}  // namespace vyl
