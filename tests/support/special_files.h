// Special files for the writers' tests, made inside a folder the test owns: a pipe, a symbolic
// link to a file the test owns, a folder and a character device with the null device's numbers
// (only root may make one). Never a system path: a writer that goes wrong destroys only these.
#pragma once

#ifndef _WIN32

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace kestrine::testing {

enum class SpecialKind { kPipe, kLinkToFile, kFolder, kCharacterDevice };

struct SpecialCase {
  SpecialKind kind;
  const char* what;
};

inline const std::vector<SpecialCase>& SpecialCases() {
  static const std::vector<SpecialCase> cases = {
      {SpecialKind::kPipe, "a pipe"},
      {SpecialKind::kLinkToFile, "a symbolic link to a file"},
      {SpecialKind::kFolder, "a folder"},
      {SpecialKind::kCharacterDevice, "a character device"},
  };
  return cases;
}

// The file a link points to, beside the link.
inline std::filesystem::path LinkedFileOf(const std::filesystem::path& link) {
  return link.parent_path() / (link.filename().string() + ".linked");
}

inline constexpr char kLinkedFileText[] = "the test's own file, which no writer may touch\n";

// Makes the special file at `path`; false when this process may not (a device node needs root).
inline bool MakeSpecial(SpecialKind kind, const std::filesystem::path& path) {
  switch (kind) {
    case SpecialKind::kPipe:
      return ::mkfifo(path.c_str(), 0644) == 0;
    case SpecialKind::kLinkToFile: {
      std::ofstream(LinkedFileOf(path), std::ios::binary) << kLinkedFileText;
      std::filesystem::create_symlink(LinkedFileOf(path).filename(), path);
      return true;
    }
    case SpecialKind::kFolder:
      std::filesystem::create_directories(path / "inside");
      return true;
    case SpecialKind::kCharacterDevice:
      return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
  }
  return false;
}

inline std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What a special file is, in enough detail to see that nothing touched it: its node as lstat
// gives it, what a link says and the file it points to holds, a folder's entries.
inline std::string Fingerprint(const std::filesystem::path& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return "missing";
  std::string text = std::to_string(st.st_ino) + " " + std::to_string(st.st_mode) + " " +
                     std::to_string(st.st_rdev) + " " + std::to_string(st.st_size) + " " +
                     std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
  if (S_ISLNK(st.st_mode)) {
    text += " -> " + std::filesystem::read_symlink(path).string() + " holding " +
            ReadWhole(LinkedFileOf(path)) + " " + Fingerprint(LinkedFileOf(path));
  }
  if (S_ISDIR(st.st_mode)) {
    for (const auto& entry : std::filesystem::directory_iterator(path))
      text += " [" + entry.path().filename().string() + "]";
  }
  return text;
}

// Runs `action` with the files this process writes limited to `bytes`, so that a write past
// the limit fails part-way as on a full disk, then lifts the limit again. False, without running
// `action`, when the limit cannot be set.
inline bool WithFileSizeLimit(rlim_t bytes, const std::function<void()>& action) {
  rlimit old_limit{};
  if (::getrlimit(RLIMIT_FSIZE, &old_limit) != 0) return false;
  rlimit small = old_limit;
  small.rlim_cur = bytes;
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  if (::setrlimit(RLIMIT_FSIZE, &small) != 0) {
    std::signal(SIGXFSZ, old_handler);
    return false;
  }
  action();
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  return true;
}

}  // namespace kestrine::testing

#endif  // _WIN32
