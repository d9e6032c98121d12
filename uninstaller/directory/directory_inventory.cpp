// The directory inventory's queries and layout.
#include "uninstaller/directory/directory_inventory.h"

#include <memory>

#include "platform/database.h"
#include "uninstaller/sequence/error_trap.h"

namespace uninstaller {
namespace {

constexpr wchar_t kCrLf[] = L"\r\n";

std::wstring Line(std::wstring_view prefix, const std::wstring& display, const std::wstring& uid) {
  return std::wstring(prefix) + display + L"', Mail Alias='" + uid + L"'" + kCrLf;
}

std::wstring ObjectLine(const std::wstring& alias, const std::wstring& display,
                        const std::wstring& uid) {
  return Line(L"Alias='" + alias + L"', Display Name='", display, uid);
}

// Searches from the first row; true and the fixed-prefix line appended when a row matches.
bool AppendFound(platform::Recordset& rows, std::wstring_view criterion, std::wstring_view prefix,
                 std::wstring_view display_column, std::wstring& text) {
  bool found = false;
  SkipFailure([&] {
    rows.MoveFirst();
    rows.Find(criterion);
    if (rows.Eof()) return;
    found = true;
    text += Line(prefix, platform::DbText(rows.Field(display_column)),
                 platform::DbText(rows.Field(L"UID")));
  });
  return found;
}

std::unique_ptr<platform::Recordset> Open(UninstallerApp& app, std::wstring_view query) {
  return app.host.database.OpenRecordset(query, app.SqlConnectionString, platform::ado::kOpenKeyset,
                                         platform::ado::kLockReadOnly, platform::ado::kUseServer);
}

void AppendSubscribers(platform::Recordset& rows, std::wstring& text) {
  AppendFound(rows, L"Alias='ESubscriber'", L"Alias='ESubscriber', Display Name='", L"DisplayName",
              text);
  if (!AppendFound(rows, L"Alias='EAdministrator'", L"Alias='EAdministrator', Display Name='",
                   L"DisplayName", text)) {
    AppendFound(rows, L"Alias='EAdmin'", L"Alias='EAdmin', Display Name='", L"DisplayName", text);
  }
  SkipFailure([&] {
    rows.Filter(L"SubscriberType=0");
    if (rows.RecordCount() < 1) return;
    for (rows.MoveFirst(); !rows.Eof(); rows.MoveNext()) {
      SkipFailure([&] {
        text += ObjectLine(platform::DbText(rows.Field(L"Alias")),
                           platform::DbText(rows.Field(L"DisplayName")),
                           platform::DbText(rows.Field(L"UID")));
      });
    }
  });
}

void AppendDistributionLists(UninstallerApp& app, std::wstring& text) {
  SkipFailure([&] {
    auto lists = Open(app,
                      L"SELECT distributionlist.Alias, distributionlist.UID, "
                      L"distributionlist.DisplayName FROM DistributionList INNER JOIN location ON "
                      L"location.locationobjectid=distributionlist.locationobjectid WHERE "
                      L"location.alias='default'");
    AppendFound(*lists, L"Alias='allsubscribers'", L"Alias='AllSubscribers', Display Name='",
                L"DisplayName", text);
    AppendFound(*lists, L"Alias='unaddressedmessages'",
                L"Alias='UnaddressedMessages', Display Name='", L"DisplayName", text);
    AppendFound(*lists, L"Alias='SystemEventMessages'",
                L"Alias='SystemEventMessages', Display Name='", L"DisplayName", text);
  });
}

}  // namespace

std::wstring GetDirectoryInventory(UninstallerApp& app) {
  app.SqlConnectionString = kProductDatabase;
  std::wstring text = std::wstring(kCrLf) + L"Subscribers:" + kCrLf;
  std::unique_ptr<platform::Recordset> subscribers;
  SkipFailure([&] {
    subscribers = Open(app, L"Select Alias, DisplayName, UID, SubscriberType from Subscriber");
  });
  if (!subscribers || !subscribers->IsOpen()) {
    app.Message(app.Text(2057), platform::mb::kOk);
    return L"";
  }
  AppendSubscribers(*subscribers, text);
  text += std::wstring(kCrLf) + L"Public Distribution Lists:" + kCrLf;
  SkipFailure([&] { subscribers->Close(); });
  AppendDistributionLists(app, text);
  text += std::wstring(kCrLf) + L"Location Objects:" + kCrLf;
  std::unique_ptr<platform::Recordset> locations;
  SkipFailure([&] { locations = Open(app, L"Select TextName, Alias, UID from Location"); });
  if (!locations || !locations->IsOpen()) return L"";  // the sections built so far are dropped
  SkipFailure([&] {
    for (; !locations->Eof(); locations->MoveNext()) {
      SkipFailure([&] {
        text += ObjectLine(platform::DbText(locations->Field(L"Alias")),
                           platform::DbText(locations->Field(L"TextName")),
                           platform::DbText(locations->Field(L"UID")));
      });
    }
  });
  return text;
}

}  // namespace uninstaller
