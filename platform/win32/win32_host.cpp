// The real Windows backend's owner: one instance of every facility, handed out together as the
// Host a program's entry point passes on.
#include "platform/win32/win32_host.h"

#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_com_objects.h"
#include "platform/win32/win32_database.h"
#include "platform/win32/win32_debug_trace.h"
#include "platform/win32/win32_directory_objects.h"
#include "platform/win32/win32_event_log.h"
#include "platform/win32/win32_file_calls.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_iis_admin.h"
#include "platform/win32/win32_internet.h"
#include "platform/win32/win32_libraries.h"
#include "platform/win32/win32_locale.h"
#include "platform/win32/win32_message_boxes.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_resources.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_system_info.h"

namespace platform::win32 {

struct Win32Host::Parts {
  Win32Registry registry;
  Win32FileSystem files;
  Win32Processes processes;
  Win32Services services;
  Win32Clock clock;
  Win32MessageBoxes boxes;
  Win32DebugTrace trace;
  Win32SystemInfo system;
  Win32Locale locale;
  Win32Resources resources;
  Win32ComObjects com;
  Win32Database database;
  Win32IisAdmin iis;
  Win32Libraries libraries;
  Win32FileCalls file_calls;
  Win32DirectoryObjects directory;
  Win32Internet internet;
  Win32EventLog events;
  // Declared last: it refers to the members above, which are complete by then.
  Host host{registry, files,     processes,  services,  clock,    boxes,
            trace,    system,    locale,     resources, database, com,
            iis,      libraries, file_calls, directory, internet, events};
};

Win32Host::Win32Host() : parts_(std::make_unique<Parts>()) {}

Win32Host::~Win32Host() = default;

Host& Win32Host::host() {
  return parts_->host;
}

}  // namespace platform::win32
