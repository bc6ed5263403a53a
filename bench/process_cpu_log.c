// Preloaded into every process of a test run by bench/test_run_cpu.py: at
// exit each process appends its own CPU time (not its children's), its
// parent and its program to the file VN_PROCESS_CPU_LOG, so the run's CPU
// time can be split by program and by ctest entry.
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <unistd.h>

static void __attribute__((destructor)) vn_log_process_cpu(void) {
  const char* path = getenv("VN_PROCESS_CPU_LOG");
  if (path == NULL) return;
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  char exe[512] = {0};
  if (readlink("/proc/self/exe", exe, sizeof exe - 1) < 0) strcpy(exe, "?");
  char args[600] = {0};
  const int in = open("/proc/self/cmdline", O_RDONLY);
  const ssize_t n = in >= 0 ? read(in, args, sizeof args - 1) : 0;
  if (in >= 0) close(in);
  for (ssize_t i = 0; i < n; ++i)
    if (args[i] == '\0' || args[i] == '\t' || args[i] == '\n') args[i] = ' ';
  char line[1400];
  const int length =
      snprintf(line, sizeof line, "%d\t%d\t%.4f\t%.4f\t%s\t%s\n", (int)getpid(), (int)getppid(),
               usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6,
               usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6, exe, args);
  const int out = open(path, O_WRONLY | O_APPEND | O_CREAT, 0644);
  if (out < 0) return;
  if (write(out, line, (size_t)length) < 0) {
  }
  close(out);
}
