// The program's lifecycle: start-up, the two event handlers, one refresh,
// and the end.
#pragma once

// Creates the state, shows the window, runs its message loop and ends the
// program when the window has been closed. Does not return.
[[noreturn]] void StartProgram();

void CreateInterfaceTable();
// Runs once as the program ends.
void ReleaseInterfaceTable();

// The window's created event: stores the bar handles, zeroes the total and
// starts the update check on a worker.
void OnMonitorWindowCreated();
// Every tick of 时钟1: starts one refresh on a worker, unless one still runs.
void OnRefreshTimer();
// One refresh, on its worker: a snapshot of the interface table, then the
// gauges.
void RunRefresh();

// Runs `routine` once on a new thread and returns at once; false if the
// thread could not be started.
bool StartWorker(void (*routine)());
