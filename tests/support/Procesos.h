// Child processes for the multi-process tests: every child is bounded by alarm() and the parent
// waits for all of them with a deadline, killing any still running then.
#pragma once
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

constexpr int kPlazoHijos = 60;  // seconds for any child

inline long Ms() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return long(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// A child running cuerpo; its exit code is cuerpo's result (1 when it threw).
inline pid_t Hijo(const std::function<int()>& cuerpo) {
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    alarm(kPlazoHijos);
    int rc = 1;
    try {
      rc = cuerpo();
    } catch (...) {
    }
    _exit(rc);
  }
  return pid;
}

// Exit codes (128 + the signal for a child a signal ended); a child still running at the
// deadline is killed and gives -1.
inline std::vector<int> Espera(const std::vector<pid_t>& pids) {
  std::vector<int> codigos(pids.size(), -1);
  long fin = Ms() + kPlazoHijos * 1000L;
  for (size_t quedan = pids.size(); quedan > 0 && Ms() < fin; usleep(5000))
    for (size_t i = 0; i < pids.size(); ++i) {
      int st = 0;
      if (codigos[i] != -1 || waitpid(pids[i], &st, WNOHANG) != pids[i]) continue;
      codigos[i] = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
      --quedan;
    }
  for (size_t i = 0; i < pids.size(); ++i)
    if (codigos[i] == -1) {
      kill(pids[i], SIGKILL);
      waitpid(pids[i], nullptr, 0);
    }
  return codigos;
}

// One byte through a pipe: the processes' steps in order. Toma gives up at the deadline, so a
// side that died before its Da cannot hang the other.
struct Senal {
  int fd[2];
  Senal() { EXPECT_EQ(pipe(fd), 0); }
  ~Senal() {
    close(fd[0]);
    close(fd[1]);
  }
  Senal(const Senal&) = delete;
  Senal& operator=(const Senal&) = delete;
  void Da() { EXPECT_EQ(write(fd[1], "x", 1), 1); }
  bool Toma() {
    pollfd p{fd[0], POLLIN, 0};
    char c;
    return poll(&p, 1, kPlazoHijos * 1000) == 1 && read(fd[0], &c, 1) == 1;
  }
};
