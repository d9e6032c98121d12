// A program's context on the simulated server and the Host built from it.
#include "platform/sim/process.h"

namespace platform::sim {
namespace {

std::wstring FolderOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L'\\');
  if (slash == std::wstring::npos) return L"C:\\";
  return slash <= 2 ? path.substr(0, 3) : path.substr(0, slash);
}

}  // namespace

Process::Process(Server& server, std::wstring module_path, std::wstring args,
                 StringTable own_strings, std::array<std::uint16_t, 4> file_version)
    : server_(server),
      module_path_(std::move(module_path)),
      own_strings_(std::move(own_strings)),
      current_dir_(FolderOf(module_path_)),
      locale_(server),
      registry_(server.registry, locale_),
      files_(server.files, current_dir_, locale_),
      processes_(server, module_path_, std::move(args), current_dir_, environment),
      services_(server.services),
      clock_(server),
      boxes_(server.boxes),
      trace_(server),
      system_(server),
      resources_(server, own_strings_, file_version, current_dir_),
      database_(server),
      com_(server),
      iis_(server.iis),
      libraries_(*this, last_error_),
      file_calls_(server.files, current_dir_, last_error_),
      directory_(server),
      internet_(server.web),
      events_(server),
      host_{registry_, files_,     processes_,  services_,  clock_,    boxes_,
            trace_,    system_,    locale_,     resources_, database_, com_,
            iis_,      libraries_, file_calls_, directory_, internet_, events_} {
  FileNode* image = server_.files.Find(module_path_);
  if (image == nullptr) image = &server_.files.WriteFile(module_path_, "MZ");
  image_ = FileSystemState::Share(*image);
  ++image_->in_use;
  if (server_.faults.Covers(module_path_)) {
    faulty_ = std::make_unique<FaultyHost>(
        server_.faults, module_path_.substr(module_path_.find_last_of(L'\\') + 1), host_);
  }
}

Process::~Process() {
  --image_->in_use;
}

}  // namespace platform::sim
