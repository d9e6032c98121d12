// The ANSI registry calls as Windows defines them: buffer sizes and byte counts, enumeration
// order, deletion rules and access checks, identical on the simulation and the real API.
#include <string>
#include <vector>

#include "platform/text.h"
#include "tests/conformance/backend.h"

namespace conformance {
namespace {

using platform::RegKey;
using platform::Status;
namespace reg = platform::reg;
namespace win = platform::win;

class RegistryConformance : public Conformance {
 protected:
  RegKey OpenTest(std::uint32_t access = reg::kAllAccess, const std::string& sub = "") {
    RegKey key;
    EXPECT_EQ(key.Open(reg(), reg::kCurrentUser, sub.empty() ? key_ : key_ + "\\" + sub, access),
              win::kSuccess);
    return key;
  }
  void SetBytes(const std::string& name, std::uint32_t type, const std::string& bytes) {
    RegKey key = OpenTest();
    ASSERT_EQ(
        reg().SetValue(key.get(), name, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                       static_cast<std::uint32_t>(bytes.size())),
        win::kSuccess);
  }
  // Queries into a buffer of the given size; returns the status, fills data and count.
  Status Query(const std::string& name, std::uint32_t buffer_size, std::string& data,
               std::uint32_t& count, std::uint32_t* type = nullptr) {
    RegKey key = OpenTest(reg::kRead);
    std::vector<std::uint8_t> buffer(buffer_size + 1, 0xCC);
    count = buffer_size;
    const Status status = reg().QueryValue(key.get(), name, type, buffer.data(), &count);
    data.assign(buffer.begin(), buffer.begin() + (status == win::kSuccess ? count : 0));
    return status;
  }
  void CreateSub(const std::string& sub) {
    RegKey key;
    ASSERT_EQ(key.Create(reg(), reg::kCurrentUser, key_ + "\\" + sub), win::kSuccess);
  }
};

// A wide text as the W calls take it: UTF-16LE bytes with the terminator.
std::vector<std::uint8_t> Utf16Terminated(std::wstring_view text) {
  return platform::Utf16LeBytes(std::wstring(text) + L'\0');
}

TEST_F(RegistryConformance, WideCallsCreateKeysAndRoundTripUtf16) {
  const std::wstring path = std::wstring(key_.begin(), key_.end()) + L"\\Wide\\Deeper";
  RegKey created;
  ASSERT_EQ(created.CreateW(reg(), reg::kCurrentUser, path, reg::kAllAccess), win::kSuccess)
      << "missing keys on the way are created";
  const std::vector<std::uint8_t> bytes = Utf16Terminated(L"Caf\u00E9 \u20AC");
  ASSERT_EQ(reg().SetValueW(created.get(), L"Text", reg::kExpandSz, bytes.data(),
                            static_cast<std::uint32_t>(bytes.size())),
            win::kSuccess);
  created.Close();

  RegKey key;
  ASSERT_EQ(key.OpenW(reg(), reg::kCurrentUser, path, reg::kRead), win::kSuccess);
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  ASSERT_EQ(reg().QueryValueW(key.get(), L"TEXT", &type, nullptr, &size), win::kSuccess);
  EXPECT_EQ(type, reg::kExpandSz);
  EXPECT_EQ(size, bytes.size()) << "a null buffer asks for the size";
  std::vector<std::uint8_t> read(bytes.size(), 0xCC);
  size = static_cast<std::uint32_t>(bytes.size() - 1);
  EXPECT_EQ(reg().QueryValueW(key.get(), L"Text", nullptr, read.data(), &size), win::kMoreData);
  EXPECT_EQ(size, bytes.size()) << "the size needed, terminator included";
  size = static_cast<std::uint32_t>(read.size());
  ASSERT_EQ(reg().QueryValueW(key.get(), L"Text", nullptr, read.data(), &size), win::kSuccess);
  EXPECT_EQ(read, bytes);

  char ansi[32] = {};
  size = sizeof ansi;
  ASSERT_EQ(
      reg().QueryValue(key.get(), "Text", nullptr, reinterpret_cast<std::uint8_t*>(ansi), &size),
      win::kSuccess)
      << "the ANSI call reads what the wide call wrote";
  EXPECT_EQ(std::string(ansi, size), std::string("Caf\xE9 \x80") + '\0');
}

TEST_F(RegistryConformance, WideCallsFailAsTheAnsiCallsDo) {
  const std::wstring path = std::wstring(key_.begin(), key_.end());
  RegKey key;
  EXPECT_EQ(key.OpenW(reg(), reg::kCurrentUser, path + L"\\Missing", reg::kRead),
            win::kFileNotFound);
  ASSERT_EQ(key.OpenW(reg(), reg::kCurrentUser, path, reg::kRead), win::kSuccess);
  std::uint32_t size = 4;
  std::uint32_t value = 7;
  EXPECT_EQ(reg().QueryValueW(key.get(), L"absent", nullptr, nullptr, &size), win::kFileNotFound);
  EXPECT_EQ(reg().SetValueW(key.get(), L"x", reg::kDword,
                            reinterpret_cast<const std::uint8_t*>(&value), 4),
            win::kAccessDenied)
      << "a key opened for reading";
  RegKey writable;
  ASSERT_EQ(writable.CreateW(reg(), reg::kCurrentUser, path, reg::kAllAccess), win::kSuccess)
      << "an existing key opens";
  ASSERT_EQ(reg().SetValueW(writable.get(), L"x", reg::kDword,
                            reinterpret_cast<const std::uint8_t*>(&value), 4),
            win::kSuccess);
  value = 0;
  size = 4;
  ASSERT_EQ(
      reg().QueryValueW(key.get(), L"X", nullptr, reinterpret_cast<std::uint8_t*>(&value), &size),
      win::kSuccess);
  EXPECT_EQ(value, 7u);
}

TEST_F(RegistryConformance, StringSizeLimitsAtTheBufferSize) {
  SetBytes("fits", reg::kSz, std::string(1023, 'a') + '\0');
  SetBytes("too long", reg::kSz, std::string(1024, 'b') + '\0');
  std::string data;
  std::uint32_t count = 0;
  std::uint32_t type = 0;
  ASSERT_EQ(Query("fits", 1024, data, count, &type), win::kSuccess);
  EXPECT_EQ(count, 1024u);
  EXPECT_EQ(type, reg::kSz);
  EXPECT_EQ(data, std::string(1023, 'a') + '\0');
  EXPECT_EQ(Query("too long", 1024, data, count), win::kMoreData);
  EXPECT_EQ(count, 1025u) << "the size needed, terminator included";
}

TEST_F(RegistryConformance, BinarySizeLimitsAtTheBufferSize) {
  SetBytes("fits", reg::kBinary, std::string(4096, '\x5A'));
  SetBytes("too long", reg::kBinary, std::string(4097, '\x5A'));
  std::string data;
  std::uint32_t count = 0;
  ASSERT_EQ(Query("fits", 4096, data, count), win::kSuccess);
  EXPECT_EQ(count, 4096u);
  EXPECT_EQ(Query("too long", 4096, data, count), win::kMoreData);
  EXPECT_EQ(count, 4097u);
}

TEST_F(RegistryConformance, EmptyStringsAndMissingTerminators) {
  SetBytes("empty", reg::kSz, std::string(1, '\0'));
  SetBytes("unterminated", reg::kSz, "abc");
  std::string data;
  std::uint32_t count = 0;
  ASSERT_EQ(Query("empty", 1024, data, count), win::kSuccess);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(data, std::string(1, '\0'));
  ASSERT_EQ(Query("unterminated", 1024, data, count), win::kSuccess);
  EXPECT_EQ(data.substr(0, 3), "abc") << "the last character survives";
}

TEST_F(RegistryConformance, AnsiTextRoundTripsThroughTheCodePage) {
  const std::string text = "Caf\xE9 \x80 \xFC";  // cp1252: e acute, euro sign, u umlaut
  SetBytes("text", reg::kSz, text + '\0');
  std::string data;
  std::uint32_t count = 0;
  ASSERT_EQ(Query("text", 1024, data, count), win::kSuccess);
  EXPECT_EQ(data, text + '\0');
}

TEST_F(RegistryConformance, SizeOnlyQueryAndDwordValues) {
  const std::uint32_t value = 0x001200FF;
  SetBytes("dword", reg::kDword, std::string(reinterpret_cast<const char*>(&value), 4));
  RegKey key = OpenTest(reg::kRead);
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  ASSERT_EQ(reg().QueryValue(key.get(), "DWORD", &type, nullptr, &size), win::kSuccess)
      << "value names ignore case";
  EXPECT_EQ(type, reg::kDword);
  EXPECT_EQ(size, 4u);
  std::uint32_t read = 0;
  size = 4;
  ASSERT_EQ(
      reg().QueryValue(key.get(), "dword", nullptr, reinterpret_cast<std::uint8_t*>(&read), &size),
      win::kSuccess);
  EXPECT_EQ(read, value);
  EXPECT_EQ(reg().QueryValue(key.get(), "absent", nullptr, nullptr, &size), win::kFileNotFound);
}

TEST_F(RegistryConformance, OpeningKeys) {
  CreateSub("Child\\Grandchild");
  RegKey key;
  EXPECT_EQ(key.Open(reg(), reg::kCurrentUser, key_ + "\\CHILD\\grandCHILD", reg::kRead),
            win::kSuccess)
      << "key names ignore case";
  EXPECT_EQ(key.Open(reg(), reg::kCurrentUser, key_ + "\\Child\\", reg::kRead), win::kSuccess)
      << "a trailing backslash is accepted";
  EXPECT_EQ(key.Open(reg(), reg::kCurrentUser, key_ + "\\Missing", reg::kRead), win::kFileNotFound);
  EXPECT_FALSE(key.valid());
}

TEST_F(RegistryConformance, ReadAccessCannotWrite) {
  RegKey key = OpenTest(reg::kRead);
  const std::uint8_t byte = 1;
  EXPECT_EQ(reg().SetValue(key.get(), "x", reg::kBinary, &byte, 1), win::kAccessDenied);
  EXPECT_EQ(reg().DeleteValue(key.get(), "x"), win::kAccessDenied);
}

TEST_F(RegistryConformance, SubkeysEnumerateInUpperCaseOrder) {
  WINE_DIFFERS("wineserver orders subkeys as if lower-cased, so _ sorts before the letters");
  for (const char* name : {"gamma", "Zulu", "_under", "alpha", "Beta"}) CreateSub(name);
  RegKey key = OpenTest(reg::kRead);
  std::vector<std::string> names;
  char name[260];
  Status status = win::kSuccess;
  for (std::uint32_t i = 0; (status = reg().EnumKey(key.get(), i, name, sizeof name)) == 0; ++i) {
    names.emplace_back(name);
  }
  EXPECT_EQ(status, win::kNoMoreItems);
  EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Beta", "gamma", "Zulu", "_under"}));
  EXPECT_EQ(reg().EnumKey(key.get(), 0, name, 5), win::kMoreData) << "alpha needs 6 bytes";
  EXPECT_EQ(reg().EnumKey(key.get(), 0, name, 6), win::kSuccess);
}

TEST_F(RegistryConformance, ValuesEnumerateWithNamesKindsAndData) {
  // Set in name order, so that Wine's sorted values and Windows' insertion order agree.
  SetBytes("first", reg::kSz, std::string("text") + '\0');
  SetBytes("second", reg::kBinary, "\x01\x02");
  RegKey key = OpenTest(reg::kRead);
  char name[260];
  std::uint32_t name_length = 260;
  std::uint32_t type = 0;
  std::uint8_t data[4096];
  std::uint32_t data_size = sizeof data;
  ASSERT_EQ(reg().EnumValue(key.get(), 0, name, &name_length, &type, data, &data_size),
            win::kSuccess);
  EXPECT_EQ(std::string(name, name_length), "first");
  EXPECT_EQ(type, reg::kSz);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), data_size), std::string("text") + '\0');
  name_length = 260;
  data_size = sizeof data;
  ASSERT_EQ(reg().EnumValue(key.get(), 1, name, &name_length, &type, data, &data_size),
            win::kSuccess);
  EXPECT_EQ(std::string(name, name_length), "second");
  EXPECT_EQ(data_size, 2u);
  name_length = 260;
  EXPECT_EQ(reg().EnumValue(key.get(), 2, name, &name_length, &type, data, &data_size),
            win::kNoMoreItems);
}

