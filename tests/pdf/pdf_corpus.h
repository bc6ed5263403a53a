// Shared by the corpus tests of the PDF layer: the PDF entries of the
// corpus manifest and running the outside tools that check our results.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vn::pdf::testing {

struct CorpusFile {
  std::string path;
  std::string password;
  std::string notes;
  bool Damaged() const { return notes.find("damaged") != std::string::npos; }
  bool Encrypted() const { return notes.find("encrypted") != std::string::npos; }
  bool Unsupported() const { return notes.find("outside the supported handlers") != std::string::npos; }
};

// The PDF files of the corpus's MANIFEST.tsv with their passwords and notes.
inline std::vector<CorpusFile> ReadManifest(const std::filesystem::path& corpus) {
  std::vector<CorpusFile> files;
  std::ifstream in(corpus / "MANIFEST.tsv");
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> cols;
    std::stringstream ss(line);
    std::string col;
    while (std::getline(ss, col, '\t')) cols.push_back(col);
    if (cols.size() < 7 || cols[0].rfind("pdf/", 0) != 0) continue;
    files.push_back({(corpus / cols[0]).string(), cols[5], cols[6]});
  }
  return files;
}

// A shell word for any text.
inline std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

// Runs the command (standard error dropped); returns its exit status, -1
// when it could not run; its standard output goes to `out` when given.
inline int RunTool(const std::string& command, std::string* out = nullptr) {
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) text.append(buf, n);
  const int status = pclose(pipe);
  if (out) *out = std::move(text);
  return status == -1 || !WIFEXITED(status) ? -1 : WEXITSTATUS(status);
}

// Runs the program found on PATH with its arguments, without a shell (a
// corpus test runs thousands of tools: a shell for each costs as much as the
// smaller tools themselves); standard error is dropped. Returns the exit
// status, -1 when it could not run; standard output goes to `out` when given.
inline int RunProgram(const std::vector<std::string>& args, std::string* out = nullptr) {
  int fds[2];
  if (args.empty() || pipe2(fds, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  std::string text;
  if (spawned == 0) {
    char buf[65536];
    for (;;) {
      const ssize_t n = read(fds[0], buf, sizeof buf);
      if (n > 0) text.append(buf, static_cast<size_t>(n));
      else if (n == 0 || errno != EINTR) break;
    }
  }
  close(fds[0]);
  if (spawned != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return -1;
  if (out) *out = std::move(text);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace vn::pdf::testing
