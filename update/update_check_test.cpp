#include "update/update_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "update/web_address.h"

namespace {

using namespace std::string_literals;
using ::testing::ElementsAreArray;

const Text kUpdateFileUrl = "http://" LUMIVANE_UPDATE_HOST "/zofa/1.txt";
// "发现新版本：" and "，请登录官网更新！" in code page 936
const Text kMessageHead = "\xb7\xa2\xcf\xd6\xd0\xc2\xb0\xe6\xb1\xbe\xa3\xba";
const Text kMessageTail = "\xa3\xac\xc7\xeb\xb5\xc7\xc2\xbc\xb9\xd9\xcd\xf8\xb8\xfc\xd0\xc2\xa3\xa1";
// "新版本"
const Text kBoxTitle = "\xd0\xc2\xb0\xe6\xb1\xbe";

// Serves one body and writes down every call, in order, as readable lines.
class RecordingServices : public UpdateServices {
 public:
  explicit RecordingServices(std::string body) : body_(body.begin(), body.end()) {}

  Bytes FetchUrl(const Text& url) override {
    calls.push_back("FetchUrl " + url);
    return body_;
  }
  void ShowMessageBox(const Text& message, std::int32_t style, const Text& title) override {
    calls.push_back("ShowMessageBox " + message + " style " + std::to_string(style) + " title " + title);
  }
  void OpenWebAddress(const Text& address) override { calls.push_back("OpenWebAddress " + address); }

  std::vector<std::string> calls;