TEST_F(RegistryConformance, ValuesEnumerateInTheOrderTheyWereSet) {
  WINE_DIFFERS("wineserver keeps a key's values sorted by name, Windows in insertion order");
  for (const char* name : {"zeta", "alpha", "Mid"}) SetBytes(name, reg::kBinary, "x");
  RegKey key = OpenTest(reg::kRead);
  std::vector<std::string> names;
  char name[260];
  std::uint32_t length = sizeof name;
  for (std::uint32_t i = 0;
       reg().EnumValue(key.get(), i, name, &length, nullptr, nullptr, nullptr) == 0;
       ++i, length = sizeof name) {
    names.emplace_back(name, length);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"zeta", "alpha", "Mid"}));
}

TEST_F(RegistryConformance, DeletingKeys) {
  CreateSub("Parent\\Child");
  EXPECT_EQ(reg().DeleteKey(reg::kCurrentUser, key_ + "\\Parent"), win::kAccessDenied)
      << "a key with subkeys is not deleted";
  EXPECT_EQ(reg().DeleteKey(reg::kCurrentUser, key_ + "\\Parent\\Missing"), win::kFileNotFound);
  EXPECT_EQ(reg().DeleteKey(reg::kCurrentUser, key_ + "\\Parent\\Child"), win::kSuccess);
  EXPECT_EQ(reg().DeleteKey(reg::kCurrentUser, key_ + "\\Parent"), win::kSuccess);
  RegKey gone;
  EXPECT_EQ(gone.Open(reg(), reg::kCurrentUser, key_ + "\\Parent", reg::kRead), win::kFileNotFound);
}

TEST_F(RegistryConformance, HandleToADeletedKey) {
  CreateSub("Doomed");
  RegKey held = OpenTest(reg::kRead, "Doomed");
  ASSERT_EQ(reg().DeleteKey(reg::kCurrentUser, key_ + "\\Doomed"), win::kSuccess);
  std::uint32_t size = 0;
  EXPECT_EQ(reg().QueryValue(held.get(), "", nullptr, nullptr, &size), win::kKeyDeleted);
}

TEST_F(RegistryConformance, DeletingValues) {
  SetBytes("v", reg::kBinary, "1");
  RegKey key = OpenTest(reg::kWrite);
  EXPECT_EQ(reg().DeleteValue(key.get(), "V"), win::kSuccess);
  EXPECT_EQ(reg().DeleteValue(key.get(), "v"), win::kFileNotFound);
}

}  // namespace
}  // namespace conformance
