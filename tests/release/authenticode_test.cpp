// Checks the signed uninstaller the way Windows does before it runs it with administrator rights:
// WinVerifyTrust's Authenticode verdict, then the signer's chain under the Authenticode policy.
#include <windows.h>

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// signing_test.sh's folder (the signed copy, a tampered copy and the test authority's
// certificate) and the unsigned dist folder, reached under Wine through drive Z:.
const std::wstring kSigningDir = L"Z:" VELMAR_SIGNING_TEST_DIR;
const std::wstring kDistDir = L"Z:" VELMAR_RELEASE_DIST_DIR;
const std::wstring kProgram = L"/VelmarUninstall3xandUp.exe";

constexpr LONG kUntrustedRoot = static_cast<LONG>(0x800B0109);  // CERT_E_UNTRUSTEDROOT
constexpr LONG kNoSignature = static_cast<LONG>(0x800B0100);    // TRUST_E_NOSIGNATURE
constexpr DWORD kNoChain = 0xFFFFFFFF;

bool UnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Marks a case where Wine departs from Windows: skipped under Wine with the reason, kept.
#define WINE_DIFFERS(reason)                                     \
  do {                                                           \
    if (UnderWine()) GTEST_SKIP() << "Wine differs: " << reason; \
  } while (0)

std::string Hex(LONG value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
  return text;
}

// One WinVerifyTrust verification of a file under the Authenticode policy, no revocation check
// and no user interface; its state data, which holds the signer's chain, is released with it.
class TrustCheck {
 public:
  explicit TrustCheck(std::wstring path) : path_(std::move(path)) {
    file_.cbStruct = sizeof file_;
    file_.pcwszFilePath = path_.c_str();
    data_.cbStruct = sizeof data_;
    data_.dwUIChoice = WTD_UI_NONE;
    data_.fdwRevocationChecks = WTD_REVOKE_NONE;
    data_.dwUnionChoice = WTD_CHOICE_FILE;
    data_.pFile = &file_;
    data_.dwStateAction = WTD_STATEACTION_VERIFY;
    data_.dwProvFlags = WTD_REVOCATION_CHECK_NONE;
    result_ = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
  }
  ~TrustCheck() {
    data_.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
  }
  TrustCheck(const TrustCheck&) = delete;
  TrustCheck& operator=(const TrustCheck&) = delete;

  LONG result() const { return result_; }

  // The Authenticode chain policy's error for the first signer's chain; kNoChain without one.
  DWORD ChainVerdict() const {
    CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(data_.hWVTStateData);
    if (provider == nullptr) return kNoChain;
    CRYPT_PROVIDER_SGNR* signer = WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
    if (signer == nullptr || signer->pChainContext == nullptr) return kNoChain;
    CERT_CHAIN_POLICY_PARA para{};
    para.cbSize = sizeof para;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_AUTHENTICODE, signer->pChainContext,
                                          &para, &status)) {
      return kNoChain;
    }
    return status.dwError;
  }

 private:
  std::wstring path_;
  GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  WINTRUST_FILE_INFO file_{};
  WINTRUST_DATA data_{};
  LONG result_ = 0;
};

std::vector<BYTE> ReadAll(const std::wstring& path) {
  std::ifstream in(std::string(path.begin(), path.end()), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The test authority in the machine's trusted roots for as long as it lives, as an administrator
// adds an organisation's own authority; taken out again when it goes.
class TrustedAuthority {
 public:
  explicit TrustedAuthority(const std::wstring& der_path) {
    store_ =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    const std::vector<BYTE> der = ReadAll(der_path);
    if (store_ == nullptr || der.empty()) return;
    CertAddEncodedCertificateToStore(store_, X509_ASN_ENCODING, der.data(),
                                     static_cast<DWORD>(der.size()),
                                     CERT_STORE_ADD_REPLACE_EXISTING, &added_);
    // A system store keeps its changes in memory until they are committed or it is closed;
    // the chain engine reads the registry behind it.
    CertControlStore(store_, 0, CERT_STORE_CTRL_COMMIT, nullptr);
  }
  ~TrustedAuthority() {
    if (added_ != nullptr) {
      // Deleting frees the context it is given, so it gets a copy of ours.
      CertDeleteCertificateFromStore(CertDuplicateCertificateContext(added_));
      CertFreeCertificateContext(added_);
      CertControlStore(store_, 0, CERT_STORE_CTRL_COMMIT, nullptr);
    }
    if (store_ != nullptr) CertCloseStore(store_, 0);
  }
  TrustedAuthority(const TrustedAuthority&) = delete;
  TrustedAuthority& operator=(const TrustedAuthority&) = delete;

  bool added() const { return added_ != nullptr; }

 private:
  HCERTSTORE store_ = nullptr;
  PCCERT_CONTEXT added_ = nullptr;
};

// The chain engine keeps the roots it read first, so a case that trusts the authority runs in a
// process of its own (CMakeLists.txt splits the cases by filter).
TEST(UntrustedAuthority, WinVerifyTrustRefusesTheSignature) {
  WINE_DIFFERS(
      "WinVerifyTrust answers 0 for a signature whose authority is not trusted; the "
      "chain policy case below carries the decision");
  const TrustCheck check(kSigningDir + L"/signed" + kProgram);
  EXPECT_EQ(Hex(kUntrustedRoot), Hex(check.result()));
}

TEST(UntrustedAuthority, ChainPolicyRefusesTheSigner) {
  const TrustCheck check(kSigningDir + L"/signed" + kProgram);
  EXPECT_TRUE(check.result() == 0 || check.result() == kUntrustedRoot) << Hex(check.result());
  EXPECT_EQ(Hex(kUntrustedRoot), Hex(static_cast<LONG>(check.ChainVerdict())));
}

TEST(UntrustedAuthority, UnsignedProgramHasNoSignature) {
  const TrustCheck check(kDistDir + kProgram);
  EXPECT_EQ(Hex(kNoSignature), Hex(check.result()));
}

// One byte of the code section changed after signing: the digest no longer matches (measured
// under Wine: TRUST_E_BAD_DIGEST, 0x80096010).
TEST(UntrustedAuthority, TamperedProgramIsRefused) {
  const TrustCheck check(kSigningDir + L"/tampered" + kProgram);
  EXPECT_NE(0, check.result());
  EXPECT_NE(Hex(kNoSignature), Hex(check.result())) << "the signature itself must still be found";
}

TEST(TrustedAuthority, SignatureAndChainAreAccepted) {
  const TrustedAuthority authority(kSigningDir + L"/ca.der");
  ASSERT_TRUE(authority.added()) << "could not add the test authority, error " << GetLastError();
  const TrustCheck check(kSigningDir + L"/signed" + kProgram);
  EXPECT_EQ(Hex(0), Hex(check.result()));
  EXPECT_EQ(Hex(0), Hex(static_cast<LONG>(check.ChainVerdict())));
}

TEST(TrustedAuthority, TamperedProgramIsStillRefused) {
  const TrustedAuthority authority(kSigningDir + L"/ca.der");
  ASSERT_TRUE(authority.added());
  const TrustCheck check(kSigningDir + L"/tampered" + kProgram);
  EXPECT_NE(Hex(0), Hex(check.result()));
}

}  // namespace
