// The directory cleaning. Every error here is passed over without a line and the next step
// runs; where a test fails to evaluate, the outcome is the careful one (subscriber skipped,
// location kept, other servers assumed).
#include "dirscrub/directory_cleaning.h"

#include <memory>
#include <string>

#include "common/root_file.h"
#include "dirscrub/app.h"
#include "dirscrub/id_text.h"
#include "platform/error.h"
#include "platform/text.h"

namespace dirscrub {
namespace {

namespace doh = platform::doh;

constexpr std::wstring_view kDohProgId = L"ZqDohManager.ZqDohManager.1";
constexpr std::int32_t kLogOnMode = 3;

namespace tag {
constexpr std::uint32_t kSystemId = 0x71D30003;
constexpr std::uint32_t kLocalLocationId = 0x0FFF2011;
constexpr std::uint32_t kLocationId = 0x61762011;
constexpr std::uint32_t kSubscriberKind = 0x61810002;
constexpr std::uint32_t kObjectId = 0x30A30008;
constexpr std::uint32_t kAlias = 0x3A000008;
}  // namespace tag

// The run time's Resume Next: an error ends only the statement it happened in.
template <typename Statement>
void Quietly(Statement&& statement) {
  try {
    statement();
  } catch (const platform::RuntimeError&) {
  }
}

class Cleaning {
 public:
  explicit Cleaning(DirscrubApp& app) : app_(app) {}

  void Run() {
    LogOn();
    CheckVersion();
    Quietly([&] { Log(L"Velmar version number detected=" + app_.version.Text); });
    Quietly([&] { CountSubscribers(); });
    Quietly([&] { ReadSystemObject(); });
    Quietly([&] { Log(L"Starting removal of subscriber properties"); });
    Quietly([&] { RemoveSubscriberProperties(); });
    Quietly([&] { Log(L"Completed removal of subscriber properties"); });
    CheckOtherServers();
    Quietly([&] { DeleteLocationObject(); });
  }

 private:
  void Log(std::wstring_view line) { app_.log.WriteLog(line); }
  doh::Directory& Directory() {
    if (!doh_) platform::Raise(91, L"Object variable or With block variable not set");
    directory_ = doh_->GetDirectory();
    return *directory_;
  }

  // A server that cannot be reached or logged on to ends the run: nothing was cleaned, and
  // the marker says so.
  void LogOn() {
    try {
      manager_ = app_.host.directory.CreateDohManager(kDohProgId);
      manager_->Connect();
      doh_ = manager_->GetDoh();
      doh_->LogOn(kLogOnMode);
    } catch (const platform::RuntimeError&) {
      Log(L"DOH Connection failed.  Exiting subscriber removal.");
      app_.Message(app_.forms.Text(1002));
      Quietly([&] {
        velmar::WriteRootFile(app_.host.files, L"c:\\VelmarUninstallTemp.xxx", "NODOH\r\n");
      });
      app_.End();
    }
    Log(L"Logged on to DOH");
  }

  void CheckVersion() {
    if (app_.version.Major >= 3) return;
    Log(L"(error) A version prior to Velmar 3.0 detected, this version of Dirscrub only works "
        L"with 3.0 and later.");
    Log(L"exiting application");
    app_.End();
  }

  void CountSubscribers() {
    std::int32_t count = 0;
    std::unique_ptr<doh::Enumeration> members = Directory().GetSubscribers()->Members();
    while (members->Next()) ++count;
    Log(L"Total subscriber count=" + std::to_wstring(count));
    app_.main.SetProgress(0, count, 0);
  }

  void ReadSystemObject() {
    Quietly([&] {
      const auto properties = Directory().GetSystemObject()->Properties();
      Log(L"System ID=" + PropertyText(properties->GetProperty(tag::kSystemId)));
    });
    Quietly([&] {
      const auto properties = Directory().GetSystemObject()->Properties();
      local_location_ = IdToText(properties->GetProperty(tag::kLocalLocationId));
    });
    Quietly([&] { Log(L"Local Location Object ID=" + local_location_); });
  }

  // Homed here and a real subscriber (kind above 0, not 6); any failure to tell skips it.
  bool ShouldClean(doh::PropertyObject& subscriber) {
    try {
      if (!platform::EqualsNoCase(IdToText(subscriber.GetProperty(tag::kLocationId)),
                                  local_location_)) {
        return false;
      }
      const std::int32_t kind = PropertyNumber(subscriber.GetProperty(tag::kSubscriberKind));
      return kind > 0 && kind != 6;
    } catch (const platform::RuntimeError&) {
      return false;
    }
  }

  void RemoveSubscriberProperties() {
    std::unique_ptr<doh::Enumeration> walk = Directory().GetSubscribers()->Walk();
    while (std::unique_ptr<doh::PropertyObject> subscriber = walk->Next()) {
      if (ShouldClean(*subscriber)) {
        Quietly([&] {
          Log(L"    Removing custom properties from user with OBJECT_ID=" +
              PropertyText(subscriber->GetProperty(tag::kObjectId)) + L" and alias=" +
              PropertyText(subscriber->GetProperty(tag::kAlias)));
        });
        Quietly([&] { Directory().GetSubscribers()->RemoveCustomProperties(*subscriber); });
      }
      StepProgress();
    }
  }

  // A value past the bar's maximum is refused, as the control refuses it.
  void StepProgress() {
    FrmMain& main = app_.main;
    if (main.progress_value() < main.progress_max()) {
      main.SetProgress(main.progress_min(), main.progress_max(), main.progress_value() + 1);
    }
  }

  // Fewer location items than locations means other servers share the directory; counts that
  // cannot be read are taken to mean the same.
  void CheckOtherServers() {
    bool multiple = true;
    Quietly([&] {
      const std::int32_t all = Directory().GetLocations()->Count();
      const std::int32_t items = Directory().GetLocations()->Items()->Count();
      multiple = items < all;
    });
    app_.main.multiple_servers = multiple;
    Quietly([&] {
      Log(multiple ? L"    Multiple Velmar servers detected in directory"
                   : L"    This is the only Velmar server detected in directory.");
    });
  }

  void DeleteLocationObject() {
    std::unique_ptr<doh::Enumeration> walk = Directory().GetLocations()->Items()->Walk();
    while (std::unique_ptr<doh::PropertyObject> location = walk->Next()) {
      bool ours = false;
      Quietly([&] { ours = IdToText(location->GetProperty(tag::kLocationId)) == local_location_; });
      if (!ours) continue;
      Quietly([&] {
        Log(L"    Deleting location object with Alias=" +
            PropertyText(location->GetProperty(tag::kAlias)));
      });
      Quietly([&] { Directory().GetLocations()->Delete(*location); });
    }
  }

  DirscrubApp& app_;
  std::unique_ptr<doh::DohManager> manager_;
  std::unique_ptr<doh::Doh> doh_;
  std::unique_ptr<doh::Directory> directory_;  // fetched anew for every use
  std::wstring local_location_;
};

}  // namespace

void CleanDirectory(DirscrubApp& app) {
  Cleaning(app).Run();
}

}  // namespace dirscrub
