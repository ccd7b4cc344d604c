#include "downloader/Pages.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <unordered_map>

#include "JsonPick.h"
#include "common/LanguageTag.h"
#include "web/Errors.h"

namespace quill {

namespace {

using nlohmann::json;

// The members the job uses, in the order of MetadataPaths().
enum Member { kWhole, kHeadline, kAuthor, kAuthorName, kImage, kDescription, kUrl, kLanguage };

const std::vector<JsonPath>& MetadataPaths() {
    static const std::vector<JsonPath> paths{
        {},        {"headline"},    {"author"}, {"author", "name"},
        {"image"}, {"description"}, {"url"},    {"inLanguage"}};
    return paths;
}

std::vector<std::optional<json>> ReadMetadata(const gsweb::Document& story,
                                              const std::string& url) {
    const std::optional<gsweb::Element> script =
        story.select_one(R"(script[type="application/ld+json"])");
    if (!script) {
        throw KeyError("no story metadata (ld+json) on " + url);
    }
    std::vector<std::optional<json>> meta;
    try {
        meta = PickJson(script->get_text(), MetadataPaths(), true);
    } catch (const ValueError& failure) {
        throw ValueError("the story metadata on " + url + " is " + failure.what());
    }
    if (!meta[kWhole]->is_object()) {
        throw ValueError("the story metadata on " + url + " is not a JSON object");
    }
    return meta;
}

// A text member; a number stands for its decimal text, anything else is a failure.
std::string TextMember(const std::optional<json>& member, const std::string& name,
                       bool numberAllowed) {
    if (!member) {
        throw KeyError("the story metadata has no \"" + name + "\"");
    }
    if (member->is_string()) {
        return member->get<std::string>();
    }
    if (numberAllowed && member->is_number()) {
        return member->dump();
    }
    throw ValueError("the story metadata member \"" + name + "\" is not a text");
}

StoryMeta ReadStoryMeta(const std::vector<std::optional<json>>& meta) {
    StoryMeta story;
    story.title = TextMember(meta[kHeadline], "headline", true);
    if (!meta[kAuthor]) {
        throw KeyError("the story metadata has no \"author\"");
    }
    if (!meta[kAuthor]->is_object()) {
        throw ValueError("the story metadata member \"author\" is not an object with a \"name\"");
    }
    story.author = TextMember(meta[kAuthorName], "name", true);
    story.image = TextMember(meta[kImage], "image", false);
    if (!meta[kDescription]) {
        throw KeyError("the story metadata has no \"description\"");
    }
    if (meta[kUrl] && meta[kUrl]->is_string()) {
        story.url = meta[kUrl]->get<std::string>();
    }
    // Optional: a story is downloaded all the same without a usable language.
    if (meta[kLanguage] && meta[kLanguage]->is_string()) {
        story.language = WellFormedLanguageTag(meta[kLanguage]->get<std::string>());
    }
    return story;
}

// Far more than any table of contents (a few hundred links of a few hundred bytes each),
// and a bound on what links nested in links can cost: every level would repeat the markup
// and text of all levels below it.
constexpr size_t kMaxContentsMarkup = size_t{32} << 20;

// The table of contents in page order, each link once (links with the same markup are the
// same entry).
std::vector<TocEntry> ChapterList(const gsweb::Document& story, const std::string& aurl) {
    const char* selector = aurl.find("/story/") != std::string::npos ? ".story-parts ul li a"
                                                                     : "ul.table-of-contents a";
    std::vector<TocEntry> list;
    std::unordered_map<size_t, std::vector<gsweb::Element>> seen;  // by markup hash
    size_t budget = kMaxContentsMarkup;
    for (gsweb::Element& link : story.select(selector)) {
        std::vector<gsweb::Element>* same = nullptr;
        try {
            same = &seen[link.markup_hash(budget)];
        } catch (const SizeLimitError&) {
            throw ValueError("the table of contents on " + aurl + " holds more than " +
                             std::to_string(kMaxContentsMarkup >> 20) + " MB of markup");
        }
        if (std::find(same->begin(), same->end(), link) == same->end()) {
            list.push_back({link.get_text(), link.get("href")});
            same->push_back(std::move(link));
        }
    }
    return list;
}

}  // namespace

StoryPage ReadStoryPage(const gsweb::Document& story, const std::string& aurl) {
    StoryPage page;
    page.meta = ReadStoryMeta(ReadMetadata(story, aurl));
    page.entries = ChapterList(story, aurl);
    return page;
}

}  // namespace quill
