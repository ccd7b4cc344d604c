#include "downloader/Pages.h"

#include <nlohmann/json.hpp>
#include <unordered_set>

#include "JsonPick.h"
#include "web/Errors.h"

namespace quill {

namespace {

using nlohmann::json;

// The members the job uses, in the order of MetadataPaths().
enum Member { kWhole, kHeadline, kAuthor, kAuthorName, kImage, kDescription };

const std::vector<JsonPath>& MetadataPaths() {
    static const std::vector<JsonPath> paths{
        {}, {"headline"}, {"author"}, {"author", "name"}, {"image"}, {"description"}};
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
    return story;
}

// The table of contents in page order, each link once (links with the same markup are the
// same entry).
std::vector<TocEntry> ChapterList(const gsweb::Document& story, const std::string& aurl) {
    const char* selector = aurl.find("/story/") != std::string::npos ? ".story-parts ul li a"
                                                                     : "ul.table-of-contents a";
    std::vector<TocEntry> list;
    std::unordered_set<gsweb::Element, gsweb::ElementHash> seen;
    for (gsweb::Element& link : story.select(selector)) {
        if (seen.insert(link).second) {
            list.push_back({link.get_text(), link.get("href")});
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
