// Everything a program may use of the machine it runs on, handed to it by its entry point:
// the real Windows API (platform/win32) or one process on the simulated server (platform/sim).
#pragma once

#include "platform/clock.h"
#include "platform/com_objects.h"
#include "platform/database.h"
#include "platform/debug_trace.h"
#include "platform/directory_objects.h"
#include "platform/error.h"
#include "platform/event_log.h"
#include "platform/file_calls.h"
#include "platform/files.h"
#include "platform/iis_admin.h"
#include "platform/internet.h"
#include "platform/libraries.h"
#include "platform/locale.h"
#include "platform/message_boxes.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/services.h"
#include "platform/system_info.h"

namespace platform {

struct Host {
  Registry& registry;
  FileSystem& files;
  Processes& processes;
  Services& services;
  Clock& clock;
  MessageBoxes& boxes;
  DebugTrace& trace;
  SystemInfo& system;
  Locale& locale;
  Resources& resources;
  Database& database;
  ComObjects& com;
  IisAdmin& iis;
  Libraries& libraries;
  FileCalls& file_calls;
  doh::DirectoryObjects& directory;
  Internet& internet;
  EventLog& events;
};

}  // namespace platform