 private:
  Bytes body_;
};

std::vector<std::string> ExpectedCalls(std::optional<Text> shownVersion, std::optional<Text> opened) {
  std::vector<std::string> calls = {"FetchUrl " + kUpdateFileUrl};
  if (shownVersion)
    calls.push_back("ShowMessageBox " + kMessageHead + *shownVersion + kMessageTail + " style 64 title " +
                    kBoxTitle);
  if (opened) calls.push_back("OpenWebAddress " + *opened);
  return calls;
}

struct CheckCase {
  const char* name;
  std::string body;
  std::optional<Text> shownVersion;  // the field the message box shows, if one is shown
  std::optional<Text> opened;        // the address opened, if any
};
void PrintTo(const CheckCase& c, std::ostream* os) {
  *os << c.name << " " << ::testing::PrintToString(c.body);
}

class CheckForUpdateTest : public ::testing::TestWithParam<CheckCase> {};

TEST_P(CheckForUpdateTest, ShowsAndOpensWhatTheFileCallsFor) {
  const CheckCase& c = GetParam();
  RecordingServices services(c.body);
  CheckForUpdate(services);
  EXPECT_THAT(services.calls, ElementsAreArray(ExpectedCalls(c.shownVersion, c.opened)));
}

const CheckCase kCheckCases[] = {
    // Nothing to say.
    {"FailedFetch", "", std::nullopt, std::nullopt},
    {"SameVersion", "1.1", std::nullopt, std::nullopt},
    {"SameVersionWithAddress", "1.1|http://x/", std::nullopt, std::nullopt},
    {"SameVersionWithMoreFields", "1.1|http://x/|1.9|notes", std::nullopt, std::nullopt},
    {"ZeroByteFirst",
     "\0"
     "2.0|http://x/"s,
     std::nullopt, std::nullopt},
    {"ZeroByteAfterSameVersion", "1.1\0|http://x/"s, std::nullopt, std::nullopt},
    // The version is compared and shown byte for byte; box first, then browser.
    {"OlderVersion", "1.0|http://x/", "1.0", "http://x/"},
    {"LongerVersion", "1.10|http://x/", "1.10", "http://x/"},
    {"LeadingSpace", " 1.1|http://x/", " 1.1", "http://x/"},
    {"LineEndAfterVersion", "1.1\r\n|http://x/", "1.1\r\n", "http://x/"},
    {"EmptyVersion", "|http://x/", "", "http://x/"},
    {"ChineseVersion", "\xd0\xc2|http://x/", "\xd0\xc2", "http://x/"},
    {"FieldsAfterTheSecondIgnored", "2.0|https://x/dl|http://y/|z", "2.0", "https://x/dl"},
    {"LineEndAfterAddressTrimmed", "2.0|http://x/dl \t\r\n", "2.0", "http://x/dl"},
    {"ZeroByteEndsAddress", "2.0|http://x/a\0b|c"s, "2.0", "http://x/a"},
    // The box without a safe address: nothing opened.
    {"NoSecondField", "2.0", "2.0", std::nullopt},
    {"VersionWithLineEndOnly", "1.1\r\n", "1.1\r\n", std::nullopt},
    {"ZeroByteBeforeAddress", "2.0\0|http://x/"s, "2.0", std::nullopt},
    {"EmptyAddress", "2.0|", "2.0", std::nullopt},
    {"FileAddress", "2.0|file:///C:/Windows/System32/calc.exe", "2.0", std::nullopt},
    {"ShareAddress", "2.0|\\\\host\\share\\setup.exe", "2.0", std::nullopt},
    {"ArgumentInjection", "2.0|http://x/\" --renderer-cmd-prefix=calc", "2.0", std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Bodies, CheckForUpdateTest, ::testing::ValuesIn(kCheckCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct AddressCase {
  std::string field;  // the second field as the file has it
  bool opened;
};
void PrintTo(const AddressCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(c.field) << (c.opened ? " opened" : " refused");
}

class WebAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(WebAddressTest, OnlyPlainWebAddressesPass) {
  const AddressCase& c = GetParam();
  EXPECT_EQ(IsSafeWebAddress(TrimLineEnd(c.field)), c.opened);
}

const std::string kLongPath(kMaxWebAddressLength - std::string("http://x/").size(), 'a');

const AddressCase kAddressCases[] = {
    {"http://x/", true},
    {"http://x", true},
    {"https://www.example.com/download?v=2.0&lang=zh-CN#top", true},
    {"HTTPS://EXAMPLE.COM/", true},
    {"hTTp://example.com/", true},
    {"http://example.com:8080/dl", true},
    {"http://198.18.0.1/", true},
    {"http://[2001:db8::1]:80/", true},
    {"http://x/a@b?c=d@e", true},
    {"http://x/%E4%B8%AD%22", true},
    {"http://x/dl\r\n", true},
    {"http://x/dl \t\n\r", true},
    {"http://x/" + kLongPath, true},
    {"http://x/" + kLongPath + "a", false},
    {"http://x/" + kLongPath + "\r\n", true},
    // Other schemes and paths.
    {"", false},
    {"\r\n", false},
    {"file:///C:/Windows/System32/calc.exe", false},
    {"file://host/share/x.exe", false},
    {"\\\\host\\share\\x.exe", false},
    {"//host/share/x.exe", false},
    {"C:\\Windows\\System32\\calc.exe", false},
    {"javascript:alert(1)", false},
    {"ms-msdt:/id PCWDiagnostic /skip force", false},
    {"ms-msdt:-id", false},
    {"search-ms:query=x&crumb=location:\\\\host\\share", false},
    {"ftp://x/", false},
    {"mailto:a@x", false},
    {"httpx://x/", false},
    {"xhttp://x/", false},
    {"http:x", false},
    {"http:/x", false},
    // No host, or a user part.
    {"http://", false},
    {"https://", false},
    {"http:///path", false},
    {"http://:80/", false},
    {"http://?q", false},
    {"http://#f", false},
    {"http://x:8o/", false},
    {"http://user@x/", false},
    {"http://user:password@x/", false},
    {"http://trusted.example@evil.example/", false},
    // Characters that could break out of the browser's command line.
    {"http://a b", false},
    {" http://x/", false},
    {"http://x/\"", false},
    {"\"http://x/\"", false},
    {"http://x/\" --new-window file:///C:/", false},
    {"http://x\\y/", false},
    {"http://x/a\\b", false},
    {"http://x/<script>", false},
    {"http://x/\tb", false},
    {"http://x/\r\nb", false},
    {"http://x/\x01", false},
    {"http://x/\x1f", false},
    {"http://x/\x7f", false},
    {"http://x/\xd6\xd0\xce\xc4", false},
    {"http://\xd6\xd0.example/", false},
};

INSTANTIATE_TEST_SUITE_P(Addresses, WebAddressTest, ::testing::ValuesIn(kAddressCases));

TEST(TrimLineEnd, RemovesOnlyTheTrailingBlanks) {
  struct {
    std::string_view text, trimmed;
  } const cases[] = {
      {"http://x/", "http://x/"},
      {"http://x/\r\n", "http://x/"},
      {"http://x/ \t\r\n\n", "http://x/"},
      {" \thttp://x/", " \thttp://x/"},
      {"a\r\nb", "a\r\nb"},
      {" \r\n\t", ""},
      {"", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TrimLineEnd(c.text), c.trimmed) << "text: " << ::testing::PrintToString(c.text);
}

}  // namespace
