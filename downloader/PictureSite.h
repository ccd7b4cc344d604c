#pragma once

#include <optional>
#include <string>

namespace quill {

// Where a chapter's pictures may be fetched from: the story site itself, by the story page's
// scheme and port, on its host or on another host of its domain (for www.quillby.com also
// quillby.com and img.quillby.com). A picture anywhere else, a tracking pixel above all, is
// never asked for.
class PictureSite {
  public:
    // storyUrl: the story page's address. Throws ValueError when it cannot be read.
    explicit PictureSite(const std::string& storyUrl);

    // The picture's address, its source resolved against the page that shows it; or why it
    // is not fetched ("it is not on the story's site but on http://ads.example:80").
    struct Place {
        std::string address;  // empty when refused
        std::string refusal;
    };
    Place Locate(const std::string& pageUrl, const std::string& src) const;

  private:
    std::string scheme_;
    std::string port_;
    std::string domain_;  // the host without a leading "www."
};

}  // namespace quill
