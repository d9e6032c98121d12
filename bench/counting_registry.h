// A registry that passes every call on to another and counts them, so a benchmark can tell how
// many registry calls a step made for the keys it deleted.
#pragma once

#include <cstdint>

#include "platform/registry.h"

namespace velmar::bench {

class CountingRegistry : public platform::Registry {
 public:
  explicit CountingRegistry(platform::Registry& inner) : inner_(inner) {}

  std::uint64_t calls() const { return calls_; }
  std::uint64_t opens() const { return opens_; }
  void Reset() { calls_ = opens_ = 0; }

  platform::Status OpenKey(platform::RegHandle root, std::string_view path, std::uint32_t access,
                           platform::RegHandle& key) override {
    ++opens_;
    return Count(inner_.OpenKey(root, path, access, key));
  }
  platform::Status CreateKey(platform::RegHandle root, std::string_view path,
                             platform::RegHandle& key) override {
    ++opens_;
    return Count(inner_.CreateKey(root, path, key));
  }
  platform::Status CloseKey(platform::RegHandle key) override {
    return Count(inner_.CloseKey(key));
  }
  platform::Status QueryValue(platform::RegHandle key, std::string_view name, std::uint32_t* type,
                              std::uint8_t* data, std::uint32_t* size) override {
    return Count(inner_.QueryValue(key, name, type, data, size));
  }
  platform::Status SetValue(platform::RegHandle key, std::string_view name, std::uint32_t type,
                            const std::uint8_t* data, std::uint32_t size) override {
    return Count(inner_.SetValue(key, name, type, data, size));
  }
  platform::Status DeleteValue(platform::RegHandle key, std::string_view name) override {
    return Count(inner_.DeleteValue(key, name));
  }
  platform::Status DeleteKey(platform::RegHandle root, std::string_view path) override {
    return Count(inner_.DeleteKey(root, path));
  }
  platform::Status EnumKey(platform::RegHandle key, std::uint32_t index, char* name,
                           std::uint32_t name_size) override {
    return Count(inner_.EnumKey(key, index, name, name_size));
  }
  platform::Status EnumValue(platform::RegHandle key, std::uint32_t index, char* name,
                             std::uint32_t* name_length, std::uint32_t* type, std::uint8_t* data,
                             std::uint32_t* data_size) override {
    return Count(inner_.EnumValue(key, index, name, name_length, type, data, data_size));
  }
  platform::Status OpenKeyW(platform::RegHandle root, std::wstring_view path, std::uint32_t access,
                            platform::RegHandle& key) override {
    ++opens_;
    return Count(inner_.OpenKeyW(root, path, access, key));
  }
  platform::Status CreateKeyW(platform::RegHandle root, std::wstring_view path,
                              std::uint32_t access, platform::RegHandle& key) override {
    ++opens_;
    return Count(inner_.CreateKeyW(root, path, access, key));
  }
  platform::Status QueryValueW(platform::RegHandle key, std::wstring_view name, std::uint32_t* type,
                               std::uint8_t* data, std::uint32_t* size) override {
    return Count(inner_.QueryValueW(key, name, type, data, size));
  }
  platform::Status SetValueW(platform::RegHandle key, std::wstring_view name, std::uint32_t type,
                             const std::uint8_t* data, std::uint32_t size) override {
    return Count(inner_.SetValueW(key, name, type, data, size));
  }

 private:
  platform::Status Count(platform::Status status) {
    ++calls_;
    return status;
  }

  platform::Registry& inner_;
  std::uint64_t calls_ = 0;
  std::uint64_t opens_ = 0;
};

}  // namespace velmar::bench
