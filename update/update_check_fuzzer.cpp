// Any bytes as the fetched update file: the check must not crash, shows at
// most one box, and hands the browser only an address that passes the
// rule, after the box. The rule's main promises are checked here once more,
// on their own, in case the rule itself is wrong. Run with
// -dict=update/update_check_fuzzer.dict to reach addresses sooner.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "update/update_check.h"
#include "update/web_address.h"

namespace {

bool StartsWithWebScheme(std::string_view address) {
  std::string lower(address.substr(0, 8));
  for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
  return lower.starts_with("http://") || lower.starts_with("https://");
}

bool HasOnlyPlainCharacters(std::string_view address) {
  for (unsigned char c : address)
    if (c <= ' ' || c >= 0x7f || c == '"' || c == '\\') return false;
  return true;
}

bool HasHostWithoutUser(std::string_view address) {
  std::string_view rest = address.substr(address.find("//") + 2);
  std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
  return !authority.empty() && authority.find('@') == std::string_view::npos;
}

class FuzzedServices : public UpdateServices {
 public:
  FuzzedServices(const std::uint8_t* data, std::size_t size) : body_(data, data + size) {}

  Bytes FetchUrl(const Text&) override { return body_; }
  void ShowMessageBox(const Text&, std::int32_t, const Text&) override {
    if (boxes_ != 0 || opened_ != 0) std::abort();
    ++boxes_;
  }
  void OpenWebAddress(const Text& address) override {
    if (boxes_ != 1 || opened_ != 0 || !IsSafeWebAddress(address)) std::abort();
    if (address.size() > kMaxWebAddressLength || !StartsWithWebScheme(address) ||
        !HasOnlyPlainCharacters(address) || !HasHostWithoutUser(address))
      std::abort();
    ++opened_;
  }

 private:
  Bytes body_;
  int boxes_ = 0;
  int opened_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedServices services(data, size);
  CheckForUpdate(services);
  return 0;
}
