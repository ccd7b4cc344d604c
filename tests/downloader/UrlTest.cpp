// Chapter links resolved as URL references, and the site check that follows.

#include <gtest/gtest.h>

#include "web/Errors.h"
#include "web/Url.h"

namespace {

// The examples of RFC 3986, section 5.4, which every resolver must reproduce.
TEST(Url, ReferencesResolveAsRfc3986Says) {
    const std::string base = "http://a/b/c/d;p?q";
    const std::pair<const char*, const char*> examples[] = {{"g", "http://a/b/c/g"},
                                                            {"./g", "http://a/b/c/g"},
                                                            {"g/", "http://a/b/c/g/"},
                                                            {"/g", "http://a/g"},
                                                            {"//g", "http://g/"},
                                                            {"?y", "http://a/b/c/d;p?y"},
                                                            {"g?y", "http://a/b/c/g?y"},
                                                            {"#s", "http://a/b/c/d;p?q#s"},
                                                            {"g#s", "http://a/b/c/g#s"},
                                                            {"g?y#s", "http://a/b/c/g?y#s"},
                                                            {";x", "http://a/b/c/;x"},
                                                            {"g;x?y#s", "http://a/b/c/g;x?y#s"},
                                                            {"", "http://a/b/c/d;p?q"},
                                                            {".", "http://a/b/c/"},
                                                            {"..", "http://a/b/"},
                                                            {"../g", "http://a/b/g"},
                                                            {"../..", "http://a/"},
                                                            {"../../g", "http://a/g"},
                                                            {"../../../g", "http://a/g"},
                                                            {"/./g", "http://a/g"},
                                                            {"/../g", "http://a/g"},
                                                            {"g.", "http://a/b/c/g."},
                                                            {"..g", "http://a/b/c/..g"},
                                                            {"./../g", "http://a/b/g"},
                                                            {"g/./h", "http://a/b/c/g/h"},
                                                            {"g/../h", "http://a/b/c/h"},
                                                            {"g;x=1/../y", "http://a/b/c/y"},
                                                            {"g?y/../x", "http://a/b/c/g?y/../x"},
                                                            {"g#s/../x", "http://a/b/c/g#s/../x"}};
    for (const auto& [link, resolved] : examples) {
        EXPECT_EQ(gsweb::ResolveUrl(base, link), resolved) << link;
    }
}

TEST(Url, LinksAreTidiedAsBrowsersDoAndOddSchemesRefused) {
    const std::string story = "http://127.0.0.1:41100/story/7-x";
    EXPECT_EQ(gsweb::ResolveUrl(story, " \n/1-a b\r\n/page\t "),
              "http://127.0.0.1:41100/1-a%20b/page");
    // A link written as the rest of an address is a path here, not a user name and a host.
    EXPECT_EQ(gsweb::ResolveUrl(story, "@127.0.0.1:41100/c/6"),
              "http://127.0.0.1:41100/story/@127.0.0.1:41100/c/6");
    EXPECT_THROW(gsweb::ResolveUrl(story, "javascript:alert(1)"), quill::ValueError);
    EXPECT_THROW(gsweb::ResolveUrl("not an address", "/1"), quill::ValueError);
}

TEST(Url, OriginsCompareSchemeHostAndPort) {
    EXPECT_EQ(gsweb::Origin("HTTPS://Www.Quillby.com/story/1"), "https://www.quillby.com:443");
    EXPECT_EQ(gsweb::Origin("http://127.0.0.1:41100/x?y#z"), "http://127.0.0.1:41100");
    EXPECT_NE(gsweb::Origin("http://127.0.0.1:41101/"), gsweb::Origin("http://127.0.0.1:41100/"));
    EXPECT_NE(gsweb::Origin("https://127.0.0.1:41100/"), gsweb::Origin("http://127.0.0.1:41100/"));
    EXPECT_EQ(gsweb::Origin("http://site:80/"), gsweb::Origin("http://site/"));
}

}  // namespace
