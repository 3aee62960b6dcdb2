// The web addresses Tevarro opens in the desktop's browser, in one place.
#pragma once

namespace tevarro {

inline constexpr const char* kHomePage = "https://www.tevarro.org/";
// Download pages offered for files Tevarro cannot read; the paths are fixed,
// the sites are these.
inline constexpr const char* kMakerSite = "https://www.tevarro.org";
inline constexpr const char* kQuickTimeSite = "https://www.apple.com";

}  // namespace tevarro
