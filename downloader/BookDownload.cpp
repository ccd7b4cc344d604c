#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iostream>
#include <thread>
#include <unordered_set>

#include "common/Paths.h"
#include "downloader/Config.h"
#include "downloader/QuillObj.h"
#include "downloader/RunLog.h"
#include "downloader/Text.h"
#include "downloader/Utils.h"
#include "web/Errors.h"
#include "web/Failure.h"
#include "web/Url.h"
#include "web/Web.h"

namespace quill {

namespace {

using nlohmann::json;

struct StoryMeta {
    std::string title;
    std::string author;
    std::string image;
};

json ReadMetadata(const gsweb::Document& story, const std::string& url) {
    const std::optional<gsweb::Element> script =
        story.select_one(R"(script[type="application/ld+json"])");
    if (!script) {
        throw KeyError("no story metadata (ld+json) on " + url);
    }
    json meta = json::parse(script->get_text());
    if (!meta.is_object()) {
        throw ValueError("the story metadata on " + url + " is not a JSON object");
    }
    return meta;
}

// A text member; a number stands for its decimal text, anything else is a failure.
std::string TextMember(const json& object, const std::string& name, bool numberAllowed) {
    const auto member = object.find(name);
    if (member == object.end()) {
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

StoryMeta ReadStoryMeta(const json& meta) {
    StoryMeta story;
    story.title = TextMember(meta, "headline", true);
    const auto author = meta.find("author");
    if (author == meta.end()) {
        throw KeyError("the story metadata has no \"author\"");
    }
    if (!author->is_object()) {
        throw ValueError("the story metadata member \"author\" is not an object with a \"name\"");
    }
    story.author = TextMember(*author, "name", true);
    story.image = TextMember(meta, "image", false);
    if (!meta.contains("description")) {
        throw KeyError("the story metadata has no \"description\"");
    }
    return story;
}

// The table of contents in page order, each link once.
std::vector<gsweb::Element> ChapterList(const gsweb::Document& story, const std::string& aurl) {
    const char* selector = aurl.find("/story/") != std::string::npos ? ".story-parts ul li a"
                                                                     : "ul.table-of-contents a";
    std::vector<gsweb::Element> list;
    std::unordered_set<gsweb::Element, gsweb::ElementHash> seen;
    for (gsweb::Element& link : story.select(selector)) {
        if (seen.insert(link).second) {
            list.push_back(std::move(link));
        }
    }
    return list;
}

std::string BookFileName(const std::string& title) {
    std::string name = title;
    for (const char c : std::string("\\/:*?\"<>|^")) {
        name.erase(std::remove(name.begin(), name.end(), c), name.end());
    }
    name.erase(0, name.find_first_not_of('.'));
    return name;
}

void RemoveStaleBook(const std::string& folder, const std::string& name,
                     const std::string& author) {
    const std::string path = JoinPath(folder, name + " - " + author + ".epub");
    if (FileExists(path) && std::remove(path.c_str()) != 0) {
        throw OSError("cannot remove " + path);
    }
}

// The chapter's address: the link resolved against the story page's own address. Only the
// story's own site is read; a link elsewhere is refused rather than fetched.
std::string ChapterAddress(const std::string& storyUrl, const gsweb::Element& link) {
    const std::string address = gsweb::ResolveUrl(storyUrl, link.attr("href"));
    const std::string site = gsweb::Origin(storyUrl);
    if (gsweb::Origin(address) != site) {
        throw ValueError("the chapter link " + address + " leads away from the story's site " +
                         site);
    }
    return address;
}

bool IsAuthorsNote(const std::string& title) {
    std::string upper = title;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper == "A-N";
}

}  // namespace

void QuillObj::get_book(const std::string& aurl) {
    OperationScope scope("get_book(" + aurl + ")");
    const std::string base_url = BaseUrl();
    id = utils::getquillid(aurl);
    std::cout << base_url << "/story/" << id << std::endl;

    const gsweb::Document story = gsweb::get_soup(aurl);
    const StoryMeta meta = ReadStoryMeta(ReadMetadata(story, aurl));
    std::cout << meta.title << std::endl;
    runlog::info("title:" + meta.title);
    runlog::info("author:" + meta.author);
    bookmeta["title"] = meta.title;
    bookmeta["author"] = meta.author;

    const std::vector<gsweb::Element> chapterlist = ChapterList(story, aurl);
    bookmeta["filename"] = BookFileName(meta.title);
    RemoveStaleBook(ebookdir, bookmeta["filename"].get<std::string>(), meta.author);

    get_cover(meta.image, JoinPath(ebookdir, "cover.jpg"));
    runlog::info("cover page:cover.jpg");

    const int num = static_cast<int>(chapterlist.size());
    bookmeta["chapternum"] = num;
    runlog::info("chapter:" + std::to_string(num));

    int i = 0;
    for (const gsweb::Element& entry : chapterlist) {
        ++i;
        try {
            const std::string title = ReplaceAll(Strip(entry.get_text()), "/", "-");
            if (IsAuthorsNote(title)) {
                continue;
            }
            const std::string line = std::to_string(i) + " / " + std::to_string(num) + ": " + title;
            std::cout << EscapedBytes(std::to_string(i) + "/ " + std::to_string(num) + ": " + title)
                      << std::endl;
            runlog::info("chapter_" + line);
            const Chapter chapter = get_chapter(ChapterAddress(aurl, entry));
            savefile(std::to_string(i) + ".html", chapter.document);
            std::this_thread::sleep_for(ChapterPause());
        } catch (const std::exception& failure) {
            const std::string description = DescribeFailure(failure);
            runlog::error("error ontimer", description);
            std::cout << description << std::endl;
        }
    }
    runlog::info("done");
}

}  // namespace quill
