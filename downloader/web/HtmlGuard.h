#pragma once

// A pass over a page before libxml2 parses it, for what libxml2's HTML 4 rules would get
// wrong or too slow:
// - libxml2 closes a pre element at a list, table, form or definition-list start tag, and
//   cannot close one that holds a div or a table cell, so a story's text element would lose
//   the rest of its text or swallow the rest of the page. Inside a pre those tags get a
//   private name prefix that libxml2 has no rules for, and RestoreGuardedNames() gives them
//   their own names back once the tree is built. HTML 5 parsers keep such content inside the
//   pre as well.
// - A stray </body> or </html> makes libxml2 close every open element; HTML 5 parsers
//   ignore both, and so do we by leaving them out.
// - libxml2's tree costs a few hundred bytes per element, text run, comment and attribute,
//   and it checks each attribute of a tag against all earlier ones, in time growing with the
//   square of their number: a page with more of these than any story page has fails with
//   quill::ValueError before it is parsed.

#include <libxml/tree.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace gsweb::html {

struct GuardLimits {
    size_t maxItems;             // tags (start, end, comments, declarations) and attributes
    size_t maxAttributesPerTag;  // on one tag
    size_t maxAttributePairs;    // the sum over all tags of n (n - 1) / 2 for n attributes
};

struct Guarded {
    std::string_view html;  // the page to parse: the input itself, or `storage`
    bool renamed = false;   // whether RestoreGuardedNames() has anything to do
};

// `html` is valid UTF-8 without NUL bytes. Throws quill::ValueError over a limit.
Guarded GuardTextElements(std::string_view html, const GuardLimits& limits, std::string& storage);

// Gives the elements renamed by GuardTextElements() their own names again.
void RestoreGuardedNames(xmlDoc* doc);

}  // namespace gsweb::html
