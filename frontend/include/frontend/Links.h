#pragma once

namespace quill {

// The maker's pages: the help page (the Help button) and the home page (the About window).
inline constexpr const char* kHelpUrl = "https://www.inkvale.com/download/help.php?id=25";
inline constexpr const char* kHomeUrl = "https://www.inkvale.com/?id=25";

}  // namespace quill
