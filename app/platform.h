// The platform services the program runs with: the Win32 layer binds the
// real ones at start, tests bind fakes. Routines that take no argument (the
// event handlers and worker routines) reach the platform through here.
#pragma once

class Toolkit;
class Threads;
class IfTableApi;
class SystemFigures;
class UpdateServices;

struct Platform {
  Toolkit* toolkit = nullptr;
  Threads* threads = nullptr;
  IfTableApi* ifTable = nullptr;
  SystemFigures* figures = nullptr;
  UpdateServices* update = nullptr;
};

extern Platform platform;
