// Starting threads: an interface so that it can be faked.
#pragma once

class Threads {
 public:
  virtual ~Threads() = default;
  // Runs `routine` once on a new thread and returns at once, keeping no
  // handle of the thread. False if the thread could not be started.
  virtual bool StartThread(void (*routine)()) = 0;
};
