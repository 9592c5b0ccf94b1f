#pragma once

// The program's texts are bytes in the active code page (UTF-8 under our manifest); the
// controls are Unicode windows. These convert between the two.

#include <string>
#include <string_view>

namespace platform {

std::wstring WideFromBytes(std::string_view bytes);
std::string BytesFromWide(std::wstring_view text);

}  // namespace platform
