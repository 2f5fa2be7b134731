#include "update/update_check.h"

#include "update/web_address.h"

#ifndef LUMIVANE_UPDATE_HOST
#error "LUMIVANE_UPDATE_HOST must name the host that serves the update file"
#endif

namespace {

constexpr std::string_view kCurrentVersion = "1.1";
constexpr std::string_view kUpdateFileUrl = "http://" LUMIVANE_UPDATE_HOST "/zofa/1.txt";
constexpr std::string_view kFieldDelimiter = "|";

// "发现新版本：" (code page 936)
constexpr std::string_view kMessageHead = "\xb7\xa2\xcf\xd6\xd0\xc2\xb0\xe6\xb1\xbe\xa3\xba";
// "，请登录官网更新！"
constexpr std::string_view kMessageTail =
    "\xa3\xac\xc7\xeb\xb5\xc7\xc2\xbc\xb9\xd9\xcd\xf8\xb8\xfc\xd0\xc2\xa3\xa1";
// "新版本"
constexpr std::string_view kBoxTitle = "\xd0\xc2\xb0\xe6\xb1\xbe";
// MB_ICONINFORMATION | MB_OK
constexpr std::int32_t kInformationBoxStyle = 64;

}  // namespace

void CheckForUpdate(UpdateServices& services) {
  // The file is "version|download page|…"; further fields are not used.
  const Text text = ToText(services.FetchUrl(Text(kUpdateFileUrl)));
  if (text.empty()) return;
  // Always at least one field: a text without "|" is field 1 whole.
  const std::vector<Text> fields = SplitText(text, kFieldDelimiter);

  // The version is compared and shown exactly as it came: a file that
  // pads it or ends it with a line break announces an update.
  const Text& version = fields[0];
  if (version == kCurrentVersion) return;
  services.ShowMessageBox(JoinText({kMessageHead, version, kMessageTail}), kInformationBoxStyle,
                          Text(kBoxTitle));

  // The address comes from the network unauthenticated: the user has been
  // told either way, but only a plain web address goes on to the shell.
  if (fields.size() < 2) return;
  const std::string_view address = TrimLineEnd(fields[1]);
  if (IsSafeWebAddress(address)) services.OpenWebAddress(Text(address));
}
