// Web access against the local story-site simulator: errors, time-outs, limits, TLS.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "support/StorySim.h"
#include "support/TempDir.h"
#include "support/Tls.h"
#include "web/Errors.h"
#include "web/Web.h"

namespace quill::test {
namespace {

using ::testing::HasSubstr;

class Web : public ::testing::Test {
  protected:
    Web() : saved_(gsweb::Options()) {}
    ~Web() override { gsweb::SetOptions(saved_); }

    void WithOptions(const std::function<void(gsweb::WebOptions&)>& change) {
        gsweb::WebOptions options = saved_;
        options.firstBackoffMs = 10;
        change(options);
        gsweb::SetOptions(options);
    }

    gsweb::WebOptions saved_;
};

TEST_F(Web, ErrorStatusNamesStatusAndAddressAndIsNotRetried) {
    StorySim sim;
    const std::string url = sim.url("/status/404");
    try {
        gsweb::get_url(url);
        FAIL() << "a 404 must fail";
    } catch (const HttpError& failure) {
        EXPECT_EQ(failure.status(), 404);
        EXPECT_EQ(std::string(failure.what()), "HTTP status 404 for " + url);
    }
    EXPECT_EQ(sim.requests().size(), 1u);
}

TEST_F(Web, TransientStatusIsRetriedABoundedNumberOfTimes) {
    StorySim sim;
    WithOptions([](gsweb::WebOptions& options) { options.maxRetryAfterS = 0; });
    EXPECT_THAT(gsweb::get_url(sim.url("/flaky/web-a/2/503/story/1001")), HasSubstr("story-parts"));
    EXPECT_EQ(sim.requests().size(), 3u);
    sim.reset_log();
    EXPECT_THROW(gsweb::get_url(sim.url("/flaky/web-b/9/429/story/1001")), HttpError);
    EXPECT_EQ(sim.requests().size(), 4u) << "one try and three retries";
}

TEST_F(Web, SilentServerFailsWithinTheTimeOut) {
    StorySim sim;
    WithOptions([](gsweb::WebOptions& options) {
        options.stallTimeoutS = 1;
        options.maxRetries = 0;
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(gsweb::get_url(sim.url("/hang")), FetchError);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(Web, OversizedBodyFails) {
    StorySim sim;
    WithOptions([](gsweb::WebOptions& options) { options.maxBodyBytes = 1 << 20; });
    try {
        gsweb::get_url(sim.url("/hostile/huge?mb=3"));
        FAIL() << "the body is over the limit";
    } catch (const FetchError& failure) {
        EXPECT_THAT(failure.what(), HasSubstr("larger than 1 MB"));
    }
}

TEST_F(Web, UnreachableServerFails) {
    WithOptions([](gsweb::WebOptions& options) { options.maxRetries = 0; });
    EXPECT_THROW(gsweb::get_url("http://127.0.0.1:1/story/1"), FetchError);
    EXPECT_THROW(gsweb::get_url("file:///etc/passwd"), FetchError);
}

TEST_F(Web, CertificatesAreCheckedAndATrustedBundleIsAccepted) {
    TempDir dir;
    const TlsFiles tls = MakeSelfSignedCertificate(dir.path());
    StorySim::Options options;
    options.tlsCert = tls.cert;
    options.tlsKey = tls.key;
    StorySim sim(options);
    ASSERT_THAT(sim.base_url(), ::testing::StartsWith("https://"));

    WithOptions([](gsweb::WebOptions& web) { web.maxRetries = 0; });
    EXPECT_THROW(gsweb::get_soup(sim.story_url(1001)), FetchError)
        << "a self-signed certificate must be refused";

    WithOptions([&](gsweb::WebOptions& web) { web.caBundle = tls.cert; });
    const gsweb::Document page = gsweb::get_soup(sim.story_url(1001));
    EXPECT_TRUE(page.select_one("h1").has_value() || page.select_one("title").has_value());
}

}  // namespace
}  // namespace quill::test
