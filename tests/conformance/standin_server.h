// What the tests' in-process COM stand-ins share as servers: a class factory over a function
// that makes the object, and the record of objects never released that COM's unloading and the
// process's end leave.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

namespace standin_server {

// Makes one object with one reference, or fails with the HRESULT CreateInstance returns.
using Maker = std::function<HRESULT(IDispatch** created)>;

class Factory final : public IClassFactory {
 public:
  Factory(Maker make, std::atomic<long>& locks) : make_(std::move(make)), locks_(locks) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) {
      return E_NOINTERFACE;
    }
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    IDispatch* created = nullptr;
    const HRESULT made = make_(&created);
    if (FAILED(made)) return made;
    const HRESULT result = created->QueryInterface(riid, out);
    created->Release();
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    locks_ += lock ? 1 : -1;
    return S_OK;
  }

 private:
  Maker make_;
  std::atomic<long>& locks_;
  std::atomic<ULONG> references_{1};
};

// DllGetClassObject's answer for a factory over `make`.
inline HRESULT GetFactory(Maker make, std::atomic<long>& locks, REFIID riid, void** out) {
  auto* factory = new Factory(std::move(make), locks);
  const HRESULT result = factory->QueryInterface(riid, out);
  factory->Release();
  return result;
}

// The counts as a record reads them, and what the server holds once every object is back.
struct Counts {
  const std::atomic<long>& live;
  const std::atomic<long>& locks;
  std::function<void(const std::string&)> record;
  std::function<void()> when_released;  // may be empty
};

// DllCanUnloadNow: "released" (after when_released) when every object handed out is back,
// else "unreleased <TAB> N".
inline HRESULT CanUnloadNow(const Counts& counts) {
  const long live = counts.live;
  if (live == 0 && counts.locks == 0) {
    if (counts.when_released) counts.when_released();
    counts.record("released");
    return S_OK;
  }
  counts.record("unreleased\t" + std::to_string(live));
  return S_FALSE;
}

// DllMain at the process's end (reserved set), for a program that ends without COM asking
// DllCanUnloadNow: the same, "at exit".
inline void RecordAtExit(const Counts& counts) {
  if (counts.live != 0) {
    counts.record("unreleased\t" + std::to_string(counts.live.load()) + "\tat exit");
    return;
  }
  if (counts.when_released) counts.when_released();
  counts.record(counts.locks == 0 ? "released at exit" : "unreleased locks at exit");
}

}  // namespace standin_server
