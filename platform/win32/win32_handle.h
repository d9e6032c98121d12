// Owning wrappers for the kernel objects the Windows backend opens, so every handle is closed
// on every path out, exceptions included. Kept free of windows.h; the closers live in the .cpp.
#pragma once

#include <cstdint>
#include <utility>

namespace platform::win32 {

// Process, thread and other handles whose failure value is null.
struct KernelHandleTraits {
  using pointer = void*;
  static pointer Invalid() noexcept { return nullptr; }
  static void Close(pointer handle) noexcept;  // CloseHandle
};

// File handles from CreateFileW, whose failure value is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
  using pointer = void*;
  static pointer Invalid() noexcept { return reinterpret_cast<pointer>(std::intptr_t{-1}); }
  static void Close(pointer handle) noexcept;  // CloseHandle
};

// Search handles from FindFirstFileW, whose failure value is INVALID_HANDLE_VALUE as well.
struct FindHandleTraits {
  using pointer = void*;
  static pointer Invalid() noexcept { return reinterpret_cast<pointer>(std::intptr_t{-1}); }
  static void Close(pointer handle) noexcept;  // FindClose
};

// Blocks the system allocated with LocalAlloc for the caller (a converted SID or SID text).
struct LocalMemoryTraits {
  using pointer = void*;
  static pointer Invalid() noexcept { return nullptr; }
  static void Close(pointer block) noexcept;  // LocalFree
};

template <typename Traits>
class UniqueHandle {
 public:
  using pointer = typename Traits::pointer;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(pointer handle) noexcept : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  pointer get() const noexcept { return handle_; }
  bool valid() const noexcept { return handle_ != Traits::Invalid(); }
  explicit operator bool() const noexcept { return valid(); }

  pointer release() noexcept { return std::exchange(handle_, Traits::Invalid()); }
  void reset(pointer handle = Traits::Invalid()) noexcept {
    const pointer old = std::exchange(handle_, handle);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

 private:
  pointer handle_ = Traits::Invalid();
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;
using FileHandle = UniqueHandle<FileHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using LocalMemory = UniqueHandle<LocalMemoryTraits>;

}  // namespace platform::win32
