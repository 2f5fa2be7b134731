// The program's texts are code page 936 (Simplified Chinese). They reach
// Windows through the wide APIs, so they read right whatever the system's
// ANSI code page is.
#pragma once

#include <string>
#include <string_view>

std::wstring WideFromCodePage936(std::string_view text);
std::string CodePage936FromWide(std::wstring_view text);
