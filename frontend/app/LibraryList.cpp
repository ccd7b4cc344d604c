#include "LibraryList.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "bookjob/BookChoices.h"
#include "library/LibraryText.h"

namespace quill {

namespace {

// A field on one line of the list: a tab or line end inside would start another field or
// story, so every control character becomes a blank.
std::string Field(const std::string& text) {
    std::string field = text;
    for (char& c : field) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = ' ';
        }
    }
    return field;
}

std::string Number(const std::optional<int>& number) {
    return number ? std::to_string(*number) : "";
}

std::string OutcomeCode(const LibraryStory& story) {
    return story.outcome.empty() ? "unchecked" : story.outcome;
}

std::string Line(const LibraryStory& story) {
    std::vector<std::string> fields = {std::to_string(story.number),
                                       story.title,
                                       story.author,
                                       story.language,
                                       std::to_string(story.chaptersKept),
                                       Number(story.chaptersOnSite),
                                       Number(story.NewWaiting()),
                                       UtcTimeText(story.lastChecked),
                                       UtcTimeText(story.lastUpdated),
                                       OutcomeCode(story),
                                       story.address};
    for (const LibraryBook& book : story.books) {
        fields.push_back(book.path);
    }
    std::string line;
    for (const std::string& field : fields) {
        line += (line.empty() ? "" : "\t") + Field(field);
    }
    return line + "\n";
}

nlohmann::ordered_json OptionalJson(const std::string& text) {
    return text.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(text);
}

nlohmann::ordered_json Json(const LibraryStory& story) {
    nlohmann::ordered_json books = nlohmann::ordered_json::array();
    for (const LibraryBook& book : story.books) {
        nlohmann::ordered_json entry = {
            {"format", book.format}, {"path", book.path}, {"chapters", book.chapters}};
        if (book.volume > 0) {
            entry["volume"] = book.volume;  // one of the story's volumes
        }
        books.push_back(std::move(entry));
    }
    const auto number = [](const std::optional<int>& n) {
        return n ? nlohmann::ordered_json(*n) : nlohmann::ordered_json();
    };
    return {{"number", story.number},
            {"title", story.title},
            {"author", story.author},
            {"language", story.language},
            {"chapters_kept", story.chaptersKept},
            {"chapters_on_site", number(story.chaptersOnSite)},
            {"new_chapters_waiting", number(story.NewWaiting())},
            {"last_checked", OptionalJson(UtcTimeText(story.lastChecked))},
            {"last_updated", OptionalJson(UtcTimeText(story.lastUpdated))},
            {"outcome", OutcomeCode(story)},
            {"outcome_message", story.outcomeMessage},
            {"address", story.address},
            {"choices", BookChoicesText(ReadBookChoices(story.choices))},
            {"books", books}};
}

}  // namespace

std::string LibraryListText(std::vector<LibraryStory> stories, bool json) {
    std::sort(stories.begin(), stories.end(),
              [](const LibraryStory& a, const LibraryStory& b) { return a.number < b.number; });
    if (json) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const LibraryStory& story : stories) {
            list.push_back(Json(story));
        }
        // Text from the site that is not UTF-8 is replaced, never a reason to fail.
        return list.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
    }
    std::string text;
    for (const LibraryStory& story : stories) {
        text += Line(story);
    }
    return text;
}

}  // namespace quill
