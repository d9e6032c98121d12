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

// A column's text for a line of the inventory; an empty column gives an empty part, so that
// the account still reaches the list the administrator clears by hand.
std::wstring TextOf(platform::Recordset& rows, std::wstring_view column) {
  const platform::DbValue value = rows.Field(column);
  return platform::IsNull(value) ? std::wstring() : platform::DbText(value);
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
    text += Line(prefix, TextOf(rows, display_column), TextOf(rows, L"UID"));
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
    // Rows by position: a server-side keyset cursor may report its count as -1.
    if (rows.Eof()) return;
    for (rows.MoveFirst(); !rows.Eof(); rows.MoveNext()) {
      SkipFailure([&] {
        text +=
            ObjectLine(TextOf(rows, L"Alias"), TextOf(rows, L"DisplayName"), TextOf(rows, L"UID"));
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
        text += ObjectLine(TextOf(*locations, L"Alias"), TextOf(*locations, L"TextName"),
                           TextOf(*locations, L"UID"));
      });
    }
  });
  return text;
}

}  // namespace uninstaller
